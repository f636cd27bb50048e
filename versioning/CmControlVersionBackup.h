#pragma once

#include "forms/CmCustomDialog.h"

class QLabel;
class QPlainTextEdit;

// Shows the server's backup output while the backup runs; the user cannot close it.
class TClsControlVersionBackup final : public TClsCustomDialog {
  Q_OBJECT
 public:
  explicit TClsControlVersionBackup(QWidget* owner = nullptr);

  QLabel* lblAguarde;
  QPlainTextEdit* Memo;

  // Appends a line and lets the window repaint while the backup goes on.
  void AddLine(const QString& line);
};

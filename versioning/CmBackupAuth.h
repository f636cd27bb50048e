#pragma once

#include "forms/CmCustomDialog.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;

// Asks whether a backup is made before the schema is upgraded; the caller reads
// chbMakeBackup once it closes.
class TClsBackupAuth final : public TClsCustomDialog {
  Q_OBJECT
 public:
  explicit TClsBackupAuth(QWidget* owner = nullptr);

  QGroupBox* pnlBancoDados;
  QLabel* lblAtencao;
  QPlainTextEdit* memExplicacao;
  QCheckBox* chbMakeBackup;

  static QString ExplanationText();
};

#pragma once

#include "CmHintForm.h"

class QPushButton;

// The OK/Cancel dialog: descendants fill pnArea and wire the two buttons; Esc clicks
// btnCancel.
class TClsCustomDialog : public TClsHintForm {
  Q_OBJECT
 public:
  explicit TClsCustomDialog(QWidget* owner = nullptr);

  QWidget* pnArea;
  QFrame* pnlBottom;
  QWidget* pnlButtons;
  QPushButton* btnOK;
  QPushButton* btnCancel;
};

#pragma once

#include "CmForm.h"

class QFrame;
class TCmStatusBar;

// Adds the status bar: today's date in panel 0, the focused control's hint in panel 1.
class TClsHintForm : public TClsForm {
  Q_OBJECT
 public:
  explicit TClsHintForm(QWidget* owner = nullptr);

  QFrame* bvlSepBottom;
  TCmStatusBar* Info;

 protected:
  void showEvent(QShowEvent* event) override;
};

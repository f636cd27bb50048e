#include "CmStatusBar.h"

#include "CmCommon.h"

#include <QLabel>

TCmStatusBar::TCmStatusBar(QWidget* parent) : QStatusBar(parent), simple_(new QLabel(this)) {
  setSizeGripEnabled(false);
  simple_->setObjectName(QStringLiteral("SimpleText"));
  simple_->hide();
  addWidget(simple_, 1);
  TCmFocusController::Instance().RegisterStatusBar(this);
}

TCmStatusBar::~TCmStatusBar() { TCmFocusController::Instance().UnregisterStatusBar(this); }

int TCmStatusBar::AddPanel(int width, const QString& text) {
  if (!panels_.empty()) {
    // Only the last panel stretches.
    QLabel* previous = panels_.back();
    removeWidget(previous);
    addWidget(previous, 0);
    previous->setFixedWidth(previous->property("PanelWidth").toInt());
    previous->show();
  }
  auto* label = new QLabel(text, this);
  label->setObjectName(QStringLiteral("Panel%1").arg(panels_.size()));
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setProperty("PanelWidth", width);
  label->setMinimumWidth(width);
  label->setVisible(!simplePanel_);
  addWidget(label, 1);
  panels_.push_back(label);
  return PanelCount() - 1;
}

QString TCmStatusBar::PanelText(int index) const { return panels_.at(index)->text(); }

void TCmStatusBar::SetPanelText(int index, const QString& text) {
  panels_.at(index)->setText(text);
}

void TCmStatusBar::SetSimplePanel(bool on) {
  simplePanel_ = on;
  simple_->setVisible(on);
  for (QLabel* panel : panels_) panel->setVisible(!on);
}

QString TCmStatusBar::SimpleText() const { return simple_->text(); }
void TCmStatusBar::SetSimpleText(const QString& text) { simple_->setText(text); }

void TCmStatusBar::ShowHint(const QWidget* active) {
  if (hintPanelIndex_ < 0 || !active) return;
  const QString hint = ControlHint(active);
  const QString longHint = GetLongHint(hint);
  if (simplePanel_) {
    SetSimpleText(longHint);
  } else if (hintPanelIndex_ < PanelCount()) {
    SetPanelText(hintPanelIndex_, longHint.isEmpty() ? hint : longHint);
  }
}

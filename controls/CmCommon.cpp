#include "CmCommon.h"

#include "CmStatusBar.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

#include <algorithm>

#include "platform/FormMessages.h"

QString GetShortHint(const QString& hint) {
  const qsizetype bar = hint.indexOf(u'|');
  return bar < 0 ? hint : hint.left(bar);
}

QString GetLongHint(const QString& hint) {
  const qsizetype bar = hint.indexOf(u'|');
  return bar < 0 ? hint : hint.mid(bar + 1);
}

void SetControlHint(QWidget* control, const QString& hint) {
  control->setProperty("Hint", hint);
  control->setToolTip(GetShortHint(hint));
}

QString ControlHint(const QWidget* control) { return control->property("Hint").toString(); }

TArrowOnButtonEvent::TArrowOnButtonEvent(quint32 key)
    : QEvent(pf::kButtonArrowKey), key_(key) {}

TCmFocusController& TCmFocusController::Instance() {
  static QPointer<TCmFocusController> instance;
  if (!instance) instance = new TCmFocusController;
  return *instance;
}

TCmFocusController::TCmFocusController() : QObject(QCoreApplication::instance()) {
  InstallFilter();
}

void TCmFocusController::InstallFilter() {
  if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

void TCmFocusController::SetTracking(bool on) {
  if (on == Tracking()) return;
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (on && app) {
    tracking_ = connect(app, &QApplication::focusChanged, this,
                        [this](QWidget*, QWidget* now) { activeControlChanged(now); });
  } else {
    disconnect(tracking_);
    tracking_ = {};
  }
}

void TCmFocusController::RegisterStatusBar(TCmStatusBar* bar) { statusBars_.push_back(bar); }

void TCmFocusController::UnregisterStatusBar(TCmStatusBar* bar) {
  statusBars_.erase(std::remove(statusBars_.begin(), statusBars_.end(), bar), statusBars_.end());
}

void TCmFocusController::activeControlChanged(QWidget* now) {
  if (!now) return;
  QWidget* form = now->window();
  for (TCmStatusBar* bar : statusBars_) {
    if (bar->window() != form) continue;
    bar->ShowHint(now);
    break;
  }
}

bool TCmFocusController::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  auto* button = qobject_cast<QPushButton*>(watched);
  if (!button || button != button->window()->focusWidget()) return false;
  quint32 vk = 0;
  switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Left: vk = kVkLeft; break;
    case Qt::Key_Up: vk = kVkUp; break;
    case Qt::Key_Right: vk = kVkRight; break;
    case Qt::Key_Down: vk = kVkDown; break;
    default: return false;
  }
  // The key still goes on to the button.
  QCoreApplication::postEvent(button->window(), new TArrowOnButtonEvent(vk));
  return false;
}

#include "CmForm.h"

#include "CmSQLMonitorForm.h"
#include "controls/CmCommon.h"
#include "controls/KelvoFormStorage.h"
#include "data/CmSQLGlobals.h"
#include "platform/Dialogs.h"
#include "platform/FormMessages.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>

#include <climits>
#include <cstdlib>

QWidget** MainFormReference = nullptr;

namespace {

constexpr int kRowTolerance = 20;

// Gives every TClsForm the first look at the keys typed into its controls.
class KeyPreview final : public QObject {
 public:
  using QObject::QObject;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return false;
    QWidget* window = widget->window();
    auto* form = qobject_cast<TClsForm*>(window);
    if (!form) return false;
    // A key travels up the parents when ignored; the form sees it once.
    QWidget* focus = window->focusWidget();
    if (focus ? widget != focus : widget != window) return false;
    return form->KeyDown(static_cast<QKeyEvent*>(event));
  }
};

void installKeyPreview() {
  static QPointer<KeyPreview> preview;
  QCoreApplication* app = QCoreApplication::instance();
  if (preview || !app) return;
  preview = new KeyPreview(app);
  app->installEventFilter(preview);
}

bool isSpockMemo(const QWidget* w) { return w->inherits("TCmSpockMemo"); }

// Memo-like controls, except the Spock memo that handles Enter itself.
bool isMultiLineText(const QWidget* w) {
  return !isSpockMemo(w) && (qobject_cast<const QTextEdit*>(w) ||
                             qobject_cast<const QPlainTextEdit*>(w));
}

bool canFocus(const QWidget* w) {
  return w->isEnabled() && w->isVisible() && w->focusPolicy() != Qt::NoFocus &&
         w->window()->isEnabled();
}

bool isTabStop(const QWidget* w) { return (w->focusPolicy() & Qt::TabFocus) != 0; }

// Controls that use Up and Down themselves.
bool keepsArrows(const QWidget* w) {
  if (auto* combo = qobject_cast<const QComboBox*>(w)) return combo->view()->isVisible();
  if (w->inherits("TCmSpockEdit")) return w->property("ListShowing").toBool();
  return isMultiLineText(w) || qobject_cast<const QAbstractItemView*>(w);
}

QPoint clientOrigin(const QWidget* w) { return w->mapToGlobal(QPoint(0, 0)); }

int lastVisibleTab(const QTabWidget* pages) {
  int last = -1;
  for (int i = 0; i < pages->count(); ++i)
    if (pages->isTabVisible(i)) last = i;
  return last;
}

// Next (or previous) visible tab, wrapping around; -1 when there is none.
int neighbourTab(const QTabWidget* pages, bool forward, bool wrap) {
  const int n = pages->count();
  int i = pages->currentIndex();
  for (int step = 0; step < n; ++step) {
    i += forward ? 1 : -1;
    if (i >= n || i < 0) {
      if (!wrap) return -1;
      i = forward ? 0 : n - 1;
    }
    if (pages->isTabVisible(i)) return i;
  }
  return -1;
}

void focusQuietly(QWidget* w) {
  // A control that refuses the focus simply keeps the focus where it was.
  try {
    w->setFocus(Qt::OtherFocusReason);
  } catch (...) {
  }
}

}  // namespace

TClsForm::TClsForm(QWidget* owner)
    : QDialog(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                         Qt::WindowCloseButtonHint),
      root_(new QVBoxLayout(this)),
      client_(new QWidget(this)) {
  if (MainFormReference) MainForm = *MainFormReference;
  CaptionPrefix = QStringLiteral("Cadastro de ");
  root_->setContentsMargins(0, 0, 0, 0);
  root_->setSpacing(0);
  client_->setObjectName(QStringLiteral("ClientArea"));
  root_->addWidget(client_, 1);
  formStorage_ = new TKelvoFormStorage(this);
  installKeyPreview();
  // Arrow keys on buttons are reported even when the form consumes them.
  TCmFocusController::Instance().InstallFilter();
  ArrowNavigation = true;
  ComeFromWeb = true;
}

TClsForm::~TClsForm() {
  if (isVisible() && formStorage_->Active()) {
    try {
      formStorage_->SaveFormPlacement();
    } catch (const std::exception&) {
    }
  }
}

void TClsForm::TakeTabList() {
  tabList_.clear();
  for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain())
    if (isAncestorOf(w)) tabList_.emplace_back(w);
  tabListTaken_ = true;
}

void TClsForm::DoAtivaEmpresa() {
  if (OnAtivaEmpresa) OnAtivaEmpresa(this);
}

void TClsForm::ButtonArrowKey(quint16) {}

QString TClsForm::CaptionBase(const QString& caption) {
  const qsizetype dash = caption.indexOf(QStringLiteral(" - "));
  return dash < 0 ? caption : caption.left(dash);
}

QString TClsForm::PlacementSection() const {
  const TCmSQLGlobals* globals = TCmSQLGlobals::Instance();
  const QString user = globals ? globals->Usuario : QString();
  return user + u'-' + CaptionBase(windowTitle());
}

void TClsForm::setPlacementSection() {
  formStorage_->SetIniSection(PlacementSection());
  formStorage_->SetActive(true);
}

void TClsForm::ShowPlaced() {
  setPlacementSection();
  show();
}

int TClsForm::ShowModal() {
  setPlacementSection();
  return pf::execModal(*this);
}

void TClsForm::SetCaptions(const QString& sing, const QString& plur, TKelvoGender gender) {
  CaptionSing = sing;
  CaptionPlur = plur;
  GenderCad = gender;
  const TCmSQLGlobals* globals = TCmSQLGlobals::Instance();
  setWindowTitle(CaptionPrefix + CaptionPlur + (globals ? globals->CaptionSuffix : QString()));
}

void TClsForm::setVisible(bool visible) {
  if (visible && !placedOnce_) {
    placedOnce_ = true;
    // Only an explicit default button takes Enter; the dialog must not pick one.
    for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(false);
    if (!testAttribute(Qt::WA_Resized)) adjustSize();
    if (!sizeable_) setFixedSize(size());
    if (QScreen* s = screen()) {
      const QRect area = s->availableGeometry();
      move(area.center() - QPoint(width() / 2, height() / 2));
    }
  }
  QDialog::setVisible(visible);
}

void TClsForm::showEvent(QShowEvent* event) {
  if (!tabListTaken_) TakeTabList();
  QDialog::showEvent(event);
}

bool TClsForm::event(QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == pf::kFormMessage) {
    DoAtivaEmpresa();
    return true;
  }
  if (type == pf::kCaptionRefresh) {
    const TCmSQLGlobals* globals = TCmSQLGlobals::Instance();
    setWindowTitle(CaptionBase(windowTitle()) + (globals ? globals->CaptionSuffix : QString()));
    if (OnAlterCaption) OnAlterCaption(this);
    return true;
  }
  if (type == pf::kButtonArrowKey) {
    const auto* arrow = dynamic_cast<const TArrowOnButtonEvent*>(event);
    ButtonArrowKey(static_cast<quint16>(arrow ? arrow->key() & 0xFFFF : 0));
    return true;
  }
  return QDialog::event(event);
}

void TClsForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    // Esc clicks the cancel button only; a window without one stays open.
    if (cancelButton_ && cancelButton_->isVisible() && cancelButton_->isEnabled())
      cancelButton_->click();
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool TClsForm::KeyDown(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods = event->modifiers();
  const bool ctrl = mods & Qt::ControlModifier;
  const bool shift = mods & Qt::ShiftModifier;
  const int key = event->key();
  QWidget* focused = focusWidget();
  bool consumed = false;

  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    consumed = ctrl ? (focused && handleCtrlEnter(focused, shift)) : handleEnter(focused, shift);
  } else if ((key == Qt::Key_Up || key == Qt::Key_Down) && focused) {
    consumed = arrowNavigate(focused, key == Qt::Key_Down);
  } else if (ctrl && (mods & Qt::KeypadModifier) &&
             (key == Qt::Key_Plus || key == Qt::Key_Minus)) {
    if (ActivePageArea) {
      const int page = neighbourTab(ActivePageArea, key == Qt::Key_Plus, true);
      if (page >= 0) ActivePageArea->setCurrentIndex(page);
      consumed = true;
    }
  }
  if (key == Qt::Key_M && ctrl && shift) {
    TClsSQLMonitorForm::ShowMonitor();
    consumed = true;
  }
  return consumed;
}

bool TClsForm::handleEnter(QWidget* focused, bool shift) {
  if (focused && isSpockMemo(focused)) return false;
  // Dialog keys come first: a focused push button is clicked, otherwise the default
  // button takes the Enter.
  if (auto* focusedButton = qobject_cast<QPushButton*>(focused)) {
    focusedButton->click();
    return true;
  }
  for (QPushButton* button : findChildren<QPushButton*>()) {
    if (button->isDefault() && button->isVisible() && button->isEnabled()) {
      button->click();
      return true;
    }
  }
  if (turnPageOnEnter(focused, shift)) return true;
  if (!focused) return true;
  // A memo keeps the Enter for its line break.
  if (isMultiLineText(focused)) return false;
  focusNextPrevChild(!shift);
  return true;
}

bool TClsForm::turnPageOnEnter(QWidget* focused, bool shift) {
  QTabWidget* pages = ActivePageArea;
  if (!pages || !focused || !pages->property("AutoChangePages").toBool()) return false;
  QWidget* page = pages->currentWidget();
  if (!page) return false;
  auto pageControls = [this](QWidget* p) {
    std::vector<QWidget*> controls;
    for (const QPointer<QWidget>& w : tabList_)
      if (w && p->isAncestorOf(w) && isTabStop(w) && w->isEnabled() && w->isVisibleTo(p))
        controls.push_back(w);
    return controls;
  };
  const std::vector<QWidget*> controls = pageControls(page);
  if (controls.empty()) return false;
  int target = -1;
  if (!shift && focused == controls.back() && pages->currentIndex() < lastVisibleTab(pages))
    target = neighbourTab(pages, true, false);
  else if (shift && focused == controls.front() && pages->count() > 0 && pages->currentIndex() > 0)
    target = neighbourTab(pages, false, false);
  if (target < 0) return false;
  pages->setCurrentIndex(target);
  const std::vector<QWidget*> next = pageControls(pages->currentWidget());
  if (!next.empty()) {
    QWidget* w = shift ? next.back() : next.front();
    if (canFocus(w)) focusQuietly(w);
  }
  return true;
}

bool TClsForm::handleCtrlEnter(QWidget* focused, bool shift) {
  if (isMultiLineText(focused)) {
    focusNextPrevChild(!shift);
    return true;
  }
  if (auto* combo = qobject_cast<QComboBox*>(focused)) {
    if (combo->view()->isVisible()) combo->hidePopup();
    else combo->showPopup();
    return true;
  }
  return false;
}

bool TClsForm::arrowNavigate(QWidget* focused, bool down) {
  if (!ArrowNavigation || isSpockMemo(focused) || keepsArrows(focused)) return false;
  std::vector<QWidget*> candidates;
  for (const QPointer<QWidget>& p : tabList_) {
    QWidget* w = p;
    if (!w || w == focused || !canFocus(w) || !isTabStop(w) || qobject_cast<QAbstractButton*>(w) ||
        w->window() != focused->window())
      continue;
    candidates.push_back(w);
  }
  const QPoint from = clientOrigin(focused);
  int rowDistance = INT_MAX;
  int rowY = 0;
  for (QWidget* w : candidates) {
    const int y = clientOrigin(w).y();
    const int distance = down ? y - from.y() : from.y() - y;
    if (distance > kRowTolerance && distance < rowDistance) {
      rowDistance = distance;
      rowY = y;
    }
  }
  if (rowDistance == INT_MAX) return false;
  QWidget* target = nullptr;
  int best = INT_MAX;
  for (QWidget* w : candidates) {
    const QPoint at = clientOrigin(w);
    if (std::abs(at.y() - rowY) > kRowTolerance) continue;
    const int dx = std::abs(at.x() - from.x());
    if (dx < best) {
      best = dx;
      target = w;
    }
  }
  if (!target || !canFocus(target)) return false;
  focusQuietly(target);
  return true;
}

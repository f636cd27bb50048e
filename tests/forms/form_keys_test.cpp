#include "forms/CmCustomDialog.h"
#include "forms/CmSQLMonitorForm.h"
#include "forms/CmSpockForm.h"

#include "controls/CmCommon.h"
#include "platform/FormMessages.h"

#include "FormsTestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QAbstractItemView>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

void showAndActivate(QWidget& w) {
  w.show();
  QApplication::setActiveWindow(&w);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}

QLineEdit* edit(QWidget* parent, const char* name, int x = 0, int y = 0) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  e->setGeometry(x, y, 60, 18);
  return e;
}

QString focusedName(const QWidget& form) {
  const QWidget* f = form.focusWidget();
  return f ? f->objectName() : QStringLiteral("<none>");
}

std::vector<TClsSQLMonitorForm*> openMonitors() {
  std::vector<TClsSQLMonitorForm*> found;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* m = qobject_cast<TClsSQLMonitorForm*>(w)) found.push_back(m);
  return found;
}

// Three edits, a memo and a button, one below the other.
class StackForm : public TClsForm {
 public:
  StackForm() {
    auto* layout = new QVBoxLayout(ClientArea());
    for (const char* name : {"edt1", "edt2", "edt3"}) {
      auto* e = new QLineEdit;
      e->setObjectName(QString::fromLatin1(name));
      layout->addWidget(e);
    }
    memo = new QPlainTextEdit;
    memo->setObjectName(QStringLiteral("memo"));
    layout->addWidget(memo);
    button = new QPushButton(QStringLiteral("Botão"));
    button->setObjectName(QStringLiteral("btn"));
    layout->addWidget(button);
  }
  QPlainTextEdit* memo;
  QPushButton* button;
};

QWidget* child(QWidget& form, const char* name) {
  return form.findChild<QWidget*>(QString::fromLatin1(name));
}

}  // namespace

TEST(FormKeys, EnterActsAsTab) {
  StackForm form;
  showAndActivate(form);
  QSignalSpy clicked(form.button, &QPushButton::clicked);

  struct Case {
    const char* from;
    Qt::KeyboardModifiers mods;
    const char* to;
  } cases[] = {
      {"edt1", Qt::NoModifier, "edt2"},
      {"edt2", Qt::ShiftModifier, "edt1"},
      {"edt3", Qt::NoModifier, "memo"},
      {"memo", Qt::ControlModifier, "btn"},  // Ctrl+Enter leaves a memo
      {"memo", Qt::ControlModifier | Qt::ShiftModifier, "edt3"},
      {"edt2", Qt::ControlModifier, "edt2"},  // Ctrl+Enter elsewhere: nothing
  };
  for (const Case& c : cases) {
    child(form, c.from)->setFocus();
    QTest::keyClick(form.focusWidget(), Qt::Key_Return, c.mods);
    EXPECT_EQ(focusedName(form), QString::fromLatin1(c.to)) << c.from << " " << int(c.mods);
  }
  EXPECT_EQ(clicked.count(), 0);

  // The memo keeps the Enter for its line break.
  form.memo->setFocus();
  QTest::keyClicks(form.memo, QStringLiteral("a"));
  QTest::keyClick(form.memo, Qt::Key_Return);
  QTest::keyClicks(form.memo, QStringLiteral("b"));
  EXPECT_EQ(form.memo->toPlainText(), QStringLiteral("a\nb"));
  EXPECT_EQ(focusedName(form), QStringLiteral("memo"));

  // A focused button is clicked, not left.
  form.button->setFocus();
  QTest::keyClick(form.button, Qt::Key_Return);
  EXPECT_EQ(clicked.count(), 1);
  EXPECT_EQ(focusedName(form), QStringLiteral("btn"));
}

TEST(FormKeys, EnterGoesToAnExplicitDefaultButtonOnly) {
  TClsCustomDialog dialog;
  auto* e1 = edit(dialog.pnArea, "e1");
  auto* e2 = edit(dialog.pnArea, "e2", 0, 30);
  showAndActivate(dialog);
  QSignalSpy ok(dialog.btnOK, &QPushButton::clicked);
  e1->setFocus();
  QTest::keyClick(e1, Qt::Key_Return);
  EXPECT_EQ(dialog.focusWidget(), e2);
  EXPECT_EQ(ok.count(), 0);

  dialog.btnOK->setDefault(true);
  QTest::keyClick(e2, Qt::Key_Return);
  EXPECT_EQ(ok.count(), 1);
  EXPECT_EQ(dialog.focusWidget(), e2);
}

namespace {

// A page control before and after which sit edits; pages hold two edits each.
class PagedForm : public TClsForm {
 public:
  explicit PagedForm(int pageCount) {
    auto* layout = new QVBoxLayout(ClientArea());
    layout->addWidget(edit(nullptr, "before"));
    pages = new QTabWidget;
    pages->setObjectName(QStringLiteral("pages"));
    pages->setProperty("AutoChangePages", true);
    for (int p = 0; p < pageCount; ++p) {
      auto* page = new QWidget;
      auto* l = new QVBoxLayout(page);
      for (const char* part : {"a", "b"}) {
        auto* e = new QLineEdit;
        e->setObjectName(QStringLiteral("p%1%2").arg(p).arg(QString::fromLatin1(part)));
        l->addWidget(e);
      }
      pages->addTab(page, QStringLiteral("Página %1").arg(p));
    }
    layout->addWidget(pages);
    layout->addWidget(edit(nullptr, "after"));
    ActivePageArea = pages;
    // Tabbing back from the first page lands on the edit before, not on the tabs.
    pages->setFocusPolicy(Qt::NoFocus);
    pages->tabBar()->setFocusPolicy(Qt::NoFocus);
    resize(500, 300);
  }
  QTabWidget* pages;
};

}  // namespace

TEST(FormKeys, EnterTurnsPagesOfTheActivePageArea) {
  struct Case {
    const char* name;
    int page;
    const char* from;
    bool shift;
    int hiddenTab;  // -1: all visible
    bool autoChange;
    int pageAfter;
    const char* to;
  } cases[] = {
      {"last control turns forward", 0, "p0b", false, -1, true, 1, "p1a"},
      {"first control turns back", 1, "p1a", true, -1, true, 0, "p0b"},
      {"middle control just tabs", 1, "p1a", false, -1, true, 1, "p1b"},
      {"last visible page tabs on", 2, "p2b", false, -1, true, 2, "after"},
      {"hidden tab stops the turn", 1, "p1b", false, 2, true, 1, "after"},
      {"hidden tab is stepped over", 0, "p0b", false, 1, true, 2, "p2a"},
      {"page 0 tabs back", 0, "p0a", true, -1, true, 0, "before"},
      {"switched off", 0, "p0b", false, -1, false, 0, "after"},
  };
  for (const Case& c : cases) {
    PagedForm form(3);
    form.pages->setProperty("AutoChangePages", c.autoChange);
    if (c.hiddenTab >= 0) form.pages->setTabVisible(c.hiddenTab, false);
    form.pages->setCurrentIndex(c.page);
    showAndActivate(form);
    child(form, c.from)->setFocus();
    QTest::keyClick(form.focusWidget(), Qt::Key_Return,
                    c.shift ? Qt::ShiftModifier : Qt::NoModifier);
    EXPECT_EQ(form.pages->currentIndex(), c.pageAfter) << c.name;
    EXPECT_EQ(focusedName(form), QString::fromLatin1(c.to)) << c.name;
  }
}

TEST(FormKeys, CtrlKeypadPlusAndMinusTurnPages) {
  PagedForm form(3);
  form.pages->setTabVisible(1, false);
  showAndActivate(form);
  child(form, "before")->setFocus();
  const auto keypadCtrl = Qt::ControlModifier | Qt::KeypadModifier;
  QTest::keyClick(form.focusWidget(), Qt::Key_Plus, keypadCtrl);
  EXPECT_EQ(form.pages->currentIndex(), 2);
  QTest::keyClick(form.focusWidget(), Qt::Key_Plus, keypadCtrl);
  EXPECT_EQ(form.pages->currentIndex(), 0);
  QTest::keyClick(form.focusWidget(), Qt::Key_Minus, keypadCtrl);
  EXPECT_EQ(form.pages->currentIndex(), 2);
  // Without the keypad it is an ordinary key.
  QTest::keyClick(form.focusWidget(), Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_EQ(form.pages->currentIndex(), 2);
}

namespace {

struct Spot {
  const char* name;
  int x, y;
};

// Edits at fixed places; "cur" is the focused one.
class GridForm : public TClsForm {
 public:
  explicit GridForm(std::initializer_list<Spot> spots) {
    resize(500, 400);
    for (const Spot& s : spots) edit(ClientArea(), s.name, s.x, s.y);
  }
};

}  // namespace

TEST(FormKeys, ArrowsMoveByRowsOfTwentyPixels) {
  struct Case {
    const char* name;
    std::vector<Spot> spots;
    Qt::Key key;
    const char* to;
  } cases[] = {
      {"15 pixels is the same row", {{"cur", 10, 100}, {"near", 10, 115}, {"far", 300, 140}},
       Qt::Key_Down, "far"},
      {"20 pixels is still the same row", {{"cur", 10, 100}, {"a", 10, 120}, {"b", 10, 145}},
       Qt::Key_Down, "b"},
      {"20 pixels off the target row still belongs to it",
       {{"cur", 10, 100}, {"row", 300, 150}, {"lower", 10, 170}}, Qt::Key_Down, "lower"},
      {"nearest row wins over a nearer column",
       {{"cur", 10, 100}, {"row1", 400, 130}, {"row2", 10, 170}}, Qt::Key_Down, "row1"},
      {"closest column within the row", {{"cur", 200, 100}, {"l", 20, 150}, {"r", 250, 160}},
       Qt::Key_Down, "r"},
      {"tie goes to the earlier in tab order",
       {{"cur", 200, 100}, {"first", 300, 150}, {"second", 100, 150}}, Qt::Key_Down, "first"},
      {"up looks above", {{"up", 10, 40}, {"cur", 10, 100}, {"down", 10, 160}}, Qt::Key_Up, "up"},
      {"nothing further: focus stays", {{"up", 10, 40}, {"cur", 10, 100}}, Qt::Key_Down, "cur"},
  };
  for (const Case& c : cases) {
    GridForm form({});
    for (const Spot& s : c.spots) edit(form.ClientArea(), s.name, s.x, s.y);
    showAndActivate(form);
    child(form, "cur")->setFocus();
    QTest::keyClick(form.focusWidget(), c.key);
    EXPECT_EQ(focusedName(form), QString::fromLatin1(c.to)) << c.name;
  }
}

TEST(FormKeys, ArrowsSkipWhatCannotBeATargetAndStayInLists) {
  GridForm form({{"cur", 10, 100}, {"target", 300, 200}});
  auto* button = new QPushButton(form.ClientArea());
  button->setGeometry(10, 150, 60, 20);
  auto* check = new QCheckBox(form.ClientArea());
  check->setGeometry(10, 150, 60, 20);
  auto* disabled = edit(form.ClientArea(), "disabled", 10, 150);
  disabled->setEnabled(false);
  auto* hidden = edit(form.ClientArea(), "hidden", 10, 150);
  hidden->hide();
  auto* noTab = edit(form.ClientArea(), "noTab", 10, 150);
  noTab->setFocusPolicy(Qt::ClickFocus);
  auto* list = new QListWidget(form.ClientArea());
  list->setObjectName(QStringLiteral("list"));
  list->setGeometry(200, 20, 100, 60);
  list->addItems({QStringLiteral("um"), QStringLiteral("dois")});
  list->setCurrentRow(0);
  showAndActivate(form);

  child(form, "cur")->setFocus();
  QTest::keyClick(form.focusWidget(), Qt::Key_Down);
  EXPECT_EQ(focusedName(form), QStringLiteral("target"));

  list->setFocus();
  QTest::keyClick(list, Qt::Key_Down);
  EXPECT_EQ(focusedName(form), QStringLiteral("list"));
  EXPECT_EQ(list->currentRow(), 1);

  form.ArrowNavigation = false;
  child(form, "cur")->setFocus();
  QTest::keyClick(form.focusWidget(), Qt::Key_Down);
  EXPECT_EQ(focusedName(form), QStringLiteral("cur"));
}

TEST(FormKeys, CtrlShiftMOpensOneMonitor) {
  StackForm form;
  showAndActivate(form);
  ASSERT_TRUE(openMonitors().empty());
  child(form, "edt1")->setFocus();
  QTest::keyClick(form.focusWidget(), Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier);
  form.activateWindow();
  QApplication::setActiveWindow(&form);
  QTest::keyClick(form.focusWidget(), Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier);
  ASSERT_EQ(openMonitors().size(), 1u);
  TClsSQLMonitorForm* monitor = openMonitors().front();
  EXPECT_TRUE(monitor->isVisible());
  monitor->IBSQLMonitorSQL(QStringLiteral("select 1"), QDateTime::currentDateTime());

  // Reopened before the closed one is even deleted: a fresh, empty one.
  monitor->close();
  QTest::keyClick(form.focusWidget(), Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_EQ(openMonitors().size(), 1u);
  EXPECT_NE(openMonitors().front(), monitor);
  EXPECT_EQ(openMonitors().front()->CmListView1->topLevelItemCount(), 0);
  EXPECT_TRUE(openMonitors().front()->EventTexts().isEmpty());
  delete openMonitors().front();
}

TEST(SpockForm, EscClosesOnlyWhenComeFromWeb) {
  for (const bool comeFromWeb : {true, false}) {
    TClsSpockForm form;
    auto* e = edit(form.ClientArea(), "e");
    form.ComeFromWeb = comeFromWeb;
    showAndActivate(form);
    e->setFocus();
    QTest::keyClick(e, Qt::Key_Escape);
    EXPECT_EQ(form.isVisible(), !comeFromWeb) << comeFromWeb;
  }
}

TEST(CustomDialog, EscClicksCancelWhileItIsEnabled) {
  TClsCustomDialog dialog;
  auto* e = edit(dialog.pnArea, "e");
  QObject::connect(dialog.btnCancel, &QPushButton::clicked, &dialog, &QDialog::reject);
  showAndActivate(dialog);
  e->setFocus();
  dialog.btnCancel->setEnabled(false);
  QTest::keyClick(e, Qt::Key_Escape);
  EXPECT_TRUE(dialog.isVisible());
  dialog.btnCancel->setEnabled(true);
  QTest::keyClick(e, Qt::Key_Escape);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST(SpockForm, CtrlRClicksCloseOnlyWhileItIsEnabled) {
  TClsSpockForm form;
  auto* e = edit(form.ClientArea(), "e");
  showAndActivate(form);
  QSignalSpy clicked(form.bbtClose, &QPushButton::clicked);
  e->setFocus();
  form.bbtClose->setEnabled(false);
  QTest::keyClick(e, Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(clicked.count(), 0);
  EXPECT_TRUE(form.isVisible());
  form.bbtClose->setEnabled(true);
  QTest::keyClick(e, Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(clicked.count(), 1);
  EXPECT_FALSE(form.isVisible());
}

TEST(SpockForm, DisableSpockDrivesTheCompanyItem) {
  TClsSpockForm form;
  EXPECT_TRUE(form.DisableSpock());
  EXPECT_FALSE(form.mnuAtivaEmpresa->isEnabled());
  form.mnuAtivaEmpresa->setVisible(true);
  EXPECT_FALSE(form.mnuAtivaEmpresa->isEnabled());
  form.SetDisableSpock(false);
  EXPECT_TRUE(form.mnuAtivaEmpresa->isEnabled());
  form.SetDisableSpock(true);
  EXPECT_FALSE(form.mnuAtivaEmpresa->isEnabled());
  EXPECT_FALSE(form.AtivarEmpresa1->isEnabled());
  EXPECT_EQ(form.bbtClose1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
}

namespace {

class ArrowForm : public TClsForm {
 public:
  std::vector<quint16> keys;
  void ButtonArrowKey(quint16 key) override { keys.push_back(key); }
};

}  // namespace

TEST(FormMessages, ArrowOnAButtonReachesTheFormOnceAndTheButtonStillGetsIt) {
  ArrowForm form;
  auto* layout = new QVBoxLayout(form.ClientArea());
  auto* button = new QPushButton(QStringLiteral("A"));
  layout->addWidget(button);
  auto* edt = new QLineEdit;
  layout->addWidget(edt);
  showAndActivate(form);
  // Buttons move the focus on arrows themselves, so it is put back each time.
  button->setFocus();
  QTest::keyClick(button, Qt::Key_Left);
  button->setFocus();
  QTest::keyClick(button, Qt::Key_Right);
  button->setFocus();
  QCoreApplication::processEvents();
  EXPECT_EQ(form.keys, (std::vector<quint16>{kVkLeft, kVkRight}));

  // Down is reported and also moves the focus on to the edit below.
  QTest::keyClick(button, Qt::Key_Down);
  QCoreApplication::processEvents();
  EXPECT_EQ(form.keys.back(), kVkDown);
  EXPECT_EQ(form.focusWidget(), edt);

  QTest::keyClick(edt, Qt::Key_Up);
  QCoreApplication::processEvents();
  EXPECT_EQ(form.keys.size(), 3u);

  // A bare message carries no key.
  QEvent bare(pf::kButtonArrowKey);
  QCoreApplication::sendEvent(&form, &bare);
  EXPECT_EQ(form.keys.back(), 0);
}

TEST(FormMessages, CompanyMessageCallsDoAtivaEmpresa) {
  TClsForm form;
  int calls = 0;
  QObject* sender = nullptr;
  form.OnAtivaEmpresa = [&](QObject* s) {
    ++calls;
    sender = s;
  };
  QCoreApplication::postEvent(&form, new QEvent(pf::kFormMessage));
  QCoreApplication::processEvents();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(sender, &form);
}

namespace {

// Stand-ins of the Spock controls: the form knows them by class name.
class TCmSpockMemo : public QPlainTextEdit {
  Q_OBJECT
};

class TCmSpockEdit : public QLineEdit {
  Q_OBJECT
};

}  // namespace

TEST(FormKeys, SpockControlsKeepTheirKeys) {
  GridForm form({{"above", 10, 40}, {"below", 10, 200}});
  auto* memo = new TCmSpockMemo;
  memo->setParent(form.ClientArea());
  memo->setObjectName(QStringLiteral("memo"));
  memo->setGeometry(10, 100, 100, 60);
  auto* spock = new TCmSpockEdit;
  spock->setParent(form.ClientArea());
  spock->setObjectName(QStringLiteral("spock"));
  spock->setGeometry(200, 120, 60, 18);
  showAndActivate(form);

  memo->setFocus();
  QTest::keyClick(memo, Qt::Key_Return);
  QTest::keyClick(memo, Qt::Key_Down);
  EXPECT_EQ(focusedName(form), QStringLiteral("memo"));
  EXPECT_EQ(memo->toPlainText(), QStringLiteral("\n"));

  spock->setFocus();
  spock->setProperty("ListShowing", true);
  QTest::keyClick(spock, Qt::Key_Down);
  EXPECT_EQ(focusedName(form), QStringLiteral("spock"));
  spock->setProperty("ListShowing", false);
  QTest::keyClick(spock, Qt::Key_Down);
  EXPECT_EQ(focusedName(form), QStringLiteral("below"));
}

TEST(FormKeys, CtrlEnterDropsAComboDown) {
  TClsForm form;
  auto* layout = new QVBoxLayout(form.ClientArea());
  auto* combo = new QComboBox;
  combo->addItems({QStringLiteral("Um"), QStringLiteral("Dois")});
  layout->addWidget(combo);
  layout->addWidget(new QLineEdit);
  showAndActivate(form);
  combo->setFocus();
  QTest::keyClick(combo, Qt::Key_Return, Qt::ControlModifier);
  EXPECT_TRUE(combo->view()->isVisible());
  combo->hidePopup();
  EXPECT_EQ(form.focusWidget(), combo);
}

#include "form_keys_test.moc"

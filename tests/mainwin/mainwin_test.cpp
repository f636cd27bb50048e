#include "MainWinFixture.h"

#include "support/ScriptedDialogs.h"

#include "data/CmIBSQL.h"
#include "platform/Database.h"
#include "platform/Transaction.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

using mainwin_test::Session;
using testing_support::ScriptedDialogs;

namespace {

class MainWindow : public Session {
 protected:
  QAction* target(const QString& userName) const {
    for (QAction* a : window_->supervisorActions())
      if (a->text().startsWith(userName + u' ')) return a;
    return nullptr;
  }
  void select(int id) {
    QTreeWidgetItem* item = row(id);
    ASSERT_NE(item, nullptr) << id;
    window_->TreeUser->scrollToItem(item);
    const QRect rect = window_->TreeUser->visualItemRect(item);
    QTest::mouseClick(window_->TreeUser->viewport(), Qt::LeftButton, {}, rect.center());
    ASSERT_EQ(window_->TreeUser->currentItem(), item);
  }
  int userId(const QTreeWidgetItem* item) const { return window_->nodeOf(item)->user.ID; }
};

TEST_F(MainWindow, AdminSeesTheWholeTreeTheHeaderAndTheMenu) {
  TfrmMainForm& w = showAs(1, QStringLiteral("ADMIN"));
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Gerenciador de Usuários"));
  EXPECT_EQ(w.findChild<QLabel*>(QStringLiteral("lblUSER"))->text(), QStringLiteral("[ADMIN]"));
  EXPECT_FALSE(w.chbDesativados->isChecked());
  EXPECT_FALSE(w.windowFlags() & Qt::WindowMinimizeButtonHint);

  ASSERT_EQ(w.TreeUser->topLevelItemCount(), 1);
  QTreeWidgetItem* root = w.TreeUser->topLevelItem(0);
  EXPECT_EQ(root->text(0), QStringLiteral("ADMIN - [Administrador Sistema]"));
  EXPECT_TRUE(root->isExpanded());
  EXPECT_EQ(childNames(root), QStringList({"SUP1", "SUP2"}));
  EXPECT_EQ(childNames(row(2)), QStringList({"SUP3", "BETO", "ANA"}));
  EXPECT_EQ(row(4)->text(0), QStringLiteral("BETO - [Beto B]"));
  EXPECT_EQ(row(10), nullptr);
  EXPECT_EQ(w.TreeUser->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_TRUE(w.TreeUser->hasFocus() || !QApplication::focusWidget());

  // The logged user's row is selected: the root, which ADMIN may edit.
  EXPECT_EQ(w.TreeUser->currentItem(), root);
  EXPECT_TRUE(w.btnEdit->isEnabled());
  const QList<QAction*> all = w.PopupSupervisores->actions();
  ASSERT_GE(all.size(), 3);
  EXPECT_EQ(all[0]->text(), QStringLiteral("Escolha um Novo Supervisor"));
  EXPECT_TRUE(all[1]->isSeparator());
  QStringList captions;
  for (QAction* a : w.supervisorActions()) captions << a->text();
  EXPECT_EQ(captions, QStringList({"ADMIN - [Administrador Sistema]", "SUP1 - [Sara Um]",
                                   "SUP2 - [Saulo Dois]", "SUP3 - [Sonia Tres]",
                                   "VELHO - [Velho V]"}));
  EXPECT_EQ(visibleTargets(), QStringList({"SUP1", "SUP2", "SUP3", "VELHO"}));

  EXPECT_TRUE(senha_->USUARIO->active());
  EXPECT_EQ(senha_->USUARIO->transaction(), module_->trMain);
  EXPECT_EQ(updateChecks_, 1);
}

TEST_F(MainWindow, EditButtonAndMenuFollowTheSelection) {
  showAs(2, QStringLiteral("SUP1"));
  EXPECT_EQ(window_->TreeUser->currentItem(), row(2));
  EXPECT_TRUE(row(2)->isExpanded());
  struct Case {
    int id;
    bool editable;
    QStringList targets;
  } cases[] = {
      {2, true, {"SUP2", "SUP3", "VELHO"}},  // himself: not himself, not ADMIN
      {1, false, {"SUP1", "SUP2", "SUP3", "VELHO"}},
      {3, false, {"SUP1", "SUP3", "VELHO"}},
      {4, true, {"ADMIN", "SUP2", "SUP3", "VELHO"}},
      {6, true, {"ADMIN", "SUP2", "VELHO"}},
      {7, false, {"ADMIN", "SUP1", "SUP2", "VELHO"}},  // under SUP3: not a direct subordinate
  };
  for (const Case& c : cases) {
    select(c.id);
    EXPECT_EQ(window_->btnEdit->isEnabled(), c.editable) << c.id;
    EXPECT_EQ(visibleTargets(), c.targets) << c.id;
  }
}

TEST_F(MainWindow, DeactivatedUsersFollowTheCheckBoxAndStayInTheMenu) {
  showAs(1, QStringLiteral("ADMIN"));
  QTreeWidgetItem* root = window_->TreeUser->topLevelItem(0);
  QTest::mouseClick(window_->chbDesativados, Qt::LeftButton, {}, QPoint(6, 8));
  ASSERT_TRUE(window_->chbDesativados->isChecked());
  root = window_->TreeUser->topLevelItem(0);
  EXPECT_EQ(childNames(root), QStringList({"SUP1", "SUP2", "VELHO"}));
  EXPECT_EQ(childNames(row(8)), QStringList({"OCULTO"}));
  EXPECT_EQ(window_->TreeUser->currentItem(), root);  // the logged user again

  QTest::mouseClick(window_->chbDesativados, Qt::LeftButton, {}, QPoint(6, 8));
  EXPECT_EQ(childNames(window_->TreeUser->topLevelItem(0)), QStringList({"SUP1", "SUP2"}));
  EXPECT_EQ(row(9), nullptr);

  // Still offered while hidden; choosing him moves nothing and says nothing.
  select(4);
  ScriptedDialogs dialogs;
  ASSERT_NE(target(QStringLiteral("VELHO")), nullptr);
  target(QStringLiteral("VELHO"))->trigger();
  EXPECT_EQ(storedSupervisor(4), 2);
  EXPECT_EQ(childNames(row(2)), QStringList({"SUP3", "BETO", "ANA"}));
}

TEST_F(MainWindow, RootKeepsItsTextWhenAdminIsNotHisOwnSupervisor) {
  db_.exec({"update USUARIO set SUPERVISORID = 0 where ID = 1"});
  showAs(1, QStringLiteral("ADMIN"));
  EXPECT_EQ(window_->TreeUser->topLevelItem(0)->text(0), QStringLiteral("ADMIN"));
  EXPECT_EQ(childNames(window_->TreeUser->topLevelItem(0)), QStringList({"SUP1", "SUP2"}));
}

TEST_F(MainWindow, MoveByMenuMovesTheBranchAndStoresTheSupervisor) {
  showAs(1, QStringLiteral("ADMIN"));
  select(6);  // SUP3, with NETO under him
  target(QStringLiteral("SUP2"))->trigger();

  EXPECT_EQ(storedSupervisor(6), 3);  // committed: seen on another connection
  EXPECT_EQ(childNames(row(3)), QStringList({"SUP3"}));
  EXPECT_EQ(childNames(row(6)), QStringList({"NETO"}));
  EXPECT_EQ(childNames(row(2)), QStringList({"BETO", "ANA"}));
  EXPECT_EQ(window_->TreeUser->currentItem(), row(6));
  EXPECT_EQ(senha_->USUARIO->CurrentID(), 6);
  // New supervisor hidden, the old one offered.
  EXPECT_EQ(visibleTargets(), QStringList({"ADMIN", "SUP1", "VELHO"}));
  select(7);
  select(6);
  EXPECT_EQ(visibleTargets(), QStringList({"ADMIN", "SUP1", "VELHO"}));

  // A later move goes on from the moved row; the first child is the newest.
  select(4);
  target(QStringLiteral("SUP2"))->trigger();
  EXPECT_EQ(childNames(row(3)), QStringList({"BETO", "SUP3"}));
}

TEST_F(MainWindow, RefusedTransfersLeaveTreeAndDatabaseAlone) {
  showAs(2, QStringLiteral("SUP1"));
  struct Case {
    int row;
    const char* target;  // by menu, or by drop onto this user when he is not a supervisor
    int dropOn;
    const char* message;
  } cases[] = {
      {1, "SUP2", 0, "Atenção! O usuário ADMIN não pode ser transferido!"},
      {3, "SUP3", 0, "Atenção! Você não tem permissão para transferir esse usuário!"},
      {2, "SUP3", 0, "Atenção! Um supervisor não pode ser transferido para seu próprio "
                     "subordinado!"},
      {4, nullptr, 5, "Atenção! \rO usuário \"Ana A não é um supervisor.\rEscolha"},
  };
  for (const Case& c : cases) {
    select(c.row);
    const int before = storedSupervisor(c.row);
    const QStringList children = childNames(row(c.row)->parent());
    {
      ScriptedDialogs dialogs;
      dialogs.expectMessage(QString::fromUtf8(c.message));
      if (c.target) target(QString::fromUtf8(c.target))->trigger();
      else window_->TreeUserDragDrop(row(c.dropOn));
      ASSERT_EQ(dialogs.shown().size(), 1u) << c.row;
      EXPECT_EQ(dialogs.shown()[0].title, QStringLiteral("Transferência para outro Supervisor"));
      EXPECT_EQ(dialogs.shown()[0].kind, pf::MsgKind::Error);
    }
    EXPECT_EQ(storedSupervisor(c.row), before) << c.row;
    EXPECT_EQ(childNames(row(c.row)->parent()), children) << c.row;
  }
}

TEST_F(MainWindow, DropRuleAndMoveByDrop) {
  showAs(1, QStringLiteral("ADMIN"));
  select(2);  // SUP1: SUP3, NETO, BETO, ANA under him
  QObject* tree = window_->TreeUser;
  struct Case {
    const QObject* source;
    int target;
    bool accepted;
  } cases[] = {
      {tree, 3, true},     {tree, 1, true},   {tree, 2, false},  // not onto himself
      {tree, 6, false},    {tree, 7, false},  // nor his descendants at any depth
      {nullptr, 3, false}, {window_.get(), 3, false},  // only from the tree itself
  };
  for (const Case& c : cases)
    EXPECT_EQ(window_->TreeUserDragOver(c.source, row(c.target)), c.accepted) << c.target;
  EXPECT_FALSE(window_->TreeUserDragOver(tree, nullptr));

  // A drop that did not start in the tree changes nothing.
  QMimeData data;
  const QPoint onSup2 = window_->TreeUser->visualItemRect(row(3)).center();
  QDropEvent foreign(onSup2, Qt::MoveAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(window_->TreeUser->viewport(), &foreign);
  EXPECT_EQ(storedSupervisor(2), 1);

  select(4);  // BETO
  row(3)->setExpanded(false);
  window_->TreeUserDragDrop(row(3));
  EXPECT_EQ(storedSupervisor(4), 3);
  EXPECT_EQ(childNames(row(3)), QStringList({"BETO"}));
  EXPECT_TRUE(row(3)->isExpanded());
  EXPECT_EQ(window_->TreeUser->currentItem(), row(4));
  EXPECT_EQ(senha_->USUARIO->CurrentID(), 4);
  EXPECT_EQ(visibleTargets(), QStringList({"ADMIN", "SUP1", "SUP3", "VELHO"}));
}

TEST_F(MainWindow, EditAndAddRefreshTheUsersAndRebuildTheTree) {
  showAs(2, QStringLiteral("SUP1"));
  std::vector<bool> opened;
  // Stands in for the editor: changes the data in the window's transaction.
  window_->OpenUserEditor = [&](bool inserting) {
    opened.push_back(inserting);
    TCmIBSQL sql;
    sql.setDatabase(module_->dbMain);
    sql.setTransaction(module_->trMain);
    sql.ExecSQL(inserting ? QStringLiteral("insert into USUARIO values (20, 'NOVO', '', "
                                           "'Novo', 'N', null, 'F', 2, null, 'F')")
                          : QStringLiteral("update USUARIO set PRIMEIRO_NOME = 'Roberto' "
                                           "where ID = 4"));
  };

  select(4);
  QTest::mouseClick(window_->btnEdit, Qt::LeftButton);
  EXPECT_EQ(opened, std::vector<bool>({false}));
  EXPECT_EQ(row(4)->text(0), QStringLiteral("BETO - [Roberto B]"));
  EXPECT_EQ(window_->TreeUser->currentItem(), row(4));
  EXPECT_EQ(senha_->USUARIO->CurrentID(), 4);
  EXPECT_EQ(senha_->USUARIOPRIMEIRO_NOME->asString(), QStringLiteral("Roberto"));

  QTest::mouseClick(window_->btnAdd, Qt::LeftButton);
  EXPECT_EQ(opened, std::vector<bool>({false, true}));
  EXPECT_EQ(childNames(row(2)), QStringList({"SUP3", "BETO", "NOVO", "ANA"}));
  EXPECT_EQ(window_->TreeUser->currentItem(), row(2));  // the logged user
  EXPECT_TRUE(row(2)->isExpanded());
  EXPECT_TRUE(senha_->USUARIO->locate(QStringLiteral("ID"), 20));

  // No row selected: a message, and the editor does not open.
  window_->TreeUser->clearSelection();
  ScriptedDialogs dialogs;
  dialogs.expectMessage(QStringLiteral("Escolha um usuário para poder editar."));
  window_->btnEditClick();
  EXPECT_EQ(dialogs.shown().at(0).title, QStringLiteral("Atenção!"));
  EXPECT_EQ(dialogs.shown().at(0).kind, pf::MsgKind::Error);
  EXPECT_EQ(opened.size(), 2u);
}

TEST_F(MainWindow, FailedRebuildKeepsTheTree) {
  showAs(1, QStringLiteral("ADMIN"));
  select(4);
  module_->dbMain->close();
  window_->chbDesativados->setChecked(true);
  EXPECT_ANY_THROW(window_->chbDesativadosClick());
  EXPECT_EQ(childNames(window_->TreeUser->topLevelItem(0)), QStringList({"SUP1", "SUP2"}));
  EXPECT_EQ(window_->TreeUser->currentItem(), row(4));
  EXPECT_TRUE(window_->btnEdit->isEnabled());
}

TEST_F(MainWindow, SairClosesTheUsersAndCommits) {
  showAs(1, QStringLiteral("ADMIN"));
  ASSERT_TRUE(module_->trMain->inTransaction());
  QTest::mouseClick(window_->btnSair, Qt::LeftButton);
  EXPECT_FALSE(window_->isVisible());
  EXPECT_FALSE(senha_->USUARIO->active());
  EXPECT_FALSE(module_->trMain->inTransaction());

  // Shown again: the users open again, the update check does not run again.
  window_->show();
  EXPECT_TRUE(senha_->USUARIO->active());
  EXPECT_EQ(senha_->USUARIO->OpenCount(), 1);
  EXPECT_EQ(updateChecks_, 1);
}

TEST_F(MainWindow, AcceptedUpdateEndsTheProgram) {
  login(1, QStringLiteral("ADMIN"));
  window_ = std::make_unique<TfrmMainForm>();
  std::atomic<bool>* flag = &window_->CloseForUpdate;
  window_->UpdateCheckWork = [flag](const std::atomic<bool>&) { flag->store(true); };
  int shutdowns = 0;
  window_->ShutdownForUpdate = [&] { ++shutdowns; };
  window_->show();
  EXPECT_TRUE(QTest::qWaitFor([&] { return shutdowns == 1; }, 5000));
  EXPECT_TRUE(window_->CloseForUpdate.load());
}

}  // namespace

#include "app/UserHierarchy.h"

#include <gtest/gtest.h>

#include "data/CmIBSQL.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDb.h"
#include "support/UserTables.h"

using testing_support::ScriptedDialogs;
using testing_support::TempDatabase;

namespace {

// ADMIN
// ├─ SUP1 (supervisor)            ├─ SUP2 (supervisor)      └─ VELHO (deactivated sup.)
// │  ├─ SUP3 (supervisor)                                        └─ OCULTO
// │  │  └─ NETO
// │  ├─ BETO
// │  └─ ANA (null SUPERVISOR flag)
// └─ ... and ORFAO, whose supervisor 99 does not exist.
const QStringList kUsers = {
    "insert into USUARIO values (1, 'ADMIN', '', 'Administrador', 'Sistema', null, 'T', 1, null, null)",
    "insert into USUARIO values (2, 'SUP1', '', 'Sara', 'Um', null, 'T', 1, 's1@x', 'F')",
    "insert into USUARIO values (3, 'SUP2', '', 'Saulo', 'Dois', null, 'T', 1, null, null)",
    "insert into USUARIO values (4, 'BETO', '', 'Beto', 'B', null, 'F', 2, null, 'F')",
    "insert into USUARIO values (5, 'ANA', '', 'Ana', 'A', null, null, 2, null, null)",
    "insert into USUARIO values (6, 'SUP3', '', 'Sonia', 'Tres', null, 'T', 2, null, 'F')",
    "insert into USUARIO values (7, 'NETO', '', 'Neto', 'N', null, 'F', 6, null, 'F')",
    "insert into USUARIO values (8, 'VELHO', '', 'Velho', 'V', null, 'T', 1, null, 'T')",
    "insert into USUARIO values (9, 'OCULTO', '', 'Oculto', 'O', null, 'F', 8, null, 'F')",
    "insert into USUARIO values (10, 'ORFAO', '', 'Orfao', 'O', null, 'F', 99, null, 'F')",
};

class Hierarchy : public ::testing::Test {
 protected:
  void SetUp() override {
    QStringList ddl = {testing_support::usuarioTable()};
    tmp_.exec(ddl + kUsers);
    db_ = tmp_.connect();
  }
  std::unique_ptr<UserHierarchy> build(int logged, bool deactivated = false) {
    auto h = std::make_unique<UserHierarchy>(db_.get(), db_->defaultTransaction(), logged);
    h->showDeactivated = deactivated;
    h->BuildUserTree();
    return h;
  }
  int supervisorOf(int id) {
    TCmIBSQL sql;
    sql.setDatabase(db_.get());
    sql.ExecSQL(QStringLiteral("select SUPERVISORID from USUARIO where ID = %1").arg(id));
    return sql.field(0).asInteger();
  }
  static QStringList childNames(const UserNode* n) {
    QStringList out;
    for (const auto& c : n->children) out << c->user.UserName;
    return out;
  }

  TempDatabase tmp_;
  std::unique_ptr<pf::Database> db_;
};

}  // namespace

TEST_F(Hierarchy, TreeOrderTextsAndIcons) {
  auto h = build(1);
  const UserNode* root = h->root();
  EXPECT_EQ(root->text, QStringLiteral("ADMIN - [Administrador Sistema]"));
  EXPECT_EQ(childNames(root), QStringList({"SUP1", "SUP2"}));  // VELHO hidden
  const UserNode* sup1 = root->children[0].get();
  // Supervisors first; a null flag sorts after "F" in descending order.
  EXPECT_EQ(childNames(sup1), QStringList({"SUP3", "BETO", "ANA"}));
  EXPECT_EQ(sup1->text, QStringLiteral("SUP1 - [Sara Um]"));
  EXPECT_EQ(sup1->icon, UserHierarchy::kSupervisorIcon);
  EXPECT_EQ(sup1->children[2]->icon, UserHierarchy::kCollaboratorIcon);  // null flag: collaborator
  EXPECT_EQ(sup1->children[0]->children[0]->user.UserName, QStringLiteral("NETO"));
  EXPECT_EQ(h->FindUserNode(10), nullptr);  // under a supervisor that does not exist

  auto shown = build(1, true);
  EXPECT_EQ(childNames(shown->root()), QStringList({"SUP1", "SUP2", "VELHO"}));
  const UserNode* velho = shown->FindUserNode(8);
  EXPECT_EQ(velho->icon, UserHierarchy::kDeactivatedIcon);
  EXPECT_EQ(childNames(velho), QStringList({"OCULTO"}));
}

TEST_F(Hierarchy, MenuListsEverySupervisorAndHidesSelfAndCurrentSupervisor) {
  auto h = build(1);
  QStringList captions;
  for (const auto& m : h->menu()) captions << m.caption;
  EXPECT_EQ(captions,
            QStringList({"Escolha um Novo Supervisor", "", "ADMIN - [Administrador Sistema]",
                         "SUP1 - [Sara Um]", "SUP2 - [Saulo Dois]", "SUP3 - [Sonia Tres]",
                         "VELHO - [Velho V]"}));  // deactivated supervisors too
  h->TreeChange(h->FindUserNode(6));              // SUP3, under SUP1
  QList<int> visible;
  for (const auto& m : h->menu())
    if (m.tag && m.visible) visible << m.tag;
  EXPECT_EQ(visible, QList<int>({1, 3, 8}));
}

TEST_F(Hierarchy, AdminRootTextStaysWhenHisOwnSupervisorIsNotOne) {
  tmp_.exec({"update USUARIO set SUPERVISORID = null where ID = 1"});
  auto h = build(1);
  EXPECT_EQ(h->root()->text, QStringLiteral("ADMIN"));
}

TEST_F(Hierarchy, CanEditForAdminSelfAndDirectSubordinatesOnly) {
  auto admin = build(1);
  for (int id : {1, 2, 3, 4, 5, 6, 7})
    EXPECT_TRUE(admin->TreeChange(admin->FindUserNode(id))) << id;

  auto sup = build(2);
  struct Case {
    int id;
    bool canEdit;
  } cases[] = {{1, false}, {2, true}, {3, false}, {4, true}, {5, true}, {6, true}, {7, false}};
  for (const Case& c : cases)
    EXPECT_EQ(sup->TreeChange(sup->FindUserNode(c.id)), c.canEdit) << c.id;
  EXPECT_FALSE(sup->TreeChange(nullptr));
}

TEST_F(Hierarchy, TransferRefusalsInOrder) {
  auto h = build(2);  // SUP1
  struct Case {
    int row;
    int target;
    const char* message;  // nullptr: refused silently
  } cases[] = {
      {1, 3, "Atenção! O usuário ADMIN não pode ser transferido!"},
      {4, 4, nullptr},
      {3, 2, "Atenção! Você não tem permissão para transferir esse usuário!"},
      {4, 5,
       "Atenção! \rO usuário \"Ana A não é um supervisor.\rEscolha um supervisor e tente "
       "realizar a transferência novamente."},
      {6, 7, "Atenção! \rO usuário \"Neto N não é um supervisor."},
      {2, 6, "Atenção! Um supervisor não pode ser transferido para seu próprio subordinado!"},
  };
  for (const Case& c : cases) {
    ScriptedDialogs dialogs;
    if (c.message) dialogs.expectMessage(QString::fromUtf8(c.message));
    EXPECT_FALSE(h->TransferUser(h->FindUserNode(c.row), c.target)) << c.row;
    if (c.message) {
      ASSERT_EQ(dialogs.shown().size(), 1u);
      EXPECT_EQ(dialogs.shown()[0].title, QStringLiteral("Transferência para outro Supervisor"));
      EXPECT_EQ(dialogs.shown()[0].kind, pf::MsgKind::Error);
    }
  }
  EXPECT_EQ(supervisorOf(4), 2);
  EXPECT_EQ(supervisorOf(2), 1);
}

TEST_F(Hierarchy, TransferByMenuMovesTheBranchAndUpdatesTheMenu) {
  auto h = build(1);
  UserNode* sup3 = h->FindUserNode(6);
  int positioned = 0;
  h->onTransferred = [&](int id) { positioned = id; };
  ScriptedDialogs none;
  ASSERT_TRUE(h->TransferUser(sup3, 3));
  h->MoveRow(sup3, h->FindUserNode(3));
  EXPECT_EQ(positioned, 6);
  EXPECT_EQ(supervisorOf(6), 3);
  EXPECT_EQ(childNames(h->FindUserNode(3)), QStringList({"SUP3"}));
  EXPECT_EQ(childNames(h->FindUserNode(2)), QStringList({"BETO", "ANA"}));
  EXPECT_EQ(h->FindUserNode(7)->parent, sup3);  // the branch came along
  h->TreeChange(sup3);
  QList<int> visible;
  for (const auto& m : h->menu())
    if (m.tag && m.visible) visible << m.tag;
  EXPECT_EQ(visible, QList<int>({1, 2, 8}));  // the old supervisor is offered now

  // Survives a rebuild: the move is in the database.
  auto again = build(1);
  EXPECT_EQ(childNames(again->FindUserNode(3)), QStringList({"SUP3"}));
}

TEST_F(Hierarchy, DropRuleRefusesTheRowAndItsDescendants) {
  auto h = build(1);
  const UserNode* sup1 = h->FindUserNode(2);
  EXPECT_FALSE(UserHierarchy::AcceptsDrop(sup1, sup1));
  EXPECT_FALSE(UserHierarchy::AcceptsDrop(sup1, h->FindUserNode(6)));
  EXPECT_FALSE(UserHierarchy::AcceptsDrop(sup1, h->FindUserNode(7)));
  EXPECT_TRUE(UserHierarchy::AcceptsDrop(sup1, h->FindUserNode(3)));
  EXPECT_TRUE(UserHierarchy::AcceptsDrop(h->FindUserNode(7), sup1));
}

TEST_F(Hierarchy, HiddenDeactivatedSupervisorInTheMenuMovesNothing) {
  auto h = build(1);
  ScriptedDialogs none;
  EXPECT_FALSE(h->TransferUser(h->FindUserNode(4), 8));
  EXPECT_EQ(supervisorOf(4), 2);
}

TEST_F(Hierarchy, SupervisorChainEndsOnLoopsAndMissingUsers) {
  auto h = build(1);
  EXPECT_TRUE(h->IsInSupervisorChain(7, 2));  // NETO -> SUP3 -> SUP1
  EXPECT_TRUE(h->IsInSupervisorChain(6, 6));
  EXPECT_FALSE(h->IsInSupervisorChain(1, 1));  // the administrator is nobody's subordinate
  EXPECT_FALSE(h->IsInSupervisorChain(7, 3));
  EXPECT_FALSE(h->IsInSupervisorChain(10, 2));  // supervisor 99 does not exist
  tmp_.exec({"insert into USUARIO values (20, 'LOOP1', '', 'L', '1', null, 'T', 21, null, 'F')",
             "insert into USUARIO values (21, 'LOOP2', '', 'L', '2', null, 'T', 20, null, 'F')"});
  EXPECT_FALSE(h->IsInSupervisorChain(20, 2));
  EXPECT_TRUE(h->IsInSupervisorChain(20, 21));
}

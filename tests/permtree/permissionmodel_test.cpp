#include "PermTreeFixture.h"

#include "platform/Errors.h"
#include "platform/Transaction.h"

#include <QSet>

namespace permtree_test {
namespace {

using Shape = std::map<QString, QString>;

QString rowText(TCmMemoryData& t) {
  QStringList parts;
  for (const char* f : {"PARENTINDEX", "ID", "MODULOID", "NAME", "CHILDREMCOUNT"})
    parts << t.fieldByName(QString::fromLatin1(f))->asString();
  return parts.join(u'|');
}

QStringList treeRows(TCmMemoryData& t) {
  QStringList out;
  for (t.first(); !t.eof(); t.next()) out << rowText(t);
  return out;
}

TEST_F(PermTreeTest, BuildPlacesModulesByNameAndActiveRoutinesUnderTheirOwners) {
  open(1, 3);
  EXPECT_EQ(model_->ModuleRowCount, 4);
  // Module 3 is never shown; inactive routines (105, 107) are left out with what is
  // under them; a null owner counts as a top routine; module 15 has no catalogue entry.
  EXPECT_EQ(treeRows(model_->TREE),
            QStringList({"0|0|8|Kelvo Balanço|2", "0:0|201|8|Balancete|0", "0:1|202|8|DRE|0",
                         "1|0|1|Kelvo Caixa|3", "1:0|101|1|Cadastros|2",
                         "1:0:0|102|1|Clientes|1", "1:0:0:0|103|1|Contatos|0",
                         "1:0:1|104|1|Fornecedores|0", "1:1|106|1|Movimento|0",
                         "1:2|108|1|Relatórios|0", "2|0|15||1", "2:0|301|15|Rotina X|0",
                         "3|0|9|Kelvo Trâmite Free|0"}));
  EXPECT_TRUE(model_->DataErrors().isEmpty());
  // Every node carries its row's ids, found by its path.
  int nodes = 0;
  view_->forEachNode([&](QStandardItem& n) {
    ++nodes;
    ASSERT_TRUE(model_->LocatePath(TPermissionTree::NodePath(&n)));
    EXPECT_EQ(n.text(), model_->TREE.fieldByName("NAME")->asString());
    EXPECT_EQ(TPermissionCheckTree::routineId(n), model_->TREE.fieldByName("ID")->asInteger());
    EXPECT_EQ(TPermissionCheckTree::moduleId(n),
              model_->TREE.fieldByName("MODULOID")->asInteger());
  });
  EXPECT_EQ(nodes, model_->TREE.recordCount());
  EXPECT_EQ(TPermissionTree::NodePath(node("1:0:0:0")), "1:0:0:0");
  EXPECT_FALSE(model_->LocatePath("1:5"));
  // The tree is left collapsed.
  EXPECT_FALSE(view_->isExpanded(view_->nodes().indexFromItem(node("1"))));
}

TEST_F(PermTreeTest, ModulesWithTheSameNameKeepTheirOwnRows) {
  tmp_.exec({"insert into MODULO values (12, 'CAIXA')",
             "insert into ROTINA values (501, 12, 1, 0, 'Agenda do caixa', 1, 0)"});
  open(1, 3);
  EXPECT_EQ(model_->ModuleRowCount, 5);
  QStringList caixa;
  for (model_->TREE.first(); !model_->TREE.eof(); model_->TREE.next())
    if (rowText(model_->TREE).contains("Caixa") || rowText(model_->TREE).contains("Agenda"))
      caixa << rowText(model_->TREE);
  EXPECT_EQ(caixa, QStringList({"1|0|1|Kelvo Caixa|3", "2|0|12|Kelvo Agenda|1",
                                "2:0|501|12|Agenda do caixa|0"}));
}

TEST_F(PermTreeTest, LinksLeadingBackAreLeftOutAndReported) {
  // Agenda (1) > Compromissos (2) > {Volta (1): back to Agenda; Própria (2): itself};
  // Solta (5) and Presa (6) own each other and hang from nothing.
  tmp_.exec({"insert into MODULO values (12, 'AGENDA')",
             "insert into ROTINA values (401, 12, 1, 0, 'Agenda', 1, 0)",
             "insert into ROTINA values (402, 12, 2, 1, 'Compromissos', 1, 0)",
             "insert into ROTINA values (403, 12, 1, 2, 'Volta', 1, 0)",
             "insert into ROTINA values (404, 12, 2, 2, 'Própria', 1, 0)",
             "insert into ROTINA values (405, 12, 3, 2, 'Lembretes', 1, 0)",
             "insert into ROTINA values (406, 12, 5, 6, 'Solta', 1, 0)",
             "insert into ROTINA values (407, 12, 6, 5, 'Presa', 1, 0)",
             "insert into ROTINA values (408, 12, 0, 0, 'Zero', 1, 0)"});
  open(1, 3);
  QStringList agenda;
  for (model_->TREE.first(); !model_->TREE.eof(); model_->TREE.next())
    if (model_->TREE.fieldByName("MODULOID")->asInteger() == 12) agenda << rowText(model_->TREE);
  // A routine numbered 0 owns every top routine: they show under it once, and it
  // does not show under itself.
  EXPECT_EQ(agenda, QStringList({"0|0|12|Kelvo Agenda|2", "0:0|408|12|Zero|1",
                                 "0:0:0|401|12|Agenda|1", "0:0:0:0|402|12|Compromissos|1",
                                 "0:0:0:0:0|405|12|Lembretes|0", "0:1|401|12|Agenda|1",
                                 "0:1:0|402|12|Compromissos|1",
                                 "0:1:0:0|405|12|Lembretes|0"}));
  const QStringList errors = model_->DataErrors();
  ASSERT_EQ(errors.size(), 5) << errors.join('\n').toStdString();
  EXPECT_TRUE(errors[0].contains(QStringLiteral("\"Zero\" (ID 408)")));
  EXPECT_TRUE(errors[1].contains(QStringLiteral("\"Volta\" (ID 403)")));
  EXPECT_TRUE(errors[2].contains(QStringLiteral("\"Própria\" (ID 404)")));
  EXPECT_TRUE(errors[1].contains(QStringLiteral("CTRL_INDEX_OWNER 2")));
  // A rebuild starts a fresh list.
  model_->BuildPermissionTree();
  EXPECT_EQ(model_->DataErrors().size(), 5);
}

TEST_F(PermTreeTest, RowsShowTheEditedRightsAndWhatTheGranterMayChange) {
  const Shape adminSelf = {
      {"0", "+d"},       {"0:0", "+d"}, {"0:1", "+d"}, {"1", "+d"},     {"1:0", "+d"},
      {"1:0:0", "+d"},   {"1:0:0:0", "+d"},            {"1:0:1", "+d"}, {"1:1", "+d"},
      {"1:2", "+d"},     {"2", "+d"},   {"2:0", "+d"}, {"3", "+d"}};
  const Shape adminColab = {
      {"0", "-e"},       {"0:0", "-e"}, {"0:1", "-e"}, {"1", "~e"},     {"1:0", "-e"},
      {"1:0:0", "+e"},   {"1:0:0:0", "-e"},            {"1:0:1", "-e"}, {"1:1", "-e"},
      {"1:2", "-e"},     {"2", "+e"},   {"2:0", "+e"}, {"3", "-e"}};
  // SUP holds CAIXA in part (Cadastros in part, Clientes and Movimento whole) and
  // TRAMITE whole; nothing of BALANCO or OUTRO.
  const Shape supColab = {
      {"0", "-d"},       {"0:0", "-d"}, {"0:1", "-d"}, {"1", "~e"},     {"1:0", "-e"},
      {"1:0:0", "+e"},   {"1:0:0:0", "-d"},            {"1:0:1", "-d"}, {"1:1", "-e"},
      {"1:2", "-d"},     {"2", "+d"},   {"2:0", "+d"}, {"3", "-e"}};
  const Shape supSelf = {
      {"0", "-d"},       {"0:0", "-d"}, {"0:1", "-d"}, {"1", "~d"},     {"1:0", "~d"},
      {"1:0:0", "+d"},   {"1:0:0:0", "-d"},            {"1:0:1", "-d"}, {"1:1", "+d"},
      {"1:2", "-d"},     {"2", "-d"},   {"2:0", "-d"}, {"3", "+d"}};
  // COLAB shown with OUTRO's profile (BALANCO whole).
  const Shape supColabAsOutro = {
      {"0", "+d"},       {"0:0", "+d"}, {"0:1", "+d"}, {"1", "-e"},     {"1:0", "-e"},
      {"1:0:0", "-e"},   {"1:0:0:0", "-d"},            {"1:0:1", "-d"}, {"1:1", "-e"},
      {"1:2", "-d"},     {"2", "-d"},   {"2:0", "-d"}, {"3", "-e"}};
  struct Case {
    const char* name;
    int logged, edited, rightsOf;
    const Shape* shape;
    int flagsEnabled;
  } cases[] = {
      {"admin on himself", 1, 1, 0, &adminSelf, 0},
      {"admin on a user", 1, 3, 0, &adminColab, 1},
      {"supervisor on a subordinate", 2, 3, 0, &supColab, 1},
      {"supervisor on himself", 2, 2, 0, &supSelf, 0},
      {"profile of another user", 2, 3, 4, &supColabAsOutro, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    editor_.flagsEnabled = -1;
    open(c.logged, c.edited, c.rightsOf);
    EXPECT_TRUE(model_->TreeLoaded);
    EXPECT_EQ(shape(), *c.shape);
    EXPECT_EQ(editor_.flagsEnabled, c.flagsEnabled);
    // TREE holds what the nodes show.
    for (model_->TREE.first(); !model_->TREE.eof(); model_->TREE.next()) {
      const QString path = model_->TREE.fieldByName("PARENTINDEX")->asString();
      EXPECT_EQ(TPermissionCheckTree::checkedOf(node(path)->checkState()),
                model_->TREE.fieldByName("CHECKED")->asInteger()) << path.toStdString();
      EXPECT_EQ(node(path)->isEnabled(), model_->TREE.fieldByName("ENABLED")->asInteger() != 0);
    }
    // Every right shown belongs to the edited user, whoever it was read from.
    QSet<int> owners;
    TCmMemoryData& rights = model_->ROTINA_USUARIO;
    for (rights.first(); !rights.eof(); rights.next())
      owners.insert(rights.fieldByName("USUARIOID")->asInteger());
    EXPECT_EQ(owners, QSet<int>{c.edited});
  }
}

TEST_F(PermTreeTest, RightsTablesHoldModuleAndRoutineRights) {
  open(2, 3);
  auto rows = [](TCmMemoryData& t) {
    QStringList out;
    for (t.first(); !t.eof(); t.next()) {
      QStringList parts;
      for (const char* f : {"ROTINAID", "USUARIOID", "MODULOID", "TUDO", "STATUS"})
        parts << t.fieldByName(QString::fromLatin1(f))->asString();
      out << parts.join(u'|');
    }
    out.sort();
    return out;
  };
  EXPECT_EQ(rows(model_->ROTINA_SUPERVISOR),
            QStringList({"0|2|1|N|2", "0|2|3||2", "0|2|9|S|1", "101|2|0|N|2", "102|2|0|N|1",
                         "106|2|0|N|1"}));
  EXPECT_EQ(rows(model_->ROTINA_USUARIO),
            QStringList({"0|3|15|S|1", "0|3|1|N|2", "102|3|0|N|1"}));
  // CanGrant and GrantedState answer for the current row.
  ASSERT_TRUE(model_->LocatePath("1:0"));
  EXPECT_EQ(model_->CanGrant(), 2);
  EXPECT_EQ(model_->GrantedState(), 0);
  ASSERT_TRUE(model_->LocatePath("2:0"));
  EXPECT_EQ(model_->CanGrant(), 0);
  EXPECT_EQ(model_->GrantedState(), 1);
}

TEST_F(PermTreeTest, SaveRewritesTheEditedUsersRightsFromTheRows) {
  const QStringList admin = {"M1:S", "M3:-", "M8:S"};
  const QStringList sup = {"M1:N", "M3:-", "M9:S", "R101:2", "R102:1", "R106:1"};

  // Nobody's own rights change; ADMIN's are never rewritten.
  open(1, 1);
  editor_.supervisor = true;
  model_->SavePermissions();
  EXPECT_EQ(stored(1), admin);
  open(2, 2);
  model_->SavePermissions();
  EXPECT_EQ(stored(2), sup);

  // SUP grants Movimento and TRAMITE (a module without routines) to COLAB; OUTRO,
  // disabled and checked, is stored as shown.
  open(2, 3);
  editor_.supervisor = false;
  view_->toggle(node("1:1"));
  view_->toggle(node("3"));
  EXPECT_EQ(node("1")->checkState(), Qt::PartiallyChecked);
  model_->SavePermissions();
  EXPECT_EQ(stored(3), QStringList({"M1:N", "M9:S", "M15:S", "R102:1", "R106:1", "R301:1"}));

  // The supervisor flag adds the user-manager membership, clearing it removes it.
  session_.ModuloID = 3;
  editor_.supervisor = true;
  model_->SavePermissions();
  EXPECT_TRUE(stored(3).contains("M3:-"));
  editor_.supervisor = false;
  model_->SavePermissions();
  EXPECT_FALSE(stored(3).contains("M3:-"));

  // Some routines of a module: the module in part plus one row per routine.
  open(1, 4);
  view_->toggle(node("0:0"));
  EXPECT_EQ(node("0")->checkState(), Qt::PartiallyChecked);
  view_->toggle(node("1"));
  EXPECT_EQ(node("1")->checkState(), Qt::Checked);
  model_->SavePermissions();
  EXPECT_EQ(stored(4), QStringList({"M1:S", "M8:N", "R101:1", "R102:1", "R103:1", "R104:1",
                                    "R106:1", "R108:1", "R202:1"}));
  EXPECT_EQ(committed(4), QStringList({"M8:S"})) << "nothing is committed by the save";
}

TEST_F(PermTreeTest, AFailingStatementMidSaveLeavesTheStoredRightsOnceRolledBack) {
  tmp_.exec({"create exception E_ROTINA 'recusada'",
             "create trigger TG_RECUSA for USUARIO_ROTINA active before insert position 1 as "
             "begin if (new.ROTINAID = 106) then exception E_ROTINA; end"});
  reconnect();
  const QStringList before = {"M1:N", "M15:S", "R102:1"};
  open(1, 3);
  view_->toggle(node("1:0:1"));
  view_->toggle(node("1:1"));
  EXPECT_THROW(model_->SavePermissions(), pf::DatabaseError);
  EXPECT_NE(stored(3), before) << "the statements before the failure ran";
  db_->defaultTransaction()->rollback();
  EXPECT_EQ(committed(3), before);
  db_->defaultTransaction()->startTransaction();
  EXPECT_EQ(stored(3), before);

  // Without the failing routine the same save goes through and commits with the
  // transaction.
  view_->toggle(node("1:1"));
  model_->SavePermissions();
  db_->defaultTransaction()->commit();
  EXPECT_EQ(committed(3),
            QStringList({"M1:N", "M15:S", "R101:1", "R102:1", "R104:1", "R301:1"}));
}

TEST_F(PermTreeTest, StatementsRunInTheActiveTransaction) {
  pf::Transaction other;
  other.setDefaultDatabase(db_.get());
  other.setParams(testing_support::readCommittedParams());
  other.startTransaction();
  model_->SetActiveTransaction(&other);
  open(1, 3);
  view_->toggle(node("3"));
  model_->SavePermissions();
  other.rollback();
  EXPECT_EQ(stored(3), QStringList({"M1:N", "M15:S", "R102:1"}));
  other.startTransaction();
  model_->SavePermissions();
  other.commit();
  EXPECT_EQ(committed(3), QStringList({"M1:N", "M9:S", "M15:S", "R102:1", "R301:1"}));
}

TEST_F(PermTreeTest, AnUnloadedTreeIsNeverSaved) {
  session_.UsuarioID = 2;
  editor_.id = 3;
  EXPECT_THROW(model_->SavePermissions(), pf::Error);
  model_->BuildPermissionTree();
  EXPECT_THROW(model_->SavePermissions(), pf::Error);
  EXPECT_EQ(stored(3), QStringList({"M1:N", "M15:S", "R102:1"}));
}

}  // namespace
}  // namespace permtree_test

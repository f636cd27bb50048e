#include "MainWinFixture.h"

#include "data/CmIBSQL.h"
#include "data/CmSQLGlobals.h"
#include "platform/DataSet.h"

using mainwin_test::Session;

namespace {

class UserData : public Session {
 protected:
  void SetUp() override {
    Session::SetUp();
    login(1, QStringLiteral("ADMIN"));
    senha_->USUARIO->open();
  }
  QList<int> moduleIds() {
    QList<int> ids;
    TCmDataSet* m = senha_->USUARIO_MODULO;
    for (m->first(); !m->eof(); m->next()) ids << senha_->USUARIO_MODULOMODULOID->asInteger();
    return ids;
  }
  QString storedText(const QString& column, int id) const {
    auto db = db_.connect();
    TCmIBSQL sql;
    sql.setDatabase(db.get());
    sql.ExecSQL(QStringLiteral("select %1 from USUARIO where ID = %2").arg(column).arg(id));
    return sql.eof() ? QStringLiteral("<none>") : sql.field(0).asString();
  }
};

// A data module with datasets at two depths, and one that is not a TCmDataSet's child.
class TwoDataSets final : public TClsDataModule {
 public:
  TwoDataSets() : direct(new TCmDataSet(this)), nested(new TCmDataSet(new QObject(this))) {}
  TCmDataSet* const direct;
  TCmDataSet* const nested;
};

TEST(DataModuleBinding, EveryOwnedDataSetGoesToDbMainAndTheSession) {
  testing_support::TempDatabase db;
  auto alone = TClsDataModule::Create<TwoDataSets>();  // no database module yet
  EXPECT_EQ(alone->direct->database(), nullptr);

  auto module = mainwin_test::loggedInModule(db, 1, QStringLiteral("ADMIN"));
  auto bound = TClsDataModule::Create<TwoDataSets>();
  for (TCmDataSet* d : {bound->direct, bound->nested}) {
    EXPECT_EQ(d->database(), module->dbMain);
    EXPECT_EQ(d->SQLGlobals(), module->CmSQLGlobals);
  }
  EXPECT_EQ(module->CmSQLGlobals->DataSetCount(), 2);
  bound.reset();  // unregisters
  EXPECT_EQ(module->CmSQLGlobals->DataSetCount(), 0);

  TwoDataSets unattached;  // never constructed through Create
  EXPECT_EQ(unattached.direct->database(), nullptr);
}

TEST_F(UserData, DataSetsAreBoundToTrMainAndReadInOrder) {
  for (TCmDataSet* d : {senha_->USUARIO, senha_->USUARIO_MODULO}) {
    EXPECT_EQ(d->database(), module_->dbMain);
    EXPECT_EQ(d->transaction(), module_->trMain);
    EXPECT_EQ(d->SQLGlobals(), module_->CmSQLGlobals);
  }
  EXPECT_EQ(senha_->USUARIO->TableName(), QStringLiteral("USUARIO"));
  EXPECT_EQ(senha_->USUARIO_MODULO->TableName(), QStringLiteral("USUARIO_MODULO"));
  EXPECT_EQ(senha_->USUARIO_MODULO->UniqueKeys(), QStringList({"MODULOID;USUARIOID"}));
  EXPECT_EQ(dmSenha, senha_.get());

  // By supervisor, then id.
  QList<int> ids;
  TCmDataSet* u = senha_->USUARIO;
  for (u->first(); !u->eof(); u->next()) ids << senha_->USUARIOID->asInteger();
  EXPECT_EQ(ids, QList<int>({1, 2, 3, 8, 4, 5, 6, 7, 9, 10}));
}

TEST_F(UserData, FieldsSizesAndLabels) {
  struct Case {
    const char* name;
    pf::FieldType type;
    int size;
    const char* label;
  } cases[] = {
      {"ID", pf::FieldType::Integer, 0, "ID"},
      {"USUARIO", pf::FieldType::String, 10, "Usuário"},
      {"SENHA", pf::FieldType::String, 32, "Senha"},
      {"PRIMEIRO_NOME", pf::FieldType::String, 20, "Primeiro Nome"},
      {"ULTIMO_NOME", pf::FieldType::String, 20, "Ultimo Nome"},
      {"OBSERVACAO", pf::FieldType::String, 255, "Observação"},
      {"SUPERVISOR", pf::FieldType::String, 1, "SUPERVISOR"},
      {"SUPERVISORID", pf::FieldType::Integer, 0, "SUPERVISORID"},
      {"EMAIL", pf::FieldType::String, 128, "Email"},
      {"calcSUPERVISOR", pf::FieldType::String, 5, "Supervisor"},
      {"DESATIVADO", pf::FieldType::FixedChar, 1, "Desativado"},
  };
  TCmDataSet* u = senha_->USUARIO;
  ASSERT_EQ(u->fieldCount(), static_cast<int>(std::size(cases)));
  for (int i = 0; i < u->fieldCount(); ++i) {
    const pf::Field* f = u->fields(i);
    EXPECT_EQ(f->fieldName(), QString::fromUtf8(cases[i].name)) << i;
    EXPECT_EQ(f->dataType(), cases[i].type) << cases[i].name;
    if (cases[i].size) {
      EXPECT_EQ(f->size(), cases[i].size) << cases[i].name;
    }
    EXPECT_EQ(f->displayLabel(), QString::fromUtf8(cases[i].label)) << cases[i].name;
  }
  EXPECT_TRUE(senha_->USUARIOcalcSUPERVISOR->calculated());
  EXPECT_EQ(senha_->USUARIO_MODULO->fieldNames(), QStringList({"USUARIOID", "MODULOID"}));
}

TEST_F(UserData, CalcSupervisorForEveryFlag) {
  db_.exec({"insert into USUARIO values (11, 'MINUSC', '', 'M', 'M', null, 't', 1, null, null)"});
  senha_->USUARIO->close();
  senha_->USUARIO->open();
  struct Case {
    int id;
    const char* shown;
  } cases[] = {{1, "Sim"}, {4, "Não"}, {5, "Não"} /* null */, {11, "Não"} /* only "T" */};
  for (const Case& c : cases) {
    ASSERT_TRUE(senha_->USUARIO->locate(QStringLiteral("ID"), c.id));
    EXPECT_EQ(senha_->USUARIOcalcSUPERVISOR->asString(), QString::fromUtf8(c.shown)) << c.id;
  }
  // Recomputed for a record being edited.
  ASSERT_TRUE(senha_->USUARIO->locate(QStringLiteral("ID"), 4));
  senha_->USUARIO->edit();
  senha_->USUARIOSUPERVISOR->setAsString(QStringLiteral("T"));
  senha_->USUARIO->post();
  EXPECT_EQ(senha_->USUARIOcalcSUPERVISOR->asString(), QStringLiteral("Sim"));
}

TEST_F(UserData, InsertModifyWithNewIdRefreshAndDelete) {
  TCmDataSet* u = senha_->USUARIO;
  u->append();
  senha_->USUARIOID->setAsInteger(30);
  senha_->USUARIOUSUARIO->setAsString(QStringLiteral("CARLA"));
  senha_->USUARIOPRIMEIRO_NOME->setAsString(QStringLiteral("Carla"));
  senha_->USUARIOULTIMO_NOME->setAsString(QStringLiteral("Cé"));
  senha_->USUARIOSUPERVISOR->setAsString(QStringLiteral("F"));
  senha_->USUARIOSUPERVISORID->setAsInteger(2);
  senha_->USUARIODESATIVADO->setAsString(QStringLiteral("F"));
  u->post();
  module_->trMain->commitRetaining();
  EXPECT_EQ(storedText(QStringLiteral("ULTIMO_NOME"), 30), QStringLiteral("Cé"));

  // The id itself may change: the old one finds the row.
  u->edit();
  senha_->USUARIOID->setAsInteger(31);
  senha_->USUARIOEMAIL->setAsString(QStringLiteral("c@x"));
  u->post();
  module_->trMain->commitRetaining();
  EXPECT_EQ(storedText(QStringLiteral("EMAIL"), 31), QStringLiteral("c@x"));
  EXPECT_EQ(storedText(QStringLiteral("EMAIL"), 30), QStringLiteral("<none>"));

  db_.exec({"update USUARIO set OBSERVACAO = 'lida' where ID = 31"});
  u->refreshRecord();
  EXPECT_EQ(senha_->USUARIOOBSERVACAO->asString(), QStringLiteral("lida"));

  u->remove();
  module_->trMain->commitRetaining();
  EXPECT_EQ(storedText(QStringLiteral("ID"), 31), QStringLiteral("<none>"));
}

TEST_F(UserData, ModulesFollowTheCurrentUser) {
  TCmDataSet* u = senha_->USUARIO;
  senha_->USUARIO_MODULO->open();
  ASSERT_TRUE(u->locate(QStringLiteral("ID"), 2));
  EXPECT_EQ(moduleIds(), QList<int>({1, 3}));
  ASSERT_TRUE(u->locate(QStringLiteral("ID"), 4));
  EXPECT_EQ(moduleIds(), QList<int>({5}));
  ASSERT_TRUE(u->locate(QStringLiteral("ID"), 3));
  EXPECT_TRUE(senha_->USUARIO_MODULO->isEmpty());

  // Its own statements write memberships of the current user.
  ASSERT_TRUE(u->locate(QStringLiteral("ID"), 4));
  senha_->USUARIO_MODULO->edit();
  senha_->USUARIO_MODULOMODULOID->setAsInteger(7);
  senha_->USUARIO_MODULO->post();
  senha_->USUARIO_MODULO->append();
  senha_->USUARIO_MODULOUSUARIOID->setAsInteger(4);
  senha_->USUARIO_MODULOMODULOID->setAsInteger(3);
  senha_->USUARIO_MODULO->post();
  module_->trMain->commitRetaining();
  ASSERT_TRUE(u->locate(QStringLiteral("ID"), 2));
  ASSERT_TRUE(u->locate(QStringLiteral("ID"), 4));
  EXPECT_EQ(moduleIds(), QList<int>({3, 7}));
  senha_->USUARIO_MODULO->first();
  senha_->USUARIO_MODULO->remove();
  EXPECT_EQ(moduleIds(), QList<int>({7}));
}

}  // namespace

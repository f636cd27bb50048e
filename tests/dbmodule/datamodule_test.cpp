#include "DbModuleFixture.h"

#include "login/CmAppGlobals.h"

#include "data/CmIBSQL.h"
#include "data/CmSQLGlobals.h"
#include "platform/Database.h"
#include "platform/Errors.h"
#include "platform/Transaction.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using testing_support::ScriptedDialogs;
using testing_support::TempDatabase;

namespace {

class DataModuleDb : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dbmodule_test::application();
    db_ = new TempDatabase;
    db_->exec(dbmodule_test::schemaStatements());
  }
  static void TearDownTestSuite() {
    delete db_;
    db_ = nullptr;
  }
  void SetUp() override {
    db_->exec({"delete from USUARIO_LOG", "delete from PARAMETROS"});
    module_ = dbmodule_test::connectedModule(*db_, logs_.path());
    ASSERT_TRUE(module_->LoggedIn());
  }

  struct LogRow {
    QVariant usuarioId, moduloId, tableId, formName, tela, log;
  };
  std::vector<LogRow> logRows() {
    auto conn = db_->connect();
    TCmIBSQL sql;
    sql.setDatabase(conn.get());
    sql.ExecSQL("select USUARIOID, MODULOID, TABLEID, FORMNAME, TELA, LOG, DATA, HORA "
                "from USUARIO_LOG order by ID");
    std::vector<LogRow> rows;
    for (; !sql.eof(); sql.next()) {
      EXPECT_FALSE(sql.field("DATA").isNull()) << "the trigger stamps the row";
      EXPECT_FALSE(sql.field("HORA").isNull());
      rows.push_back({sql.field(0).value(), sql.field(1).value(), sql.field(2).value(),
                      sql.field(3).value(), sql.field(4).value(), sql.field(5).value()});
    }
    return rows;
  }

  static TempDatabase* db_;
  QTemporaryDir logs_;
  std::unique_ptr<TClsDBDataModule> module_;
};
TempDatabase* DataModuleDb::db_ = nullptr;

TEST_F(DataModuleDb, WriteUserLogCutsTheTitleAndTheText) {
  struct Case {
    QString title;
    QString text;
    int recordId;
    QString tela;
    QString log;
    QVariant tableId;
  } cases[] = {
      {"Cadastro de Usuários - (11/12/2026)", "Usuário alterado", 7, "Cadastro de Usuários",
       "Usuário alterado", 7},
      {"Usuários", QString(300, u'a'), 0, "Usuários", QString(255, u'a'), QVariant()},
      {"A - B - C", "x", -4, "A", "x", QVariant()},
      {" - só sufixo", "  y  ", 1, "", "  y  ", 1},
  };
  for (const Case& c : cases) module_->WriteUserLog(nullptr, c.title, "frmCadUsuario", c.text,
                                                    c.recordId);
  EXPECT_FALSE(module_->trIBSQLLOG->inTransaction()) << "its own transaction is committed";

  const auto rows = logRows();
  ASSERT_EQ(rows.size(), std::size(cases));
  for (size_t i = 0; i < rows.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.title.toStdString());
    EXPECT_EQ(rows[i].usuarioId.toInt(), 1);
    EXPECT_EQ(rows[i].moduloId.toInt(), 3);
    EXPECT_EQ(rows[i].formName.toString(), "frmCadUsuario");
    EXPECT_EQ(rows[i].tela.toString(), c.tela);
    EXPECT_EQ(rows[i].log.toString(), c.log);
    EXPECT_EQ(rows[i].tableId.isNull(), c.tableId.isNull());
    if (!c.tableId.isNull()) {
      EXPECT_EQ(rows[i].tableId.toInt(), c.tableId.toInt());
    }
  }
}

TEST_F(DataModuleDb, BlankLogTextWritesNoRowButCommitsItsOwnTransaction) {
  module_->trIBSQLLOG->startTransaction();
  module_->WriteUserLog(nullptr, "Usuários", "frm", "   \t ", 3);
  EXPECT_FALSE(module_->trIBSQLLOG->inTransaction());
  module_->WriteUserLog(nullptr, "Usuários", "frm", "", 3);
  EXPECT_FALSE(module_->trIBSQLLOG->inTransaction());
  EXPECT_TRUE(logRows().empty());
}

TEST_F(DataModuleDb, GivenTransactionIsLeftToItsOwner) {
  pf::Transaction record;
  record.setDefaultDatabase(module_->dbMain);
  record.setParams(testing_support::readCommittedParams());
  record.startTransaction();
  module_->WriteUserLog(&record, "Usuários - (01/01/2026)", "frm", "alterado", 9);
  EXPECT_TRUE(record.inTransaction()) << "committed with the record, not here";
  EXPECT_FALSE(module_->trIBSQLLOG->inTransaction());
  EXPECT_TRUE(logRows().empty()) << "not visible before the owner commits";
  record.rollback();
  EXPECT_TRUE(logRows().empty());

  record.startTransaction();
  module_->WriteUserLog(&record, "Usuários", "frm", "gravado", 9);
  record.commit();
  ASSERT_EQ(logRows().size(), 1u);
}

TEST_F(DataModuleDb, WriteUserLogFailureReachesTheCaller) {
  module_->CmSQLGlobals->UsuarioID = 999;  // no such user
  EXPECT_THROW(module_->WriteUserLog(nullptr, "Usuários", "frm", "x", 1), pf::DatabaseError);
  EXPECT_TRUE(logRows().empty());
}

TEST_F(DataModuleDb, GetParamAndSetParam) {
  EXPECT_EQ(module_->GetParam("frmCadUsuarioOI", "admin", "3"), QString())
      << "no row: the empty text, not a failure";
  EXPECT_FALSE(module_->trPARAMETROS->inTransaction());

  EXPECT_TRUE(module_->SetParam("frmCadUsuarioOI", "Valor Misto", "admin", "3"));
  EXPECT_FALSE(module_->trPARAMETROS->inTransaction());
  EXPECT_EQ(module_->GetParam("FRMCADUSUARIOOI", "ADMIN", "3"), "Valor Misto")
      << "keys are upper-cased, the value is kept as given";
  EXPECT_TRUE(module_->SetParam("frmCadUsuarioOI", "2", "Admin", "3"));
  EXPECT_EQ(module_->GetParam("frmcadusuariooi", "admin", "3"), "2");
  EXPECT_EQ(module_->GetParam("frmCadUsuarioOI", "OUTRO", "3"), QString());
  EXPECT_EQ(module_->GetParam("frmCadUsuarioOI", "ADMIN", "13"), QString());

  auto conn = db_->connect();
  TCmIBSQL sql;
  sql.setDatabase(conn.get());
  sql.ExecSQL("select count(*), min(APELIDO), min(ANO), min(MES), min(USUARIO), "
              "min(MODULO), min(PARAMETRO) from PARAMETROS");
  EXPECT_EQ(sql.field(0).asInteger(), 1) << "the second write updates the row";
  EXPECT_TRUE(sql.field(1).isNull()) << "no alias is stored as null";
  EXPECT_EQ(sql.field(2).asInteger(), 0);
  EXPECT_EQ(sql.field(3).asInteger(), 0);
  EXPECT_EQ(sql.field(4).asString(), "ADMIN");
  EXPECT_EQ(sql.field(5).asString(), "3");
  EXPECT_EQ(sql.field(6).asString(), "FRMCADUSUARIOOI");
}

TEST_F(DataModuleDb, ParamsUpperCaseOnlyPlainLetters) {
  EXPECT_TRUE(module_->SetParam("ordem", "1", "joão", "3"));
  EXPECT_EQ(module_->GetParam("ORDEM", "JOãO", "3"), "1");
  EXPECT_EQ(module_->GetParam("ORDEM", "JOÃO", "3"), QString());
}

TEST_F(DataModuleDb, ParamFailuresRollBack) {
  const QString unreadable(QChar(0xFF));
  const QString tooLong(30, u'K');  // the procedure's key holds 20 characters
  EXPECT_EQ(module_->GetParam(tooLong, "ADMIN", "3"), unreadable);
  EXPECT_FALSE(module_->trPARAMETROS->inTransaction());
  EXPECT_FALSE(module_->SetParam(tooLong, "1", "ADMIN", "3"));
  EXPECT_FALSE(module_->trPARAMETROS->inTransaction());
  EXPECT_FALSE(module_->SetParam("K", QString(101, u'v'), "ADMIN", "3"));
  // Still usable afterwards.
  EXPECT_TRUE(module_->SetParam("K", "ok", "ADMIN", "3"));
  EXPECT_EQ(module_->GetParam("K", "ADMIN", "3"), "ok");

  module_->dbMain->close();
  EXPECT_EQ(module_->GetParam("K", "ADMIN", "3"), unreadable);
  EXPECT_FALSE(module_->SetParam("K", "x", "ADMIN", "3"));
}

TEST_F(DataModuleDb, ServerErrorIsLoggedWithItsCodeAndTheDatabaseName) {
  ScriptedDialogs dialogs;
  dialogs.expectDialog("ClsErrorHandler", [](QDialog&) { return int(QDialog::Accepted); });
  TCmIBSQL sql;
  sql.setDatabase(module_->dbMain);
  sql.setTransaction(module_->trMain);
  try {
    sql.ExecSQL("select * from TABELA_QUE_NAO_EXISTE");
    FAIL() << "the statement should fail";
  } catch (...) {
    module_->HandleApplicationException(std::current_exception());
  }
  ASSERT_EQ(module_->DatabaseErrors().size(), 1u);
  const TLogErrorDataBase& e = module_->DatabaseErrors()[0];
  EXPECT_EQ(e.SQLCode, -204);
  EXPECT_TRUE(e.Message.contains("TABELA_QUE_NAO_EXISTE")) << e.Message.toStdString();
  EXPECT_EQ(e.ServerName, db_->name());
  EXPECT_TRUE(e.Written);
  EXPECT_TRUE(module_->Exceptions().empty());
}

// Components, construction and the connect-and-login sequence need no database.

TEST(DataModule, ComponentsAndTheirSettings) {
  dbmodule_test::application();
  auto module = TClsDataModule::Create<TClsDBDataModule>();
  EXPECT_EQ(TClsDBDataModule::Instance(), module.get());
  EXPECT_EQ(TCmSQLGlobals::Instance(), module->CmSQLGlobals) << "the session is published";
  EXPECT_TRUE(hasApplicationExceptionHandler());

  pf::Database& db = *module->dbMain;
  EXPECT_EQ(db.objectName(), "dbMain");
  EXPECT_EQ(db.sqlDialect(), 3);
  EXPECT_EQ(db.param("user_name"), "SYSDBA");
  EXPECT_EQ(db.param("password"), "hushvault");
  EXPECT_EQ(db.defaultTransaction(), module->trMain);
  EXPECT_FALSE(db.connected());

  for (pf::Transaction* t : {module->trMain, module->trPARAMETROS, module->trIBSQLLOG}) {
    SCOPED_TRACE(t->objectName().toStdString());
    EXPECT_EQ(t->params(), (QStringList{"read_committed", "rec_version", "nowait"}));
    EXPECT_EQ(t->defaultDatabase(), module->dbMain);
    EXPECT_EQ(t->defaultAction(), pf::TransactionAction::RollbackRetaining);
    EXPECT_EQ(t->autoStopAction(), pf::AutoStopAction::CommitRetaining);
  }
  EXPECT_EQ(module->PARAMETROS->transaction(), module->trPARAMETROS);
  EXPECT_EQ(module->IBSQLLOG->transaction(), module->trIBSQLLOG);
  EXPECT_EQ(module->CmSQLGlobals->DataAtual().Mascara(), "dd/mm/yyyy");
  EXPECT_FALSE(module->CmSQLGlobals->IsSupervisor);
  EXPECT_EQ(module->CmSQLGlobals->UsuarioID, 0);
  EXPECT_EQ(module->CmSQLGlobals->ModuloID, 0);

  module.reset();
  EXPECT_EQ(TClsDBDataModule::Instance(), nullptr);
  EXPECT_EQ(TCmSQLGlobals::Instance(), nullptr);
}

TEST(DataModule, ConnectAndLoginSequence) {
  dbmodule_test::application();
  struct Case {
    bool connects;
    bool logsIn;
    QStringList calls;
    bool aborted;
  } cases[] = {
      {true, true, {"select", "login"}, false},
      {true, false, {"select", "login", "abort"}, true},
      {false, true, {"select", "abort"}, true},
  };
  for (const Case& c : cases) {
    QStringList calls;
    TConnectSteps steps;
    steps.SelectServer = [&](TClsDBDataModule& m) {
      EXPECT_EQ(TCmSQLGlobals::Instance(), m.CmSQLGlobals) << "published before the login";
      calls << "select";
      return c.connects;
    };
    steps.RunLogin = [&](TClsDBDataModule&) {
      calls << "login";
      return c.logsIn;
    };
    steps.AbortApplication = [&] { calls << "abort"; };
    auto module = TClsDataModule::Create<TClsDBDataModule>(nullptr, steps);
    EXPECT_EQ(calls, c.calls);
    EXPECT_EQ(module->LoggedIn(), !c.aborted);
  }
}

TEST(DataModule, ErrorDuringServerSelectionIsShownAndAborts) {
  dbmodule_test::application();
  QTemporaryDir logs;
  ScriptedDialogs dialogs;
  dialogs.expectMessage("connection.ini unreadable");
  bool aborted = false;
  TConnectSteps steps;
  steps.SelectServer = [&](TClsDBDataModule& m) -> bool {
    m.LogRoot = logs.path();
    throw pf::Error("connection.ini unreadable");
  };
  steps.RunLogin = [](TClsDBDataModule&) -> bool {
    ADD_FAILURE() << "no login after a failed selection";
    return true;
  };
  steps.AbortApplication = [&] { aborted = true; };
  auto module = TClsDataModule::Create<TClsDBDataModule>(nullptr, steps);
  EXPECT_TRUE(aborted);
  EXPECT_EQ(module->Exceptions().size(), 1u);
}

class Recording final : public TClsDataModule {
 public:
  using TClsDataModule::TClsDataModule;
  int binds = 0;
  pf::Database* boundTo = nullptr;
  TCmSQLGlobals* boundGlobals = nullptr;

 protected:
  void BindDataSets(pf::Database* database, TCmSQLGlobals* globals) override {
    ++binds;
    boundTo = database;
    boundGlobals = globals;
  }
};

TEST(DataModule, DataSetsAreBoundOnlyWithTheFlagAndTheDatabaseModule) {
  dbmodule_test::application();
  EXPECT_EQ(TClsDataModule::Create<Recording>()->binds, 0) << "no database module yet";

  auto dbModule = TClsDataModule::Create<TClsDBDataModule>();
  auto plain = TClsDataModule::Create<Recording>();
  EXPECT_EQ(plain->binds, 1);
  EXPECT_EQ(plain->boundTo, dbModule->dbMain);
  EXPECT_EQ(plain->boundGlobals, dbModule->CmSQLGlobals);
  EXPECT_TRUE(plain->Attach());
  auto unattached = TClsDataModule::Create<Recording>(nullptr, false);
  EXPECT_EQ(unattached->binds, 0);
}

}  // namespace

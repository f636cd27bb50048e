#include "MainWinFixture.h"

#include <QApplication>
#include <QTest>
#include <atomic>

#include "data/CmIBSQL.h"
#include "data/CmSQLGlobals.h"
#include "platform/Database.h"
#include "support/UserTables.h"

namespace mainwin_test {

namespace {

class QtAppEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "mainwin_tests";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
    // A test closes the main window; that must not end the application.
    QApplication::setQuitOnLastWindowClosed(false);
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QApplication> app_;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new QtAppEnvironment);

}  // namespace

QStringList schemaStatements() {
  return {
      testing_support::usuarioTable(),
      "create unique index USUARIO_01 on USUARIO (USUARIO)",
      "create table USUARIO_MODULO (USUARIOID integer not null, MODULOID integer not null, "
      "TUDO char(1), primary key (USUARIOID, MODULOID))",
      "insert into USUARIO values (1, 'ADMIN', '', 'Administrador', 'Sistema', null, 'T', 1, "
      "null, null)",
      "insert into USUARIO values (2, 'SUP1', '', 'Sara', 'Um', null, 'T', 1, 's1@x', 'F')",
      "insert into USUARIO values (3, 'SUP2', '', 'Saulo', 'Dois', null, 'T', 1, null, null)",
      "insert into USUARIO values (4, 'BETO', '', 'Beto', 'B', 'obs', 'F', 2, null, 'F')",
      "insert into USUARIO values (5, 'ANA', '', 'Ana', 'A', null, null, 2, null, null)",
      "insert into USUARIO values (6, 'SUP3', '', 'Sonia', 'Tres', null, 'T', 2, null, 'F')",
      "insert into USUARIO values (7, 'NETO', '', 'Neto', 'N', null, 'F', 6, null, 'F')",
      "insert into USUARIO values (8, 'VELHO', '', 'Velho', 'V', null, 'T', 1, null, 'T')",
      "insert into USUARIO values (9, 'OCULTO', '', 'Oculto', 'O', null, 'F', 8, null, 'F')",
      "insert into USUARIO values (10, 'ORFAO', '', 'Orfao', 'O', null, 'F', 99, null, 'F')",
      "insert into USUARIO_MODULO values (2, 3, null)",
      "insert into USUARIO_MODULO values (2, 1, 'S')",
      "insert into USUARIO_MODULO values (4, 5, 'N')",
  };
}

std::unique_ptr<TClsDBDataModule> loggedInModule(const testing_support::TempDatabase& db,
                                                 int userId, const QString& userName) {
  TConnectSteps steps;
  const QString name = db.name();
  steps.SelectServer = [name](TClsDBDataModule& m) {
    m.dbMain->setDatabaseName(name);
    m.dbMain->open();
    return m.dbMain->connected();
  };
  steps.RunLogin = [userId, userName](TClsDBDataModule& m) {
    m.CmSQLGlobals->Usuario = userName;
    m.CmSQLGlobals->UsuarioID = userId;
    m.CmSQLGlobals->ModuloID = 3;
    return true;
  };
  return TClsDataModule::Create<TClsDBDataModule>(nullptr, steps);
}

void Session::SetUp() { db_.exec(schemaStatements()); }

void Session::TearDown() {
  window_.reset();
  senha_.reset();
  module_.reset();
}

void Session::login(int userId, const QString& userName) {
  module_ = loggedInModule(db_, userId, userName);
  ASSERT_TRUE(module_->LoggedIn());
  senha_ = TClsDataModule::Create<TdmSenha>();
}

TfrmMainForm& Session::showAs(int userId, const QString& userName) {
  login(userId, userName);
  window_ = std::make_unique<TfrmMainForm>();
  window_->UpdateCheckWork = [this](const std::atomic<bool>&) { ++updateChecks_; };
  window_->show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  // The stand-in check ends at once; its thread is gone before the test goes on.
  if (auto t = window_->updateThread()) t->wait();
  return *window_;
}

int Session::storedSupervisor(int id) const {
  auto db = db_.connect();
  TCmIBSQL sql;
  sql.setDatabase(db.get());
  sql.ExecSQL(QStringLiteral("select SUPERVISORID from USUARIO where ID = %1").arg(id));
  return sql.field(0).asInteger();
}

QStringList Session::childNames(const QTreeWidgetItem* item) {
  QStringList names;
  for (int i = 0; item && i < item->childCount(); ++i)
    names << item->child(i)->text(0).section(u' ', 0, 0);
  return names;
}

QStringList Session::visibleTargets() const {
  QStringList names;
  for (QAction* a : window_->supervisorActions())
    if (a->isVisible()) names << a->text().section(u' ', 0, 0);
  return names;
}

}  // namespace mainwin_test

#include "LoginDlgFixture.h"

#include "app/dtmUserVersion.h"
#include "login/CmAppGlobals.h"
#include "login/CmLoginServer.h"
#include "versioning/CmCreateDataBase.h"

#include "support/ScriptedDialogs.h"

#include "data/CmIBSQL.h"
#include "platform/Errors.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using testing_support::ScriptedDialogs;

namespace {

class CreateDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    // The server may run as another user: let it write here.
    QFile::setPermissions(dir_.path(), QFileDevice::Permissions(0x7777));
    file_ = QDir(dir_.path()).filePath("nova.gdb");
  }
  void TearDown() override {
    if (!QFileInfo::exists(file_)) return;
    pf::Database db;
    db.setDatabaseName(server() + ":" + file_);
    db.setParams({"user_name=SYSDBA", "password=" + testing_support::sysdbaPassword()});
    db.open();
    db.dropDatabase();
  }
  static QString server() { return testing_support::testServer(); }

  QTemporaryDir dir_;
  QString file_;
};

}  // namespace

TEST_F(CreateDialog, EmptyFieldsAreReportedServerFirst) {
  TClsCreateDataBase dialog(CreateUserVersion);
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Criar Banco de Dados"));
  EXPECT_EQ(dialog.btnOK->text(), QStringLiteral("&Criar"));
  EXPECT_EQ(dialog.btnCancel->text(), QStringLiteral("&Fechar"));
  EXPECT_EQ(dialog.focusWidget(), dialog.edtServerName);
  {
    ScriptedDialogs dialogs;
    dialogs.expectMessage("Digite o nome do servidor.");
    QTest::mouseClick(dialog.btnOK, Qt::LeftButton);  // the file is not looked at yet
  }
  dialog.edtServerName->setText(server());
  {
    ScriptedDialogs dialogs;
    dialogs.expectMessage("Digite o nome do arquivo (*.gdb)");
    QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
  }
  EXPECT_FALSE(dialog.Created);
  EXPECT_TRUE(dialog.isVisible());
}

TEST_F(CreateDialog, CreatesTheDatabaseAtTheProgramsLevel) {
  TClsCreateDataBase dialog(CreateUserVersion);
  dialog.show();
  dialog.edtServerName->setText(server());
  dialog.edtFile->setText(file_);
  ScriptedDialogs dialogs;
  dialogs.expectMessage("Banco de Dados criado com sucesso.");
  dialog.btnCriarClick();
  EXPECT_TRUE(dialog.Created);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);

  pf::Database db;
  db.setDatabaseName(server() + ":" + file_);
  db.setParams({"user_name=SYSDBA", "password=" + testing_support::sysdbaPassword()});
  pf::Transaction tr;
  tr.setDefaultDatabase(&db);
  db.setDefaultTransaction(&tr);
  db.open();
  TCmIBSQL sql;
  sql.setDatabase(&db);
  sql.ExecSQL("select NUMERO from VERSAO where SCRIPT = 'COMMON.SQL'");
  EXPECT_EQ(sql.field(0).asString().trimmed(), TdmUserVersion::CommonLevel());
  sql.ExecSQL("select USUARIO from USUARIO where ID = 1");
  EXPECT_EQ(sql.field(0).asString().trimmed(), QStringLiteral("ADMIN"));
  sql.close();
  tr.commit();
  db.close();
}

TEST_F(CreateDialog, ServerErrorsReachTheCallerAndTheDialogStaysOpen) {
  TClsCreateDataBase dialog(CreateUserVersion);
  dialog.show();
  dialog.edtServerName->setText(server());
  dialog.edtFile->setText("/no/such/folder/nova.gdb");
  ScriptedDialogs none;
  EXPECT_THROW(dialog.btnCriarClick(), pf::DatabaseError);
  EXPECT_FALSE(dialog.Created);
  EXPECT_TRUE(dialog.isVisible());
}

TEST_F(CreateDialog, TheServerWindowTakesTheNewNameAndConnectsNothing) {
  testing_support::TempDatabase current;
  auto module = logindlg_test::moduleOn(current);
  module->dbMain->close();
  VersionClass = [](QObject* owner) -> QObject* { return CreateUserVersion(owner); };
  ScriptedDialogs dialogs;
  dialogs.expectDialog("ClsCreateDataBase", [&](QDialog& d) {
    auto& create = static_cast<TClsCreateDataBase&>(d);
    create.edtServerName->setText(server());
    create.edtFile->setText(file_);
    create.btnCriarClick();
    return create.result();
  });
  dialogs.expectMessage("Banco de Dados criado com sucesso.");
  const TCreatedDatabase created = OpenCreateDataBase(nullptr);
  VersionClass = nullptr;
  EXPECT_TRUE(created.Created);
  EXPECT_EQ(ServerSelectionRules::CreatedDatabaseName(created.ServerName, created.FileName),
            server() + ":" + file_);
  EXPECT_FALSE(module->dbMain->connected());
}

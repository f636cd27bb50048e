// Grabs the connection and login windows to PNG files when ACESSOS_SHOTS names a folder.
#include "LoginDlgFixture.h"

#include "login/CmAppGlobals.h"
#include "login/CmLogin.h"
#include "login/CmLoginConfirmUser.h"
#include "login/CmLoginServer.h"
#include "login/LoginRules.h"
#include "versioning/CmBackupAuth.h"
#include "versioning/CmControlVersion.h"

#include "support/ScriptedDialogs.h"

#include "controls/CmCommon.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using testing_support::TempDatabase;

namespace {

QString shotsFolder() { return qEnvironmentVariable("ACESSOS_SHOTS"); }

void save(QWidget& w, const char* name) {
  const QString file = QDir(shotsFolder()).filePath(QString::fromLatin1(name) + ".png");
  EXPECT_TRUE(w.grab().save(file)) << file.toStdString();
}

void grab(QWidget& w, const char* name) {
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  QTest::qWait(100);
  save(w, name);
}

}  // namespace

TEST(Screenshots, ConnectionAndLoginWindows) {
  if (shotsFolder().isEmpty()) GTEST_SKIP() << "ACESSOS_SHOTS not set";
  QDir().mkpath(shotsFolder());
  TCmFocusController::Instance().SetTracking(true);
  QTemporaryDir dir;
  TempDatabase tmp(TempDatabase::Kind::Server);
  tmp.exec(logindlg_test::userSchema());
  auto module = logindlg_test::moduleOn(tmp);

  VersionClass = [](QObject* owner) { return new QObject(owner); };
  ServerSelectionRules rules(module->dbMain, QDir(dir.path()).filePath("connection.ini"));
  rules.WriteDatabaseName(QStringLiteral("servidor:C:\\dados\\base.fdb"));
  {
    TClsLoginServer server(rules);
    grab(server, "server_selection");
    server.reject();
  }
  VersionClass = nullptr;

  setRememberedUserFile(QDir(dir.path()).filePath("servers.ini"));
  SaveRememberedUser(QStringLiteral("SUPER"), true);
  {
    TClsLogin login(module->dbMain, module->trMain, module->CmSQLGlobals, 3);
    grab(login, "login");
    login.reject();
  }
  setRememberedUserFile(QString());
  {
    TClsLoginConfirmUser first(QStringLiteral("NOVATO"));
    first.show();
    first.edtPassword->setText(QStringLiteral("abc"));
    grab(first, "first_password");
  }
  {
    TClsBackupAuth question;
    grab(question, "backup_question");
  }

  logindlg_test::BackupWindowWatch watch;
  watch.onClosing = [](QWidget& w) { save(w, "backup_progress"); };
  module.reset();  // the guard counts every other attachment
  auto db = tmp.connect();
  auto other1 = tmp.connect();
  auto other2 = tmp.connect();
  TClsControlVersion guard;
  guard.Database = db.get();
  testing_support::ScriptedDialogs dialogs;
  dialogs.expectMessage(QStringLiteral("Existe(m) 2 usuário(s) conectados."));
  guard.show();
  QTest::mouseClick(guard.btnOK, Qt::LeftButton);
  logindlg_test::waitFor([&] {
    return guard.CmListView->topLevelItemCount() == 2 &&
           !guard.CmListView->topLevelItem(1)->text(0).isEmpty();
  });
  guard.CmListView->setCurrentItem(guard.CmListView->topLevelItem(0));
  grab(guard, "upgrade_guard");
  EXPECT_EQ(watch.shown, 1);
  guard.reject();
}

#include "login/LoginRules.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include "data/CmIBSQL.h"
#include "data/CmSQLGlobals.h"
#include "login/KelvoHash.h"
#include "platform/IniFile.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDb.h"
#include "support/UserTables.h"

using testing_support::ScriptedDialogs;
using testing_support::TempDatabase;

TEST(LaunchName, Decoding) {
  struct Case {
    QString encoded;
    QString decoded;
  } cases[] = {
      {"bcd", "abc"}, {"BENJO", "ADMIN"}, {"Çê", "Çê"},  // accented letters pass unchanged
      {"b2!", "a1 "},                                    // digits and punctuation are lowered too
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeLaunchUserName(c.encoded), c.decoded);
}

TEST(LaunchName, ModuleThirteenReadsTheAutologinUser) {
  QTemporaryDir dir;
  const QString ini = QDir(dir.path()).filePath("connection.ini");
  pf::IniFile(ini).writeString("AUTOLOGIN", "USER", "CFNUP");
  EXPECT_EQ(LaunchName(13, {"prog", ini}, ini), QStringLiteral("CFNUP"));
  EXPECT_EQ(LaunchName(13, {"prog", "/no/such/file"}, ini), QString());
  EXPECT_EQ(LaunchName(13, {"prog"}, ini), QString());
  EXPECT_EQ(LaunchName(3, {"prog", "BENJO"}, ini), QStringLiteral("BENJO"));
  EXPECT_EQ(LaunchName(3, {"prog"}, ini), QString());
}

TEST(FirstPassword, Checks) {
  EXPECT_EQ(CheckNewPassword("ab", "ab"),
            QStringLiteral("A senha deve ter no mínimo 3 caracteres."));
  EXPECT_EQ(CheckNewPassword("abc", "ABC"),
            QStringLiteral("A senha de confirmação está incorreta."));
  EXPECT_EQ(CheckNewPassword("abc", "abc"), QString());
}

TEST(RememberedUser, DefaultsAndRoundTrip) {
  QTemporaryDir dir;
  setRememberedUserFile(QDir(dir.path()).filePath("servers.ini"));
  RememberedUser r = LoadRememberedUser();  // REMEMBER missing: checked, no user
  EXPECT_TRUE(r.remember);
  EXPECT_TRUE(r.user.isEmpty());
  rememberedUserSettings()->setValue("USER", "ANA");
  EXPECT_EQ(LoadRememberedUser().user, QStringLiteral("ANA"));  // still missing REMEMBER
  SaveRememberedUser("BETO", false);
  EXPECT_EQ(rememberedUserSettings()->value("USER").toString(), QStringLiteral("BETO"));
  EXPECT_EQ(rememberedUserSettings()->value("REMEMBER").toString(), QStringLiteral("False"));
  r = LoadRememberedUser();
  EXPECT_FALSE(r.remember);
  EXPECT_TRUE(r.user.isEmpty());  // the next start shows an empty name
  SaveRememberedUser("BETO", true);
  EXPECT_EQ(LoadRememberedUser().user, QStringLiteral("BETO"));
  rememberedUserSettings()->setValue("REMEMBER", "yes");
  EXPECT_FALSE(LoadRememberedUser().remember);
  setRememberedUserFile(QString());
}

TEST(LoginAttempts, ThirdFailureRefuses) {
  ScriptedDialogs dialogs;
  dialogs.expectMessage("Login Incorreto.")
      .expectMessage("Login Incorreto.")
      .expectMessage("Login Incorreto.");
  LoginAttempts a;
  EXPECT_EQ(a.record(false), LoginAttempts::Outcome::TryAgain);
  EXPECT_EQ(a.record(false), LoginAttempts::Outcome::TryAgain);
  EXPECT_EQ(a.record(false), LoginAttempts::Outcome::Refused);
  LoginAttempts b;
  EXPECT_EQ(b.record(true), LoginAttempts::Outcome::LoggedIn);
}

namespace {

class Login : public ::testing::Test {
 protected:
  void SetUp() override {
    const QString pass = PasswordHash("segredo");
    tmp_.exec({
        testing_support::usuarioTable(),
        "create table MODULO (ID integer not null primary key, MODULO varchar(30))",
        "create table USUARIO_MODULO (USUARIOID integer not null, MODULOID integer not null, "
        "TUDO char(1), primary key (USUARIOID, MODULOID))",
        "insert into MODULO values (3, 'USUÁRIOS')",
        "insert into USUARIO values (1, 'ADMIN', '', 'Administrador', 'Sistema', null, 'T', 1, null, null)",
        "insert into USUARIO values (2, 'SUPER', '" + pass +
            "', 'Sara', 'Um', null, 'T', 1, null, 'F')",
        "insert into USUARIO values (3, 'SUB', '" + pass +
            "', 'Sub', 'Dois', null, 'T', 2, null, 'F')",
        "insert into USUARIO values (4, 'FORA', '" + pass +
            "', 'Fora', 'X', null, 'T', 1, null, 'F')",
        "insert into USUARIO values (5, 'ORFAO', '" + pass +
            "', 'Orfao', 'Y', null, 'T', 4, null, 'F')",
        "insert into USUARIO values (6, 'INATIVO', '" + pass +
            "', 'In', 'Ativo', null, 'T', 1, null, 'T')",
        "insert into USUARIO values (7, 'MINUSCULA', '" + pass.toLower() +
            "', 'M', 'N', null, 'T', 1, null, 'F')",
        "insert into USUARIO values (8, 'NOVATO', '  ', 'No', 'Vato', null, 'F', 1, null, 'T')",
        "insert into USUARIO values (9, 'ABCDEFGHIJ', '" + pass +
            "', 'Dez', 'Letras', null, 'F', 1, null, 'F')",
        "insert into USUARIO_MODULO values (1, 3, null)",
        "insert into USUARIO_MODULO values (2, 3, null)",
        "insert into USUARIO_MODULO values (2, 1, 'S')",
        "insert into USUARIO_MODULO values (3, 3, null)",
        "insert into USUARIO_MODULO values (5, 3, null)",  // supervisor FORA is not in 3
        "insert into USUARIO_MODULO values (6, 3, null)",
        "insert into USUARIO_MODULO values (7, 3, null)",
        "insert into USUARIO_MODULO values (8, 3, null)",
        "insert into USUARIO_MODULO values (9, 3, null)",
    });
    db_ = tmp_.connect();
    trMain_ = db_->defaultTransaction();
  }
  LoginRules rules() { return LoginRules(db_.get(), trMain_, &session_, 3); }
  QString storedPassword(int id) {
    TCmIBSQL sql;
    sql.setDatabase(db_.get());
    sql.ExecSQL(QStringLiteral("select SENHA from USUARIO where ID = %1").arg(id));
    return sql.field(0).asString();
  }

  TempDatabase tmp_;
  std::unique_ptr<pf::Database> db_;
  pf::Transaction* trMain_ = nullptr;
  TCmSQLGlobals session_;
};

}  // namespace

TEST_F(Login, FailureTable) {
  struct Case {
    const char* user;
    const char* password;
    bool ok;
  } cases[] = {
      {"SUPER", "segredo", true},
      {"SUB", "segredo", true},         // supervisor in the module
      {"NINGUEM", "segredo", false},    // not found
      {"FORA", "segredo", false},       // outside the module
      {"ORFAO", "segredo", false},      // supervisor outside the module
      {"SUPER", "errada", false},       // wrong password
      {"SUPER", "SEGREDO", false},      // case counts
      {"INATIVO", "segredo", false},    // deactivated with a stored password
      {"MINUSCULA", "segredo", false},  // a lower-case stored digest never matches
      {"O'BRIEN", "x", false},          // an apostrophe is text like any other
      {"'; drop table USUARIO; --", "x", false},
  };
  for (const Case& c : cases) {
    LoginRules r = rules();
    EXPECT_EQ(r.VerifyCredentials(c.user, c.password, {}), c.ok) << c.user << "/" << c.password;
    if (!c.ok) {
      EXPECT_EQ(r.kept().id, 0) << c.user;
    }
  }
  EXPECT_EQ(storedPassword(2), PasswordHash("segredo"));  // nothing was damaged
}

TEST_F(Login, SupervisorLeavingTheModuleLocksOutHisUsers) {
  tmp_.exec({"delete from USUARIO_MODULO where USUARIOID = 2 and MODULOID = 3"});
  LoginRules r = rules();
  EXPECT_FALSE(r.VerifyCredentials("SUB", "segredo", {}));
}

TEST_F(Login, FirstPasswordIsChosenThenRequired) {
  LoginRules cancelled = rules();
  EXPECT_FALSE(cancelled.VerifyCredentials(
      "NOVATO", "", [](const QString&) { return std::optional<QString>(); }));
  EXPECT_TRUE(storedPassword(8).trimmed().isEmpty());

  LoginRules r = rules();
  QString asked;
  // Deactivated and typed password are not looked at on this path.
  EXPECT_TRUE(r.VerifyCredentials("NOVATO", "whatever", [&](const QString& u) {
    asked = u;
    return std::optional<QString>("nova123");
  }));
  EXPECT_EQ(asked, QStringLiteral("NOVATO"));
  EXPECT_EQ(storedPassword(8), PasswordHash("nova123"));
  tmp_.exec({"update USUARIO set DESATIVADO = 'F' where ID = 8"});
  EXPECT_TRUE(rules().VerifyCredentials("NOVATO", "nova123", {}));
  EXPECT_FALSE(rules().VerifyCredentials("NOVATO", "whatever", {}));
}

TEST_F(Login, SessionIsFilledWithTheUsersModules) {
  LoginRules r = rules();
  ASSERT_TRUE(r.VerifyCredentials("SUPER", "segredo", {}));
  r.FillSession("SUPER", trMain_);
  EXPECT_EQ(session_.Usuario, QStringLiteral("SUPER"));
  EXPECT_EQ(session_.UsuarioID, 2);
  EXPECT_EQ(session_.FirstName, QStringLiteral("Sara"));
  EXPECT_EQ(session_.LastName, QStringLiteral("Um"));
  EXPECT_TRUE(session_.IsSupervisor);
  EXPECT_EQ(session_.Modulo, QStringLiteral("USUÁRIOS"));
  EXPECT_EQ(session_.ModuloID, 3);
  EXPECT_EQ(session_.UserModules, QStringList({"1", "3"}));
}

TEST_F(Login, LaunchNameLogsInWithoutPassword) {
  struct Case {
    QString encoded;
    bool ok;
    int id;
  } cases[] = {
      {"TVQFS", true, 2},               // SUPER raised by one
      {"JOBUJWP", false, 0},            // INATIVO: deactivated
      {"OJOHVFN", false, 0},            // NINGUEM: unknown
      {"BCDEFGHIJKLM", true, 9},        // 12 characters: cut to ABCDEFGHIJ
      {QString(1000, u'B'), false, 0},  // 1,000 characters: cut to 10, no such user
  };
  for (const Case& c : cases) {
    TCmSQLGlobals session;
    LoginRules r(db_.get(), trMain_, &session, 3);
    const bool trMainWasActive = trMain_->inTransaction();
    EXPECT_EQ(r.LoginWithLaunchName(c.encoded), c.ok) << c.encoded.left(20).toStdString();
    EXPECT_EQ(session.UsuarioID, c.id);
    EXPECT_EQ(trMain_->inTransaction(), trMainWasActive);  // trMain untouched
  }
}

#include "LoginDlgFixture.h"

#include "login/CmAppGlobals.h"
#include "login/CmLogin.h"
#include "login/CmLoginConfirmUser.h"
#include "login/KelvoHash.h"
#include "login/LoginRules.h"

#include "support/ScriptedDialogs.h"

#include "data/CmIBSQL.h"
#include "data/CmSQLGlobals.h"
#include "platform/Database.h"
#include "platform/Transaction.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using logindlg_test::EncodeLaunchUserName;
using testing_support::ScriptedDialogs;
using testing_support::TempDatabase;

namespace {

const char* kIncorrect = "Login Incorreto.";

class LoginWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    tmp_.exec(logindlg_test::userSchema());
    module_ = logindlg_test::moduleOn(tmp_);
    remembered_ = QDir(dir_.path()).filePath("servers.ini");
    setRememberedUserFile(remembered_);
    ApplicationModuleId = 3;
  }
  void TearDown() override { setRememberedUserFile(QString()); }

  TCmSQLGlobals& session() { return *module_->CmSQLGlobals; }
  std::unique_ptr<TClsLogin> window() {
    return std::make_unique<TClsLogin>(module_->dbMain, module_->trMain, module_->CmSQLGlobals,
                                       3);
  }
  // Types the credentials into a shown window and presses "&Login".
  static void attempt(TClsLogin& w, const QString& user, const QString& password) {
    w.edtUser->setText(user);
    w.edtPass->setText(password);
    QTest::mouseClick(w.btnLogin, Qt::LeftButton);
  }
  QString storedPassword(int id) {
    TCmIBSQL sql;
    sql.setDatabase(module_->dbMain);
    pf::Transaction tr;
    tr.setDefaultDatabase(module_->dbMain);
    tr.startTransaction();
    sql.setTransaction(&tr);
    sql.ExecSQL(QStringLiteral("select SENHA from USUARIO where ID = %1").arg(id));
    const QString value = sql.field(0).asString().trimmed();
    sql.close();
    tr.commit();
    return value;
  }
  QString runLoginIni() const { return QDir(dir_.path()).filePath("connection.ini"); }

  TempDatabase tmp_;
  QTemporaryDir dir_;
  std::unique_ptr<TClsDBDataModule> module_;
  QString remembered_;
};

}  // namespace

TEST_F(LoginWindow, ControlsAsTheUserSeesThem) {
  auto w = window();
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Login"));
  EXPECT_FALSE(w->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_EQ(w->btnLogin->text(), QStringLiteral("&Login"));
  EXPECT_EQ(w->btnCancel->text(), QStringLiteral("&Cancelar"));
  EXPECT_EQ(w->chbRemember->text(), QStringLiteral("Lembrar Usuário"));
  EXPECT_EQ(w->CancelButton(), w->btnCancel);
  EXPECT_EQ(w->edtPass->echoMode(), QLineEdit::Password);
  EXPECT_EQ(w->edtPass->maxLength(), 10);
  w->show();
  EXPECT_EQ(logindlg_test::tabOrder(*w),
            QStringList({"edtUser", "edtPass", "chbRemember", "btnLogin", "btnCancel"}));
  QTest::keyClicks(w->edtUser, QStringLiteral("super12345xyz"));
  EXPECT_EQ(w->edtUser->text(), QStringLiteral("SUPER12345"));  // upper case, 10 at most
  EXPECT_EQ(w->Attempts(), 1);
  EXPECT_TRUE(module_->trMain->inTransaction());  // started on show
  w->reject();
  EXPECT_FALSE(module_->trMain->inTransaction());  // committed on close
}

TEST_F(LoginWindow, EachFailureIsCountedAndShownAndSuccessFillsTheSession) {
  struct Case {
    const char* what;
    QString user;
    QString password;
  } failures[] = {
      {"not found", "NINGUEM", "segredo"},
      {"outside the module", "FORA", "segredo"},
      {"supervisor outside the module", "ORFAO", "segredo"},
      {"wrong password", "SUPER", "errada"},
      {"case of the password", "SUPER", "SEGREDO"},
      {"deactivated", "INATIVO", "segredo"},
      {"apostrophe", "O'BRIEN", "segredo"},
      {"SQL punctuation", "A';--\"", "x' or '1'='1"},
  };
  for (const Case& c : failures) {
    SCOPED_TRACE(c.what);
    auto w = window();
    w->show();
    ScriptedDialogs dialogs;
    dialogs.expectMessage(kIncorrect);
    attempt(*w, c.user, c.password);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->Attempts(), 2);
    EXPECT_EQ(w->focusWidget(), w->edtPass);
    EXPECT_EQ(session().UsuarioID, 0);
    w->reject();
  }
  EXPECT_EQ(storedPassword(2), PasswordHash("segredo"));  // nothing stored was touched

  auto w = window();
  w->show();
  ScriptedDialogs none;
  attempt(*w, "SUB", "segredo");
  EXPECT_FALSE(w->isVisible());
  EXPECT_TRUE(w->Result());
  EXPECT_EQ(w->result(), QDialog::Accepted);
  EXPECT_EQ(session().Usuario, QStringLiteral("SUB"));
  EXPECT_EQ(session().UsuarioID, 3);
  EXPECT_EQ(session().FirstName, QStringLiteral("Nome3"));
  EXPECT_EQ(session().LastName, QStringLiteral("Sobre3"));
  EXPECT_FALSE(session().IsSupervisor);
  EXPECT_EQ(session().Modulo, QStringLiteral("USUÁRIOS"));
  EXPECT_EQ(session().ModuloID, 3);
  EXPECT_EQ(session().UserModules, QStringList({"3"}));
  EXPECT_FALSE(module_->trMain->inTransaction());
}

TEST_F(LoginWindow, ThirdFailureClosesTheWindowAndTheLoginFails) {
  ScriptedDialogs dialogs;
  dialogs.expectDialog("ClsLogin", [](QDialog& d) {
    auto& w = static_cast<TClsLogin&>(d);
    w.show();
    for (int i = 1; i <= 3; ++i) {
      EXPECT_TRUE(w.isVisible()) << i;
      attempt(w, "SUPER", "errada");
    }
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.Result());
    return w.result();
  });
  for (int i = 0; i < 3; ++i) dialogs.expectMessage(kIncorrect);
  EXPECT_FALSE(RunLogin(*module_, {"prog"}, runLoginIni()));
  EXPECT_EQ(session().UsuarioID, 0);
  EXPECT_TRUE(session().Usuario.isEmpty());
  EXPECT_FALSE(module_->trMain->inTransaction());
}

TEST_F(LoginWindow, CancelLeavesNobodyLoggedIn) {
  ScriptedDialogs dialogs;
  dialogs.expectDialog("ClsLogin", [](QDialog& d) {
    auto& w = static_cast<TClsLogin&>(d);
    w.show();
    w.edtUser->setText("SUPER");
    w.edtPass->setText("segredo");
    QTest::keyClick(w.edtPass, Qt::Key_Escape);  // Esc is the cancel button
    EXPECT_FALSE(w.isVisible());
    return w.result();
  });
  EXPECT_FALSE(RunLogin(*module_, {"prog"}, runLoginIni()));
  EXPECT_EQ(session().UsuarioID, 0);
}

TEST_F(LoginWindow, FirstPasswordIsChosenCheckedAndFromThenOnRequired) {
  auto chooseFirstPassword = [](QDialog& d) {
    auto& c = static_cast<TClsLoginConfirmUser&>(d);
    EXPECT_EQ(c.windowTitle(), QStringLiteral("Cadastrar Senha Usuário"));
    c.show();
    EXPECT_EQ(c.edtUsuario->text(), QStringLiteral("NOVATO"));
    EXPECT_TRUE(c.edtUsuario->isReadOnly());
    EXPECT_EQ(c.edtPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(c.edtConfirm->maxLength(), 10);
    EXPECT_EQ(logindlg_test::tabOrder(c),
              QStringList({"edtPassword", "edtConfirm", "btnOK", "btnCancel"}));
    EXPECT_EQ(c.focusWidget(), c.edtPassword);
    struct Try {
      const char* password;
      const char* confirm;
      bool closes;
    } tries[] = {{"ab", "ab", false}, {"abc", "ABC", false}, {"abc", "abc", true}};
    for (const Try& t : tries) {
      c.edtPassword->setText(t.password);
      c.edtConfirm->setText(t.confirm);
      QTest::mouseClick(c.btnOK, Qt::LeftButton);
      EXPECT_EQ(c.isVisible(), !t.closes) << t.password << "/" << t.confirm;
    }
    EXPECT_TRUE(c.Confirmed);
    return c.result();
  };
  {
    auto w = window();
    w->show();
    ScriptedDialogs dialogs;
    dialogs.expectDialog("ClsLoginConfirmUser", chooseFirstPassword)
        .expectMessage("A senha deve ter no mínimo 3 caracteres.")
        .expectMessage("A senha de confirmação está incorreta.");
    attempt(*w, "NOVATO", "ignorada");  // the typed password is not looked at
    EXPECT_TRUE(w->Result());
    EXPECT_EQ(session().UsuarioID, 7);
  }
  EXPECT_EQ(storedPassword(7), PasswordHash("abc"));

  auto w = window();
  w->show();
  ScriptedDialogs dialogs;
  dialogs.expectMessage(kIncorrect);
  attempt(*w, "NOVATO", "ignorada");
  EXPECT_FALSE(w->Result());
  ScriptedDialogs none;
  attempt(*w, "NOVATO", "abc");
  EXPECT_TRUE(w->Result());
}

TEST_F(LoginWindow, CancelledFirstPasswordIsAFailedAttempt) {
  auto w = window();
  w->show();
  ScriptedDialogs dialogs;
  dialogs
      .expectDialog("ClsLoginConfirmUser",
                    [](QDialog& d) {
                      auto& c = static_cast<TClsLoginConfirmUser&>(d);
                      c.show();
                      c.edtPassword->setText("abc");
                      c.edtConfirm->setText("abc");
                      QTest::mouseClick(c.btnCancel, Qt::LeftButton);
                      EXPECT_FALSE(c.Confirmed);
                      return c.result();
                    })
      .expectMessage(kIncorrect);
  attempt(*w, "NOVATO", "");
  EXPECT_FALSE(w->Result());
  EXPECT_EQ(w->Attempts(), 2);
  EXPECT_TRUE(storedPassword(7).isEmpty());
}

TEST_F(LoginWindow, RememberedUser) {
  struct Case {
    const char* what;
    QVariant remember;  // invalid: missing
    QVariant user;
    bool checked;
    QString shown;
  } cases[] = {
      {"nothing stored", {}, {}, true, ""},
      {"REMEMBER missing", {}, "SUPER", true, "SUPER"},
      {"True", "True", "SUB", true, "SUB"},
      {"empty", "", "SUB", true, "SUB"},
      {"False", "False", "SUB", false, ""},
      {"anything else", "yes", "SUB", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QFile::remove(remembered_);
    {
      QSettings s(remembered_, QSettings::IniFormat);
      if (c.remember.isValid()) s.setValue("REMEMBER", c.remember);
      if (c.user.isValid()) s.setValue("USER", c.user);
    }
    auto w = window();
    w->show();
    EXPECT_EQ(w->chbRemember->isChecked(), c.checked);
    EXPECT_EQ(w->edtUser->text(), c.shown);
    EXPECT_EQ(w->focusWidget(), c.shown.isEmpty() ? w->edtUser : w->edtPass);
    w->reject();
  }

  // Cleared box: the name is still stored, and the next start shows none.
  {
    auto w = window();
    w->show();
    w->chbRemember->setChecked(false);
    ScriptedDialogs none;
    attempt(*w, "SUPER", "segredo");
    ASSERT_TRUE(w->Result());
  }
  {
    QSettings s(remembered_, QSettings::IniFormat);
    EXPECT_EQ(s.value("USER").toString(), QStringLiteral("SUPER"));
    EXPECT_EQ(s.value("REMEMBER").toString(), QStringLiteral("False"));
  }
  auto w = window();
  w->show();
  EXPECT_FALSE(w->chbRemember->isChecked());
  EXPECT_TRUE(w->edtUser->text().isEmpty());
  w->chbRemember->setChecked(true);
  ScriptedDialogs none;
  attempt(*w, "SUB", "segredo");
  ASSERT_TRUE(w->Result());
  auto next = window();
  next->show();
  EXPECT_EQ(next->edtUser->text(), QStringLiteral("SUB"));
  next->reject();
}

TEST_F(LoginWindow, LaunchArgument) {
  struct Case {
    const char* what;
    QString argument;
    int loggedInAs;  // 0: the window opens
  } cases[] = {
      {"supervisor", EncodeLaunchUserName("SUPER"), 2},
      {"accents pass unchanged", EncodeLaunchUserName("JOÃOÇÊ"), 9},
      {"twelve characters cut to ten", EncodeLaunchUserName("ABCDEFGHIJKL"), 8},
      {"deactivated", EncodeLaunchUserName("INATIVO"), 0},
      {"unknown", EncodeLaunchUserName("NINGUEM"), 0},
      {"outside the module", EncodeLaunchUserName("FORA"), 0},
      {"not encoded", "SUPER", 0},
      {"a thousand characters", QString(1000, u'x'), 0},
      {"quotes", EncodeLaunchUserName("A';--\""), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    session().UsuarioID = 0;
    session().Usuario.clear();
    ScriptedDialogs dialogs;
    bool windowShown = false;
    if (!c.loggedInAs) {
      dialogs.expectDialog("ClsLogin", [&](QDialog& d) {
        windowShown = true;
        d.show();
        d.reject();
        return d.result();
      });
    }
    EXPECT_EQ(RunLogin(*module_, {"prog", c.argument}, runLoginIni()), c.loggedInAs != 0);
    EXPECT_EQ(session().UsuarioID, c.loggedInAs);
    EXPECT_EQ(windowShown, c.loggedInAs == 0);
    EXPECT_FALSE(module_->trMain->inTransaction());  // the launch path has its own
  }
  EXPECT_EQ(QSettings(remembered_, QSettings::IniFormat).value("USER"), QVariant());
}

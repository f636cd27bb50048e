#include "LoginDlgFixture.h"

#include "login/CmAppGlobals.h"
#include "login/CmLoginServer.h"

#include "support/ScriptedDialogs.h"

#include "controls/CmCommon.h"
#include "platform/Database.h"
#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

using pf::MsgButton;
using testing_support::ScriptedDialogs;
using testing_support::TempDatabase;

namespace {

const char* kRetry = "Não foi possível conectar o banco de dados, deseja tentar novamente?";

// A module whose construction leaves dbMain alone: the test runs server selection.
std::unique_ptr<TClsDBDataModule> bareModule() {
  TConnectSteps steps;
  steps.SelectServer = [](TClsDBDataModule&) { return true; };
  steps.RunLogin = [](TClsDBDataModule&) { return true; };
  return TClsDataModule::Create<TClsDBDataModule>(nullptr, steps);
}

class ServerWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ini_ = QDir(dir_.path()).filePath("connection.ini");
    module_ = bareModule();
    module_->dbMain->setParams(tmp_.connectParams());
    VersionClass = [this](QObject* owner) {
      auto* version = new QObject(owner);
      version->setObjectName("version");
      owners_ << owner;
      return version;
    };
    hooks_.ConnectionIni = ini_;
    hooks_.CheckVersion = [this](QObject* version, const QString& name) {
      EXPECT_EQ(version, CurrentVersion);
      checked_ << name;
      return !refuse_;
    };
  }
  void TearDown() override {
    VersionClass = nullptr;
    EXPECT_EQ(CurrentVersion, nullptr);  // freed after every check
  }

  QString stored() const { return pf::IniFile(ini_).readString("CONNECTION", "DATABASENAME"); }
  void store(const QString& name) {
    pf::IniFile(ini_).writeString("CONNECTION", "DATABASENAME", name);
  }
  QByteArray iniBytes() const {
    QFile f(ini_);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  bool select() { return SelectServer(*module_, hooks_); }

  TempDatabase tmp_;
  QTemporaryDir dir_;
  QString ini_;
  std::unique_ptr<TClsDBDataModule> module_;
  TServerSelectionHooks hooks_;
  QList<QObject*> owners_;
  QStringList checked_;
  bool refuse_ = false;
};

TClsLoginServer& shown(QDialog& d) {
  auto& w = static_cast<TClsLoginServer&>(d);
  w.show();
  return w;
}

}  // namespace

TEST_F(ServerWindow, ControlsAsTheUserSeesThem) {
  ServerSelectionRules rules(module_->dbMain, ini_);
  TClsLoginServer w(rules);
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Login"));
  EXPECT_FALSE(w.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_EQ(w.lblServidor->text(), QStringLiteral("Servidor:"));
  EXPECT_EQ(w.btCreateDB->text(), QStringLiteral("Criar Banco de Dados..."));
  EXPECT_EQ(w.btConectar->text(), QStringLiteral("C&onectar"));
  EXPECT_EQ(w.btCancelar->text(), QStringLiteral("&Cancelar"));
  EXPECT_EQ(ControlHint(w.edtServidor),
            QStringLiteral("<nome servidor>:<caminho do bando de dados>"));
  EXPECT_EQ(ControlHint(w.btConectar), QStringLiteral("Conectar-se ao banco de dados"));
  EXPECT_EQ(ControlHint(w.btCancelar), QStringLiteral("Cancelar Conexão"));
  EXPECT_EQ(w.CancelButton(), w.btCancelar);
  w.show();
  EXPECT_TRUE(w.btCreateDB->isVisible());  // a version class is registered
  EXPECT_EQ(logindlg_test::tabOrder(w),
            QStringList({"edtServidor", "btCreateDB", "btConectar", "btCancelar"}));
  w.reject();

  VersionClass = nullptr;
  TClsLoginServer without(rules);
  without.show();
  EXPECT_FALSE(without.btCreateDB->isVisible());
  without.reject();
}

TEST_F(ServerWindow, MissingFileOpensTheWindowEmptyAndStoresTheConnectedName) {
  ScriptedDialogs dialogs;
  dialogs.expectDialog("ClsLoginServer", [&](QDialog& d) {
    TClsLoginServer& w = shown(d);
    EXPECT_TRUE(w.edtServidor->text().isEmpty());
    EXPECT_TRUE(w.lblServerName->text().isEmpty());
    EXPECT_EQ(w.focusWidget(), w.edtServidor);
    QTest::keyClicks(w.edtServidor, tmp_.name());
    QTest::mouseClick(w.btConectar, Qt::LeftButton);
    EXPECT_FALSE(w.isVisible());
    return w.result();
  });
  EXPECT_TRUE(select());
  EXPECT_TRUE(module_->dbMain->connected());
  EXPECT_EQ(checked_, QStringList({tmp_.name()}));
  ASSERT_EQ(owners_.size(), 1);
  EXPECT_EQ(owners_[0]->objectName(), QStringLiteral("ClsLoginServer"));  // owned by the window
  EXPECT_EQ(stored(), tmp_.name());
}

TEST_F(ServerWindow, StoredNameConnectsWithoutTheWindow) {
  store(tmp_.name());
  ScriptedDialogs none;
  EXPECT_TRUE(select());
  EXPECT_TRUE(module_->dbMain->connected());
}

TEST_F(ServerWindow, StoredNameThatFailsAsksAndYesOpensTheWindowWithIt) {
  store("/no/such/base.fdb");
  ScriptedDialogs dialogs;
  dialogs.expectMessage(kRetry, MsgButton::Yes).expectDialog("ClsLoginServer", [](QDialog& d) {
    TClsLoginServer& w = shown(d);
    EXPECT_EQ(w.edtServidor->text(), QStringLiteral("/no/such/base.fdb"));
    EXPECT_EQ(w.lblServerName->text(), QStringLiteral("/no/such/base.fdb"));
    QTest::mouseClick(w.btCancelar, Qt::LeftButton);
    EXPECT_FALSE(w.isVisible());
    return w.result();
  });
  EXPECT_FALSE(select());
  EXPECT_EQ(stored(), QStringLiteral("/no/such/base.fdb"));

  ScriptedDialogs no;
  no.expectMessage(kRetry, MsgButton::No);  // No: no window, the program ends
  EXPECT_FALSE(select());
}

TEST_F(ServerWindow, TypedNamesThatCannotBeUsed) {
  const QString notADatabase = QDir(dir_.path()).filePath("text.fdb");
  {
    QFile f(notADatabase);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("this is not a database\n");
  }
  ScriptedDialogs dialogs;
  dialogs.expectDialog("ClsLoginServer", [&](QDialog& d) {
    TClsLoginServer& w = shown(d);
    struct Try {
      QString typed;
      bool refused;
    } tries[] = {{"   ", false},
                 {notADatabase, false},
                 {"127.0.0.2:/srv/base.fdb", false},  // no server answers there
                 {tmp_.name(), true}};              // refused by the version check
    for (const Try& t : tries) {
      refuse_ = t.refused;
      w.edtServidor->setText(t.typed);
      QTest::mouseClick(w.btConectar, Qt::LeftButton);
      EXPECT_TRUE(w.isVisible()) << t.typed.toStdString();  // Yes: stay
      EXPECT_EQ(w.focusWidget(), w.edtServidor);
    }
    w.edtServidor->setText(tmp_.name());
    QTest::mouseClick(w.btConectar, Qt::LeftButton);  // No: the window closes
    EXPECT_FALSE(w.isVisible());
    return w.result();
  });
  dialogs.expectMessage("Digite o Servidor.").expectMessage(kRetry, MsgButton::Yes);
  for (int i = 0; i < 3; ++i) dialogs.expectMessage(kRetry, MsgButton::Yes);
  dialogs.expectMessage(kRetry, MsgButton::No);
  EXPECT_FALSE(select());
  EXPECT_FALSE(module_->dbMain->connected());
  EXPECT_FALSE(checked_.contains("   "));  // blanks never reach the version check
  EXPECT_EQ(checked_.count(tmp_.name()), 2);
  EXPECT_FALSE(QFile::exists(ini_));  // nothing was stored
  QFile f(notADatabase);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("this is not a database\n"));
}

TEST_F(ServerWindow, NameWithSurroundingBlanksIsUsedAndStoredAsTyped) {
  TempDatabase server(TempDatabase::Kind::Server);
  module_->dbMain->setParams(server.connectParams());
  const QString padded = "  " + server.name();  // the client trims the host part
  ScriptedDialogs dialogs;
  dialogs.expectDialog("ClsLoginServer", [&](QDialog& d) {
    TClsLoginServer& w = shown(d);
    w.edtServidor->setText(padded);
    QTest::mouseClick(w.btConectar, Qt::LeftButton);
    return w.result();
  });
  EXPECT_TRUE(select());
  EXPECT_EQ(checked_, QStringList({padded}));
  EXPECT_TRUE(iniBytes().contains("DATABASENAME=" + padded.toLatin1()));
  module_->dbMain->close();
}

TEST_F(ServerWindow, CreatedDatabaseFillsTheFieldAndConnectsNothing) {
  ScriptedDialogs dialogs;
  int opened = 0;
  hooks_.CreateDataBase = [&](QWidget* owner) {
    EXPECT_EQ(owner->objectName(), QStringLiteral("ClsLoginServer"));
    ++opened;
    return opened == 1 ? TCreatedDatabase{false, "x", "y"}
                       : TCreatedDatabase{true, "srv", "C:\\dados\\nova.gdb"};
  };
  dialogs.expectDialog("ClsLoginServer", [&](QDialog& d) {
    TClsLoginServer& w = shown(d);
    w.edtServidor->setText("antes");
    QTest::mouseClick(w.btCreateDB, Qt::LeftButton);
    EXPECT_EQ(w.edtServidor->text(), QStringLiteral("antes"));  // closed without creating
    QTest::mouseClick(w.btCreateDB, Qt::LeftButton);
    EXPECT_EQ(w.edtServidor->text(), QStringLiteral("srv:C:\\dados\\nova.gdb"));
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(module_->dbMain->connected());
    EXPECT_TRUE(checked_.isEmpty());
    w.reject();
    return w.result();
  });
  EXPECT_FALSE(select());
  EXPECT_EQ(opened, 2);
  EXPECT_FALSE(QFile::exists(ini_));
}

TEST_F(ServerWindow, UnreadableConnectionFiles) {
  struct Case {
    const char* what;
    QByteArray content;
    bool asks;
  } cases[] = {
      {"empty", QByteArray(), false},
      {"garbage", QByteArray("\x00\xFF\xFE\x01[[[\n=\x80\x81", 11), false},
      {"long line", "[CONNECTION]\r\nDATABASENAME=" + QByteArray(100000, 'x') + "\r\n", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    {
      QFile f(ini_);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
      f.write(c.content);
    }
    ScriptedDialogs dialogs;
    if (c.asks) dialogs.expectMessage(kRetry, MsgButton::Yes);
    dialogs.expectDialog("ClsLoginServer", [&](QDialog& d) {
      TClsLoginServer& w = shown(d);
      EXPECT_EQ(w.edtServidor->text().isEmpty(), !c.asks);
      w.reject();
      return w.result();
    });
    EXPECT_FALSE(select());
    EXPECT_EQ(iniBytes(), c.content);  // left as it was
  }
}

TEST_F(ServerWindow, FailingVersionCheckFreesItsObjectAndAsks) {
  QPointer<QObject> version;
  hooks_.CheckVersion = [&](QObject* v, const QString&) -> bool {
    version = v;
    throw std::runtime_error("script failed");
  };
  store(tmp_.name());
  ScriptedDialogs dialogs;
  dialogs.expectMessage(kRetry, MsgButton::No);
  EXPECT_FALSE(select());
  EXPECT_TRUE(version.isNull());
  EXPECT_EQ(CurrentVersion, nullptr);
  EXPECT_FALSE(module_->dbMain->connected());
}

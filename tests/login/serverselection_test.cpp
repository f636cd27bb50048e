#include "login/ServerSelection.h"

#include "support/ScriptedDialogs.h"
#include "support/TestDb.h"

#include "platform/Database.h"
#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using pf::MsgButton;
using testing_support::ScriptedDialogs;
using testing_support::TempDatabase;

namespace {

const char* kRetry = "Não foi possível conectar o banco de dados, deseja tentar novamente?";

class ServerSelection : public ::testing::Test {
 protected:
  void SetUp() override {
    ini_ = QDir(dir_.path()).filePath("connection.ini");
    db_.setParams(tmp_.connectParams());
  }
  ServerSelectionRules rules() {
    ServerSelectionRules r(&db_, ini_);
    r.versionCheck = [this](const QString& name) {
      checked_ << name;
      return !refuse_;
    };
    return r;
  }
  QString stored() const { return pf::IniFile(ini_).readString("CONNECTION", "DATABASENAME"); }
  void writeRaw(const QByteArray& bytes) {
    QFile f(ini_);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }

  TempDatabase tmp_;
  QTemporaryDir dir_;
  QString ini_;
  pf::Database db_;
  QStringList checked_;
  bool refuse_ = false;
};

}  // namespace

TEST_F(ServerSelection, MissingFileOpensTheWindowEmptyAndStoresTheConnectedName) {
  ScriptedDialogs none;
  ServerSelectionRules r = rules();
  QString fieldAtShow = "unset";
  r.showWindow = [&] {
    fieldAtShow = r.ReadDatabaseName();
    EXPECT_TRUE(r.Conectar(tmp_.name()));
  };
  EXPECT_TRUE(r.SelectServer());
  EXPECT_EQ(fieldAtShow, QString());
  EXPECT_TRUE(db_.connected());
  EXPECT_EQ(stored(), tmp_.name());
  EXPECT_EQ(checked_, QStringList({tmp_.name()}));  // checked before connecting
}

TEST_F(ServerSelection, StoredNameThatFailsAsksAndYesOpensTheWindowWithIt) {
  pf::IniFile(ini_).writeString("CONNECTION", "DATABASENAME", "/no/such/base.fdb");
  ScriptedDialogs dialogs;
  dialogs.expectMessage(kRetry, MsgButton::Yes);
  ServerSelectionRules r = rules();
  QString fieldAtShow;
  r.showWindow = [&] { fieldAtShow = r.ReadDatabaseName(); };
  EXPECT_FALSE(r.SelectServer());
  EXPECT_EQ(fieldAtShow, QStringLiteral("/no/such/base.fdb"));
  EXPECT_EQ(dialogs.shown()[0].defaultButton, MsgButton::No);
  EXPECT_EQ(dialogs.shown()[0].title, QStringLiteral("Confirmar"));

  ScriptedDialogs no;
  no.expectMessage(kRetry, MsgButton::No);
  bool shown = false;
  r.showWindow = [&] { shown = true; };
  EXPECT_FALSE(r.SelectServer());
  EXPECT_FALSE(shown);
}

TEST_F(ServerSelection, TypedNames) {
  ServerSelectionRules r = rules();
  {
    ScriptedDialogs dialogs;
    dialogs.expectMessage("Digite o Servidor.").expectMessage(kRetry, MsgButton::Yes);
    EXPECT_FALSE(r.Conectar("   "));  // stays in the window
    EXPECT_TRUE(checked_.isEmpty());
  }
  {
    ScriptedDialogs dialogs;
    dialogs.expectMessage(kRetry, MsgButton::No);
    EXPECT_TRUE(r.Conectar("/no/such/base.fdb"));  // No closes the window
    EXPECT_FALSE(db_.connected());
  }
  {
    refuse_ = true;
    ScriptedDialogs dialogs;
    dialogs.expectMessage(kRetry, MsgButton::No);
    EXPECT_TRUE(r.Conectar(" " + tmp_.name()));
    EXPECT_EQ(checked_.last(), " " + tmp_.name());  // checked as typed
    EXPECT_FALSE(db_.connected());
    EXPECT_EQ(stored(), QString());  // refused by the version check: never stored
  }
}

TEST_F(ServerSelection, NameWithSurroundingBlanksIsStoredAsTyped) {
  TempDatabase server(TempDatabase::Kind::Server);
  pf::Database db;
  db.setParams(server.connectParams());
  ServerSelectionRules r(&db, ini_);
  const QString padded = " " + server.name();  // the client trims the host part
  ScriptedDialogs none;
  EXPECT_TRUE(r.ConnectTo(padded));
  EXPECT_EQ(pf::IniFile(ini_).readString("CONNECTION", "DATABASENAME"), padded.trimmed());
}

TEST_F(ServerSelection, BadFilesAndBadTargetsEndInTheQuestion) {
  struct Case {
    const char* what;
    QByteArray content;
  } files[] = {
      {"empty", QByteArray()},
      {"garbage", QByteArray("\x00\xFF\xFE\x01[[[\n=\x80\x81", 11)},
      {"long line", "[CONNECTION]\r\nDATABASENAME=" + QByteArray(100000, 'x') + "\r\n"},
  };
  for (const Case& c : files) {
    writeRaw(c.content);
    ScriptedDialogs dialogs;
    if (QByteArray(c.what) == "long line") dialogs.expectMessage(kRetry, MsgButton::No);
    ServerSelectionRules r = rules();
    bool shown = false;
    r.showWindow = [&] { shown = true; };
    EXPECT_FALSE(r.SelectServer()) << c.what;
    EXPECT_EQ(shown, QByteArray(c.what) != "long line") << c.what;
  }

  const QString notADatabase = QDir(dir_.path()).filePath("text.fdb");
  {
    QFile f(notADatabase);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("this is not a database\n");
  }
  for (const QString& target : {notADatabase, QStringLiteral("127.0.0.2:/srv/base.fdb")}) {
    ScriptedDialogs dialogs;
    dialogs.expectMessage(kRetry, MsgButton::No);
    ServerSelectionRules r = rules();
    EXPECT_TRUE(r.Conectar(target));
    EXPECT_FALSE(db_.connected());
  }
  QFile f(notADatabase);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("this is not a database\n"));  // nothing damaged
}

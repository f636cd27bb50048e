#include "DbModuleFixture.h"

#include "login/CmAppGlobals.h"
#include "validation/CmErrorHandler.h"

#include "platform/Database.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"

#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QPushButton>

#include <gtest/gtest.h>

using dbmodule_test::databaseError;
using testing_support::ScriptedDialogs;

namespace {

const QDateTime kMoment(QDate(2026, 12, 11), QTime(10, 0, 0, 100));

class LogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dbmodule_test::application();
    module_ = TClsDataModule::Create<TClsDBDataModule>();
    module_->LogRoot = root_.path();
    module_->Now = [this] { return clock_; };
    module_->dbMain->setDatabaseName(QStringLiteral("srv01:/dados/kelvo.fdb"));
  }

  QStringList files(const QString& folder) const {
    return QDir(root_.filePath(folder)).entryList(QDir::Files, QDir::Name);
  }
  pf::IniFile log(const QString& folder, const QString& file) const {
    return pf::IniFile(root_.filePath(folder + u'/' + file));
  }
  // Each database error opens the error dialog; the drive checks it shows the newest.
  void expectErrorDialog(ScriptedDialogs& dialogs, int newestIndex) {
    dialogs.expectDialog(QStringLiteral("ClsErrorHandler"), [newestIndex](QDialog& d) {
      EXPECT_EQ(static_cast<TClsErrorHandler&>(d).CurrentIndex(), newestIndex);
      return int(QDialog::Accepted);
    });
  }

  QTemporaryDir root_;
  QDateTime clock_ = kMoment;
  std::unique_ptr<TClsDBDataModule> module_;
};

TEST_F(LogsTest, ExceptionIsRecordedLoggedAndShown) {
  QMainWindow main;
  main.setWindowTitle(QStringLiteral("Gerenciador de Usuários"));
  ScriptedDialogs dialogs;
  dialogs.expectMessage(QStringLiteral("Valor inválido"));
  module_->HandleApplicationException(std::make_exception_ptr(pf::Error("Valor inválido")));

  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].kind, pf::MsgKind::Error);
  EXPECT_EQ(dialogs.shown()[0].buttons, std::vector<pf::MsgButton>{pf::MsgButton::Ok});
  ASSERT_EQ(module_->Exceptions().size(), 1u);
  EXPECT_TRUE(module_->Exceptions()[0].Written);
  EXPECT_EQ(module_->Exceptions()[0].DateTime, kMoment);

  ASSERT_EQ(files("Log/EXCEPTION"), QStringList{"20261211_100000.INI"});
  const pf::IniFile ini = log("Log/EXCEPTION", "20261211_100000.INI");
  const QString section = QStringLiteral("OCORRENCIA EM 11/12/2026 10:00:00");
  EXPECT_EQ(ini.sections(), QStringList{section});
  EXPECT_EQ(ini.keys(section), (QStringList{"COMPUTERNAME", "MESSAGE", "FORMS"}));
  EXPECT_EQ(ini.readString(section, "COMPUTERNAME"), TClsDBDataModule::ComputerName());
  EXPECT_EQ(ini.readString(section, "MESSAGE"), QStringLiteral("Valor inválido"));
  EXPECT_EQ(ini.readString(section, "FORMS"), QStringLiteral("Gerenciador de Usuários|"));
  EXPECT_TRUE(files("Log/DBA").isEmpty());
}

TEST_F(LogsTest, ExceptionsInOneSecondShareAFileAndEqualMomentsShareASection) {
  ScriptedDialogs dialogs;
  dialogs.expectMessage("first").expectMessage("second").expectMessage("third");
  module_->HandleApplicationException(std::make_exception_ptr(std::runtime_error("first")));
  clock_ = kMoment.addMSecs(800);  // same second
  module_->HandleApplicationException(std::make_exception_ptr(std::runtime_error("second")));
  clock_ = kMoment.addSecs(1);
  module_->HandleApplicationException(std::make_exception_ptr(std::runtime_error("third")));

  EXPECT_EQ(files("Log/EXCEPTION"), (QStringList{"20261211_100000.INI", "20261211_100001.INI"}));
  const pf::IniFile first = log("Log/EXCEPTION", "20261211_100000.INI");
  EXPECT_EQ(first.sections(), QStringList{"OCORRENCIA EM 11/12/2026 10:00:00"});
  EXPECT_EQ(first.readString("OCORRENCIA EM 11/12/2026 10:00:00", "MESSAGE"), "second");
  const pf::IniFile second = log("Log/EXCEPTION", "20261211_100001.INI");
  EXPECT_EQ(second.sections(), QStringList{"OCORRENCIA EM 11/12/2026 10:00:01"})
      << "every entry goes to exactly one file";
  EXPECT_EQ(module_->Exceptions().size(), 3u);
}

TEST_F(LogsTest, DatabaseErrorsAreNumberedByPositionAndCountedInTheHeader) {
  ScriptedDialogs dialogs;
  for (int i = 0; i < 3; ++i) expectErrorDialog(dialogs, i);
  const char* messages[] = {"lock conflict on no wait transaction",
                            "violation of PRIMARY or UNIQUE KEY constraint\n"
                            "on table \"USUARIO\"",
                            "deadlock"};
  const int codes[] = {-901, -803, -913};
  for (int i = 0; i < 3; ++i) {
    clock_ = kMoment.addSecs(i * 60);
    module_->HandleApplicationException(
        std::make_exception_ptr(databaseError(messages[i], codes[i])));
  }

  const QStringList names = files("Log/DBA");
  ASSERT_EQ(names, (QStringList{"20261211_100000.INI", "20261211_100100.INI",
                                "20261211_100200.INI"}));
  const pf::IniFile third = log("Log/DBA", names[2]);
  EXPECT_EQ(third.sections(), (QStringList{"CABECALHO", "ERROR(2)"}));
  EXPECT_EQ(third.readString("CABECALHO", "QUANTIDADE"), "3");
  EXPECT_EQ(third.keys("ERROR(2)"), (QStringList{"COMPUTERNAME", "SERVERNAME", "DATETIME",
                                                  "MESSAGE", "SQLCODE", "FORMS"}));
  EXPECT_EQ(third.readString("ERROR(2)", "SERVERNAME"), "srv01:/dados/kelvo.fdb");
  EXPECT_EQ(third.readString("ERROR(2)", "DATETIME"), "11/12/2026 10:02:00");
  EXPECT_EQ(third.readString("ERROR(2)", "MESSAGE"), "deadlock");
  EXPECT_EQ(third.readString("ERROR(2)", "SQLCODE"), "-913");
  EXPECT_EQ(third.readString("ERROR(2)", "FORMS"), "");

  const pf::IniFile second = log("Log/DBA", names[1]);
  EXPECT_EQ(second.readString("CABECALHO", "QUANTIDADE"), "2");
  EXPECT_EQ(second.readString("ERROR(1)", "MESSAGE"),
            "violation of PRIMARY or UNIQUE KEY constraint on table \"USUARIO\"")
      << "a message of several lines stays one value";
  EXPECT_EQ(module_->DatabaseErrors().size(), 3u);
  EXPECT_TRUE(files("Log/EXCEPTION").isEmpty());
}

TEST_F(LogsTest, AbortIsNeitherShownNorLogged) {
  ScriptedDialogs dialogs;
  module_->HandleApplicationException(std::make_exception_ptr(pf::Abort()));
  module_->HandleApplicationException(nullptr);
  EXPECT_TRUE(module_->Exceptions().empty());
  EXPECT_FALSE(QDir(root_.filePath("Log")).exists());
}

TEST_F(LogsTest, InstalledHandlerReceivesWhatReachesTheEventLoop) {
  ScriptedDialogs dialogs;
  dialogs.expectMessage("from the loop");
  ASSERT_TRUE(hasApplicationExceptionHandler());
  handleApplicationException(std::make_exception_ptr(std::logic_error("from the loop")));
  EXPECT_EQ(module_->Exceptions().size(), 1u);
  module_.reset();
  EXPECT_FALSE(hasApplicationExceptionHandler());
  EXPECT_EQ(TClsDBDataModule::Instance(), nullptr);
  handleApplicationException(std::make_exception_ptr(std::logic_error("nobody listens")));
}

TEST_F(LogsTest, UnwritableLogFolderStillShowsAndDestructionWritesWhatIsLeft) {
  // A plain file named Log: neither log folder can be created.
  {
    QFile blocker(root_.filePath("Log"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  }
  ScriptedDialogs dialogs;
  dialogs.expectMessage("disk trouble");
  expectErrorDialog(dialogs, 0);
  dialogs.expectMessage("again");
  module_->HandleApplicationException(std::make_exception_ptr(std::runtime_error("disk trouble")));
  module_->HandleApplicationException(std::make_exception_ptr(databaseError("no table", -204)));
  clock_ = kMoment.addSecs(5);
  module_->HandleApplicationException(std::make_exception_ptr(std::runtime_error("again")));
  ASSERT_EQ(module_->Exceptions().size(), 2u);
  EXPECT_FALSE(module_->Exceptions()[0].Written);
  EXPECT_FALSE(module_->DatabaseErrors()[0].Written);

  ASSERT_TRUE(QFile::remove(root_.filePath("Log")));
  clock_ = kMoment.addSecs(30);
  module_.reset();

  ASSERT_EQ(files("Log/EXCEPTION"), QStringList{"20261211_100030.INI"});
  const pf::IniFile exceptions = log("Log/EXCEPTION", "20261211_100030.INI");
  EXPECT_EQ(exceptions.sections(), (QStringList{"OCORRENCIA EM 11/12/2026 10:00:00",
                                                "OCORRENCIA EM 11/12/2026 10:00:05"}));
  EXPECT_EQ(exceptions.readString("OCORRENCIA EM 11/12/2026 10:00:05", "MESSAGE"), "again");
  ASSERT_EQ(files("Log/DBA"), QStringList{"20261211_100030.INI"});
  const pf::IniFile dba = log("Log/DBA", "20261211_100030.INI");
  EXPECT_EQ(dba.readString("CABECALHO", "QUANTIDADE"), "1");
  EXPECT_EQ(dba.readString("ERROR(0)", "MESSAGE"), "no table");
}

TEST_F(LogsTest, DestructionWritesNothingWhenAllIsWritten) {
  ScriptedDialogs dialogs;
  dialogs.expectMessage("once");
  module_->HandleApplicationException(std::make_exception_ptr(std::runtime_error("once")));
  clock_ = kMoment.addSecs(10);
  module_.reset();
  EXPECT_EQ(files("Log/EXCEPTION"), QStringList{"20261211_100000.INI"});
  EXPECT_FALSE(QDir(root_.filePath("Log/DBA")).exists());
}

TEST_F(LogsTest, EmptyAndVeryLongMessages) {
  const QString longText = QString(100000, u'x');
  ScriptedDialogs dialogs;
  dialogs.expectMessage("").expectMessage(QString(4000, u'x'));
  expectErrorDialog(dialogs, 0);
  module_->HandleApplicationException(std::make_exception_ptr(pf::Error("")));
  clock_ = kMoment.addSecs(1);
  module_->HandleApplicationException(std::make_exception_ptr(pf::Error(longText)));
  module_->HandleApplicationException(std::make_exception_ptr(databaseError("")));

  ASSERT_EQ(dialogs.shown().size(), 2u);
  EXPECT_EQ(dialogs.shown()[0].text, "");
  EXPECT_LT(dialogs.shown()[1].text.size(), 4100) << "the box stays on the screen";
  const pf::IniFile ini = log("Log/EXCEPTION", "20261211_100001.INI");
  EXPECT_EQ(ini.readString("OCORRENCIA EM 11/12/2026 10:00:01", "MESSAGE"), longText)
      << "the log keeps the whole message";
  EXPECT_EQ(log("Log/EXCEPTION", "20261211_100000.INI")
                .readString("OCORRENCIA EM 11/12/2026 10:00:00", "MESSAGE", "missing"),
            "");
}

TEST_F(LogsTest, ErrorsRaisedWhileTheErrorDialogIsOpen) {
  ScriptedDialogs dialogs;
  dialogs.expectDialog(QStringLiteral("ClsErrorHandler"), [this](QDialog& d) {
    auto& dialog = static_cast<TClsErrorHandler&>(d);
    EXPECT_EQ(dialog.CurrentIndex(), 0);
    clock_ = kMoment.addSecs(1);
    // Raised from inside the dialog's event loop: recorded and logged, no second
    // window on top; the open dialog moves to the new database error.
    module_->HandleApplicationException(std::make_exception_ptr(databaseError("second", -902)));
    module_->HandleApplicationException(std::make_exception_ptr(std::runtime_error("paint")));
    EXPECT_EQ(dialog.CurrentIndex(), 1);
    EXPECT_TRUE(dialog.bbtAnterior->isEnabled());
    return int(QDialog::Accepted);
  });
  module_->HandleApplicationException(std::make_exception_ptr(databaseError("first", -901)));

  EXPECT_EQ(module_->DatabaseErrors().size(), 2u);
  EXPECT_EQ(module_->Exceptions().size(), 1u);
  const pf::IniFile dba = log("Log/DBA", "20261211_100001.INI");
  EXPECT_EQ(dba.readString("ERROR(1)", "MESSAGE"), "second");
  const pf::IniFile exc = log("Log/EXCEPTION", "20261211_100001.INI");
  EXPECT_EQ(exc.readString("OCORRENCIA EM 11/12/2026 10:00:01", "FORMS"),
            "Erro no Banco de Dados|");

  // Once the dialog is closed, errors are shown again.
  dialogs.expectMessage("later");
  module_->HandleApplicationException(std::make_exception_ptr(std::runtime_error("later")));
}

}  // namespace

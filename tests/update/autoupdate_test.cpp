#include "UpdateFixtures.h"

#include "app/AutoUpdate.h"

#include "support/ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <thread>

using pf::MsgButton;
using testing_support::ScriptedDialogs;
using update_fixtures::ElfLayout;
using update_fixtures::elfFile;
using update_fixtures::FullBacklog;
using update_fixtures::LocalHttpServer;
using update_fixtures::writeFile;

namespace {

const QString kQuestion = QStringLiteral("deste software está disponivel para download.");
const QString kClosing =
    QStringLiteral("O sistema será encerrado agora para atualização automática.");

QByteArray program(const char* codigo, const char* versao, const char* executavel = "Acessos") {
  return QByteArray("<programa><nome>x</nome><codigo>") + codigo + "</codigo><versao>" + versao +
         "</versao><executavel>" + executavel + "</executavel></programa>";
}

QByteArray list(const QByteArray& programs) {
  return "<?xml version=\"1.0\"?>\n<programas>" + programs + "</programas>\n";
}

QCoreApplication& app() {
  static int argc = 1;
  static char name[] = "update_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* instance =
      QCoreApplication::instance() ? QCoreApplication::instance()
                                   : new QCoreApplication(argc, argv);
  return *instance;
}

int threadNice() {
  return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
}

// The program's folder: the updater and the program, version 1.0.0.12.
class UpdateCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    writeFile(path("Auto.exe"), "#!/bin/sh\n");
    writeFile(path("Acessos"), elfFile());
  }

  QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }

  UpdateCheckOptions options(int transferTimeoutMs = 3000) {
    UpdateCheckOptions o;
    o.programFolder = dir.path();
    o.transferTimeoutMs = transferTimeoutMs;
    o.startUpdater = [this](const QString& file) {
      started << file;
      return updaterStarts;
    };
    return o;
  }

  // One check of module 3 against `host`, on this thread.
  void check(const QString& host, int transferTimeoutMs = 3000) {
    TCmAutoUpdateWarning(UpdateAddress(host, QDateTime::currentDateTime()), 3, &closeForUpdate,
                         options(transferTimeoutMs))
        .CheckUpdate();
  }

  QTemporaryDir dir;
  std::atomic<bool> closeForUpdate{false};
  QStringList started;
  bool updaterStarts = true;
};

}  // namespace

TEST_F(UpdateCheck, NoUpdaterBesideTheProgramMakesNoRequest) {
  ASSERT_TRUE(QFile::remove(path("Auto.exe")));
  LocalHttpServer server(list(program("3", "9.0.0.0")));
  ScriptedDialogs dialogs;
  check(server.host());
  EXPECT_EQ(server.requests(), 0);
  EXPECT_FALSE(closeForUpdate);
}

TEST_F(UpdateCheck, NoHostSetMakesNoRequest) {
  LocalHttpServer server(list(program("3", "1.0.0.12")));
  ScriptedDialogs dialogs;
  EXPECT_EQ(UpdateHost(dir.path()), QString());
  CheckForUpdate(&closeForUpdate, 3, UpdateHost(dir.path()), options());
  writeFile(path("connection.ini"), "[CONNECTION]\nDATABASENAME=localhost:/x.fdb\n");
  CheckForUpdate(&closeForUpdate, 3, UpdateHost(dir.path()), options());
  writeFile(path("connection.ini"), "[AUTOUPDATE]\nHOST=\n");
  CheckForUpdate(&closeForUpdate, 3, UpdateHost(dir.path()), options());
  EXPECT_EQ(server.requests(), 0);
}

TEST_F(UpdateCheck, AsksTheConfiguredHostForTheListWithTheTime) {
  LocalHttpServer server(list(program("3", "1.0.0.12")));
  ScriptedDialogs dialogs;
  const struct {
    QString host;
  } cases[] = {{server.host()}, {"http://" + server.host() + "/"}};
  for (const auto& c : cases) {
    writeFile(path("connection.ini"), "[AUTOUPDATE]\nHOST=" + c.host.toUtf8() + "\n");
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    CheckForUpdate(&closeForUpdate, 3, UpdateHost(dir.path()), options());
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);
    static const QRegularExpression target(
        QStringLiteral("^/autoupdate/autoupdate\\.xml\\?date=(\\d{14})$"));
    const auto m = target.match(QString::fromLatin1(server.lastTarget()));
    ASSERT_TRUE(m.hasMatch()) << c.host.toStdString() << ": " << server.lastTarget().toStdString();
    const QDateTime asked = QDateTime::fromString(m.captured(1), QStringLiteral("yyyyMMddHHmmss"));
    EXPECT_TRUE(asked >= before.addMSecs(-before.time().msec()) && asked <= after)
        << m.captured(1).toStdString();
  }
  EXPECT_EQ(server.requests(), 2);
}

TEST(UpdateAddress, MonthsAndMinutesInTheirPlaces) {
  const QDateTime at(QDate(2026, 1, 2), QTime(3, 45, 6));
  EXPECT_EQ(UpdateAddress("kelvo.example", at),
            "http://kelvo.example/autoupdate/autoupdate.xml?date=20260102034506");
  EXPECT_EQ(UpdateAddress("https://kelvo.example:8443/", at),
            "https://kelvo.example:8443/autoupdate/autoupdate.xml?date=20260102034506");
}

TEST_F(UpdateCheck, IsNewerVersionComparesPaddedTexts) {
  const struct {
    std::array<std::uint32_t, 4> file;
    const char* offered;
    bool newer;
  } cases[] = {
      {{1, 0, 0, 12}, "1.0.0.12", false},
      {{1, 0, 0, 12}, "1.0.0.9", false},    // 0012 sorts after 0009
      {{1, 0, 0, 12}, "1.0.1.0", true},
      {{1, 0, 0, 12}, "1.0.0.13", true},
      {{1, 0, 0, 12}, "2.0.0.0", true},
      {{1, 0, 0, 12}, "0.9.9.99", false},
      {{1, 0, 0, 12}, "1.0.x.13", true},    // a part that is no number is 0
      {{1, 0, 0, 12}, "1.0.0.12.5", false}, // the rest after the third dot is one part
      {{0, 0, 0, 5}, "7", true},            // no dot: the whole text is the build
      {{1, 0, 0, 12}, "13", false},
      {{1, 0, 0, 0}, "1.1", true},          // 1.0.0.1
      {{1, 0, 0, 12}, "1.0.0.10000", true}, // five digits
      {{1, 0, 0, 10000}, "1.0.0.10001", true},
      {{1, 0, 0, 10000}, "1.0.0.10000", false},
      {{1, 0, 0, 10000}, "1.0.0.9999", true},  // still texts: "9999" sorts after "10000"
  };
  for (const auto& c : cases) {
    ElfLayout layout;
    layout.version = c.file;
    writeFile(path("Other"), elfFile(layout));
    const TCmAutoUpdateWarning w(QString(), 3, &closeForUpdate, options());
    EXPECT_EQ(w.IsNewerVersion("Other", c.offered), c.newer)
        << c.file[0] << '.' << c.file[1] << '.' << c.file[2] << '.' << c.file[3] << " against "
        << c.offered;
  }
  writeFile(path("Plain"), "no version here");
  const TCmAutoUpdateWarning w(QString(), 3, &closeForUpdate, options());
  EXPECT_FALSE(w.IsNewerVersion("Plain", "9.9.9.9"));
  EXPECT_FALSE(w.IsNewerVersion("Missing", "9.9.9.9"));
}

TEST_F(UpdateCheck, AsksOnlyForTheFirstNewerEntryOfThisModule) {
  writeFile(path("Plain"), "no version here");
  const struct {
    const char* name;
    QByteArray body;
    const char* asked;  // nullptr: no question
  } cases[] = {
      {"equal version", list(program("3", "1.0.0.12")), nullptr},
      {"older build", list(program("3", "1.0.0.9")), nullptr},
      {"newer release", list(program("3", "1.0.1.0")), "1.0.1.0"},
      {"five-digit build", list(program("3", "1.0.0.10000")), "1.0.0.10000"},
      {"another module", list(program("4", "9.0.0.0")), nullptr},
      {"another module first",
       list(program("4", "9.0.0.0") + program("3", "1.0.2.0")), "1.0.2.0"},
      {"two entries, the first older",
       list(program("3", "1.0.0.9") + program("3", "1.0.2.0")), "1.0.2.0"},
      {"two entries, both newer",
       list(program("3", "1.0.1.0") + program("3", "1.0.5.0")), "1.0.1.0"},
      {"no version", list(program("3", "")), nullptr},
      {"id not a number", list(program("3x", "9.0.0.0")), nullptr},
      {"id with zeros and blanks", list(program(" 03 ", "1.0.1.0")), "1.0.1.0"},
      {"executable missing", list(program("3", "9.0.0.0", "Missing")), nullptr},
      {"executable without a version", list(program("3", "9.0.0.0", "Plain")), nullptr},
      {"names compared with case",
       list("<programa><Codigo>3</Codigo><versao>9.0.0.0</versao>"
            "<executavel>Acessos</executavel></programa>"),
       nullptr},
      {"other elements and nesting ignored",
       list("<programa><extra><codigo>4</codigo></extra><codigo>3</codigo>"
            "<versao>1.0.3.0</versao><executavel>Acessos</executavel></programa>"),
       "1.0.3.0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LocalHttpServer server(c.body);
    ScriptedDialogs dialogs;
    if (c.asked) dialogs.expectMessage(kQuestion, MsgButton::No);
    check(server.host());
    EXPECT_EQ(server.requests(), 1);
    if (c.asked) {
      ASSERT_EQ(dialogs.shown().size(), 1u);
      EXPECT_EQ(dialogs.shown()[0].text,
                QStringLiteral("Uma nova versão (") + c.asked +
                    ") deste software está disponivel para download.\nDeseja atualizar agora?");
    }
    EXPECT_FALSE(closeForUpdate);
    EXPECT_TRUE(started.isEmpty());
  }
}

TEST_F(UpdateCheck, YesStartsTheUpdaterAndClosesEvenWhenItCannotStart) {
  for (bool starts : {true, false}) {
    SCOPED_TRACE(starts);
    closeForUpdate = false;
    started.clear();
    updaterStarts = starts;
    LocalHttpServer server(list(program("3", "1.0.1.0")));
    ScriptedDialogs dialogs;
    dialogs.expectMessage(kQuestion, MsgButton::Yes).expectMessage(kClosing, MsgButton::Ok);
    check(server.host());
    ASSERT_EQ(dialogs.shown().size(), 2u);
    const pf::MessageRequest& question = dialogs.shown()[0];
    EXPECT_EQ(question.title, QStringLiteral("Aviso para atualização automática"));
    EXPECT_EQ(question.kind, pf::MsgKind::Confirmation);
    EXPECT_EQ(question.buttons, (std::vector<MsgButton>{MsgButton::Yes, MsgButton::No}));
    const pf::MessageRequest& closing = dialogs.shown()[1];
    EXPECT_EQ(closing.text, kClosing);
    EXPECT_EQ(closing.title, QStringLiteral("Aviso de encerramento de sistema"));
    EXPECT_EQ(closing.kind, pf::MsgKind::Warning);
    EXPECT_EQ(closing.buttons, std::vector<MsgButton>{MsgButton::Ok});
    EXPECT_EQ(started, QStringList{path("Auto.exe")});
    EXPECT_TRUE(closeForUpdate);
  }
}

TEST_F(UpdateCheck, FailuresEndSilentlyAndBounded) {
  const QByteArray newer = list(program("3", "1.0.1.0"));
  const struct {
    const char* name;
    QByteArray body;
    LocalHttpServer::Mode mode;
    int status;
  } cases[] = {
      {"empty body", {}, LocalHttpServer::Mode::Reply, 200},
      {"blanks only", "  \n", LocalHttpServer::Mode::Reply, 200},
      {"not XML", "versao=1.0.1.0", LocalHttpServer::Mode::Reply, 200},
      {"malformed", "<programas><programa><codigo>3</versao></programas>",
       LocalHttpServer::Mode::Reply, 200},
      {"truncated after a newer entry",
       "<programas>" + program("3", "1.0.1.0") + "<programa><codigo>4",
       LocalHttpServer::Mode::Reply, 200},
      {"content after the list", newer + "<programas/>", LocalHttpServer::Mode::Reply, 200},
      {"not found", newer, LocalHttpServer::Mode::Reply, 404},
      {"server error", newer, LocalHttpServer::Mode::Reply, 500},
      {"redirect", newer, LocalHttpServer::Mode::Reply, 302},
      {"hang-up", {}, LocalHttpServer::Mode::Hangup, 0},
      {"never answers", newer, LocalHttpServer::Mode::Silent, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LocalHttpServer server(c.body, c.mode, c.status);
    ScriptedDialogs dialogs;
    QElapsedTimer clock;
    clock.start();
    check(server.host(), 500);
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(server.requests(), 1);
    EXPECT_FALSE(closeForUpdate);
  }
  // Nothing listening at all.
  int port = 0;
  {
    LocalHttpServer gone;
    port = gone.host().section(u':', 1).toInt();
  }
  ScriptedDialogs dialogs;
  check(QStringLiteral("127.0.0.1:%1").arg(port), 500);
  EXPECT_FALSE(closeForUpdate);
}

TEST_F(UpdateCheck, ConnectingGivesUpLongBeforeTheTransferTimeOut) {
  FullBacklog host;
  ScriptedDialogs dialogs;
  QElapsedTimer clock;
  clock.start();
  check(host.host(), 10000);
  EXPECT_LT(clock.elapsed(), 2000);
  EXPECT_FALSE(closeForUpdate);
}

TEST(RunElevated, StartsTheProgramWithoutWaiting) {
  app();
  QTemporaryDir dir;
  const QString updater = QDir(dir.path()).filePath("Auto.exe");
  writeFile(updater, "#!/bin/sh\ntouch started\n");
  QFile::setPermissions(updater, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  EXPECT_TRUE(RunElevated(nullptr, updater, QString()));
  // It runs in its own folder.
  EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(QDir(dir.path()).filePath("started")); },
                              5000));

  const QString plain = QDir(dir.path()).filePath("Plain.exe");
  writeFile(plain, "not a program");
  EXPECT_FALSE(RunElevated(nullptr, plain, QString()));
  EXPECT_FALSE(RunElevated(nullptr, QDir(dir.path()).filePath("Missing.exe"), QString()));
}

class UpdateThread : public UpdateCheck {
 protected:
  void SetUp() override {
    UpdateCheck::SetUp();
    app();
  }

  // Starts the check of module 3 against `host` on the update thread.
  QPointer<TThreadAutoUpdate> start(const QString& host, int transferTimeoutMs = 3000) {
    return TThreadAutoUpdate::Start(
        &closeForUpdate,
        [this, host, o = options(transferTimeoutMs)](const std::atomic<bool>& stop) mutable {
          o.stop = &stop;
          CheckForUpdate(&closeForUpdate, 3, host, o);
        },
        [this] {
          ++shutdowns;
          shutdownOnUiThread = QThread::currentThread() == app().thread();
        });
  }

  int shutdowns = 0;
  bool shutdownOnUiThread = false;
};

TEST_F(UpdateThread, RunsOneStepBelowNormalAndFreesItself) {
  const int uiNice = threadNice();
  std::atomic<int> workNice{-100};
  std::atomic<bool> onOtherThread{false};
  QPointer<TThreadAutoUpdate> thread = TThreadAutoUpdate::Start(
      &closeForUpdate, [&](const std::atomic<bool>&) {
        workNice = threadNice();
        onOtherThread = QThread::currentThread() != app().thread();
      },
      [this] { ++shutdowns; });
  EXPECT_TRUE(QTest::qWaitFor([&] { return thread.isNull(); }, 5000));
  EXPECT_TRUE(onOtherThread);
  EXPECT_EQ(workNice, uiNice < 19 ? uiNice + 1 : uiNice);
  EXPECT_EQ(threadNice(), uiNice);
  EXPECT_EQ(shutdowns, 0);
}

TEST_F(UpdateThread, AnAcceptedUpdateShutsDownOnTheUiThread) {
  LocalHttpServer server(list(program("3", "1.0.1.0")));
  ScriptedDialogs dialogs;
  dialogs.expectMessage(kQuestion, MsgButton::Yes).expectMessage(kClosing, MsgButton::Ok);
  QPointer<TThreadAutoUpdate> thread = start(server.host());
  EXPECT_TRUE(QTest::qWaitFor([&] { return thread.isNull(); }, 5000));
  EXPECT_TRUE(closeForUpdate);
  EXPECT_EQ(started, QStringList{path("Auto.exe")});
  EXPECT_EQ(shutdowns, 1);
  EXPECT_TRUE(shutdownOnUiThread);
}

TEST_F(UpdateThread, ADeclinedUpdateLeavesTheProgramRunning) {
  LocalHttpServer server(list(program("3", "1.0.1.0")));
  ScriptedDialogs dialogs;
  dialogs.expectMessage(kQuestion, MsgButton::No);
  QPointer<TThreadAutoUpdate> thread = start(server.host());
  EXPECT_TRUE(QTest::qWaitFor([&] { return thread.isNull(); }, 5000));
  EXPECT_FALSE(closeForUpdate);
  EXPECT_EQ(shutdowns, 0);
}

TEST_F(UpdateThread, ASilentServerDoesNotHoldUpTheWindow) {
  LocalHttpServer server({}, LocalHttpServer::Mode::Silent);
  ScriptedDialogs dialogs;
  int ticks = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  timer.start(10);
  QPointer<TThreadAutoUpdate> thread = start(server.host(), 400);
  EXPECT_TRUE(QTest::qWaitFor([&] { return server.requests() == 1; }, 5000));
  const int ticksWhileWaiting = ticks;
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticks > ticksWhileWaiting + 3; }, 5000));
  EXPECT_FALSE(thread.isNull());  // still waiting for the answer
  EXPECT_TRUE(QTest::qWaitFor([&] { return thread.isNull(); }, 5000));
  EXPECT_FALSE(closeForUpdate);
  EXPECT_EQ(shutdowns, 0);
}

TEST_F(UpdateThread, CancelEndsAWaitingCheckAtOnce) {
  LocalHttpServer server({}, LocalHttpServer::Mode::Silent);
  ScriptedDialogs dialogs;
  QPointer<TThreadAutoUpdate> thread = start(server.host(), 10000);
  EXPECT_TRUE(QTest::qWaitFor([&] { return server.requests() == 1; }, 5000));
  QElapsedTimer clock;
  clock.start();
  thread->cancelAndWait();
  EXPECT_LT(clock.elapsed(), 2000);
  EXPECT_TRUE(QTest::qWaitFor([&] { return thread.isNull(); }, 5000));
  EXPECT_EQ(shutdowns, 0);
}

// The question is posted to this thread, which is busy waiting in cancelAndWait().
TEST_F(UpdateThread, CancelAnswersAPendingQuestionWithoutShowingIt) {
  LocalHttpServer server(list(program("3", "1.0.1.0")));
  ScriptedDialogs dialogs;
  QPointer<TThreadAutoUpdate> thread = start(server.host());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (server.requests() == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::yield();
  ASSERT_EQ(server.requests(), 1);
  thread->cancelAndWait();
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_FALSE(closeForUpdate);
  EXPECT_TRUE(started.isEmpty());
  EXPECT_TRUE(QTest::qWaitFor([&] { return thread.isNull(); }, 5000));
  EXPECT_EQ(shutdowns, 0);
}

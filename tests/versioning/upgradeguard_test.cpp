#include "versioning/UpgradeGuard.h"

#include "support/ScriptedDialogs.h"
#include "support/TestDb.h"

#include "platform/Errors.h"
#include "platform/Sql.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>

#include <atomic>

using testing_support::ScriptedDialogs;
using testing_support::TempDatabase;

TEST(UpgradeGuardNames, SplitAndBackupFileName) {
  struct Case {
    QString name;
    QString server;
    QString path;
  } cases[] = {
      {"server:C:\\dados\\base.fdb", "server", "C:\\dados\\base.fdb"},
      {"127.0.0.1:/srv/base.fdb", "127.0.0.1", "/srv/base.fdb"},
      {"/srv/base.fdb", "", "/srv/base.fdb"},
  };
  for (const Case& c : cases) {
    const DatabaseLocation l = SplitDatabaseName(c.name);
    EXPECT_EQ(l.server, c.server);
    EXPECT_EQ(l.path, c.path);
  }
  EXPECT_EQ(BackupFileNameFor("C:\\dados\\base.fdb", QDateTime(QDate(2026, 12, 9), QTime(13, 5))),
            QStringLiteral("C:\\dados\\base.fdb-2026-12-09-13-05.gbk"));
}

TEST(UpgradeGuardNames, ReverseLookup) {
  EXPECT_FALSE(ResolveHostName(QStringLiteral("127.0.0.1/38100")).isEmpty());
  EXPECT_TRUE(ResolveHostName(QStringLiteral("not an address")).isEmpty());
  EXPECT_TRUE(ResolveHostName(QString()).isEmpty());
}

namespace {

std::unique_ptr<pf::Database> connectPlain(const TempDatabase& tmp) { return tmp.connect(); }

}  // namespace

// Against the local server: the guard's database is the program's own connection.
TEST(UpgradeGuard, AloneWithBackupConfirmsAtOnce) {
  TempDatabase tmp(TempDatabase::Kind::Server);
  auto db = connectPlain(tmp);
  UpgradeGuardRules guard(db.get());
  ScriptedDialogs none;
  EXPECT_TRUE(guard.CanUpgrade("x.gbk", false));
  EXPECT_TRUE(guard.CanUpgrade(QString(), true));  // box unticked: no backup needed
  EXPECT_TRUE(guard.ListConnections().empty());    // system attachments are not users
}

TEST(UpgradeGuard, OthersConnectedAreCountedListedAndCanBeEnded) {
  TempDatabase tmp(TempDatabase::Kind::Server);
  auto db = connectPlain(tmp);
  auto other1 = connectPlain(tmp);
  auto other2 = connectPlain(tmp);
  UpgradeGuardRules guard(db.get());
  {
    ScriptedDialogs dialogs;
    dialogs.expectMessage(QStringLiteral(
        "Processo não pode continuar pois existem usuários conectados a Base de Dados.\r\n"
        "Existe(m) 2 usuário(s) conectados."));
    EXPECT_FALSE(guard.CanUpgrade("x.gbk", false));
  }
  std::vector<ConnectionRow> rows = guard.ListConnections();
  ASSERT_EQ(rows.size(), 2u);
  for (const ConnectionRow& r : rows) {
    EXPECT_TRUE(r.address.startsWith(QStringLiteral("127.0.0.1"))) << r.address.toStdString();
    EXPECT_GT(r.attachmentId.toLongLong(), 0);
    EXPECT_FALSE(r.process.isEmpty());
  }
  guard.EndConnection(rows[0].attachmentId);
  guard.EndConnection(QStringLiteral("abc"));  // not a number: nothing happens
  guard.EndConnection(QStringLiteral("0"));
  {
    ScriptedDialogs dialogs;
    dialogs.expectMessage(QStringLiteral("Existe(m) 1 usuário(s) conectados."));
    EXPECT_FALSE(guard.CanUpgrade("x.gbk", false));
  }
  EXPECT_EQ(guard.ListConnections().size(), 1u);
}

TEST(UpgradeGuard, MissingBackupRefusesUnlessSkipped) {
  TempDatabase tmp;
  auto db = connectPlain(tmp);
  UpgradeGuardRules guard(db.get());
  ScriptedDialogs dialogs;
  dialogs.expectMessage(QStringLiteral(
      "Backup não efetuado. Não será possível efetuar a atualização do banco de dados."));
  EXPECT_FALSE(guard.CanUpgrade(QString(), false));
}

TEST(UpgradeGuard, BackupThroughTheServerAndLocally) {
  for (auto kind : {TempDatabase::Kind::Server, TempDatabase::Kind::Embedded}) {
    TempDatabase tmp(kind);
    tmp.exec({"create table T (ID integer)"});
    QStringList lines;
    const QDateTime when(QDate(2026, 12, 9), QTime(13, 5));
    const QString file = UpgradeGuardRules::TakeBackup(
        tmp.name(), when, [&](const QString& line) { lines << line; });
    EXPECT_EQ(file, tmp.path() + QStringLiteral("-2026-12-09-13-05.gbk"));
    EXPECT_GT(QFileInfo(file).size(), 0);
    EXPECT_GT(lines.size(), 5);
  }
}

TEST(UpgradeGuard, FailedBackupAnswersEmptyWithoutMessage) {
  ScriptedDialogs none;
  EXPECT_TRUE(UpgradeGuardRules::TakeBackup(testing_support::testServer() + ":/nonexistent/x.fdb",
                                            QDateTime::currentDateTime(), {})
                  .isEmpty());
}

TEST(HostNameLookups, ResultsOfAnOlderListingAreTaggedAndLateResultsAfterDeletionAreDropped) {
  int argc = 0;
  QCoreApplication app(argc, nullptr);
  struct Result {
    int listing, row;
    QString name;
  };
  std::vector<Result> results;
  {
    HostNameLookups lookups;
    lookups.resolver = [](const QString& a) { return QStringLiteral("host-") + a; };
    QObject::connect(&lookups, &HostNameLookups::resolved,
                     [&](int l, int r, const QString& n) { results.push_back({l, r, n}); });
    const int first = lookups.newListing();
    lookups.lookup(first, 0, "10.0.0.1");
    const int second = lookups.newListing();
    lookups.lookup(second, 0, "10.0.0.2");
    lookups.lookup(second, 1, "10.0.0.3");
    QDeadlineTimer deadline(10000);
    while (results.size() < 3 && !deadline.hasExpired()) QCoreApplication::processEvents();
    ASSERT_EQ(results.size(), 3u);
    for (const Result& r : results) {
      EXPECT_EQ(r.name, QStringLiteral("host-10.0.0.") +
                            QString::number(r.listing == first ? 1 : 2 + r.row));
    }
    EXPECT_EQ(lookups.listing(), second);

    results.clear();
  }

  // A lookup still running when its receiver goes must never reach it.
  std::atomic<bool> release{false};
  QThread* running = nullptr;
  {
    HostNameLookups lookups;
    lookups.resolver = [&](const QString&) {
      while (!release) QThread::yieldCurrentThread();
      return QStringLiteral("late");
    };
    QObject::connect(&lookups, &HostNameLookups::resolved,
                     [&](int l, int r, const QString& n) { results.push_back({l, r, n}); });
    running = lookups.lookup(lookups.newListing(), 0, "10.0.0.4");
  }
  release = true;
  running->wait();
  QCoreApplication::processEvents();
  EXPECT_TRUE(results.empty());
}

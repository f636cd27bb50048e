// Against the local server on 127.0.0.1 that the test command starts.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "platform/Errors.h"
#include "platform/Services.h"
#include "platform/Sql.h"
#include "support/TestDb.h"

using testing_support::TempDatabase;

TEST(Server, ConnectsThroughTcp) {
  TempDatabase tmp(TempDatabase::Kind::Server);
  auto db = tmp.connect();
  pf::Sql sql;
  sql.setDatabase(db.get());
  sql.setSql(
      QStringLiteral("select mon$remote_protocol, mon$remote_address from mon$attachments "
                     "where mon$attachment_id = current_connection"));
  sql.execQuery();
  EXPECT_TRUE(sql.field(0).asString().startsWith(QStringLiteral("TCP")));
  EXPECT_TRUE(sql.field(1).asString().startsWith(QStringLiteral("127.0.0.1")));
}

TEST(Server, WrongPasswordRaisesTheServersError) {
  TempDatabase tmp(TempDatabase::Kind::Server);
  pf::Database db;
  db.setDatabaseName(tmp.name());
  db.setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=wrong")});
  try {
    db.open();
    FAIL() << "wrong password accepted";
  } catch (const pf::DatabaseError& e) {
    EXPECT_EQ(e.gdsCode(), 335544472L);  // login: user name and password are not defined
    EXPECT_EQ(e.sqlCode(), -902);
    EXPECT_FALSE(e.message().isEmpty());
  }
  EXPECT_FALSE(db.connected());
}

TEST(Server, UnknownHostRaisesADatabaseError) {
  pf::Database db;
  db.setDatabaseName(QStringLiteral("no-such-host.invalid:/tmp/x.fdb"));
  db.setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=x")});
  EXPECT_THROW(db.open(), pf::DatabaseError);
}

namespace {

QStringList runBackup(pf::BackupService& backup) {
  backup.attach();
  backup.serviceStart();
  QStringList lines;
  while (!backup.eof()) {
    const QString line = backup.getNextLine();
    if (!line.isEmpty()) lines << line;
  }
  backup.detach();
  return lines;
}

}  // namespace

TEST(Server, BackupWritesTheFileAndYieldsVerboseLines) {
  struct Case {
    TempDatabase::Kind kind;
    bool remote;
  } cases[] = {{TempDatabase::Kind::Server, true}, {TempDatabase::Kind::Embedded, false}};
  for (const Case& c : cases) {
    TempDatabase tmp(c.kind);
    tmp.exec({QStringLiteral("create table T (ID integer)"),
              QStringLiteral("insert into T values (1)")});
    pf::BackupService backup;
    backup.serverName = c.remote ? testing_support::testServer() : QString();
    backup.userName = QStringLiteral("SYSDBA");
    backup.password = testing_support::sysdbaPassword();
    backup.databaseName = tmp.path();
    backup.backupFile = QDir(tmp.folder()).filePath(QStringLiteral("copy.gbk"));
    const QStringList lines = runBackup(backup);
    EXPECT_TRUE(QFileInfo(backup.backupFile).size() > 0) << c.remote;
    EXPECT_GT(lines.size(), 5) << c.remote;
    EXPECT_TRUE(lines.join(u'\n').contains(QStringLiteral("T"))) << lines.join(u'\n').toStdString();
  }
}

TEST(Server, BackupOfAMissingDatabaseFails) {
  pf::BackupService backup;
  backup.serverName = testing_support::testServer();
  backup.userName = QStringLiteral("SYSDBA");
  backup.password = testing_support::sysdbaPassword();
  backup.databaseName = QStringLiteral("/nonexistent/none.fdb");
  backup.backupFile = QStringLiteral("/tmp/none.gbk");
  EXPECT_THROW(runBackup(backup), pf::DatabaseError);
}

TEST(Server, UserNamesCountTwoAttachmentsAsTwo) {
  TempDatabase tmp(TempDatabase::Kind::Server);
  auto one = tmp.connect();
  auto two = tmp.connect();
  EXPECT_EQ(one->userNames().count(QStringLiteral("SYSDBA")), 2)
      << one->userNames().join(u',').toStdString();
}

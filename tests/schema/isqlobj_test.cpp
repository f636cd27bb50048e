#include "catalogue.h"

#include "data/CmIBSQLObj.h"

#include "support/TestDb.h"

#include "platform/Errors.h"
#include "platform/Sql.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

using testing_support::TempDatabase;

namespace {

QStringList lines(const char* text) { return QString::fromUtf8(text).split(u'\n'); }

int scalar(pf::Database& db, const QString& sql) {
  pf::Transaction tr;
  tr.setParams(testing_support::readCommittedParams());
  tr.setDefaultDatabase(&db);
  pf::Sql q;
  q.setDatabase(&db);
  q.setTransaction(&tr);
  q.setSql(sql);
  q.execQuery();
  const int v = q.field(0).asInteger();
  q.close();
  tr.commit();
  return v;
}

// A connected database with the two transactions a runner is pointed at.
struct Runner {
  explicit Runner(const TempDatabase& tmp) {
    db.setDatabaseName(tmp.name());
    db.setParams(tmp.connectParams());
    main.setParams(testing_support::readCommittedParams());
    ddl.setParams(testing_support::readCommittedParams());
    main.setDefaultDatabase(&db);
    ddl.setDefaultDatabase(&db);
    db.setDefaultTransaction(&main);
    db.open();
    obj.setDatabase(&db);
    obj.setDefaultTransIDX(0);
    obj.setDDLTransIDX(1);
    obj.OnISQLEvent = [this](int e, int s, const QVariant& d, pf::Database*) {
      events << QStringLiteral("%1/%2/%3").arg(e).arg(s).arg(d.toString());
    };
  }
  void run(const char* script) {
    obj.setQuery(lines(script));
    obj.Execute();
  }
  pf::Database db;
  pf::Transaction main;
  pf::Transaction ddl;
  TCmIBSQLObj obj;
  QStringList events;
};

}  // namespace

TEST(ParseScript, Splits) {
  struct Case {
    const char* name;
    const char* script;
    QStringList statements;
  } cases[] = {
      {"terminator switch around a procedure body",
       "set TERM ^ ;\ncreate procedure P as\nbegin\n  x = 1;\nend^\nset TERM ; ^\ncommit work;",
       {"create procedure P as\r\nbegin\r\n  x = 1;\r\nend", "commit work"}},
      {"a blank after the terminator does not end a multi-line statement",
       "set term ^ ;\nselect A\nupdate T set A = 1^ \nfrom T^",
       {"select A\r\nupdate T set A = 1^ \r\nfrom T"}},
      {"the same text on a line of its own is complete",
       "set term ^ ;\nupdate T set A = 1^ \nselect 1 from T^",
       {"update T set A = 1", "select 1 from T"}},
      {"blank lines are skipped and lines joined by CR LF",
       "select A,\n\n   B\nfrom T;\n\ndelete from T;",
       {"select A,\r\n   B\r\nfrom T", "delete from T"}},
      {"an open comment continues into the statement after it",
       "/* header\n more */ select 1\nfrom T;", {"select 1 from T"}},
      {"a comment line that closes itself is skipped",
       "/* one line */\nselect 2 from T;", {"select 2 from T"}},
      {"a close on a line of its own joins the last statement",
       "select 3 from T /* c\n*/", {"select 3 from T /* c*/"}},
      {"a stray close with nothing collected is dropped", "*/\nselect 4 from T;",
       {"select 4 from T"}},
      {"a line with a comment and no terminator is one statement",
       "select 5 from T /* why */\nselect 6 from T;", {"select 5 from T /* why */",
                                                       "select 6 from T"}},
      {"a terminator before a comment ends the line's statement",
       "update T set A = 1; /* note */\nselect 7\nfrom T; /* end */",
       {"update T set A = 1 /* note */", "select 7\r\nfrom T /* end */"}},
      {"a terminator inside a literal survives",
       "insert into T values ('a;b');\ninsert into T\nvalues ('c;d');",
       {"insert into T values ('a;b')", "insert into T\r\nvalues ('c;d')"}},
      {"the end of the script ends the statement", "select 8\nfrom T", {"select 8\r\nfrom T"}},
      {"an empty new terminator keeps the old one", "set term ;\nselect 9 from T;",
       {"select 9 from T"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TCmIBSQLObj::ParseScript(lines(c.script), ";"), c.statements) << c.name;
}

TEST(ParseScript, OpenCommentAtTheEndFails) {
  try {
    TCmIBSQLObj::ParseScript(lines("select 1 from T;\n/* never\nclosed"), ";");
    FAIL() << "no exception";
  } catch (const EISQLException& e) {
    EXPECT_EQ(e.Kind(), eiParse);
    EXPECT_EQ(e.Source(), kISQLSourceDatabase);
    EXPECT_EQ(e.Message(), QStringLiteral("Unable to parse script"));
  }
}

TEST(ISQLSettings, NewRunnerResetsTheTable) {
  SetISQLSetting("ISQLTerminator", "^");
  SetISQLSetting("Extra", 1);
  TCmIBSQLObj obj;
  EXPECT_EQ(ISQLSettings().size(), 18u);
  EXPECT_EQ(ISQLSetting("ISQLTerminator").toString(), QStringLiteral(";"));
  EXPECT_EQ(ISQLSetting("CharacterSet").toString(), QStringLiteral("None"));
  EXPECT_EQ(ISQLSetting("DefaultDialect").toInt(), 3);
  EXPECT_FALSE(ISQLSetting("Extra").isValid());
  EXPECT_TRUE(obj.AutoDDL());
  EXPECT_EQ(obj.Statements(), -1);
}

TEST(ISQLRunner, RoutesStatementsAndReports) {
  TempDatabase tmp;
  Runner r(tmp);
  int progress = 0;
  r.obj.OnQueryProgress = [&] { ++progress; };
  r.run(
      "SET ECHO OFF;\nSET STATS;\nSET NAMES WIN1252;\n"
      "create table T (ID integer not null primary key, A varchar(10));\n"
      "create generator GEN_T;\n"
      "insert into T values (1, 'um');\ninsert into T values (2, 'dois');\n"
      "update T set A = 'x';\n"
      "select * from T;\n"
      "SET TRANSACTION;\n"
      "commit work;\nSHOW TABLES;\n");
  EXPECT_EQ(r.obj.Statements(), 11);
  EXPECT_EQ(progress, 12);
  EXPECT_FALSE(r.obj.Switch("ECHO"));
  EXPECT_TRUE(r.obj.Switch("STATS"));
  EXPECT_EQ(r.obj.CharacterSet(), QStringLiteral("WIN1252"));
  EXPECT_EQ(r.events, QStringList({"3/0/", "3/11/", "7/8/1", "7/8/1", "7/8/2", "4/8/false"}));
  EXPECT_FALSE(r.main.inTransaction());
  EXPECT_FALSE(r.ddl.inTransaction());
  EXPECT_EQ(scalar(r.db, "select count(*) from T where A = 'x'"), 2);
  // The private probe transaction is gone after the run.
  EXPECT_EQ(r.db.transactionCount(), 2);

  const QStringList stats = r.obj.StatisticsList();
  ASSERT_EQ(stats.size(), 10);
  EXPECT_TRUE(stats[0].startsWith("Execution Time (hh:mm:ss.ssss)~|00:00:"))
      << stats[0].toStdString();
  EXPECT_TRUE(QRegularExpression(R"(^Prepare Time \(hh:mm:ss.ssss\)~\|\d\d:\d\d:\d\d:\d{4}$)")
                  .match(stats[1]).hasMatch()) << stats[1].toStdString();
  EXPECT_EQ(stats[8], QStringLiteral("Plan~|PLAN (T NATURAL)"));  // of the update
  EXPECT_EQ(stats[9], QStringLiteral("Records Fetched~|1"));
  r.run("SET TERM ^ ;");
  EXPECT_EQ(r.obj.StatisticsList().size(), 20);
  EXPECT_EQ(r.obj.StatisticsList()[18], QStringLiteral("Plan~|Not Available"));
}

TEST(ISQLRunner, StatisticsReadTheServersCounters) {
  TempDatabase tmp;
  tmp.exec({"create table A (X integer)"});
  Runner r(tmp);
  r.obj.setStatistics(true);
  r.run("insert into A values (1);");
  EXPECT_GT(r.obj.CurrentMemory(), 0);
  EXPECT_GT(r.obj.StartingMemory(), 0);
  EXPECT_GT(r.obj.Buffers(), 0);
  const QStringList stats = r.obj.StatisticsList();
  ASSERT_EQ(stats.size(), 10);
  EXPECT_EQ(stats[3], "Current Memory~|" + QString::number(r.obj.CurrentMemory()));
  EXPECT_EQ(stats[4], "Delta Memory~|" +
                          QString::number(r.obj.CurrentMemory() - r.obj.StartingMemory()));
  EXPECT_EQ(stats[5], "Number of Buffers~|" + QString::number(r.obj.Buffers()));
}

TEST(ISQLRunner, PendingEventsRunBeforeEachStatement) {
  ASSERT_NE(QCoreApplication::instance(), nullptr);  // the binary's application object
  TempDatabase tmp;
  Runner r(tmp);
  bool fired = false;
  std::vector<bool> seen;
  r.obj.OnQueryProgress = [&] {
    seen.push_back(fired);
    if (seen.size() == 1) QTimer::singleShot(0, [&] { fired = true; });
  };
  r.run("select 1 from rdb$database;\nselect 2 from rdb$database;");
  EXPECT_EQ(seen, (std::vector<bool>{false, true}));
}

TEST(ISQLRunner, AutoDDLOffKeepsTheDDLTransactionOpenUntilCommit) {
  TempDatabase tmp;
  Runner r(tmp);
  std::vector<bool> ddlOpen;
  r.obj.OnQueryProgress = [&] { ddlOpen.push_back(r.ddl.inTransaction()); };
  r.run("SET AUTODDL OFF;\ncreate table A (X integer);\ncreate table B (Y integer);\ncommit;");
  EXPECT_EQ(ddlOpen, (std::vector<bool>{false, false, true, true}));
  EXPECT_FALSE(r.ddl.inTransaction());
  EXPECT_FALSE(r.obj.AutoDDL());
  EXPECT_EQ(r.events.first(), QStringLiteral("8/15/false"));
  EXPECT_EQ(scalar(r.db, "select count(*) from rdb$relations where rdb$relation_name "
                         "in ('A', 'B')"), 2);
}

TEST(ISQLRunner, RollbackUndoesUncommittedWork) {
  TempDatabase tmp;
  Runner r(tmp);
  r.run("create table A (X integer);\ninsert into A values (1);\nrollback;\n"
        "insert into A values (2);\ncommit;");
  EXPECT_EQ(scalar(r.db, "select sum(X) from A"), 2);
}

TEST(ISQLRunner, FirstFailureStopsWithKindAndStatement) {
  struct Case {
    const char* script;
    int kind;
    QString statement;
  } cases[] = {
      {"insert into A values (1);\ninsert into A values (1);\ninsert into A values (3);", eiDML,
       "insert into A values (1)"},
      {"insert into A values (4);\ncreate table A (Z integer);", eiDDL,
       "create table A (Z integer)"},
      {"insert into NOPE values (1);", eiPrepare, "insert into NOPE values (1)"},
      {"select X / 0 from A;", eiQuery, "select X / 0 from A"},
      {"execute procedure NOPE;", eiPrepare, "execute procedure NOPE"},
  };
  for (const Case& c : cases) {
    TempDatabase tmp;
    tmp.exec({"create table A (X integer not null primary key)", "insert into A values (5)"});
    Runner r(tmp);
    try {
      r.run(c.script);
      ADD_FAILURE() << c.script << ": no exception";
    } catch (const EISQLException& e) {
      EXPECT_EQ(e.Kind(), c.kind) << c.script;
      EXPECT_EQ(e.Statement(), c.statement) << c.script;
      EXPECT_EQ(e.Source(), kISQLSourceDatabase);
      EXPECT_FALSE(e.Message().isEmpty());
    }
    // Nothing after the failure ran.
    if (r.main.inTransaction()) r.main.commit();
    EXPECT_EQ(scalar(r.db, "select count(*) from A where X = 3"), 0) << c.script;
  }
}

TEST(ISQLRunner, DDLFailureRollsBackTheDDLTransaction) {
  TempDatabase tmp;
  Runner r(tmp);
  EXPECT_THROW(r.run("create table A (X integer);\ncreate table A (X integer);"),
               EISQLException);
  EXPECT_FALSE(r.ddl.inTransaction());
  EXPECT_EQ(scalar(r.db, "select count(*) from rdb$relations where rdb$relation_name = 'A'"),
            1);
}

TEST(ISQLRunner, SelectWithoutDatasetRunsAndDatasetOpensTheQuery) {
  TempDatabase tmp;
  tmp.exec({"create table A (X integer)", "insert into A values (7)", "insert into A values (8)"});
  Runner r(tmp);
  r.run("select * from A;");
  EXPECT_EQ(r.obj.RecordsFetched(), 1);  // the first row, fetched and dropped

  pf::Sql view;
  view.setDatabase(&r.db);
  view.setTransaction(&r.main);
  r.obj.setDataset(&view);
  r.run("select X from A order by X;");
  ASSERT_TRUE(view.open());
  EXPECT_EQ(view.field(0).asInteger(), 7);
  EXPECT_FALSE(r.obj.Plan().isEmpty());
  // Data changes go through the dataset's transaction.
  r.run("insert into A values (9);");
  EXPECT_TRUE(r.main.inTransaction());
}

TEST(ISQLRunner, WithoutConnection) {
  pf::Database db;
  TCmIBSQLObj obj;
  obj.setDatabase(&db);
  obj.setQuery({"SET ECHO ON;", "select 1 from rdb$database;"});
  try {
    obj.Execute();
    FAIL() << "no exception";
  } catch (const EISQLException& e) {
    EXPECT_EQ(e.Kind(), eiPrepare);
    EXPECT_EQ(e.Message(), QStringLiteral("No active connection"));
  }
  EXPECT_TRUE(obj.Switch("ECHO"));
}

TEST(ISQLRunner, Dialect) {
  TempDatabase tmp;
  Runner r(tmp);
  r.run("SET SQL DIALECT 1;\nSET SQL DIALECT 3;");
  EXPECT_EQ(r.events, QStringList({"6/12/1", "6/14/3"}));
  EXPECT_EQ(r.db.sqlDialect(), 3);
  EXPECT_THROW(r.run("SET SQL DIALECT x;"), pf::Error);
  try {
    r.run("SET SQL DIALECT 7;");
    FAIL() << "no exception";
  } catch (const EISQLException& e) {
    EXPECT_EQ(e.Kind(), eiDialect);
  }
}

TEST(ISQLRunner, InputRunsANestedScript) {
  TempDatabase tmp;
  Runner r(tmp);
  const QString file = QDir(tmp.folder()).filePath("Nested.sql");
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("create table N (X integer);\r\ninsert into N values (1);\r\ncommit;\r\n");
  f.close();
  r.obj.setQuery({"INPUT '" + file + "';", "insert into N values (2);", "commit;"});
  r.obj.Execute();
  EXPECT_EQ(scalar(r.db, "select sum(X) from N"), 3);

  r.obj.setQuery({"INPUT " + file + ".missing;"});
  try {
    r.obj.Execute();
    FAIL() << "no exception";
  } catch (const EISQLException& e) {
    EXPECT_EQ(e.Kind(), eiInput);
    EXPECT_EQ(e.Source(), kISQLSourceFile);
    EXPECT_EQ(e.Statement(), file + ".missing");
  }
}

TEST(ISQLRunner, CreatesConnectsAndDropsDatabases) {
  QTemporaryDir dir;
  const QString path = QDir(dir.path()).filePath("made.fdb");
  const QString pw = testing_support::sysdbaPassword();
  pf::Database db;
  TCmIBSQLObj obj;
  obj.setDatabase(&db);
  QStringList events;
  obj.OnISQLEvent = [&](int e, int s, const QVariant& d, pf::Database*) {
    events << QStringLiteral("%1/%2/%3").arg(e).arg(s).arg(d.toString());
  };
  obj.setQuery({"CREATE DATABASE \"" + path + "\" USER \"SYSDBA\" PASSWORD \"" + pw +
                    "\" PAGE_SIZE 4096;",
                "create table A (X integer);", "insert into A values (1);", "commit;",
                "CONNECT '" + path + "' USER 'SYSDBA' PASSWORD '" + pw + "';",
                "insert into A values (2);", "commit;"});
  obj.Execute();
  EXPECT_TRUE(db.connected());
  EXPECT_EQ(db.databaseName(), path);
  EXPECT_EQ(scalar(db, "select sum(X) from A"), 3);
  EXPECT_EQ(events, QStringList({"3/7/" + path, "3/0/" + path, "7/8/1", "4/8/false",
                                 "2/7/" + path, "7/8/1", "4/8/false"}));
  obj.setQuery({"DROP DATABASE;"});
  obj.Execute();
  EXPECT_FALSE(db.connected());
  EXPECT_FALSE(QFile::exists(path));

  struct Bad {
    QString statement;
    int kind;
  } bad[] = {
      {"CREATE DATABASE " + path + ";", eiParse},
      {"CONNECT;", eiParse},
      {"CONNECT '" + path + "' USER;", eiParse},
      {"CONNECT '" + path + "' USER 'SYSDBA' PASSWORD '" + pw + "';", eiConnect},
      {"CREATE DATABASE '" + dir.path() + "/no/such/dir.fdb' USER 'SYSDBA';", eiCreate},
  };
  for (const Bad& b : bad) {
    obj.setQuery({b.statement});
    try {
      obj.Execute();
      ADD_FAILURE() << b.statement.toStdString() << ": no exception";
    } catch (const EISQLException& e) {
      EXPECT_EQ(e.Kind(), b.kind) << b.statement.toStdString();
    }
  }
}

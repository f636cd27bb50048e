#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "platform/Errors.h"
#include "platform/Sql.h"
#include "platform/Trace.h"
#include "support/TestDb.h"

using testing_support::TempDatabase;

namespace {

constexpr long kUpdateConflict = 335544451;
constexpr long kIoError = 335544344;

int countRows(pf::Database& db, pf::Transaction& tr, const QString& where = {}) {
  pf::Sql sql;
  sql.setDatabase(&db);
  sql.setTransaction(&tr);
  sql.setSql(QStringLiteral("select count(*) from T ") + where);
  sql.execQuery();
  return sql.field(0).asInteger();
}

}  // namespace

TEST(Database, ConnectsEmbeddedAndNamesItsUser) {
  TempDatabase tmp;
  auto db = tmp.connect();
  EXPECT_TRUE(db->connected());
  pf::Sql sql;
  sql.setDatabase(db.get());
  sql.setSql(
      QStringLiteral("select current_user, mon$remote_protocol from mon$attachments "
                     "where mon$attachment_id = current_connection"));
  sql.execQuery();
  EXPECT_EQ(sql.field(0).asString(), QStringLiteral("SYSDBA"));
  EXPECT_TRUE(sql.field(1).isNull());  // no wire: the embedded engine
  db->close();
  EXPECT_FALSE(db->connected());
}

TEST(Database, MissingFileRaisesTheServersError) {
  QTemporaryDir dir;
  pf::Database db;
  db.setDatabaseName(QDir(dir.path()).filePath(QStringLiteral("nothing.fdb")));
  db.setParams({QStringLiteral("user_name=SYSDBA")});
  try {
    db.open();
    FAIL() << "no error";
  } catch (const pf::DatabaseError& e) {
    EXPECT_EQ(e.gdsCode(), kIoError);
    EXPECT_EQ(e.sqlCode(), -902);
    EXPECT_TRUE(e.message().contains(QStringLiteral("nothing.fdb"))) << e.message().toStdString();
  }
  EXPECT_FALSE(db.connected());
}

TEST(Database, ParameterLinesAndTheirErrors) {
  TempDatabase tmp;
  pf::Database db;
  db.setDatabaseName(tmp.name());
  db.setParams({QStringLiteral("isc_dpb_user_name=SYSDBA"), QStringLiteral("lc_ctype=WIN1252"),
                QStringLiteral("num_buffers=100"), QStringLiteral("isc_dpb_sql_dialect=3"),
                QStringLiteral("sql_role_name=")});
  db.open();
  EXPECT_EQ(db.charset(), QStringLiteral("WIN1252"));
  EXPECT_EQ(db.param(QStringLiteral("USER_NAME")), QStringLiteral("SYSDBA"));
  db.close();

  db.setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("colour=blue")});
  EXPECT_THROW(db.open(), pf::Error);
  EXPECT_FALSE(db.connected());
}

TEST(Database, KeepsItsTransactionsInOrder) {
  TempDatabase tmp;
  auto db = tmp.connect();
  pf::Transaction a, b;
  a.setObjectName(QStringLiteral("trA"));
  b.setObjectName(QStringLiteral("trB"));
  a.setDefaultDatabase(db.get());
  b.setDefaultDatabase(db.get());
  ASSERT_EQ(db->transactionCount(), 3);
  EXPECT_EQ(db->transactions(1)->objectName(), QStringLiteral("trA"));
  EXPECT_EQ(db->findTransaction(&b), 2);
  a.setDefaultDatabase(nullptr);
  EXPECT_EQ(db->transactionCount(), 2);
  EXPECT_EQ(db->findTransaction(&b), 1);
  EXPECT_EQ(db->findTransaction(&a), -1);
}

TEST(Transaction, ReadCommittedSeesOtherCommitsOnOneConnection) {
  TempDatabase tmp;
  tmp.exec({QStringLiteral("create table T (ID integer not null primary key, A varchar(20))")});
  auto db = tmp.connect();
  pf::Transaction writer, reader;
  for (pf::Transaction* t : {&writer, &reader}) {
    t->setParams(testing_support::readCommittedParams());
    t->setDefaultDatabase(db.get());
    t->startTransaction();
  }
  pf::Sql insert;
  insert.setDatabase(db.get());
  insert.setTransaction(&writer);
  insert.setSql(QStringLiteral("insert into T (ID, A) values (1, 'x')"));
  insert.execQuery();
  EXPECT_EQ(countRows(*db, reader), 0);  // not yet committed
  writer.commit();
  EXPECT_EQ(countRows(*db, reader), 1);  // read committed: visible at once
}

TEST(Transaction, NowaitConflictRaisesAndKeepsTheFirstWritersData) {
  TempDatabase tmp;
  tmp.exec({QStringLiteral("create table T (ID integer not null primary key, A varchar(20))"),
            QStringLiteral("insert into T values (1, 'old')")});
  auto first = tmp.connect();
  auto second = tmp.connect();
  pf::Sql a, b;
  a.setDatabase(first.get());
  b.setDatabase(second.get());
  a.setSql(QStringLiteral("update T set A = 'first' where ID = 1"));
  a.execQuery();
  b.setSql(QStringLiteral("update T set A = 'second' where ID = 1"));
  try {
    b.execQuery();
    FAIL() << "no conflict";
  } catch (const pf::DatabaseError& e) {
    EXPECT_TRUE(e.isLockConflict()) << e.message().toStdString();
    EXPECT_TRUE(e.hasGdsCode(kUpdateConflict));
    EXPECT_EQ(e.sqlCode(), -913);
  }
  first->defaultTransaction()->commit();
  second->defaultTransaction()->rollback();
  second->defaultTransaction()->startTransaction();
  b.setSql(QStringLiteral("select A from T where ID = 1"));
  b.execQuery();
  EXPECT_EQ(b.field(0).asString(), QStringLiteral("first"));
}

TEST(Transaction, RetainingEndsKeepItActiveAndCursorsOpen) {
  TempDatabase tmp;
  tmp.exec({QStringLiteral("create table T (ID integer)"),
            QStringLiteral("insert into T values (1)"),
            QStringLiteral("insert into T values (2)")});
  auto db = tmp.connect();
  pf::Transaction* tr = db->defaultTransaction();
  pf::Sql select;
  select.setDatabase(db.get());
  select.setSql(QStringLiteral("select ID from T order by ID"));
  select.execQuery();
  tr->commitRetaining();
  EXPECT_TRUE(tr->inTransaction());
  EXPECT_TRUE(select.open());
  EXPECT_TRUE(select.next());
  EXPECT_EQ(select.field(0).asInteger(), 2);
  tr->rollbackRetaining();
  EXPECT_TRUE(tr->inTransaction());
  tr->commit();
  EXPECT_FALSE(tr->inTransaction());
  EXPECT_FALSE(select.open());  // a hard end closes the cursor
  EXPECT_THROW(tr->commit(), pf::Error);
}

TEST(Transaction, DefaultActionAppliesWhenTheConnectionCloses) {
  struct Case {
    pf::TransactionAction action;
    int rowsAfter;
  } cases[] = {
      {pf::TransactionAction::Commit, 1},
      {pf::TransactionAction::CommitRetaining, 1},
      {pf::TransactionAction::Rollback, 0},
      {pf::TransactionAction::RollbackRetaining, 0},
  };
  TempDatabase tmp;
  tmp.exec({QStringLiteral("create table T (ID integer)")});
  for (const Case& c : cases) {
    tmp.exec({QStringLiteral("delete from T")});
    auto db = tmp.connect();
    db->defaultTransaction()->setDefaultAction(c.action);
    pf::Sql insert;
    insert.setDatabase(db.get());
    insert.setSql(QStringLiteral("insert into T values (1)"));
    insert.execQuery();
    db->close();
    EXPECT_FALSE(db->defaultTransaction()->inTransaction());
    auto check = tmp.connect();
    EXPECT_EQ(countRows(*check, *check->defaultTransaction()), c.rowsAfter)
        << static_cast<int>(c.action);
  }
}

TEST(Transaction, AutoStopActionRunsWhenTheLastClientCloses) {
  TempDatabase tmp;
  tmp.exec(
      {QStringLiteral("create table T (ID integer)"), QStringLiteral("insert into T values (1)")});
  auto db = tmp.connect();
  pf::Transaction* tr = db->defaultTransaction();
  tr->setAutoStopAction(pf::AutoStopAction::Commit);
  pf::Sql a, b;
  for (pf::Sql* s : {&a, &b}) {
    s->setDatabase(db.get());
    s->setSql(QStringLiteral("select ID from T"));
    s->execQuery();
  }
  a.close();
  EXPECT_TRUE(tr->inTransaction());  // b is still open
  b.close();
  EXPECT_FALSE(tr->inTransaction());
}

TEST(Transaction, ParameterBufferErrors) {
  TempDatabase tmp;
  tmp.exec({QStringLiteral("create table T (ID integer)")});
  auto db = tmp.connect();
  pf::Transaction t;
  t.setDefaultDatabase(db.get());
  t.setParams(
      {QStringLiteral("read"), QStringLiteral("consistency"), QStringLiteral("isc_tpb_nowait")});
  EXPECT_NO_THROW(t.startTransaction());
  t.rollback();
  t.setParams({QStringLiteral("write"), QStringLiteral("concurrency"), QStringLiteral("wait"),
               QStringLiteral("lock_timeout=5"), QStringLiteral("lock_read=t")});
  EXPECT_NO_THROW(t.startTransaction());
  t.rollback();
  t.setParams({QStringLiteral("read_committed"), QStringLiteral("sometimes")});
  EXPECT_THROW(t.startTransaction(), pf::Error);
  EXPECT_FALSE(t.inTransaction());
}

TEST(Database, UserNamesCountEveryAttachment) {
  TempDatabase tmp;
  auto one = tmp.connect();
  const int before = one->userNames().count(QStringLiteral("SYSDBA"));
  auto two = tmp.connect();
  EXPECT_EQ(one->userNames().count(QStringLiteral("SYSDBA")), before + 1);
  EXPECT_GE(before, 1);
}

TEST(Trace, ListenersSeeTheStatementsAndNothingIsTracedWithoutThem) {
  TempDatabase tmp;
  auto db = tmp.connect();
  std::vector<pf::TraceEvent> seen;
  const int id = pf::Trace::addListener([&](const pf::TraceEvent& e) { seen.push_back(e); });
  EXPECT_TRUE(pf::Trace::active());
  pf::Sql sql;
  sql.setDatabase(db.get());
  sql.setSql(QStringLiteral("select 1 from rdb$database"));
  sql.execQuery();
  EXPECT_THROW(
      {
        sql.setSql(QStringLiteral("select nothing from nowhere"));
        sql.execQuery();
      },
      pf::DatabaseError);
  pf::Trace::removeListener(id);
  EXPECT_FALSE(pf::Trace::active());
  auto has = [&](pf::TraceKind k, const QString& part) {
    return std::any_of(seen.begin(), seen.end(), [&](const pf::TraceEvent& e) {
      return e.kind == k && e.text.contains(part);
    });
  };
  EXPECT_TRUE(has(pf::TraceKind::Prepare, QStringLiteral("rdb$database")));
  EXPECT_TRUE(has(pf::TraceKind::Execute, QStringLiteral("rdb$database")));
  EXPECT_TRUE(has(pf::TraceKind::Fetch, QStringLiteral("1")));
  EXPECT_TRUE(has(pf::TraceKind::Error, QStringLiteral("NOWHERE")));
  const size_t count = seen.size();
  sql.setSql(QStringLiteral("select 2 from rdb$database"));
  sql.execQuery();
  EXPECT_EQ(seen.size(), count);
}

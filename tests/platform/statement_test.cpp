#include "support/TestDb.h"

#include "platform/Errors.h"
#include "platform/Sql.h"

#include <gtest/gtest.h>

using testing_support::TempDatabase;

class Statement : public ::testing::Test {
 protected:
  void SetUp() override {
    tmp_.exec({QStringLiteral(
        "create table T (ID integer not null primary key, NOME varchar(40), FLAG char(1), "
        "VALOR numeric(15,2), QTD smallint, GRANDE bigint, REAL_ double precision, "
        "DIA date, HORA time, MOMENTO timestamp, TEXTO blob sub_type 1, DADOS blob, "
        "CRU varchar(10) character set octets, OK boolean)")});
    db_ = tmp_.connect();
    sql_.setDatabase(db_.get());
  }
  void run(const QString& text) {
    sql_.setSql(text);
    sql_.execQuery();
  }

  TempDatabase tmp_;
  std::unique_ptr<pf::Database> db_;
  pf::Sql sql_;
};

TEST_F(Statement, ARepeatedNameBindsOnceAndLiteralsAreLeftAlone) {
  sql_.setSql(QStringLiteral("insert into T (ID, NOME, FLAG) values (:id, ':id is text', :Flag)"));
  EXPECT_EQ(sql_.paramNames(), QStringList({"ID", "FLAG"}));
  sql_.param(QStringLiteral("ID")).setInteger(7);
  sql_.param(QStringLiteral("flag")).setString(QStringLiteral("T"));
  sql_.execQuery();
  EXPECT_EQ(sql_.rowsAffected(), 1);
  EXPECT_EQ(sql_.sqlType(), pf::SqlType::Insert);

  sql_.setSql(QStringLiteral("select NOME from T where ID = :ID and (ID > :ID - 1 or ID = :id)"));
  EXPECT_EQ(sql_.paramCount(), 1);
  sql_.param(QStringLiteral("id")).setInteger(7);
  sql_.execQuery();
  ASSERT_FALSE(sql_.eof());
  EXPECT_EQ(sql_.field(QStringLiteral("nome")).asString(), QStringLiteral(":id is text"));
  EXPECT_THROW(sql_.param(QStringLiteral("MISSING")), pf::Error);
  EXPECT_THROW(sql_.field(QStringLiteral("MISSING")), pf::Error);
}

TEST_F(Statement, ValuesOfEveryTypeRoundTrip) {
  const QDate day(2026, 12, 11);
  const QTime hour(10, 0, 5, 250);
  const QDateTime moment(QDate(1899, 12, 30), QTime(23, 59, 59));
  QByteArray binary;
  for (int i = 0; i < 70000; ++i) binary.append(static_cast<char>(i % 251));
  const QString longText = QString(40000, u'ç');

  sql_.setSql(QStringLiteral(
      "insert into T (ID, NOME, FLAG, VALOR, QTD, GRANDE, REAL_, DIA, HORA, MOMENTO, TEXTO, "
      "DADOS, CRU, OK) values (:ID, :NOME, :FLAG, :VALOR, :QTD, :GRANDE, :REAL, :DIA, :HORA, "
      ":MOMENTO, :TEXTO, :DADOS, :CRU, :OK)"));
  sql_.param(QStringLiteral("ID")).setInteger(1);
  sql_.param(QStringLiteral("NOME")).setString(QStringLiteral("USUÁRIOS"));
  sql_.param(QStringLiteral("FLAG")).setString(QStringLiteral("F"));
  sql_.param(QStringLiteral("VALOR")).setString(QStringLiteral("1234.56"));
  sql_.param(QStringLiteral("QTD")).setInteger(-3);
  sql_.param(QStringLiteral("GRANDE")).setInteger(9000000000LL);
  sql_.param(QStringLiteral("REAL")).setDouble(0.125);
  sql_.param(QStringLiteral("DIA")).setDate(day);
  sql_.param(QStringLiteral("HORA")).setTime(hour);
  sql_.param(QStringLiteral("MOMENTO")).setDateTime(moment);
  sql_.param(QStringLiteral("TEXTO")).setString(longText);
  sql_.param(QStringLiteral("DADOS")).setBytes(binary);
  sql_.param(QStringLiteral("CRU")).setBytes(QByteArray("\x00\xFF\x80", 3));
  sql_.param(QStringLiteral("OK")).setBoolean(true);
  sql_.execQuery();

  run(QStringLiteral("select * from T"));
  EXPECT_EQ(sql_.field(QStringLiteral("NOME")).asString(), QStringLiteral("USUÁRIOS"));
  EXPECT_EQ(sql_.field(QStringLiteral("FLAG")).asString(), QStringLiteral("F"));
  EXPECT_EQ(sql_.field(QStringLiteral("VALOR")).asString(), QStringLiteral("1234.56"));
  EXPECT_DOUBLE_EQ(sql_.field(QStringLiteral("VALOR")).asDouble(), 1234.56);
  EXPECT_EQ(sql_.field(QStringLiteral("QTD")).asInteger(), -3);
  EXPECT_EQ(sql_.field(QStringLiteral("GRANDE")).asInt64(), 9000000000LL);
  EXPECT_DOUBLE_EQ(sql_.field(QStringLiteral("REAL_")).asDouble(), 0.125);
  EXPECT_EQ(sql_.field(QStringLiteral("DIA")).asDate(), day);
  EXPECT_EQ(sql_.field(QStringLiteral("HORA")).asTime(), hour);
  EXPECT_EQ(sql_.field(QStringLiteral("MOMENTO")).asDateTime(), moment);
  EXPECT_EQ(sql_.field(QStringLiteral("TEXTO")).asString(), longText);
  EXPECT_EQ(sql_.field(QStringLiteral("DADOS")).asBytes(), binary);
  EXPECT_EQ(sql_.field(QStringLiteral("CRU")).asBytes(), QByteArray("\x00\xFF\x80", 3));
  EXPECT_TRUE(sql_.field(QStringLiteral("OK")).asBoolean());

  const auto& cols = sql_.columns();
  EXPECT_EQ(cols[0].kind, pf::ColumnKind::Integer);
  EXPECT_EQ(cols[2].kind, pf::ColumnKind::FixedString);
  EXPECT_EQ(cols[3].kind, pf::ColumnKind::Numeric);
  EXPECT_EQ(cols[10].kind, pf::ColumnKind::Memo);
  EXPECT_EQ(cols[11].kind, pf::ColumnKind::Blob);
  EXPECT_EQ(cols[1].origin(), QStringLiteral("T.NOME"));
}

TEST_F(Statement, AccentsTravelAsWindows1252Bytes) {
  sql_.setSql(QStringLiteral("insert into T (ID, NOME) values (1, :NOME)"));
  sql_.param(QStringLiteral("NOME")).setString(QStringLiteral("USUÁRIOS"));
  sql_.execQuery();
  run(QStringLiteral("insert into T (ID, NOME) values (2, 'Configuração')"));
  // OCTET_LENGTH counts the stored bytes: one per character in Windows-1252.
  run(QStringLiteral("select octet_length(NOME), cast(NOME as varchar(40) character set octets) "
                     "from T order by ID"));
  EXPECT_EQ(sql_.field(0).asInteger(), 8);
  EXPECT_EQ(sql_.field(1).asBytes(), QByteArray("USU\xC1RIOS"));
  sql_.next();
  EXPECT_EQ(sql_.field(0).asInteger(), 12);
  EXPECT_EQ(sql_.field(1).asBytes(), QByteArray("Configura\xE7\xE3o"));
}

TEST_F(Statement, NullsBothWays) {
  sql_.setSql(QStringLiteral("insert into T (ID, NOME, DIA, VALOR) values (:ID, :NOME, :DIA, :V)"));
  sql_.param(QStringLiteral("ID")).setInteger(1);
  sql_.param(QStringLiteral("NOME")).setNull();
  sql_.param(QStringLiteral("V")).setString(QStringLiteral("2"));
  EXPECT_TRUE(sql_.param(QStringLiteral("DIA")).isNull());  // never set
  sql_.execQuery();
  sql_.param(QStringLiteral("ID")).setInteger(2);
  sql_.param(QStringLiteral("NOME")).setString(QString());
  sql_.param(QStringLiteral("V")).setNull();
  sql_.execQuery();  // same statement, other types bound: rebinding must follow

  run(QStringLiteral("select NOME, DIA, VALOR from T order by ID"));
  EXPECT_TRUE(sql_.field(0).isNull());
  EXPECT_TRUE(sql_.field(1).isNull());
  EXPECT_FALSE(sql_.field(1).value().isValid());
  EXPECT_EQ(sql_.field(2).asString(), QStringLiteral("2.00"));
  ASSERT_TRUE(sql_.next());
  EXPECT_FALSE(sql_.field(0).isNull());  // an empty text is a value, not NULL
  EXPECT_EQ(sql_.field(0).asString(), QString());
  EXPECT_TRUE(sql_.field(2).isNull());
  EXPECT_FALSE(sql_.next());
  EXPECT_TRUE(sql_.eof());
}

TEST_F(Statement, WalksACursorAndReportsTypeAndPlan) {
  for (int i = 1; i <= 5; ++i) run(QStringLiteral("insert into T (ID) values (%1)").arg(i));
  run(QStringLiteral("select ID from T where ID > 2 order by ID"));
  EXPECT_EQ(sql_.sqlType(), pf::SqlType::Select);
  EXPECT_TRUE(sql_.plan().startsWith(QStringLiteral("PLAN"))) << sql_.plan().toStdString();
  QList<int> ids;
  for (; !sql_.eof(); sql_.next()) ids << sql_.field(0).asInteger();
  EXPECT_EQ(ids, QList<int>({3, 4, 5}));
  EXPECT_EQ(sql_.recordCount(), 3);

  run(QStringLiteral("update T set NOME = 'x' where ID < 4"));
  EXPECT_EQ(sql_.rowsAffected(), 3);
  EXPECT_EQ(sql_.sqlType(), pf::SqlType::Update);
  run(QStringLiteral("select ID from T where ID > 99"));
  EXPECT_TRUE(sql_.eof());

  struct Case {
    const char* sql;
    pf::SqlType type;
  } cases[] = {
      {"delete from T where ID = 0", pf::SqlType::Delete},
      {"create table U (A integer)", pf::SqlType::DDL},
      {"select ID from T for update", pf::SqlType::SelectForUpdate},
      {"set generator G to 1", pf::SqlType::SetGenerator},
      {"commit", pf::SqlType::Commit},
      {"rollback", pf::SqlType::Rollback},
      {"execute procedure P", pf::SqlType::ExecProcedure},
      {"savepoint S", pf::SqlType::SavePoint},
  };
  run(QStringLiteral("create generator G"));
  sql_.setParamCheck(false);
  run(QStringLiteral("create procedure P returns (R integer) as begin R = 1; suspend; end"));
  sql_.setParamCheck(true);
  db_->defaultTransaction()->commitRetaining();
  for (const Case& c : cases) {
    sql_.setSql(QString::fromUtf8(c.sql));
    sql_.prepare();
    EXPECT_EQ(sql_.sqlType(), c.type) << c.sql;
  }
}

TEST_F(Statement, ProcedureOutputIsTheResultRow) {
  sql_.setParamCheck(false);
  run(QStringLiteral("create procedure DOBRO (X integer) returns (Y integer, T varchar(10)) "
                     "as begin Y = :X * 2; T = 'ok'; end"));
  sql_.setParamCheck(true);
  db_->defaultTransaction()->commitRetaining();
  run(QStringLiteral("execute procedure DOBRO 21"));
  ASSERT_FALSE(sql_.eof());
  EXPECT_EQ(sql_.field(QStringLiteral("Y")).asInteger(), 42);
  EXPECT_EQ(sql_.field(QStringLiteral("T")).asString(), QStringLiteral("ok"));
}

TEST_F(Statement, ServerErrorsReachTheCallerAndTheStatementRecovers) {
  run(QStringLiteral("insert into T (ID) values (1)"));
  try {
    run(QStringLiteral("insert into T (ID) values (1)"));
    FAIL() << "duplicate key accepted";
  } catch (const pf::DatabaseError& e) {
    EXPECT_EQ(e.gdsCode(), 335544665L);  // unique key violation
    EXPECT_EQ(e.sqlCode(), -803);
    EXPECT_EQ(e.sqlState(), QStringLiteral("23000"));
  }
  try {
    run(QStringLiteral("selec 1"));
    FAIL();
  } catch (const pf::DatabaseError& e) {
    EXPECT_EQ(e.sqlCode(), -104);
  }
  EXPECT_FALSE(sql_.prepared());
  run(QStringLiteral("select count(*) from T"));
  EXPECT_EQ(sql_.field(0).asInteger(), 1);
  pf::Sql unbound;
  unbound.setSql(QStringLiteral("select 1 from rdb$database"));
  EXPECT_THROW(unbound.execQuery(), pf::Error);
}

TEST_F(Statement, DisconnectFreesStatementsThatStayUsableAfterReconnect) {
  run(QStringLiteral("select 1 from rdb$database"));
  db_->close();
  EXPECT_FALSE(sql_.prepared());
  EXPECT_THROW(sql_.execQuery(), pf::Error);
  db_->open();
  run(QStringLiteral("select 2 from rdb$database"));
  EXPECT_EQ(sql_.field(0).asInteger(), 2);
}

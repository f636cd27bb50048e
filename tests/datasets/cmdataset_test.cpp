#include "Locale.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDb.h"

#include "data/CmDataSet.h"
#include "data/CmDataSource.h"
#include "data/CmSQLGlobals.h"
#include "platform/Errors.h"
#include "platform/Sql.h"

#include <gtest/gtest.h>

using testing_support::BrazilianLocale;
using testing_support::ScriptedDialogs;
using testing_support::TempDatabase;

namespace {

TEST(CmDataSetRewrite, OrderByItemsAreQualifiedByTheTableAlias) {
  struct Case {
    const char* select;
    const char* orderBy;
    const char* expected;
  } cases[] = {
      {"select U.ID, U.NOME from USUARIO U where U.ID > 0", "\"USUARIO\".\"NOME\" DESC",
       "select U.ID, U.NOME from USUARIO U where U.ID > 0 order by U.NOME DESC"},
      {"select * from USUARIO\n", "USUARIO.NOME ASC",
       "select * from USUARIO\n order by USUARIO.NOME ASC"},
      {"select * from USUARIO where ID > 0", "USUARIO.NOME",
       "select * from USUARIO where ID > 0 order by USUARIO.NOME"},
      {"select * from USUARIO where ID > 0 order by id desc", "2 DESC",
       "select * from USUARIO where ID > 0 order by 2 DESC"},
      {"select * from USUARIO\nORDER BY \n  SUPERVISORID , ID", "USUARIO.NOME;USUARIO.ID DESC",
       "select * from USUARIO order by USUARIO.NOME, USUARIO.ID DESC"},
      {"select * from \"USUARIO\" X where 1 = 1", "USUARIO.NOME",
       "select * from \"USUARIO\" X where 1 = 1 order by X.NOME"},
      {"select * from USUARIO, MODULO M", "USUARIO.NOME",
       "select * from USUARIO, MODULO M order by USUARIO.NOME"},
      {"select * from USUARIO", "NOME", "select * from USUARIO order by USUARIO.NOME"},
      {"select * from USUARIO order by ID", "", "select * from USUARIO order by ID"},
  };
  for (const Case& c : cases) {
    TCmDataSet ds;
    ds.setSelectSql(QString::fromUtf8(c.select));
    ds.setOrderByFields(QString::fromUtf8(c.orderBy));
    EXPECT_EQ(ds.GetOrderedSelectSQL(), QString::fromUtf8(c.expected)) << c.orderBy;
  }
}

TEST(CmDataSetRewrite, PlainIdentifiersAndReservedWords) {
  struct Case {
    const char* word;
    bool plain;
  } cases[] = {
      {"U", true},      {"\"U\"", true}, {"usu_01", true}, {"where", false}, {"Left", false},
      {"count", false}, {"SUSPEND", false}, {"U.ID", false}, {"Ú", false}, {"(", false},
      {"DEC", false},   {"DECIMAL", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TCmDataSet::IsPlainIdentifier(QString::fromUtf8(c.word)), c.plain) << c.word;
}

TEST(CmDataSetRewrite, CountAggregatesAreCastToInteger) {
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"select count(*) from T", "select CAST( count ( * ) as INTEGER ) from T"},
      {"select COUNT  (ID), Count(distinct NOME) from T",
       "select CAST( COUNT   ( ID ) as INTEGER ), CAST( Count ( distinct NOME ) as INTEGER ) "
       "from T"},
      {"select count(\nID) from T", "select CAST( count ( \nID ) as INTEGER ) from T"},
      {"select ACCOUNT from T", "select ACCOUNT from T"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TCmDataSet::CastCountAggregates(QString::fromUtf8(c.text)),
              QString::fromUtf8(c.expected));
}

class CmDataSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tmp_.exec({
        "create table USUARIO (ID integer not null primary key, USUARIO varchar(10), "
        "NOME varchar(40), NASC date, SUPERVISOR char(1))",
        "create unique index USUARIO_01 on USUARIO (USUARIO)",
        "create table USUARIO_MODULO (ID integer not null, USUARIOID integer not null, "
        "MODULOID integer not null, TUDO char(1), constraint PK_UM primary key (ID), "
        "constraint UNQ_UM_TUDO unique (TUDO))",
        "create unique index USUARIO_MODULO_01 on USUARIO_MODULO (MODULOID, USUARIOID)",
        "insert into USUARIO values (1, 'ADMIN', 'Administrador', '1980-01-02', 'T')",
        "insert into USUARIO values (2, 'JOAO', 'Joao', '1990-03-04', 'F')",
        "insert into USUARIO values (3, 'O''BRIEN', 'Obrien', null, null)",
    });
    db_ = tmp_.connect();
    ds_ = std::make_unique<TCmDataSet>();
    ds_->setDatabase(db_.get());
    ds_->setSelectSql("select * from USUARIO order by ID");
    ds_->setInsertSql("insert into USUARIO (ID, USUARIO, NOME) values (:ID, :USUARIO, :NOME)");
    ds_->setModifySql("update USUARIO set ID = :ID, USUARIO = :USUARIO, NOME = :NOME "
                      "where ID = :OLD_ID");
    ds_->setDeleteSql("delete from USUARIO where ID = :OLD_ID");
  }
  void TearDown() override {
    ds_.reset();
    db_.reset();
  }

  TempDatabase tmp_;
  std::unique_ptr<pf::Database> db_;
  std::unique_ptr<TCmDataSet> ds_;
};

TEST_F(CmDataSetTest, EveryOpenAppliesTheOrderAndTheCountCastAndKeepsTheParameters) {
  TCmDataSet& ds = *ds_;
  ds.setSelectSql("select * from USUARIO where NASC < :ATE or ID = :ID order by ID");
  ds.setParam("ATE", QDate(1985, 1, 1));
  ds.setParam("ID", 3);
  ds.setOrderByFields("USUARIO.NOME DESC");
  ds.open();
  EXPECT_EQ(ds.selectSql(),
            "select * from USUARIO where NASC < :ATE or ID = :ID order by USUARIO.NOME DESC");
  EXPECT_EQ(ds.param("ATE").toDate(), QDate(1985, 1, 1));
  QStringList names;
  for (ds.first(); !ds.eof(); ds.next()) names << ds.fieldByName("NOME")->asString();
  EXPECT_EQ(names, QStringList({"Obrien", "Administrador"}));
  EXPECT_TRUE(ds.HasParam("ate"));
  EXPECT_FALSE(ds.HasParam("NOME"));

  ds.close();
  ds.setOrderByFields("");
  ds.setSelectSql("select count(*) from USUARIO");
  ds.open();
  EXPECT_EQ(ds.selectSql(), "select CAST( count ( * ) as INTEGER ) from USUARIO");
  EXPECT_EQ(ds.fields(0)->dataType(), pf::FieldType::Integer);
  EXPECT_EQ(ds.fields(0)->asInteger(), 3);
  ds.close();
  ds.open();
  EXPECT_TRUE(ds.selectSql().startsWith("select CAST( CAST( count"))
      << ds.selectSql().toStdString();
  EXPECT_EQ(ds.fields(0)->asInteger(), 3);
}

TEST_F(CmDataSetTest, TheDuplicateCheckText) {
  BrazilianLocale locale;
  TCmDataSet& ds = *ds_;
  ds.setTableName("USUARIO");
  ds.open();
  ds.append();
  ds.fieldByName("ID")->setAsInteger(7);
  ds.fieldByName("NASC")->setValue(QDate(2008, 12, 25));
  struct Case {
    QStringList keys;
    const char* usuario;
    const char* expected;
  } cases[] = {
      {{"USUARIO"}, "ADMIN", "SELECT COUNT(*) FROM USUARIO WHERE ( USUARIO = 'ADMIN' ) "},
      {{"USUARIO"}, "  ", "SELECT COUNT(*) FROM USUARIO WHERE ( USUARIO is null  ) "},
      {{"USUARIO"}, "O'BRIEN", "SELECT COUNT(*) FROM USUARIO WHERE ( USUARIO = 'O''BRIEN' ) "},
      {{"ID;NASC"}, "X",
       "SELECT COUNT(*) FROM USUARIO WHERE ( ID = 7 AND NASC = '12/25/2008' ) "},
      {{"USUARIO", "NOME;ID"}, " X ",
       "SELECT COUNT(*) FROM USUARIO WHERE ( USUARIO = 'X' ) OR ( NOME is null  AND ID = 7 ) "},
  };
  for (const Case& c : cases) {
    ds.setUniqueKeys(c.keys);
    ds.fieldByName("USUARIO")->setAsString(QString::fromUtf8(c.usuario));
    EXPECT_EQ(ds.DuplicateKeySql(), QString::fromUtf8(c.expected));
  }
  ds.setUniqueKeys({"MISSING"});
  EXPECT_THROW(ds.DuplicateKeySql(), pf::Error);
}

TEST_F(CmDataSetTest, TheDuplicateCheckAsksTheDatabase) {
  TCmDataSet& ds = *ds_;
  ds.setTableName("USUARIO");
  EXPECT_EQ(ds.UniqueKeys(), QStringList({"USUARIO"})) << "read from the catalogue";
  ds.setUniqueKeys({});
  ds.open();
  try {
    ds.HasDuplicateKey();
    FAIL() << "no exception without unique keys";
  } catch (const pf::Error& e) {
    EXPECT_EQ(e.message(), "UniqueKeys not assigned (ChavesÚnicas não atribuidas)");
  }
  ds.setUniqueKeys({"USUARIO"});
  ds.append();
  struct Case {
    const char* usuario;
    bool duplicate;
  } cases[] = {{"ADMIN", true}, {"O'BRIEN", true}, {"O'", false}, {"NOVO", false}, {"", false}};
  for (const Case& c : cases) {
    ds.fieldByName("USUARIO")->setAsString(QString::fromUtf8(c.usuario));
    EXPECT_EQ(ds.HasDuplicateKey(), c.duplicate) << c.usuario;
  }
  // A fixed-length text key is compared as text.
  ds.setUniqueKeys({"SUPERVISOR"});
  ds.fieldByName("SUPERVISOR")->setAsString("T");
  EXPECT_TRUE(ds.HasDuplicateKey());
  ds.fieldByName("SUPERVISOR")->setAsString("X");
  EXPECT_FALSE(ds.HasDuplicateKey());
  ds.setUniqueKeys({"USUARIO"});

  // The record being edited counts itself.
  ds.cancel();
  ds.last();
  ds.edit();
  EXPECT_TRUE(ds.HasDuplicateKey());
  ds.cancel();

  // With the transaction ended, the check starts it again.
  ds.close();
  db_->defaultTransaction()->commit();
  ds.open();
  EXPECT_TRUE(ds.HasDuplicateKey());
}

TEST_F(CmDataSetTest, UniqueKeysComeFromTheCatalogue) {
  TCmDataSet ds;
  ds.setUniqueKeys({"KEPT"});
  ds.setTableName("usuario_modulo");
  EXPECT_EQ(ds.UniqueKeys(), QStringList({"KEPT"})) << "no database: nothing read";

  // Not connected and no transaction active: both are restored afterwards.
  pf::Database db;
  db.setDatabaseName(tmp_.name());
  db.setParams(tmp_.connectParams());
  pf::Transaction tr(&db);
  tr.setParams(testing_support::readCommittedParams());
  db.setDefaultTransaction(&tr);
  ds.setDatabase(&db);
  ds.setLoading(true);
  ds.setTableName("usuario_modulo");
  EXPECT_EQ(ds.UniqueKeys(), QStringList({"KEPT"})) << "nothing read while loading";
  ds.setLoading(false);
  ds.setTableName("usuario_modulo");
  EXPECT_EQ(ds.TableName(), "usuario_modulo");
  // Ordered by index name: the primary key, UNQ_UM_TUDO, USUARIO_MODULO_01.
  EXPECT_EQ(ds.UniqueKeys(), QStringList({"TUDO", "MODULOID;USUARIOID"}));
  EXPECT_FALSE(db.connected());
  EXPECT_FALSE(tr.inTransaction());

  // Connected with the transaction running: both stay so.
  db.open();
  tr.startTransaction();
  ds.setTableName("USUARIO");
  EXPECT_EQ(ds.UniqueKeys(), QStringList({"USUARIO"})) << "the key of ID alone is dropped";
  EXPECT_TRUE(tr.inTransaction());

  ds.setTableName("NO_SUCH_TABLE");
  EXPECT_TRUE(ds.UniqueKeys().isEmpty());
}

TEST_F(CmDataSetTest, TheCurrentIdOverACloseAndBack) {
  TCmDataSet& ds = *ds_;
  EXPECT_EQ(ds.CurrentID(), -1);
  EXPECT_EQ(ds.LastClosedID(), -1);
  ds.setCurrentID(2);
  EXPECT_EQ(ds.CurrentID(), -1) << "closed: nothing happens";
  ds.open();
  EXPECT_EQ(ds.CurrentID(), 1);
  ds.next();
  ds.next();
  ds.close();
  EXPECT_EQ(ds.LastClosedID(), 3);
  EXPECT_EQ(ds.CurrentID(), 3);
  ds.open();
  EXPECT_EQ(ds.CurrentID(), 1);
  ds.setCurrentID(ds.LastClosedID());
  EXPECT_EQ(ds.fieldByName("USUARIO")->asString(), "O'BRIEN");
  ds.setCurrentID(99);
  EXPECT_EQ(ds.CurrentID(), 3) << "an unknown id leaves the record";

  // Open but empty: the ID of no record reads as 0.
  ds.close();
  ds.setSelectSql("select * from USUARIO where ID < 0");
  ds.open();
  ds.close();
  EXPECT_EQ(ds.LastClosedID(), 0);
  EXPECT_EQ(ds.CurrentID(), 0);

  TCmDataSet noId;
  noId.setDatabase(db_.get());
  noId.setSelectSql("select USUARIO from USUARIO");
  noId.open();
  EXPECT_EQ(noId.CurrentID(), -1);
  noId.setCurrentID(1);
  noId.close();
  EXPECT_EQ(noId.LastClosedID(), -1);
}

TEST_F(CmDataSetTest, ACancelledInsertIntoAnEmptyDataSetClearsTheRecord) {
  TCmDataSet& ds = *ds_;
  ds.setSelectSql("select * from USUARIO where ID = :ID");
  ds.setParam("ID", 0);
  ds.open();
  ds.append();
  EXPECT_TRUE(ds.InsertedIntoEmpty());
  ds.fieldByName("ID")->setAsInteger(8);
  ds.fieldByName("USUARIO")->setAsString("NOVO");
  ds.cancel();
  EXPECT_FALSE(ds.InsertedIntoEmpty());
  EXPECT_TRUE(ds.isEmpty());
  EXPECT_TRUE(ds.fieldByName("USUARIO")->isNull());
  EXPECT_EQ(ds.CurrentID(), 0);

  ds.append();
  ds.fieldByName("ID")->setAsInteger(8);
  ds.post();
  EXPECT_FALSE(ds.InsertedIntoEmpty());
  ds.append();
  EXPECT_FALSE(ds.InsertedIntoEmpty()) << "the dataset had a record";
  ds.cancel();
  EXPECT_EQ(ds.fieldByName("ID")->asInteger(), 8);
}

TEST_F(CmDataSetTest, CountedOpenAndClose) {
  TCmDataSet& ds = *ds_;
  ds.OpenCounted();
  ds.OpenCounted();
  EXPECT_EQ(ds.OpenCount(), 2);
  ds.CloseCounted();
  EXPECT_TRUE(ds.active());
  EXPECT_TRUE(ds.prepared());
  ds.CloseCounted();
  EXPECT_FALSE(ds.active());
  EXPECT_FALSE(ds.prepared());
  ds.open();
  ds.close();
  EXPECT_EQ(ds.OpenCount(), 0);
}

TEST_F(CmDataSetTest, ADetailFollowsTheCurrentUser) {
  tmp_.exec({"insert into USUARIO_MODULO values (1, 1, 3, 'S')",
             "insert into USUARIO_MODULO values (2, 2, 3, null)",
             "insert into USUARIO_MODULO values (3, 1, 8, 'N')"});
  TCmDataSource dsUsuario;
  dsUsuario.setDataSet(ds_.get());
  TCmDataSet modules;
  modules.setDatabase(db_.get());
  modules.setSelectSql(
      "select * from USUARIO_MODULO\nwhere\n  USUARIOID = :ID\norder by\n  MODULOID");
  modules.setDataSource(&dsUsuario);
  ds_->open();
  modules.open();
  EXPECT_EQ(modules.recordCount(), 2);
  ds_->next();
  EXPECT_EQ(modules.recordCount(), 1);
  EXPECT_EQ(modules.fieldByName("MODULOID")->asInteger(), 3);
  ds_->next();
  EXPECT_TRUE(modules.isEmpty());
}

TEST_F(CmDataSetTest, RegistrationWithTheSession) {
  auto globals = std::make_unique<TCmSQLGlobals>();
  TCmDataSet other;
  ds_->setSQLGlobals(globals.get());
  other.setSQLGlobals(globals.get());
  ASSERT_EQ(globals->DataSetCount(), 2);
  ds_->setSQLGlobals(globals.get());
  EXPECT_EQ(globals->DataSets(1), ds_.get()) << "assigned again: moved to the end";
  EXPECT_EQ(globals->DataSetCount(), 2);
  {
    TCmDataSet shortLived;
    shortLived.setSQLGlobals(globals.get());
    EXPECT_EQ(globals->DataSetCount(), 3);
  }
  EXPECT_EQ(globals->DataSetCount(), 2);
  other.setSQLGlobals(nullptr);
  EXPECT_EQ(globals->DataSetCount(), 1);
  globals.reset();
  EXPECT_EQ(ds_->SQLGlobals(), nullptr);
  ds_->setSQLGlobals(nullptr);  // nothing left to unregister from
}

TEST_F(CmDataSetTest, ARenameFillsAnEmptyTableName) {
  TCmDataSet named;
  named.setTableName("MODULO");
  named.setObjectName("USUARIO_MODULO");
  EXPECT_EQ(named.TableName(), "MODULO");
  TCmDataSet unnamed;
  unnamed.setObjectName("USUARIO");
  EXPECT_EQ(unnamed.TableName(), "USUARIO");
  unnamed.setObjectName("OUTRO");
  EXPECT_EQ(unnamed.TableName(), "USUARIO");
}

}  // namespace

#include "support/TestDb.h"
#include "Locale.h"
#include "Recorder.h"

#include "platform/DataSource.h"
#include "platform/Errors.h"
#include "platform/Sql.h"
#include "platform/SqlDataSet.h"

#include <gtest/gtest.h>

using pf::DataSetState;
using pf::LocateOption;
using testing_support::RecordingLink;
using testing_support::TempDatabase;

namespace {

// PESSOA with a unique name; FONE lists the phones of a PESSOA.
class SqlDataSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tmp_.exec({
        "create table PESSOA (ID integer not null primary key, NOME varchar(40), "
        "SALDO numeric(15,2), NASC date, ATIVO char(1))",
        "create unique index PESSOA_NOME on PESSOA (NOME)",
        "create table FONE (PESSOAID integer not null, NUMERO varchar(20) not null, "
        "primary key (PESSOAID, NUMERO))",
    });
    db_ = tmp_.connect();
    people_ = std::make_unique<pf::SqlDataSet>();
    setUpPeople(*people_, db_.get());
  }
  void TearDown() override {
    people_.reset();
    db_.reset();
  }

  static void setUpPeople(pf::SqlDataSet& ds, pf::Database* db) {
    ds.setObjectName("PESSOA");
    ds.setDatabase(db);
    ds.setSelectSql("select * from PESSOA order by ID");
    ds.setInsertSql("insert into PESSOA (ID, NOME, SALDO, NASC, ATIVO) "
                    "values (:ID, :NOME, :SALDO, :NASC, :ATIVO)");
    ds.setModifySql("update PESSOA set ID = :ID, NOME = :NOME, SALDO = :SALDO, "
                    "NASC = :NASC, ATIVO = :ATIVO where ID = :OLD_ID");
    ds.setDeleteSql("delete from PESSOA where ID = :OLD_ID");
    ds.setRefreshSql("select * from PESSOA where ID = :ID");
  }

  void seed(const QStringList& names) {
    QStringList statements;
    int id = 0;
    for (const QString& n : names)
      statements << QStringLiteral("insert into PESSOA (ID, NOME) values (%1, '%2')")
                        .arg(++id)
                        .arg(n);
    tmp_.exec(statements);
  }

  // What another connection sees, committed: "ID:NOME" per row.
  QStringList committedRows() const {
    auto other = tmp_.connect();
    pf::Sql sql;
    sql.setDatabase(other.get());
    sql.setSql("select ID, NOME from PESSOA order by ID");
    sql.execQuery();
    QStringList rows;
    for (; !sql.eof(); sql.next())
      rows << QStringLiteral("%1:%2").arg(sql.field(0).asInteger()).arg(sql.field(1).asString());
    return rows;
  }

  QStringList names(pf::DataSet& ds, const QString& field = "NOME") {
    QStringList out;
    const pf::Bookmark here = ds.bookmark();
    for (ds.first(); !ds.eof(); ds.next()) out << ds.fieldByName(field)->asString();
    if (!here.isNull()) ds.gotoBookmark(here);
    return out;
  }

  pf::Transaction* tr() { return db_->defaultTransaction(); }

  TempDatabase tmp_;
  std::unique_ptr<pf::Database> db_;
  std::unique_ptr<pf::SqlDataSet> people_;
};

TEST_F(SqlDataSetTest, InsertEditCancelDeleteThroughATransaction) {
  pf::SqlDataSet& ds = *people_;
  ds.open();
  EXPECT_EQ(ds.state(), DataSetState::Browse);
  EXPECT_TRUE(ds.isEmpty());
  EXPECT_TRUE(ds.bof());
  EXPECT_TRUE(ds.eof());
  ASSERT_EQ(ds.fieldNames(), QStringList({"ID", "NOME", "SALDO", "NASC", "ATIVO"}));
  EXPECT_EQ(ds.fieldByName("NOME")->origin(), "PESSOA.NOME");
  EXPECT_EQ(ds.fieldByName("NOME")->size(), 40);
  EXPECT_EQ(ds.fieldByName("ATIVO")->dataType(), pf::FieldType::FixedChar);
  EXPECT_EQ(ds.fieldByName("SALDO")->dataType(), pf::FieldType::BCD);

  ds.append();
  EXPECT_EQ(ds.state(), DataSetState::Insert);
  ds.fieldByName("ID")->setAsInteger(1);
  ds.fieldByName("NOME")->setAsString("ANA");
  ds.fieldByName("SALDO")->setAsFloat(10.5);
  ds.fieldByName("NASC")->setValue(QDate(1990, 5, 17));
  ds.post();
  ds.append();
  ds.fieldByName("ID")->setAsInteger(2);
  ds.fieldByName("NOME")->setAsString("BRUNO");
  ds.post();
  EXPECT_EQ(ds.state(), DataSetState::Browse);
  EXPECT_EQ(ds.recordCount(), 2);
  EXPECT_EQ(ds.recNo(), 2);
  EXPECT_TRUE(committedRows().isEmpty()) << "not committed yet";
  tr()->commitRetaining();
  EXPECT_EQ(committedRows(), QStringList({"1:ANA", "2:BRUNO"}));

  ds.first();
  ds.edit();
  ds.fieldByName("NOME")->setAsString("ANA MARIA");
  EXPECT_TRUE(ds.modified());
  ds.cancel();
  EXPECT_EQ(ds.fieldByName("NOME")->asString(), "ANA");

  ds.edit();
  ds.fieldByName("NOME")->setAsString("ANA MARIA");
  ds.post();
  ds.next();
  ds.remove();
  EXPECT_EQ(ds.recordCount(), 1);
  EXPECT_EQ(ds.fieldByName("NOME")->asString(), "ANA MARIA");
  tr()->commitRetaining();
  EXPECT_EQ(committedRows(), QStringList({"1:ANA MARIA"}));

  // Another reader sees what the dataset wrote, with the types it had.
  ds.close();
  ds.open();
  EXPECT_DOUBLE_EQ(ds.fieldByName("SALDO")->asFloat(), 10.5);
  EXPECT_EQ(ds.fieldByName("NASC")->value().toDate(), QDate(1990, 5, 17));
  EXPECT_TRUE(ds.fieldByName("ATIVO")->isNull());
}

TEST_F(SqlDataSetTest, TheKeyItselfChangesThroughTheOldValue) {
  seed({"ANA", "BRUNO"});
  pf::SqlDataSet& ds = *people_;
  ds.open();
  ds.edit();
  ds.fieldByName("ID")->setAsInteger(10);
  EXPECT_EQ(ds.fieldByName("ID")->oldValue().toInt(), 1);
  EXPECT_EQ(ds.fieldByName("ID")->newValue().toInt(), 10);
  ds.post();
  tr()->commitRetaining();
  EXPECT_EQ(committedRows(), QStringList({"2:BRUNO", "10:ANA"}));

  ds.append();
  ds.fieldByName("ID")->setAsInteger(3);
  EXPECT_EQ(ds.fieldByName("ID")->oldValue().toInt(), 3) << "a new record's old value is its own";
  ds.cancel();
}

TEST_F(SqlDataSetTest, CancelOfAnInsertIntoAnEmptyDataSetLeavesNothing) {
  pf::SqlDataSet& ds = *people_;
  ds.open();
  ds.insert();
  ds.fieldByName("ID")->setAsInteger(5);
  ds.fieldByName("NOME")->setAsString("CARLA");
  ds.cancel();
  EXPECT_EQ(ds.state(), DataSetState::Browse);
  EXPECT_TRUE(ds.isEmpty());
  EXPECT_EQ(ds.recordCount(), 0);
  EXPECT_TRUE(ds.fieldByName("NOME")->isNull());
  EXPECT_EQ(ds.recNo(), -1);
  tr()->commitRetaining();
  EXPECT_TRUE(committedRows().isEmpty());
  // Edit on an empty dataset starts an insert.
  ds.edit();
  EXPECT_EQ(ds.state(), DataSetState::Insert);
  ds.cancel();
}

TEST_F(SqlDataSetTest, AUniqueViolationKeepsTheRecordAndLosesNothingCommitted) {
  seed({"ANA"});
  pf::SqlDataSet& ds = *people_;
  ds.open();
  ds.append();
  ds.fieldByName("ID")->setAsInteger(2);
  ds.fieldByName("NOME")->setAsString("ANA");
  EXPECT_THROW(ds.post(), pf::DatabaseError);
  EXPECT_EQ(ds.state(), DataSetState::Insert);
  EXPECT_EQ(ds.fieldByName("NOME")->asString(), "ANA");
  EXPECT_EQ(ds.recordCount(), 1);

  ds.fieldByName("NOME")->setAsString("ANA CLARA");
  ds.post();
  tr()->commitRetaining();
  EXPECT_EQ(committedRows(), QStringList({"1:ANA", "2:ANA CLARA"}));

  ds.first();
  ds.edit();
  ds.fieldByName("NOME")->setAsString("ANA CLARA");
  EXPECT_THROW(ds.post(), pf::DatabaseError);
  EXPECT_EQ(ds.state(), DataSetState::Edit);
  ds.cancel();
  tr()->rollbackRetaining();
  EXPECT_EQ(committedRows(), QStringList({"1:ANA", "2:ANA CLARA"}));
}

TEST_F(SqlDataSetTest, ADetailFollowsItsMaster) {
  seed({"ANA", "BRUNO", "CARLA"});
  tmp_.exec({"insert into FONE values (1, '111')", "insert into FONE values (1, '112')",
             "insert into FONE values (3, '333')"});
  pf::DataSource source;
  source.setDataSet(people_.get());
  pf::SqlDataSet phones;
  phones.setDatabase(db_.get());
  phones.setSelectSql("select * from FONE where PESSOAID = :ID order by NUMERO");
  phones.setInsertSql("insert into FONE (PESSOAID, NUMERO) values (:PESSOAID, :NUMERO)");
  phones.setDataSource(&source);

  people_->open();
  phones.open();
  EXPECT_EQ(names(phones, "NUMERO"), QStringList({"111", "112"}));
  people_->next();
  EXPECT_TRUE(phones.isEmpty());
  people_->next();
  EXPECT_EQ(names(phones, "NUMERO"), QStringList({"333"}));
  EXPECT_TRUE(people_->locate("ID", 1));
  EXPECT_EQ(names(phones, "NUMERO"), QStringList({"111", "112"}));

  // Scrolling the master posts a pending detail edit first.
  phones.append();
  phones.fieldByName("PESSOAID")->setAsInteger(1);
  phones.fieldByName("NUMERO")->setAsString("113");
  people_->next();
  people_->prior();
  EXPECT_EQ(names(phones, "NUMERO"), QStringList({"111", "112", "113"}));

  people_->append();
  EXPECT_TRUE(phones.isEmpty()) << "a new master has no details";
  people_->cancel();
  EXPECT_EQ(phones.recordCount(), 3);
  EXPECT_THROW(people_->setDataSource(&source), pf::Error);
}

TEST_F(SqlDataSetTest, LocateWithAndWithoutItsOptions) {
  seed({"Ana Maria", "BRUNO", "ana", "Carla"});
  pf::SqlDataSet& ds = *people_;
  ds.open();
  struct Case {
    const char* fields;
    QVariant values;
    pf::LocateOptions options;
    int found;  // ID, 0 when not found
  } cases[] = {
      {"NOME", "ana", {}, 3},
      {"NOME", "ANA", {}, 0},
      {"NOME", "ANA", LocateOption::CaseInsensitive, 3},
      {"NOME", "Ana", LocateOption::PartialKey, 1},
      {"NOME", "an", LocateOption::PartialKey, 3},
      {"NOME", "AN", LocateOption::CaseInsensitive | LocateOption::PartialKey, 1},
      {"NOME", "Maria", LocateOption::CaseInsensitive | LocateOption::PartialKey, 0},
      {"ID", "4", {}, 4},
      {"ID;NOME", QVariantList{2, "bruno"}, LocateOption::CaseInsensitive, 2},
      {"ID;NOME", QVariantList{2, "ana"}, LocateOption::CaseInsensitive, 0},
      {"SALDO", QVariant(), {}, 1},
  };
  for (const Case& c : cases) {
    ds.last();
    const bool found = ds.locate(c.fields, c.values, c.options);
    EXPECT_EQ(found, c.found != 0) << c.fields << " " << c.values.toString().toStdString();
    EXPECT_EQ(ds.fieldByName("ID")->asInteger(), c.found ? c.found : 4)
        << c.fields << " " << c.values.toString().toStdString();
  }
  EXPECT_THROW(ds.locate("ID", "x"), pf::Error);
  EXPECT_THROW(ds.locate("MISSING", 1), pf::Error);
  ds.last();
  EXPECT_EQ(ds.lookup("ID", 2, "NOME").toString(), "BRUNO");
  EXPECT_EQ(ds.fieldByName("ID")->asInteger(), 4) << "lookup does not move";
}

TEST_F(SqlDataSetTest, BookmarksOutliveOtherRecords) {
  seed({"A", "B", "C"});
  pf::SqlDataSet& ds = *people_;
  ds.open();
  ds.next();
  const pf::Bookmark b = ds.bookmark();
  ds.first();
  ds.insert();
  ds.fieldByName("ID")->setAsInteger(9);
  ds.fieldByName("NOME")->setAsString("Z");
  ds.post();
  EXPECT_EQ(names(ds), QStringList({"Z", "A", "B", "C"}));
  ds.gotoBookmark(b);
  EXPECT_EQ(ds.fieldByName("NOME")->asString(), "B");
  EXPECT_EQ(ds.recNo(), 3);
  ds.first();
  ds.next();
  const pf::Bookmark a = ds.bookmark();
  EXPECT_EQ(ds.compareBookmarks(a, b), -1);
  ds.remove();
  EXPECT_FALSE(ds.bookmarkValid(a));
  EXPECT_THROW(ds.gotoBookmark(a), pf::Error);
  EXPECT_TRUE(ds.bookmarkValid(b));
  ds.close();
  EXPECT_FALSE(ds.bookmarkValid(b));
}

TEST_F(SqlDataSetTest, MovingSetsBeginningAndEnd) {
  seed({"A", "B", "C"});
  pf::SqlDataSet& ds = *people_;
  int scrolls = 0;
  ds.afterScroll = [&](pf::DataSet&) { ++scrolls; };
  ds.open();
  EXPECT_EQ(scrolls, 1);
  EXPECT_TRUE(ds.bof());
  EXPECT_FALSE(ds.eof());
  EXPECT_EQ(ds.moveBy(5), 2);
  EXPECT_TRUE(ds.eof());
  EXPECT_EQ(ds.recNo(), 3);
  EXPECT_EQ(ds.moveBy(-1), -1);
  EXPECT_FALSE(ds.eof());
  EXPECT_FALSE(ds.bof());
  ds.prior();
  ds.prior();
  EXPECT_TRUE(ds.bof());
  EXPECT_EQ(ds.recNo(), 1);
  ds.setRecNo(2);
  EXPECT_EQ(ds.fieldByName("NOME")->asString(), "B");
  ds.last();
  EXPECT_TRUE(ds.eof());
  ds.next();
  EXPECT_EQ(ds.recNo(), 3);
  EXPECT_EQ(scrolls, 8);
}

TEST_F(SqlDataSetTest, EventsRunInOrderAndAnAbortStopsThePost) {
  seed({"A"});
  pf::SqlDataSet& ds = *people_;
  QStringList log;
  auto note = [&](const char* what) { return [&log, what](pf::DataSet&) { log << what; }; };
  ds.beforeOpen = note("beforeOpen");
  ds.afterOpen = note("afterOpen");
  ds.beforeEdit = note("beforeEdit");
  ds.afterEdit = note("afterEdit");
  ds.beforeInsert = note("beforeInsert");
  ds.onNewRecord = [&](pf::DataSet& d) {
    log << "newRecord";
    d.fieldByName("ATIVO")->setAsString("T");
  };
  ds.afterInsert = note("afterInsert");
  ds.beforeCancel = note("beforeCancel");
  ds.afterCancel = note("afterCancel");
  ds.beforeDelete = note("beforeDelete");
  ds.afterDelete = note("afterDelete");
  ds.afterPost = note("afterPost");
  ds.beforeClose = note("beforeClose");
  ds.afterClose = note("afterClose");
  bool refuse = true;
  ds.beforePost = [&](pf::DataSet&) {
    log << "beforePost";
    if (refuse) throw pf::Abort();
  };
  ds.open();
  ds.edit();
  ds.fieldByName("NOME")->setAsString("B");
  EXPECT_THROW(ds.post(), pf::Abort);
  EXPECT_EQ(ds.state(), DataSetState::Edit);
  refuse = false;
  ds.post();
  ds.append();
  EXPECT_EQ(ds.fieldByName("ATIVO")->asString(), "T");
  EXPECT_FALSE(ds.modified()) << "values set for a new record are no change";
  ds.cancel();
  ds.remove();
  ds.close();
  EXPECT_EQ(log, QStringList({"beforeOpen", "afterOpen", "beforeEdit", "afterEdit",
                              "beforePost", "beforePost", "afterPost", "beforeInsert",
                              "newRecord", "afterInsert", "beforeCancel", "afterCancel",
                              "beforeDelete", "afterDelete", "beforeClose", "afterClose"}));
}

TEST_F(SqlDataSetTest, LinksHearTheDataSet) {
  seed({"A", "B"});
  pf::SqlDataSet& ds = *people_;
  pf::DataSource source;
  source.setDataSet(&ds);
  RecordingLink link;
  link.setDataSource(&source);
  EXPECT_FALSE(link.active());

  ds.open();
  EXPECT_EQ(link.events, QStringList({"active"}));
  link.clear();
  ds.next();
  EXPECT_EQ(link.events, QStringList({"scroll 1"}));
  link.clear();

  // Typing into a control: the link asks the source, which edits.
  EXPECT_TRUE(link.edit());
  EXPECT_EQ(ds.state(), DataSetState::Edit);
  ds.fieldByName("NOME")->setAsString("BB");
  EXPECT_EQ(link.events, QStringList({"editing", "record", "record NOME"}));
  link.clear();

  // The control writes its value back before the record is posted.
  link.onUpdateData = [&] { ds.fieldByName("NOME")->setAsString("BETA"); };
  ds.post();
  EXPECT_EQ(link.events, QStringList({"update", "not editing", "dataset"}));
  EXPECT_EQ(ds.fieldByName("NOME")->asString(), "BETA");
  link.onUpdateData = nullptr;
  link.clear();

  link.focusTarget = ds.fieldByName("NOME");
  ds.fieldByName("NOME")->focusControl();
  ds.fieldByName("ID")->focusControl();
  EXPECT_EQ(link.events, QStringList({"focus NOME"}));
  link.clear();

  // A read-only link never puts the dataset into edit state; a source without
  // autoEdit neither.
  link.setReadOnly(true);
  EXPECT_FALSE(link.edit());
  EXPECT_EQ(ds.state(), DataSetState::Browse);
  link.setReadOnly(false);
  source.setAutoEdit(false);
  EXPECT_FALSE(link.edit());
  EXPECT_EQ(ds.state(), DataSetState::Browse);
  source.setAutoEdit(true);

  // A disabled source cuts its links off.
  source.setEnabled(false);
  EXPECT_FALSE(link.active());
  ds.next();
  source.setEnabled(true);
  EXPECT_TRUE(link.active());

  int stateChanges = 0;
  source.onStateChange = [&](pf::DataSource&) { ++stateChanges; };
  link.clear();
  ds.close();
  EXPECT_EQ(link.events, QStringList({"inactive"}));
  EXPECT_EQ(stateChanges, 1);
}

TEST_F(SqlDataSetTest, DisabledControlsHearNothingUntilTheLastEnable) {
  seed({"A", "B", "C"});
  pf::SqlDataSet& ds = *people_;
  pf::DataSource source;
  source.setDataSet(&ds);
  RecordingLink link;
  link.setVisualControl(true);
  link.setDataSource(&source);
  ds.open();
  link.clear();

  ds.disableControls();
  ds.disableControls();
  EXPECT_TRUE(ds.controlsDisabled());
  ds.next();
  ds.edit();
  ds.fieldByName("NOME")->setAsString("X");
  ds.post();
  ds.enableControls();
  EXPECT_TRUE(ds.controlsDisabled());
  EXPECT_TRUE(link.events.isEmpty()) << link.events.join(", ").toStdString();
  ds.enableControls();
  EXPECT_FALSE(ds.controlsDisabled());
  EXPECT_EQ(link.events, QStringList({"dataset"}));

  // Closed while disabled: the link learns it on the last enable.
  link.clear();
  ds.disableControls();
  ds.close();
  EXPECT_TRUE(link.active());
  ds.enableControls();
  EXPECT_EQ(link.events, QStringList({"inactive"}));
  ds.enableControls();  // unbalanced: ignored
  EXPECT_FALSE(ds.controlsDisabled());
}

TEST_F(SqlDataSetTest, AHardCommitClosesAndADisconnectFrees) {
  seed({"A"});
  pf::SqlDataSet& ds = *people_;
  ds.open();
  tr()->commitRetaining();
  EXPECT_TRUE(ds.active());
  tr()->commit();
  EXPECT_FALSE(ds.active());

  ds.open();
  EXPECT_TRUE(ds.active());
  db_->close();
  EXPECT_FALSE(ds.active());
  db_->open();
  ds.open();
  EXPECT_EQ(ds.recordCount(), 1);
}

TEST_F(SqlDataSetTest, TheTransactionStopsOnItsOwnWhenItsLastDataSetCloses) {
  pf::SqlDataSet& ds = *people_;
  pf::Transaction own;
  own.setDefaultDatabase(db_.get());
  own.setParams(testing_support::readCommittedParams());
  own.setAutoStopAction(pf::AutoStopAction::CommitRetaining);
  ds.setTransaction(&own);
  ds.open();
  ds.append();
  ds.fieldByName("ID")->setAsInteger(1);
  ds.fieldByName("NOME")->setAsString("ANA");
  ds.post();
  EXPECT_TRUE(committedRows().isEmpty()) << "the dataset is still open";
  ds.close();
  EXPECT_EQ(committedRows(), QStringList({"1:ANA"}));
  ds.setTransaction(nullptr);
}

TEST_F(SqlDataSetTest, DatabaseAndTransactionChangeOnlyWhileClosed) {
  seed({"A"});
  pf::SqlDataSet& ds = *people_;
  pf::Transaction own;
  own.setDefaultDatabase(db_.get());
  own.setParams(testing_support::readCommittedParams());
  ds.open();
  EXPECT_THROW(ds.setTransaction(&own), pf::Error);
  EXPECT_THROW(ds.setDatabase(nullptr), pf::Error);
  ds.close();
  ds.setTransaction(&own);
  ds.open();
  EXPECT_TRUE(own.inTransaction());
  ds.edit();
  ds.fieldByName("NOME")->setAsString("B");
  ds.post();
  own.rollback();
  EXPECT_FALSE(ds.active()) << "its own transaction's hard end closes it";
  tr()->commit();
  EXPECT_EQ(committedRows(), QStringList({"1:A"}));

  ds.setTransaction(nullptr);
  ds.open();
  EXPECT_EQ(ds.fieldByName("NOME")->asString(), "A");

  pf::SqlDataSet unbound;
  unbound.setSelectSql("select * from PESSOA");
  EXPECT_THROW(unbound.open(), pf::Error);
  EXPECT_FALSE(unbound.active());
}

TEST_F(SqlDataSetTest, OwnFieldsCalculatedFieldsAndRefresh) {
  seed({"ANA", "BRUNO"});
  testing_support::BrazilianLocale locale;
  pf::SqlDataSet ds;
  setUpPeople(ds, db_.get());
  ds.setSelectSql("select ID, NOME, SALDO from PESSOA order by ID");
  pf::Field& id = ds.addField("ID", pf::FieldType::Integer);
  pf::Field& nome = ds.addField("NOME", pf::FieldType::String, 40);
  nome.setDisplayLabel("Nome");
  pf::Field& calc = ds.addField("calcNOME", pf::FieldType::String, 50, pf::FieldKind::Calculated);
  int calculations = 0;
  ds.onCalcFields = [&](pf::DataSet& d) {
    ++calculations;
    d.fieldByName("calcNOME")->setAsString(d.fieldByName("NOME")->asString() + "!");
  };
  ds.open();
  EXPECT_EQ(ds.fieldNames(), QStringList({"ID", "NOME", "calcNOME"})) << "only its own fields";
  EXPECT_EQ(calculations, 2);
  EXPECT_EQ(calc.asString(), "ANA!");
  EXPECT_EQ(nome.displayLabel(), "Nome");
  EXPECT_EQ(id.displayLabel(), "ID");
  EXPECT_EQ(nome.origin(), "PESSOA.NOME");
  EXPECT_TRUE(calc.origin().isEmpty());
  EXPECT_THROW(calc.setAsString("x"), pf::Error);
  ds.edit();
  EXPECT_THROW(calc.setAsString("x"), pf::Error);
  nome.setAsString("ANITA");
  EXPECT_EQ(calc.asString(), "ANITA!");
  ds.cancel();
  EXPECT_EQ(calc.asString(), "ANA!");

  // A change made by someone else shows after a refresh of the record.
  tmp_.exec({"update PESSOA set NOME = 'ANA PAULA' where ID = 1"});
  ds.refresh();
  EXPECT_EQ(nome.asString(), "ANA PAULA");
  EXPECT_EQ(calc.asString(), "ANA PAULA!");
  EXPECT_EQ(ds.recordCount(), 2);

  ds.close();
  ds.setSelectSql("select ID from PESSOA");
  EXPECT_THROW(ds.open(), pf::Error) << "a field of its own that the select lacks";
  EXPECT_FALSE(ds.active());
}

TEST_F(SqlDataSetTest, AForcedRefreshReadsWhatTheServerMadeOfThePost) {
  tmp_.exec({"create trigger TG_PESSOA for PESSOA before insert or update as "
             "begin new.NOME = upper(new.NOME); end"});
  pf::SqlDataSet& ds = *people_;
  ds.open();
  ds.append();
  ds.fieldByName("ID")->setAsInteger(1);
  ds.fieldByName("NOME")->setAsString("ana");
  ds.post();
  EXPECT_EQ(ds.fieldByName("NOME")->asString(), "ana");
  ds.setForcedRefresh(true);
  ds.edit();
  ds.fieldByName("NOME")->setAsString("bia");
  ds.post();
  EXPECT_EQ(ds.fieldByName("NOME")->asString(), "BIA");
  ds.first();
  EXPECT_EQ(ds.fieldByName("NOME")->asString(), "BIA");
}

TEST_F(SqlDataSetTest, FieldsMadeForTheDataKeepTheirSettingsAcrossReopens) {
  seed({"A"});
  pf::SqlDataSet& ds = *people_;
  ds.open();
  pf::Field* nome = ds.fieldByName("NOME");
  nome->setDisplayLabel("Nome");
  ds.close();
  ds.open();
  EXPECT_EQ(ds.fieldByName("NOME"), nome);
  EXPECT_EQ(nome->displayLabel(), "Nome");
  ds.close();
  ds.setSelectSql("select NOME, ID as CODIGO, ID from PESSOA");
  ds.open();
  EXPECT_EQ(ds.fieldNames(), QStringList({"NOME", "CODIGO", "ID"}));
  EXPECT_EQ(ds.fieldByName("CODIGO")->origin(), "PESSOA.ID");
  EXPECT_EQ(ds.fieldByName("NOME")->displayLabel(), "NOME");
}

TEST_F(SqlDataSetTest, SelectParametersKeepTheirValuesUntilTheTextChanges) {
  seed({"A", "B", "C"});
  pf::SqlDataSet& ds = *people_;
  ds.setSelectSql("select * from PESSOA where ID >= :DESDE and NOME <> :nome");
  EXPECT_EQ(ds.paramNames(), QStringList({"DESDE", "NOME"}));
  EXPECT_TRUE(ds.hasParam("nome"));
  ds.setParam("desde", 2);
  ds.setParam("NOME", "C");
  ds.open();
  EXPECT_EQ(names(ds), QStringList({"B"}));
  ds.close();
  ds.open();
  EXPECT_EQ(names(ds), QStringList({"B"}));
  EXPECT_THROW(ds.setParam("OUTRO", 1), pf::Error);
  ds.setSelectSql("select * from PESSOA where ID >= :DESDE");
  EXPECT_FALSE(ds.active());
  EXPECT_FALSE(ds.param("DESDE").isValid());
}

TEST_F(SqlDataSetTest, WithoutWriteStatementsTheDataSetIsReadOnly) {
  seed({"A"});
  pf::SqlDataSet ds;
  ds.setDatabase(db_.get());
  ds.setSelectSql("select * from PESSOA");
  ds.open();
  EXPECT_FALSE(ds.canModify());
  EXPECT_FALSE(ds.fieldByName("NOME")->canModify());
  EXPECT_THROW(ds.edit(), pf::Error);
  EXPECT_THROW(ds.append(), pf::Error);
  EXPECT_THROW(ds.fieldByName("NOME")->setAsString("B"), pf::Error) << "not editing";
  EXPECT_THROW(ds.post(), pf::Error);
  EXPECT_THROW(ds.remove(), pf::Error);
}

}  // namespace

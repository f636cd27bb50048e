#include "Recorder.h"

#include "data/CmMemoryData.h"
#include "platform/DataSource.h"
#include "platform/Errors.h"

#include <gtest/gtest.h>

namespace {

// NOME and IDADE with nulls among them, in insertion order.
class MemoryDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table_.addField("NOME", pf::FieldType::String, 20);
    table_.addField("IDADE", pf::FieldType::Integer);
    table_.open();
    add("bia", 30);
    add("Ana", QVariant());
    add(QVariant(), 25);
    add("carla", 30);
    add("ana", 41);
  }
  void add(const QVariant& nome, const QVariant& idade) {
    table_.append();
    table_.fieldByName("NOME")->setValue(nome);
    table_.fieldByName("IDADE")->setValue(idade);
    table_.post();
  }
  QStringList rows() {
    QStringList out;
    for (table_.first(); !table_.eof(); table_.next()) {
      const pf::Field* idade = table_.fieldByName("IDADE");
      out << table_.fieldByName("NOME")->asString() + u'/' +
                 (idade->isNull() ? QStringLiteral("-") : idade->asString());
    }
    return out;
  }

  TCmMemoryData table_;
};

TEST_F(MemoryDataTest, SortsByAFieldBothWaysWithNulls) {
  struct Case {
    const char* fields;
    bool caseInsensitive;
    bool descending;
    QStringList expected;
  } cases[] = {
      {"NOME", true, false, {"/25", "Ana/-", "ana/41", "bia/30", "carla/30"}},
      {"NOME", true, true, {"carla/30", "bia/30", "Ana/-", "ana/41", "/25"}},
      {"NOME", false, false, {"/25", "Ana/-", "ana/41", "bia/30", "carla/30"}},
      {"IDADE", true, false, {"Ana/-", "/25", "bia/30", "carla/30", "ana/41"}},
      {"IDADE", true, true, {"ana/41", "bia/30", "carla/30", "/25", "Ana/-"}},
      {"IDADE;NOME", true, true, {"ana/41", "carla/30", "bia/30", "/25", "Ana/-"}},
  };
  for (const Case& c : cases) {
    table_.sortOnFields(c.fields, c.caseInsensitive, c.descending);
    EXPECT_EQ(table_.recNo(), 1) << c.fields;
    EXPECT_EQ(rows(), c.expected) << c.fields << (c.descending ? " desc" : " asc");
  }
  EXPECT_THROW(table_.sortOnFields("MISSING"), pf::Error);
}

TEST_F(MemoryDataTest, SortingTellsTheControlsAndKeepsBookmarks) {
  pf::DataSource source;
  source.setDataSet(&table_);
  testing_support::RecordingLink link;
  link.setDataSource(&source);
  table_.last();
  const pf::Bookmark ana41 = table_.bookmark();
  link.clear();
  table_.sortOnFields("IDADE", true, true);
  EXPECT_EQ(link.events, QStringList({"dataset"}));
  table_.gotoBookmark(ana41);
  EXPECT_EQ(table_.recNo(), 1);
  EXPECT_EQ(table_.fieldByName("NOME")->asString(), "ana");
}

TEST_F(MemoryDataTest, EmptyingAndClosingDropTheRecords) {
  EXPECT_EQ(table_.recordCount(), 5);
  table_.emptyTable();
  EXPECT_TRUE(table_.active());
  EXPECT_TRUE(table_.isEmpty());
  add("x", 1);
  table_.close();
  table_.open();
  EXPECT_TRUE(table_.isEmpty());
  EXPECT_EQ(table_.fieldNames(), QStringList({"NOME", "IDADE"}));

  TCmMemoryData noFields;
  EXPECT_THROW(noFields.open(), pf::Error);
  EXPECT_THROW(table_.addField("OUTRO", pf::FieldType::Integer), pf::Error) << "open";
}

TEST_F(MemoryDataTest, InsertGoesBeforeTheCurrentRecordAndAppendAtTheEnd) {
  table_.first();
  table_.next();
  table_.insert();
  table_.fieldByName("NOME")->setAsString("nova");
  table_.post();
  EXPECT_EQ(table_.recNo(), 2);
  table_.first();
  table_.append();
  table_.fieldByName("NOME")->setAsString("fim");
  table_.post();
  EXPECT_EQ(table_.recNo(), 7);
  EXPECT_EQ(rows(), QStringList({"bia/30", "nova/-", "Ana/-", "/25", "carla/30", "ana/41",
                                 "fim/-"}));
  // Moving away from an edit posts it; an untouched one is cancelled.
  table_.first();
  table_.edit();
  table_.fieldByName("IDADE")->setAsInteger(31);
  table_.next();
  table_.first();
  EXPECT_EQ(table_.fieldByName("IDADE")->asInteger(), 31);
  table_.append();
  table_.next();
  EXPECT_EQ(table_.recordCount(), 7);
}

}  // namespace

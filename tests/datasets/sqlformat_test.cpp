#include "Locale.h"
#include "support/ScriptedDialogs.h"

#include "data/CmSqlFormat.h"
#include "platform/Errors.h"
#include "platform/MemoryData.h"

#include <gtest/gtest.h>

using testing_support::BrazilianLocale;
using testing_support::ScriptedDialogs;

namespace {

TEST(FormatValueSql, LiteralsOfEachKind) {
  BrazilianLocale locale;
  struct Case {
    const char* value;
    int kind;
    const char* expected;
  } cases[] = {
      {"ADMIN", svString, "'ADMIN'"},
      {"", svString, "''"},
      {"O'Brien", svString, "'O''Brien'"},
      {"''", svString, "''''''"},
      {"", svInteger, "NULL"},
      {"007", svInteger, "007"},
      {"-5", svInteger, "-5"},
      {"+5", svInteger, "+5"},
      {"2147483647", svInteger, "2147483647"},
      {"1234,5", svFloat, "1234.5"},
      {"-0,25", svFloat, "-0.25"},
      {"12", svFloat, "12"},
      {"", svFloat, "NULL"},
      {"25/12/2008", svDate, "'12/25/2008'"},
      {"1/2/2008", svDate, "'02/01/2008'"},
      {"7:05", svTime, "'07:05:00'"},
      {"23:59:59", svTime, "'23:59:59'"},
      {"qualquer", 5, "0"},
      {"", 9, "0"},
  };
  ScriptedDialogs dialogs;
  for (const Case& c : cases)
    EXPECT_EQ(FormatValueSql(QString::fromUtf8(c.value), static_cast<TSqlValueKind>(c.kind)),
              QString::fromUtf8(c.expected))
        << c.value << " kind " << c.kind;
}

TEST(FormatValueSql, AValueThatDoesNotConvertShowsAnErrorAndAbortsSilently) {
  BrazilianLocale locale;
  struct Case {
    const char* value;
    TSqlValueKind kind;
    const char* message;
  } cases[] = {
      {"abc", svInteger, "Valor inválido"},
      {"1,5", svInteger, "Valor inválido"},
      {"3000000000", svInteger, "Valor inválido"},
      {"1.234,56", svFloat, "Valor inválido"},
      {"1.5", svFloat, "Valor inválido"},
      {"", svDate, "Data inválida"},
      {"  ", svDate, "Data inválida"},
      {"31/02/2008", svDate, "Data inválida"},
      {"12/25/2008", svDate, "Data inválida"},
      {"", svTime, "Hora inválida"},
      {"25:00", svTime, "Hora inválida"},
  };
  for (const Case& c : cases) {
    ScriptedDialogs dialogs;
    dialogs.expectMessage(QString::fromUtf8(c.message));
    EXPECT_THROW(FormatValueSql(QString::fromUtf8(c.value), c.kind), pf::Abort) << c.value;
    ASSERT_EQ(dialogs.shown().size(), 1u) << c.value;
    EXPECT_EQ(dialogs.shown()[0].text, QString::fromUtf8(c.message));
    EXPECT_EQ(dialogs.shown()[0].kind, pf::MsgKind::Error);
    EXPECT_EQ(dialogs.shown()[0].buttons, std::vector<pf::MsgButton>{pf::MsgButton::Ok});
  }
}

TEST(FormatValueSql, ANullValueIsRefused) {
  try {
    FormatValueSql(QVariant(), svString);
    FAIL() << "no exception";
  } catch (const pf::Error& e) {
    EXPECT_EQ(e.message(), "Invalid value for FormatValueSql (Lavrix Error)");
  }
}

TEST(FormatFieldSql, TheKindFollowsTheFieldType) {
  BrazilianLocale locale;
  pf::MemoryData table;
  struct Column {
    const char* name;
    pf::FieldType type;
    QVariant value;
  } columns[] = {
      {"S", pf::FieldType::String, "O'Brien"},
      {"C", pf::FieldType::FixedChar, "T"},
      {"M", pf::FieldType::Memo, "texto"},
      {"SI", pf::FieldType::SmallInt, 7},
      {"I", pf::FieldType::Integer, -12},
      {"F", pf::FieldType::Float, 1.5},
      {"CU", pf::FieldType::Currency, 1234.5},
      {"D", pf::FieldType::Date, QDate(2008, 12, 25)},
      {"T", pf::FieldType::Time, QTime(14, 30)},
      {"DT", pf::FieldType::DateTime, QDateTime(QDate(2008, 12, 25), QTime(14, 30))},
      {"B", pf::FieldType::Boolean, true},
      {"L", pf::FieldType::LargeInt, 5},
      {"N", pf::FieldType::BCD, 2.5},
      {"BL", pf::FieldType::Blob, QByteArray("x")},
  };
  for (const Column& c : columns) table.addField(c.name, c.type, 20);
  table.open();
  table.append();
  for (const Column& c : columns) table.fieldByName(c.name)->setValue(c.value);
  table.post();

  struct Case {
    const char* field;
    const char* value;
    const char* expected;
  } cases[] = {
      {"S", "@", "'O''Brien'"},
      {"S", "ADMIN", "'ADMIN'"},
      {"C", "@", "'T'"},
      {"M", "@", "'texto'"},
      {"SI", "@", "7"},
      {"I", "@", "-12"},
      {"F", "@", "1.5"},
      {"CU", "@", "1234.5"},
      {"D", "@", "'12/25/2008'"},
      {"T", "@", "'14:30:00'"},
      {"DT", "@", "'12/25/2008 14:30:00'"},
      {"DT", "25/12/2008 14:30", "'12/25/2008 14:30:00'"},
      {"DT", "25/12/2008", "'12/25/2008 00:00:00'"},
      {"B", "@", "0"},
      {"L", "@", "0"},
      {"N", "@", "0"},
      {"BL", "@", "0"},
  };
  ScriptedDialogs dialogs;
  for (const Case& c : cases)
    EXPECT_EQ(FormatFieldSql(*table.fieldByName(c.field), QString::fromUtf8(c.value)),
              QString::fromUtf8(c.expected))
        << c.field << " " << c.value;

  dialogs.expectMessage("Data e hora inválida");
  EXPECT_THROW(FormatFieldSql(*table.fieldByName("DT"), "25/12/2008 25:00"), pf::Abort);
}

}  // namespace

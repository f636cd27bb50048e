#include "Locale.h"

#include "platform/Errors.h"
#include "platform/FormatSettings.h"
#include "platform/MemoryData.h"

#include <gtest/gtest.h>

using testing_support::BrazilianLocale;

namespace {

TEST(RegionalParsing, NumbersDatesAndTimes) {
  BrazilianLocale locale;
  const int year = QDate::currentDate().year();
  struct Case {
    const char* text;
    bool ok;
    QVariant value;
  };
  const Case floats[] = {{"1,5", true, 1.5},    {" -2,25 ", true, -2.25}, {"3", true, 3.0},
                         {"1E3", true, 1000.0}, {"1.234,56", false, {}},  {"1.5", false, {}},
                         {"", false, {}},       {",", false, {}},         {"1,5x", false, {}}};
  for (const Case& c : floats) {
    double v = 0;
    EXPECT_EQ(pf::parseFloat(QString::fromUtf8(c.text), v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(v, c.value.toDouble()) << c.text;
    }
  }
  const Case integers[] = {{"12", true, 12},   {" -7", true, -7}, {"+3", true, 3},
                           {"$1F", true, 31},  {"1 ", false, {}}, {"1,0", false, {}},
                           {"", false, {}},    {"-", false, {}}};
  for (const Case& c : integers) {
    qint64 v = 0;
    EXPECT_EQ(pf::parseInteger(QString::fromUtf8(c.text), v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value.toLongLong()) << c.text;
    }
  }
  const Case dates[] = {{"25/12/2008", true, QDate(2008, 12, 25)},
                        {" 1/2/2008 ", true, QDate(2008, 2, 1)},
                        {"25/12/08", true, QDate(2008, 12, 25)},
                        {"25/12/99", true, QDate(1999, 12, 25)},
                        {"25/12", true, QDate(year, 12, 25)},
                        {"31/04/2008", false, {}},
                        {"2008-12-25", false, {}},
                        {"25", false, {}},
                        {"", false, {}}};
  for (const Case& c : dates) {
    QDate v;
    EXPECT_EQ(pf::parseDate(QString::fromUtf8(c.text), v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value.toDate()) << c.text;
    }
  }
  const Case times[] = {{"7:05", true, QTime(7, 5)},         {"23:59:59", true, QTime(23, 59, 59)},
                        {"1:02:03.4", true, QTime(1, 2, 3, 4)}, {"7:05 PM", true, QTime(19, 5)},
                        {"12:00 am", true, QTime(0, 0)},       {"24:00", false, {}},
                        {"7", false, {}},                      {"", false, {}}};
  for (const Case& c : times) {
    QTime v;
    EXPECT_EQ(pf::parseTime(QString::fromUtf8(c.text), v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value.toTime()) << c.text;
    }
  }
  QDateTime dt;
  EXPECT_TRUE(pf::parseDateTime(u"25/12/2008 14:30", dt));
  EXPECT_EQ(dt, QDateTime(QDate(2008, 12, 25), QTime(14, 30)));
  EXPECT_FALSE(pf::parseDateTime(u"25/12/2008 x", dt));
}

TEST(RegionalFormatting, NumberPatterns) {
  BrazilianLocale locale;
  EXPECT_EQ(pf::formatFloat(1234.5), "1234,5");
  EXPECT_EQ(pf::formatFloat(0.1 + 0.2), "0,3");
  EXPECT_EQ(pf::formatFixed(1234567.891, 2, true), "1.234.567,89");
  EXPECT_EQ(pf::formatFixed(-0.001, 2, false), "0,00");
  EXPECT_EQ(pf::formatFloatPattern(u"#,##0.00", 1234.5), "1.234,50");
  EXPECT_EQ(pf::formatFloatPattern(u"0.##", 2.5), "2,5");
  EXPECT_EQ(pf::formatFloatPattern(u"R$ #,##0", -9876.6), "R$ -9.877");
}

// One field of each type, in a one-record table.
class FieldTexts : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const auto& [name, type] : std::initializer_list<std::pair<const char*, pf::FieldType>>{
             {"S", pf::FieldType::String},   {"I", pf::FieldType::Integer},
             {"F", pf::FieldType::Float},    {"C", pf::FieldType::Currency},
             {"D", pf::FieldType::Date},     {"T", pf::FieldType::Time},
             {"DT", pf::FieldType::DateTime}, {"B", pf::FieldType::Boolean},
             {"M", pf::FieldType::Memo}})
      table_.addField(name, type, 5);
    table_.open();
    table_.append();
  }
  pf::Field& f(const char* name) { return *table_.fieldByName(name); }

  BrazilianLocale locale_;
  pf::MemoryData table_;
};

TEST_F(FieldTexts, DisplayAndEditTextsFollowTheConventions) {
  f("S").setAsString("abcdefgh");
  f("I").setAsString(" 42");
  f("F").setAsString("1234,5");
  f("C").setAsFloat(1234.5);
  f("D").setAsString("25/12/2008");
  f("T").setAsString("7:05");
  f("DT").setAsString("25/12/2008 14:30");
  f("B").setAsString("t");
  f("M").setAsString("linha 1\nlinha 2");
  struct Case {
    const char* field;
    const char* asString;
    const char* display;
    const char* edit;
  } cases[] = {
      {"S", "abcde", "abcde", "abcde"},
      {"I", "42", "42", "42"},
      {"F", "1234,5", "1234,5", "1234,5"},
      {"C", "1234,5", "1.234,50", "1234,50"},
      {"D", "25/12/2008", "25/12/2008", "25/12/2008"},
      {"T", "07:05:00", "07:05:00", "07:05:00"},
      {"DT", "25/12/2008 14:30:00", "25/12/2008 14:30:00", "25/12/2008 14:30:00"},
      {"B", "True", "True", "True"},
      {"M", "linha 1\nlinha 2", "(MEMO)", "linha 1\nlinha 2"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(f(c.field).asString(), QString::fromUtf8(c.asString)) << c.field;
    EXPECT_EQ(f(c.field).displayText(), QString::fromUtf8(c.display)) << c.field;
    EXPECT_EQ(f(c.field).text(), QString::fromUtf8(c.edit)) << c.field;
  }
  f("F").setDisplayFormat("#,##0.00");
  EXPECT_EQ(f("F").displayText(), "1.234,50");
  EXPECT_EQ(f("F").text(), "1234,5");
  f("DT").setAsString("25/12/2008");
  EXPECT_EQ(f("DT").displayText(), "25/12/2008") << "no time of day, no time";
  EXPECT_EQ(f("M").displayText(), "(MEMO)");
}

TEST_F(FieldTexts, EmptyTextsAreNullAndBadTextsAreRefused) {
  for (const char* name : {"S", "I", "F", "D", "T", "DT", "B"}) {
    f(name).setAsString("");
    EXPECT_TRUE(f(name).isNull()) << name;
    EXPECT_EQ(f(name).asString(), "") << name;
    EXPECT_EQ(f(name).displayText(), "") << name;
  }
  EXPECT_EQ(f("M").displayText(), "(memo)");
  struct Case {
    const char* field;
    const char* text;
    const char* message;
  } cases[] = {
      {"I", "1,5", "'1,5' is not a valid integer value"},
      {"F", "1.5", "'1.5' is not a valid floating point value"},
      {"D", "31/02/2008", "'31/02/2008' is not a valid date"},
      {"T", "25:00", "'25:00' is not a valid time"},
      {"DT", "x", "'x' is not a valid date and time"},
      {"B", "talvez", "'talvez' is not a valid boolean value"},
  };
  f("I").setAsInteger(1);
  for (const Case& c : cases) {
    const QVariant before = f(c.field).value();
    try {
      f(c.field).setAsString(c.text);
      ADD_FAILURE() << c.field << " took " << c.text;
    } catch (const pf::Error& e) {
      EXPECT_EQ(e.message(), QString::fromUtf8(c.message));
    }
    EXPECT_EQ(f(c.field).value(), before) << c.field;
  }
}

TEST_F(FieldTexts, HandlersAndAcceptedCharacters) {
  f("S").onGetText = [](pf::Field& field, QString& text, bool display) {
    text = (display ? "<" : "[") + field.value().toString() + (display ? ">" : "]");
  };
  f("S").onSetText = [](pf::Field& field, const QString& text) {
    field.setValue(text.toUpper());
  };
  f("S").setText("ab");
  EXPECT_EQ(f("S").asString(), "AB");
  EXPECT_EQ(f("S").displayText(), "<AB>");
  EXPECT_EQ(f("S").text(), "[AB]");

  QStringList changes;
  f("I").onValidate = [](pf::Field& field) {
    if (field.asInteger() < 0) throw pf::Error("negativo");
  };
  f("I").onChange = [&](pf::Field& field) { changes << field.asString(); };
  f("I").setAsInteger(3);
  EXPECT_THROW(f("I").setAsInteger(-1), pf::Error);
  EXPECT_EQ(f("I").asInteger(), 3);
  EXPECT_EQ(changes, QStringList({"3"}));

  EXPECT_TRUE(f("I").isValidChar(u'7'));
  EXPECT_FALSE(f("I").isValidChar(u','));
  EXPECT_TRUE(f("F").isValidChar(u','));
  EXPECT_FALSE(f("F").isValidChar(u'.'));
  EXPECT_TRUE(f("S").isValidChar(u'ç'));
  f("S").setValidChars("SN");
  EXPECT_FALSE(f("S").isValidChar(u'x'));
  f("S").resetValidChars();
  EXPECT_TRUE(f("S").isValidChar(u'x'));

  f("S").setReadOnly(true);
  EXPECT_FALSE(f("S").canModify());
  EXPECT_THROW(f("S").setAsString("x"), pf::Error);
  f("D").setRequired(true);
  f("D").setDisplayLabel("Data");
  try {
    table_.post();
    ADD_FAILURE() << "posted without a required value";
  } catch (const pf::Error& e) {
    EXPECT_EQ(e.message(), "Field 'Data' must have a value");
  }
  EXPECT_EQ(table_.state(), pf::DataSetState::Insert);
}

}  // namespace

#include "platform/Errors.h"
#include "platform/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class IniFileTest : public ::testing::Test {
 protected:
  QString path(const QString& name = QStringLiteral("test.ini")) const {
    return dir_.filePath(name);
  }
  QByteArray contents(const QString& file) const {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  void put(const QString& file, const QByteArray& data) const {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
  }
  QTemporaryDir dir_;
};

TEST_F(IniFileTest, MissingFileReadsDefaultsAndCreatesNothing) {
  pf::IniFile ini(path());
  EXPECT_EQ(ini.readString("A", "B", "def"), "def");
  EXPECT_EQ(ini.readInteger("A", "B", 7), 7);
  EXPECT_TRUE(ini.readBool("A", "B", true));
  EXPECT_TRUE(ini.sections().isEmpty());
  ini.deleteKey("A", "B");
  ini.eraseSection("A");
  EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(IniFileTest, WritesGoToDiskAtOnceInWindowsLayout) {
  const QString file = dir_.filePath("Log/DBA/20261211_100000.INI");
  pf::IniFile ini(file);
  ini.writeInteger("CABECALHO", "QUANTIDADE", 3);
  ini.writeString("ERROR(2)", "MESSAGE", "lock conflict");
  EXPECT_EQ(contents(file), QByteArray("[CABECALHO]\r\nQUANTIDADE=3\r\n\r\n\r\n"
                                       "[ERROR(2)]\r\nMESSAGE=lock conflict\r\n"));
  // A second object on the same file sees the first one's writes.
  pf::IniFile other(file);
  EXPECT_EQ(other.readInteger("cabecalho", "quantidade"), 3);
  EXPECT_EQ(other.readString("Error(2)", "Message"), "lock conflict");
}

TEST_F(IniFileTest, SectionNamesWithDateAndTimeAreKeptAsTheyStand) {
  pf::IniFile ini(path());
  const QString section = QStringLiteral("OCORRENCIA EM 11/12/2026 10:00:00");
  ini.writeString(section, "COMPUTERNAME", "PC01");
  ini.writeString(section, "MESSAGE", "first");
  ini.writeString(section, "MESSAGE", "second");  // same moment: the later value wins
  EXPECT_TRUE(contents(path()).contains("[OCORRENCIA EM 11/12/2026 10:00:00]\r\n"));
  EXPECT_EQ(ini.sections(), QStringList{section});
  EXPECT_EQ(ini.keys(section), (QStringList{"COMPUTERNAME", "MESSAGE"}));
  EXPECT_EQ(ini.readString(section, "MESSAGE"), "second");
}

TEST_F(IniFileTest, NamesAreCaseInsensitiveAndKeepTheirFirstSpelling) {
  pf::IniFile ini(path());
  ini.writeString("Connection", "DatabaseName", "srv:/db/a.fdb");
  ini.writeString("CONNECTION", "DATABASENAME", "srv:/db/b.fdb");
  ini.writeString("AÇÃO", "Chave", "1");
  EXPECT_EQ(ini.sections(), (QStringList{"Connection", "AÇÃO"}));
  EXPECT_EQ(ini.keys("connection"), QStringList{"DatabaseName"});
  EXPECT_EQ(ini.readString("connection", "databasename"), "srv:/db/b.fdb");
  EXPECT_EQ(ini.readString("ação", "CHAVE"), "1");
}

TEST_F(IniFileTest, TextIsStoredInWindows1252) {
  pf::IniFile ini(path());
  ini.writeString("USUÁRIO", "NOME", "João Ação €");
  EXPECT_TRUE(contents(path()).contains("[USU\xC1RIO]\r\nNOME=Jo\xE3o A\xE7\xE3o \x80\r\n"));
  EXPECT_EQ(ini.readString("USUÁRIO", "NOME"), "João Ação €");
}

TEST_F(IniFileTest, OtherContentIsKeptOnWrite) {
  put(path(), "; made by another program\r\n[CONNECTION]\r\nDATABASENAME=srv:/a.fdb\r\n"
              "[AUTOLOGIN]\r\nUSER=ADMIN\r\n");
  pf::IniFile ini(path());
  ini.writeString("connection", "DATABASENAME", "srv:/b.fdb");
  ini.writeString("NEW", "K", "v");
  const QByteArray after = contents(path());
  EXPECT_TRUE(after.contains("; made by another program")) << after.constData();
  EXPECT_TRUE(after.contains("[AUTOLOGIN]\r\nUSER=ADMIN\r\n")) << after.constData();
  EXPECT_TRUE(after.contains("[CONNECTION]\r\nDATABASENAME=srv:/b.fdb\r\n")) << after.constData();
  EXPECT_EQ(ini.sections(), (QStringList{"CONNECTION", "AUTOLOGIN", "NEW"}));
}

TEST_F(IniFileTest, ReadsFilesWithLfOnlyBlanksAndQuotes) {
  put(path(), "[S]\n  A =  spaced value  \nB=\"quoted\"\nC='single'\nD=\"\nE=x\nE=y\n");
  pf::IniFile ini(path());
  EXPECT_EQ(ini.readString("S", "A"), "spaced value");
  EXPECT_EQ(ini.readString("S", "B"), "quoted");
  EXPECT_EQ(ini.readString("S", "C"), "single");
  EXPECT_EQ(ini.readString("S", "D"), "\"");
  EXPECT_EQ(ini.readString("S", "E"), "x") << "the first of two duplicates is read";
  EXPECT_EQ(ini.readString("S", "missing", "d"), "d");
  EXPECT_EQ(ini.readString("S", "A", "d"), "spaced value");
}

TEST_F(IniFileTest, EmptyValueIsNotTheDefault) {
  pf::IniFile ini(path());
  ini.writeString("S", "K", "");
  EXPECT_EQ(ini.readString("S", "K", "def"), "");
  EXPECT_TRUE(ini.keyExists("S", "K"));
}

TEST_F(IniFileTest, LineBreaksInAValueCannotBreakTheFile) {
  pf::IniFile ini(path());
  ini.writeString("S", "MESSAGE", "violation of PRIMARY KEY\r\non table \"X\"\n[FAKE]");
  ini.writeString("S", "NEXT", "1");
  EXPECT_EQ(ini.readString("S", "MESSAGE"), "violation of PRIMARY KEY on table \"X\" [FAKE]");
  EXPECT_EQ(ini.sections(), QStringList{"S"});
  EXPECT_EQ(ini.readInteger("S", "NEXT"), 1);
}

TEST_F(IniFileTest, IntegersAndBooleans) {
  struct Case {
    const char* text;
    int expected;
  } cases[] = {
      {"42", 42},     {"-17", -17}, {" 8 ", 8},          {"0x1F", 31},  {"$ff", 255},
      {"12abc", -1},  {"", -1},     {"abc", -1},         {"99999999999", -1},
      {"+5", 5},      {"-0x10", -16},
  };
  pf::IniFile ini(path());
  for (const Case& c : cases) {
    ini.writeString("N", "V", c.text);
    EXPECT_EQ(ini.readInteger("N", "V", -1), c.expected) << c.text;
  }
  ini.writeBool("B", "T", true);
  ini.writeBool("B", "F", false);
  ini.writeString("B", "X", "2");
  ini.writeString("B", "Y", "yes");
  EXPECT_EQ(ini.readString("B", "T"), "1");
  EXPECT_EQ(ini.readString("B", "F"), "0");
  EXPECT_TRUE(ini.readBool("B", "T"));
  EXPECT_FALSE(ini.readBool("B", "F", true));
  EXPECT_TRUE(ini.readBool("B", "X"));
  EXPECT_TRUE(ini.readBool("B", "Y", true)) << "not a number: the default";
  EXPECT_FALSE(ini.readBool("B", "Y", false));
}

TEST_F(IniFileTest, EraseSectionAndDeleteKey) {
  pf::IniFile ini(path());
  ini.writeString("A", "K1", "1");
  ini.writeString("A", "K2", "2");
  ini.writeString("B", "K", "3");
  ini.deleteKey("a", "k1");
  EXPECT_EQ(ini.keys("A"), QStringList{"K2"});
  ini.deleteKey("A", "K2");
  EXPECT_FALSE(ini.sectionExists("A")) << "a section left without keys counts as absent";
  ini.eraseSection("b");
  EXPECT_FALSE(ini.sectionExists("B"));
  EXPECT_FALSE(contents(path()).contains("[B]"));
}

TEST_F(IniFileTest, UnwritablePlaceThrowsAndLeavesTheOldFile) {
  // A plain file where a folder should be: the folder cannot be created.
  put(dir_.filePath("Log"), "not a folder");
  pf::IniFile blocked(dir_.filePath("Log/EXCEPTION/x.INI"));
  EXPECT_THROW(blocked.writeString("S", "K", "v"), pf::Error);

  pf::IniFile ini(path());
  ini.writeString("S", "K", "old");
  QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::ExeOwner);
  const bool canStillWrite = QFile(dir_.filePath("probe")).open(QIODevice::WriteOnly);
  if (!canStillWrite) {  // root ignores permissions
    EXPECT_THROW(ini.writeString("S", "K", "new"), pf::Error);
    EXPECT_EQ(ini.readString("S", "K"), "old");
  }
  QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

}  // namespace

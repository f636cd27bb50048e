#include "app/VersionInfo.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QTemporaryDir>

#include "UpdateFixtures.h"

using update_fixtures::elfFile;
using update_fixtures::ElfLayout;
using update_fixtures::writeFile;

TEST(ReadFileVersion, FindsTheNoteInEveryKindOfElfFile) {
  QTemporaryDir dir;
  const auto layout = [](auto change) {
    ElfLayout s;
    change(s);
    return s;
  };
  const struct {
    const char* name;
    ElfLayout layout;
    const char* version;  // nullptr: none
  } cases[] = {
      {"64-bit", {}, "1.0.0.12"},
      {"32-bit", layout([](ElfLayout& s) { s.is64 = false; }), "1.0.0.12"},
      {"64-bit big-endian", layout([](ElfLayout& s) {
         s.bigEndian = true;
         s.version = {1, 2, 3, 40000};
       }),
       "1.2.3.40000"},
      {"32-bit big-endian", layout([](ElfLayout& s) {
         s.is64 = false;
         s.bigEndian = true;
         s.version = {5, 6, 7, 8};
       }),
       "5.6.7.8"},
      {"behind a foreign note", layout([](ElfLayout& s) { s.otherNoteFirst = true; }), "1.0.0.12"},
      {"no note section", layout([](ElfLayout& s) { s.withNote = false; }), nullptr},
      {"another owner's note", layout([](ElfLayout& s) { s.noteName = "Kelvx"; }), nullptr},
      {"another note type", layout([](ElfLayout& s) { s.noteType = 2; }), nullptr},
      {"note section past the end", layout([](ElfLayout& s) { s.noteOffset = 1u << 30; }), nullptr},
      {"note section overlapping the end", layout([](ElfLayout& s) { s.noteOffset = 220; }),
       nullptr},
  };
  for (const auto& c : cases) {
    const QString path = dir.filePath(QString::fromLatin1(c.name));
    writeFile(path, elfFile(c.layout));
    const auto v = readFileVersion(path);
    if (c.version) {
      ASSERT_TRUE(v.has_value()) << c.name;
      EXPECT_EQ(v->toString(), QLatin1String(c.version)) << c.name;
    } else {
      EXPECT_FALSE(v.has_value()) << c.name << ": " << v->toString().toStdString();
    }
  }
}

TEST(ReadFileVersion, FilesWithoutTheNoteHaveNoVersion) {
  QTemporaryDir dir;
  const QByteArray elf = elfFile();
  const struct {
    const char* name;
    QByteArray bytes;
  } cases[] = {
      {"empty", {}},
      {"text", "1.0.0.12\n"},
      {"windows executable", "MZ" + QByteArray(200, '\0')},
      {"header only", elf.left(64)},
      {"cut inside the section table", elf.left(elf.size() - 10)},
      {"cut inside the note", elf.left(80)},
      {"unknown class", elf.left(4) + '\x09' + elf.mid(5)},
  };
  for (const auto& c : cases) {
    const QString path = dir.filePath(QString::fromLatin1(c.name));
    writeFile(path, c.bytes);
    EXPECT_FALSE(readFileVersion(path).has_value()) << c.name;
  }
  EXPECT_FALSE(readFileVersion(dir.filePath("missing")).has_value());
  EXPECT_FALSE(readFileVersion(dir.path()).has_value());
}

// Opening a pipe for reading would wait for a writer for ever.
TEST(ReadFileVersion, APipeIsNotReadAtAll) {
  QTemporaryDir dir;
  const QString fifo = dir.filePath("pipe");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  EXPECT_FALSE(readFileVersion(fifo).has_value());
}

TEST(ReadFileVersion, TheProgramCarriesItsVersion) {
  const auto v = readFileVersion(QStringLiteral(ACESSOS_PROGRAM));
  ASSERT_TRUE(v.has_value());
  EXPECT_EQ(v->toString(), QLatin1String("1.0.0.12"));
}

#include "platform/Cp1252.h"

#include <gtest/gtest.h>

TEST(Cp1252, RoundTripsEveryDefinedByte) {
  QByteArray all;
  for (int b = 0; b < 256; ++b) all.append(static_cast<char>(b));
  EXPECT_EQ(pf::toCp1252(pf::fromCp1252(all)), all);
}

TEST(Cp1252, MapsTheSpecialRangeAndLatin1) {
  struct Case {
    QString text;
    QByteArray bytes;
  } cases[] = {
      {QStringLiteral("USUÁRIOS"), QByteArray("USU\xC1RIOS")},
      {QStringLiteral("€"), QByteArray("\x80")},
      {QStringLiteral("“ação”"), QByteArray("\x93" "a\xE7\xE3o" "\x94")},
      {QStringLiteral("Œœ™"), QByteArray("\x8C\x9C\x99")},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(pf::toCp1252(c.text), c.bytes) << c.text.toStdString();
    EXPECT_EQ(pf::fromCp1252(c.bytes), c.text) << c.text.toStdString();
  }
}

TEST(Cp1252, UnmappableCharactersBecomeQuestionMarks) {
  EXPECT_EQ(pf::toCp1252(QStringLiteral("a\u4E2Db\u0080")), QByteArray("a?b?"));
}

#include "login/KelvoHash.h"

#include <gtest/gtest.h>

TEST(PasswordHash, RfcTestVectorsInUpperCase) {
  const struct {
    const char* text;
    const char* digest;
  } cases[] = {
      {"", "D41D8CD98F00B204E9800998ECF8427E"},
      {"a", "0CC175B9C0F1B6A831C399E269772661"},
      {"abc", "900150983CD24FB0D6963F7D28E17F72"},
      {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
      {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "D174AB98D277D9F5A5611C2C9F419D9F"},
      {"1234567890123456789012345678901234567890"
       "1234567890123456789012345678901234567890",
       "57EDF4A22BE3C955AC49DA2E2107B67A"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PasswordHash(QString::fromLatin1(c.text)), QLatin1String(c.digest)) << c.text;
}

// Lengths around the 56-byte mark decide whether the length goes into a second block.
TEST(PasswordHash, PaddingAtBlockBoundaries) {
  const struct {
    int length;
    const char* digest;
  } cases[] = {
      {55, "04364420E25C512FD958A70738AA8F72"}, {56, "668A72D5BA17F08E62DABCAFAD6DB14B"},
      {63, "7DC2CA208106A2F703567BDFF99D8981"}, {64, "C1BB4F81D892B2D57947682AEB252456"},
      {65, "1BC932052302D074BDEC39795FE00CF6"}, {119, "AB347A5F68C8A443CFCDDC633F12C24F"},
      {120, "FB98667F98096DE92620B64F46E1C5B5"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PasswordHash(QString(c.length, u'x')), QLatin1String(c.digest)) << c.length;
}

TEST(PasswordHash, AccentedTextIsHashedOverItsWindows1252Bytes) {
  // ç and ã are one byte each in Windows-1252; € is 0x80 there, outside Latin-1.
  EXPECT_EQ(PasswordHash(QStringLiteral("ação")), QLatin1String("AE4A7803202641A834921DAD2D15BB2C"));
  EXPECT_EQ(PasswordHash(QStringLiteral("Senha€Ç")),
            QLatin1String("B26B47E70F964BBCB3C2303D95913C19"));
}

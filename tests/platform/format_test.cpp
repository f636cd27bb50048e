#include "platform/FormatSettings.h"

#include <gtest/gtest.h>

TEST(FormatDateTime, DelphiSpecifiers) {
  const QDateTime v(QDate(2026, 3, 7), QTime(9, 5, 4, 30));
  struct Case {
    const char* format;
    const char* expected;
  } cases[] = {
      {"dd/mm/yyyy", "07/03/2026"},
      {"d/m/yy", "7/3/26"},
      {"hh:nn:ss", "09:05:04"},
      {"hh:mm", "09:05"},
      {"yyyymmdd_hhnnss", "20260307_090504"},
      {"'dia' dd", "dia 07"},
      {"zzz", "030"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(pf::formatDateTime(QString::fromUtf8(c.format), v), QString::fromUtf8(c.expected))
        << c.format;
}

TEST(FormatDateTime, UsesTheConfiguredSeparatorsAndNames) {
  pf::FormatSettings saved = pf::formatSettings();
  pf::formatSettings().dateSeparator = u'-';
  pf::formatSettings().longMonthNames[2] = QStringLiteral("Março");
  const QDateTime v(QDate(2026, 3, 7), QTime(0, 0));
  EXPECT_EQ(pf::formatDateTime(u"dd/mm/yyyy", v), QStringLiteral("07-03-2026"));
  EXPECT_EQ(pf::formatDateTime(u"d \"de\" mmmm", v), QStringLiteral("7 de Março"));
  pf::formatSettings() = saved;
}

#pragma once

#include <QDateTime>
#include <QString>
#include <QLocale>
#include <QStringList>

namespace pf {

// The program's number and date conventions. Fixed at start-up by the shared
// settings; they never follow the workstation's locale.
struct FormatSettings {
  QString currencyString;
  QChar decimalSeparator = u'.';
  QChar thousandSeparator = u',';
  QChar listSeparator = u',';
  QChar dateSeparator = u'/';
  QChar timeSeparator = u':';
  QString shortDateFormat = QStringLiteral("dd/mm/yyyy");
  QString longTimeFormat = QStringLiteral("hh:nn:ss");
  QStringList longMonthNames;   // January first
  QStringList shortMonthNames;
  QStringList longDayNames;     // Sunday first
  QStringList shortDayNames;
};

FormatSettings& formatSettings();

// Delphi-style FormatDateTime: d dd ddd dddd ddddd, m mm mmm mmmm, yy yyyy, h hh, n nn,
// s ss, z zzz, am/pm, c, t, tt, '/' and ':' as the separators, quoted text verbatim.
// "m" after "h" means minutes.
QString formatDateTime(QStringView format, const QDateTime& value);

// The zero date-time of the platform (30 December 1899, 00:00).
QDateTime zeroDateTime();
// Days since the zero date, with the time of day as a fraction.
double toDateTimeNumber(const QDateTime& value);

}  // namespace pf

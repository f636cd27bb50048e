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
  int currencyDecimals = 2;
  int twoDigitYearCenturyWindow = 50;
};

FormatSettings& formatSettings();
// The program's fixed separators and short date format (names are set apart).
void setFixedConventions(FormatSettings& settings);

// Delphi-style FormatDateTime: d dd ddd dddd ddddd, m mm mmm mmmm, yy yyyy, h hh, n nn,
// s ss, z zzz, am/pm, c, t, tt, '/' and ':' as the separators, quoted text verbatim.
// "m" after "h" means minutes.
QString formatDateTime(QStringView format, const QDateTime& value);

// Text conversions in these conventions; false when the text is no such value.
// Integers: optional leading blanks and sign, decimal digits or $hex, nothing after.
bool parseInteger(QStringView text, qint64& value);
// Floats: blanks, sign, digits with the decimal separator, exponent; no thousands separator.
bool parseFloat(QStringView text, double& value);
// Dates in the order of the short date format; a missing year is the current one.
bool parseDate(QStringView text, QDate& value);
// h:n[:s[.z]] with an optional AM/PM.
bool parseTime(QStringView text, QTime& value);
// A date, optionally followed by a blank and a time.
bool parseDateTime(QStringView text, QDateTime& value);

// General format, 15 significant digits, the decimal separator.
QString formatFloat(double value);
// Fixed number of decimals, with or without the thousands separator.
QString formatFixed(double value, int decimals, bool thousands);
// A "#,##0.00" style pattern (first section only).
QString formatFloatPattern(QStringView pattern, double value);

// The zero date-time of the platform (30 December 1899, 00:00).
QDateTime zeroDateTime();
// Days since the zero date, with the time of day as a fraction.
double toDateTimeNumber(const QDateTime& value);

}  // namespace pf

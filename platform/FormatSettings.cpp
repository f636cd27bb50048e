#include "FormatSettings.h"

#include <QRegularExpression>

#include <cctype>
#include <cmath>

namespace pf {

FormatSettings& formatSettings() {
  static FormatSettings settings = [] {
    FormatSettings s;
    const QLocale c = QLocale::c();
    for (int m = 1; m <= 12; ++m) {
      s.longMonthNames << c.monthName(m, QLocale::LongFormat);
      s.shortMonthNames << c.monthName(m, QLocale::ShortFormat);
    }
    for (int d = 0; d < 7; ++d) {  // Qt counts Monday as 1, Sunday as 7
      const int qtDay = d == 0 ? 7 : d;
      s.longDayNames << c.dayName(qtDay, QLocale::LongFormat);
      s.shortDayNames << c.dayName(qtDay, QLocale::ShortFormat);
    }
    return s;
  }();
  return settings;
}

void setFixedConventions(FormatSettings& s) {
  s.currencyString.clear();
  s.decimalSeparator = u',';
  s.thousandSeparator = u'.';
  s.listSeparator = u';';
  s.dateSeparator = u'/';
  s.timeSeparator = u':';
  s.shortDateFormat = QStringLiteral("dd/mm/yyyy");
}

QDateTime zeroDateTime() { return QDateTime(QDate(1899, 12, 30), QTime(0, 0)); }

double toDateTimeNumber(const QDateTime& value) {
  const qint64 days = QDate(1899, 12, 30).daysTo(value.date());
  const double fraction = value.time().msecsSinceStartOfDay() / 86400000.0;
  return days >= 0 ? days + fraction : days - fraction;
}

namespace {

QString pad(int v, int width) { return QString::number(v).rightJustified(width, u'0'); }

void appendFormatted(QString& out, QStringView f, const QDateTime& v, int depth);

// Counts the run of one letter (case-insensitive) starting at i.
int run(QStringView f, qsizetype i) {
  int n = 0;
  while (i + n < f.size() && f[i + n].toLower() == f[i].toLower()) ++n;
  return n;
}

void appendFormatted(QString& out, QStringView f, const QDateTime& v, int depth) {
  const FormatSettings& s = formatSettings();
  const QDate date = v.date();
  const QTime time = v.time();
  bool lastWasHour = false;
  for (qsizetype i = 0; i < f.size();) {
    const QChar c = f[i];
    const QChar lc = c.toLower();
    if (c == u'"' || c == u'\'') {
      const qsizetype end = f.indexOf(c, i + 1);
      out += f.mid(i + 1, (end < 0 ? f.size() : end) - i - 1);
      i = end < 0 ? f.size() : end + 1;
      continue;
    }
    if (c == u'/') { out += s.dateSeparator; ++i; continue; }
    if (c == u':') { out += s.timeSeparator; ++i; continue; }
    if (f.mid(i, 5).compare(u"am/pm", Qt::CaseInsensitive) == 0) {
      out += time.hour() < 12 ? QStringLiteral("am") : QStringLiteral("pm");
      i += 5;
      continue;
    }
    const int n = run(f, i);
    if (lc == u'd') {
      const int dow = date.dayOfWeek() % 7;  // Sunday 0
      if (n == 1) out += QString::number(date.day());
      else if (n == 2) out += pad(date.day(), 2);
      else if (n == 3) out += s.shortDayNames.value(dow);
      else if (n == 4) out += s.longDayNames.value(dow);
      else if (depth < 2) appendFormatted(out, s.shortDateFormat, v, depth + 1);
      i += std::min(n, 6);
      lastWasHour = false;
    } else if (lc == u'm') {
      if (lastWasHour && n <= 2) {
        out += n == 1 ? QString::number(time.minute()) : pad(time.minute(), 2);
      } else if (n == 1) out += QString::number(date.month());
      else if (n == 2) out += pad(date.month(), 2);
      else if (n == 3) out += s.shortMonthNames.value(date.month() - 1);
      else out += s.longMonthNames.value(date.month() - 1);
      i += std::min(n, 4);
      lastWasHour = false;
    } else if (lc == u'y') {
      out += n <= 2 ? pad(date.year() % 100, 2) : pad(date.year(), 4);
      i += n;
      lastWasHour = false;
    } else if (lc == u'h') {
      out += n == 1 ? QString::number(time.hour()) : pad(time.hour(), 2);
      i += std::min(n, 2);
      lastWasHour = true;
    } else if (lc == u'n') {
      out += n == 1 ? QString::number(time.minute()) : pad(time.minute(), 2);
      i += std::min(n, 2);
      lastWasHour = false;
    } else if (lc == u's') {
      out += n == 1 ? QString::number(time.second()) : pad(time.second(), 2);
      i += std::min(n, 2);
      lastWasHour = false;
    } else if (lc == u'z') {
      out += n < 3 ? QString::number(time.msec()) : pad(time.msec(), 3);
      i += std::min(n, 3);
    } else if (lc == u'c' && depth < 2) {
      appendFormatted(out, s.shortDateFormat, v, depth + 1);
      if (time.msecsSinceStartOfDay() != 0) {
        out += u' ';
        appendFormatted(out, s.longTimeFormat, v, depth + 1);
      }
      ++i;
    } else if (lc == u't' && depth < 2) {
      appendFormatted(out, n >= 2 ? QStringView(s.longTimeFormat) : u"hh:nn", v, depth + 1);
      i += std::min(n, 2);
    } else {
      out += c;
      ++i;
    }
  }
}

}  // namespace

QString formatDateTime(QStringView format, const QDateTime& value) {
  QString out;
  appendFormatted(out, format, value, 0);
  return out;
}

}  // namespace pf

namespace pf {

namespace {

QStringView skipBlanks(QStringView t) {
  while (!t.isEmpty() && t.front() == u' ') t = t.mid(1);
  return t;
}

// Reads an unsigned decimal number; false when there is no digit.
bool readNumber(QStringView& t, int& value, int maxDigits = 9) {
  int n = 0;
  value = 0;
  while (n < t.size() && n < maxDigits && t[n].isDigit()) value = value * 10 + t[n++].digitValue();
  if (n == 0) return false;
  t = t.mid(n);
  return true;
}

int expandYear(int year, int digits) {
  if (digits > 2) return year;
  const int window = formatSettings().twoDigitYearCenturyWindow;
  const int current = QDate::currentDate().year();
  int result = current / 100 * 100 + year;
  if (window > 0) {
    const int threshold = current - window;
    if (result < threshold) result += 100;
    else if (result >= threshold + 100) result -= 100;
  }
  return result;
}

// Order of day, month and year in the short date format: a string of 'D', 'M', 'Y'.
QString dateOrder() {
  QString order;
  for (const QChar c : formatSettings().shortDateFormat) {
    const QChar u = c.toUpper();
    if ((u == u'D' || u == u'M' || u == u'Y') && !order.contains(u)) order += u;
  }
  return order.size() == 3 ? order : QStringLiteral("DMY");
}

bool scanDate(QStringView& t, QDate& value) {
  const QChar sep = formatSettings().dateSeparator;
  t = skipBlanks(t);
  int parts[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  int count = 0;
  while (count < 3) {
    const qsizetype before = t.size();
    if (!readNumber(t, parts[count], 4)) return false;
    digits[count] = static_cast<int>(before - t.size());
    ++count;
    if (count == 3 || t.isEmpty() || t.front() != sep) break;
    t = t.mid(1);
  }
  if (count < 2) return false;
  const QString order = dateOrder();
  int day = 0, month = 0, year = QDate::currentDate().year();
  if (count == 3) {
    for (int i = 0; i < 3; ++i) {
      if (order[i] == u'D') day = parts[i];
      else if (order[i] == u'M') month = parts[i];
      else year = expandYear(parts[i], digits[i]);
    }
  } else {
    // Two numbers: day and month in the order of the format.
    const bool monthFirst = order.indexOf(u'M') < order.indexOf(u'D');
    day = parts[monthFirst ? 1 : 0];
    month = parts[monthFirst ? 0 : 1];
  }
  value = QDate(year, month, day);
  return value.isValid();
}

bool scanTime(QStringView& t, QTime& value) {
  const QChar sep = formatSettings().timeSeparator;
  t = skipBlanks(t);
  int h = 0, m = 0, s = 0, z = 0;
  if (!readNumber(t, h, 2)) return false;
  if (t.isEmpty() || t.front() != sep) return false;
  t = t.mid(1);
  if (!readNumber(t, m, 2)) return false;
  if (!t.isEmpty() && t.front() == sep) {
    t = t.mid(1);
    if (!readNumber(t, s, 2)) return false;
    if (!t.isEmpty() && (t.front() == u'.' || t.front() == formatSettings().decimalSeparator)) {
      t = t.mid(1);
      if (!readNumber(t, z, 3)) return false;
    }
  }
  t = skipBlanks(t);
  if (t.startsWith(u"AM", Qt::CaseInsensitive) || t.startsWith(u"PM", Qt::CaseInsensitive)) {
    if (h == 0 || h > 12) return false;
    const bool pm = t.front().toUpper() == u'P';
    if (h == 12) h = 0;
    if (pm) h += 12;
    t = t.mid(2);
  }
  value = QTime(h, m, s, z);
  return value.isValid();
}

}  // namespace

bool parseInteger(QStringView text, qint64& value) {
  QStringView t = skipBlanks(text);
  bool negative = false;
  if (!t.isEmpty() && (t.front() == u'-' || t.front() == u'+')) {
    negative = t.front() == u'-';
    t = t.mid(1);
  }
  int base = 10;
  if (!t.isEmpty() && t.front() == u'$') {
    base = 16;
    t = t.mid(1);
  }
  if (t.isEmpty()) return false;
  for (const QChar c : t)
    if (!(base == 10 ? c.isDigit() : isxdigit(c.toLatin1()) != 0) || c.unicode() > 127)
      return false;
  bool ok = false;
  const qint64 v = t.toLongLong(&ok, base);
  if (!ok) return false;
  value = negative ? -v : v;
  return true;
}

bool parseFloat(QStringView text, double& value) {
  const QChar dec = formatSettings().decimalSeparator;
  QStringView t = text.trimmed();
  QString plain;
  qsizetype i = 0;
  if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) plain += t[i++];
  int digits = 0;
  while (i < t.size() && t[i].isDigit()) { plain += t[i++]; ++digits; }
  if (i < t.size() && t[i] == dec) {
    plain += u'.';
    ++i;
    while (i < t.size() && t[i].isDigit()) { plain += t[i++]; ++digits; }
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
    plain += u'e';
    ++i;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) plain += t[i++];
    int expDigits = 0;
    while (i < t.size() && t[i].isDigit()) { plain += t[i++]; ++expDigits; }
    if (expDigits == 0) return false;
  }
  if (i != t.size()) return false;
  bool ok = false;
  const double v = plain.toDouble(&ok);
  if (!ok) return false;
  value = v;
  return true;
}

bool parseDate(QStringView text, QDate& value) {
  QStringView t = text;
  QDate d;
  if (!scanDate(t, d) || !skipBlanks(t).isEmpty()) return false;
  value = d;
  return true;
}

bool parseTime(QStringView text, QTime& value) {
  QStringView t = text;
  QTime v;
  if (!scanTime(t, v) || !skipBlanks(t).isEmpty()) return false;
  value = v;
  return true;
}

bool parseDateTime(QStringView text, QDateTime& value) {
  QStringView t = text;
  QDate d;
  if (!scanDate(t, d)) return false;
  QTime time(0, 0);
  if (!skipBlanks(t).isEmpty() && !scanTime(t, time)) return false;
  if (!skipBlanks(t).isEmpty()) return false;
  value = QDateTime(d, time);
  return true;
}

QString formatFloat(double value) {
  QString s = QString::number(value, 'g', 15);
  s.replace(QStringLiteral("e+"), QStringLiteral("E"));
  s.replace(u'e', u'E');
  s.replace(u'.', formatSettings().decimalSeparator);
  return s;
}

namespace {

QString groupThousands(const QString& digits) {
  QString out;
  const QChar sep = formatSettings().thousandSeparator;
  for (qsizetype i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += sep;
    out += digits[i];
  }
  return out;
}

QString fixedText(double value, int minDecimals, int maxDecimals, int minIntDigits,
                  bool thousands) {
  QString s = QString::number(std::fabs(value), 'f', maxDecimals);
  QString intPart = s.section(u'.', 0, 0);
  QString frac = s.section(u'.', 1);
  while (frac.size() > minDecimals && frac.endsWith(u'0')) frac.chop(1);
  while (intPart.size() < minIntDigits) intPart.prepend(u'0');
  if (minIntDigits == 0 && intPart == u"0") intPart.clear();
  if (thousands) intPart = groupThousands(intPart);
  QString out = intPart;
  if (!frac.isEmpty()) out += formatSettings().decimalSeparator + frac;
  const bool zero = QString(out).remove(QRegularExpression(QStringLiteral("[^1-9]"))).isEmpty();
  if (value < 0 && !zero) out.prepend(u'-');
  return out;
}

}  // namespace

QString formatFixed(double value, int decimals, bool thousands) {
  return fixedText(value, decimals, decimals, 1, thousands);
}

QString formatFloatPattern(QStringView pattern, double value) {
  const QStringView section = pattern.left(pattern.indexOf(u';'));
  qsizetype prefixEnd = 0;
  while (prefixEnd < section.size() && !QStringView(u"#0.,").contains(section[prefixEnd]))
    ++prefixEnd;
  qsizetype suffixStart = section.size();
  while (suffixStart > prefixEnd && !QStringView(u"#0.,").contains(section[suffixStart - 1]))
    --suffixStart;
  const QStringView body = section.mid(prefixEnd, suffixStart - prefixEnd);
  const qsizetype dot = body.indexOf(u'.');
  const QStringView intBody = dot < 0 ? body : body.left(dot);
  const QStringView fracBody = dot < 0 ? QStringView() : body.mid(dot + 1);
  const int minInt = static_cast<int>(intBody.count(u'0'));
  const int minDec = static_cast<int>(fracBody.count(u'0'));
  const int maxDec = static_cast<int>(fracBody.count(u'0') + fracBody.count(u'#'));
  return section.left(prefixEnd).toString() +
         fixedText(value, minDec, maxDec, minInt, intBody.contains(u',')) +
         section.mid(suffixStart).toString();
}

}  // namespace pf

#include "FormatSettings.h"

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

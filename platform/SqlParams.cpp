#include "SqlParams.h"

namespace pf {

namespace {
bool nameStart(QChar c) { return c.isLetter() || c == u'_' || c == u'$'; }
bool namePart(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$'; }
}  // namespace

ParsedSql parseNamedParams(const QString& sql) {
  ParsedSql out;
  out.text.reserve(sql.size());
  const qsizetype n = sql.size();
  qsizetype i = 0;
  auto copyUntil = [&](qsizetype end) {
    out.text += QStringView(sql).mid(i, end - i);
    i = end;
  };
  while (i < n) {
    const QChar c = sql[i];
    if (c == u'\'' || c == u'"') {  // literal or quoted identifier; doubled quotes stay inside
      qsizetype j = i + 1;
      while (j < n) {
        if (sql[j] == c) {
          if (j + 1 < n && sql[j + 1] == c) {
            j += 2;
            continue;
          }
          ++j;
          break;
        }
        ++j;
      }
      copyUntil(std::min(j, n));
    } else if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
      const qsizetype eol = sql.indexOf(u'\n', i);
      copyUntil(eol < 0 ? n : eol);
    } else if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
      const qsizetype end = sql.indexOf(u"*/", i + 2);
      copyUntil(end < 0 ? n : end + 2);
    } else if (c == u':' && i + 1 < n && nameStart(sql[i + 1])) {
      qsizetype j = i + 1;
      while (j < n && namePart(sql[j])) ++j;
      const QString name = sql.mid(i + 1, j - i - 1).toUpper();
      out.positions << name;
      if (!out.names.contains(name)) out.names << name;
      out.text += u'?';
      i = j;
    } else {
      out.text += c;
      ++i;
    }
  }
  return out;
}

}  // namespace pf

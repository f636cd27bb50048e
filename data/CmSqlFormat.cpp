#include "CmSqlFormat.h"

#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/FormatSettings.h"

namespace {

[[noreturn]] void conversionFailed(const QString& message) {
  pf::messageBox(message, QStringLiteral("Erro"), pf::MsgKind::Error, {pf::MsgButton::Ok});
  throw pf::Abort();
}

QString two(int v) { return QString::number(v).rightJustified(2, u'0'); }

QString dateLiteral(const QDate& d) {
  return two(d.month()) + u'/' + two(d.day()) + u'/' +
         QString::number(d.year()).rightJustified(4, u'0');
}

QString timeLiteral(const QTime& t) {
  return two(t.hour()) + u':' + two(t.minute()) + u':' + two(t.second());
}

QString quoted(const QString& text) {
  return u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\'';
}

}  // namespace

QString FormatValueSql(const QVariant& value, TSqlValueKind kind) {
  if (!value.isValid() || value.isNull())
    throw pf::Error(QStringLiteral("Invalid value for FormatValueSql (Lavrix Error)"));
  const QString text = value.toString();
  switch (kind) {
    case svString: return quoted(text);
    case svInteger: {
      if (text.isEmpty()) return QStringLiteral("NULL");
      qint64 n = 0;
      if (!pf::parseInteger(text, n) || n < INT32_MIN || n > INT32_MAX)
        conversionFailed(QStringLiteral("Valor inválido"));
      return text;
    }
    case svFloat: {
      if (text.isEmpty()) return QStringLiteral("NULL");
      double d = 0;
      if (!pf::parseFloat(text, d)) conversionFailed(QStringLiteral("Valor inválido"));
      QString out = text;
      const qsizetype comma = out.indexOf(u',');
      if (comma >= 0) out[comma] = u'.';
      return out;
    }
    case svDate: {
      QDate d;
      if (!pf::parseDate(text, d)) conversionFailed(QStringLiteral("Data inválida"));
      return u'\'' + dateLiteral(d) + u'\'';
    }
    case svTime: {
      QTime t;
      if (!pf::parseTime(text, t)) conversionFailed(QStringLiteral("Hora inválida"));
      return u'\'' + timeLiteral(t) + u'\'';
    }
  }
  return QStringLiteral("0");
}

QString FormatFieldSql(const pf::Field& field, const QString& value) {
  const QString text = value == u"@" ? field.asString() : value;
  switch (field.dataType()) {
    case pf::FieldType::String:
    case pf::FieldType::FixedChar:
    case pf::FieldType::Memo: return FormatValueSql(text, svString);
    case pf::FieldType::SmallInt:
    case pf::FieldType::Integer: return FormatValueSql(text, svInteger);
    case pf::FieldType::Float:
    case pf::FieldType::Currency: return FormatValueSql(text, svFloat);
    case pf::FieldType::Date: return FormatValueSql(text, svDate);
    case pf::FieldType::Time: return FormatValueSql(text, svTime);
    case pf::FieldType::DateTime: {
      QDateTime dt;
      if (!pf::parseDateTime(text, dt)) conversionFailed(QStringLiteral("Data e hora inválida"));
      return u'\'' + dateLiteral(dt.date()) + u' ' + timeLiteral(dt.time()) + u'\'';
    }
    default: return QStringLiteral("0");
  }
}

#include "CmIBSQL.h"

#include "platform/Errors.h"

namespace {

QString valueText(const QVariant& v) {
  switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
      return QString::number(v.toDouble(), 'g', 17);
    case QMetaType::Bool:
      return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
      return v.toString();
  }
}

// A quote inside the value is doubled so that the literal stays one literal.
QString quoted(const QVariant& v) {
  QString text = valueText(v);
  text.replace(u'\'', QStringLiteral("''"));
  return u'\'' + text + u'\'';
}

}  // namespace

void TCmIBSQL::ExecSQL(const QString& text) {
  close();
  setSql(text);
  prepare();
  execQuery();
}

QString TCmIBSQL::ProcedureText(const QString& name, const QVariantList& values) {
  if (values.isEmpty())
    throw pf::Error(QStringLiteral("ExecuteProcedure needs at least one value"));
  QString text = QStringLiteral("Execute Procedure ") + name + u'\r' + QStringLiteral(" (");
  for (qsizetype i = 0; i + 1 < values.size(); ++i)
    text += quoted(values[i]) + QStringLiteral(", ");
  return text + quoted(values.last()) + u')';
}

void TCmIBSQL::ExecuteProcedure(const QString& name, const QVariantList& values) {
  ExecSQL(ProcedureText(name, values));
}

#include "CmDataSet.h"

#include "CmIBSQL.h"
#include "CmSqlFormat.h"

#include "platform/Errors.h"

#include <QRegularExpression>

#include <array>

namespace {

// Items of a text split at line breaks; a final line break adds no empty item.
QStringList lines(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
  if (text.isEmpty()) return {};
  QStringList items = text.split(u'\n');
  if (items.last().isEmpty()) items.removeLast();
  return items;
}

bool isIntegerField(const pf::Field* f) {
  return f && (f->dataType() == pf::FieldType::Integer ||
               f->dataType() == pf::FieldType::SmallInt ||
               f->dataType() == pf::FieldType::LargeInt);
}

}  // namespace

TCmDataSet::TCmDataSet(QObject* owner) : pf::SqlDataSet(owner) {
  connect(this, &QObject::objectNameChanged, this, [this](const QString& name) {
    if (!loading_ && tableName_.isEmpty()) tableName_ = name;
  });
}

TCmDataSet::~TCmDataSet() {
  if (sqlGlobals_) sqlGlobals_->UnregisterDataSet(this);
}

void TCmDataSet::setSQLGlobals(TCmSQLGlobals* globals) {
  if (sqlGlobals_) sqlGlobals_->UnregisterDataSet(this);
  if (globals) globals->RegisterDataSet(this);
  sqlGlobals_ = globals;
}

void TCmDataSet::setTableName(const QString& name) {
  tableName_ = name;
  if (!loading_ && database() && activeTransaction()) RefreshUniqueKeys();
}

void TCmDataSet::setOrderByFields(const QString& value) {
  if (value != orderByFields_) orderByFields_ = value;
}

// ---- select rewrites ----------------------------------------------------------

bool TCmDataSet::IsReservedWord(const QString& word) {
  static const std::array<const char*, 43> kReserved = {
      "SELECT", "UPDATE", "DELETE",   "AS",       "FROM",     "LEFT",    "OUTER",
      "JOIN",   "ON",     "INNER",    "RIGHT",    "LEFT",     "WHERE",   "ORDER",
      "BY",     "ASC",    "DESC",     "MONTH",    "YEAR",     "DISTINCT", "BETWEEN",
      "SUM",    "GENERATOR", "PROCEDURE", "TRIGGER", "BEFORE", "AFTER",  "INSERT",
      "EXTRACT", "IN",    "DATABASE", "CREATE",   "TABLE",    "SET",     "COMMIT",
      "WORK",   "POSITION", "BEGIN",  "END",      "DECLARE",  "DEC",     "COUNT",
      "SUSPEND"};
  const QString upper = word.toUpper();
  for (const char* r : kReserved)
    if (upper == QLatin1String(r)) return true;
  return false;
}

bool TCmDataSet::IsPlainIdentifier(const QString& word) {
  if (IsReservedWord(word)) return false;
  for (const QChar c : word.toUpper()) {
    const char16_t u = c.unicode();
    if (!(u == u'"' || u == u'_' || (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z')))
      return false;
  }
  return true;
}

QString TCmDataSet::CastCountAggregates(const QString& text) {
  static const QRegularExpression count(
      QStringLiteral("([cC][oO][uU][nN][tT][\\s]{0,99})(\\()(.*?)(\\))"),
      QRegularExpression::DotMatchesEverythingOption);
  return QString(text).replace(count, QStringLiteral("CAST( \\1 \\2 \\3 \\4 as INTEGER )"));
}

QString TCmDataSet::QualifyOrderItem(const QString& item) const {
  const qsizetype blank = item.indexOf(u' ');
  bool ordinal = false;
  const int number = blank < 0 ? 0 : item.left(blank).toInt(&ordinal);
  if (ordinal && number > 0) return item;

  const qsizetype dot = item.indexOf(u'.');
  const QString table = dot < 0 ? QString() : item.left(dot).remove(u'"');
  const QString fieldPart = dot < 0 ? item : item.mid(dot + 1).remove(u'"');
  // Position just after "TABLE " or "TABLE\" " in `in`, or -1.
  const auto after = [&table](const QString& in) -> qsizetype {
    qsizetype p = in.indexOf(table + u' ');
    if (p >= 0) return p + table.size() + 1;
    p = in.indexOf(table + QStringLiteral("\" "));
    return p >= 0 ? p + table.size() + 2 : -1;
  };
  QString result = table;
  QString text = selectSql();
  for (qsizetype p = after(text); p >= 0; p = after(text)) {
    const QString rest = text.mid(p).trimmed();
    QString split = rest;
    split.replace(u' ', u'\n').replace(u',', u'\n');
    const QStringList pieces = lines(split);
    if (!pieces.isEmpty() && !pieces.first().isEmpty() && IsPlainIdentifier(pieces.first()))
      result = pieces.first();
    if (!result.isEmpty()) break;
    text = rest;
  }
  return result.isEmpty() ? QString() : result + u'.' + fieldPart;
}

QString TCmDataSet::GetOrderedSelectSQL() const {
  const QStringList items = lines(QString(orderByFields_).replace(u';', u'\n'));
  QString text = selectSql();
  if (items.isEmpty()) return text;
  const qsizetype order = text.toUpper().indexOf(QStringLiteral("ORDER BY"));
  if (order >= 0) text = text.left(order).trimmed();
  text += QStringLiteral(" order by ") + QualifyOrderItem(items.first());
  for (qsizetype i = 1; i < items.size(); ++i)
    text += QStringLiteral(", ") + QualifyOrderItem(items[i]);
  return text;
}

void TCmDataSet::doBeforeOpen() {
  // Parameters keep their values, with their types, over the new text.
  std::vector<std::pair<QString, QVariant>> saved;
  for (const QString& name : paramNames()) saved.emplace_back(name, param(name));
  const QString ordered = orderByFields_.isEmpty() ? selectSql() : GetOrderedSelectSQL();
  const QString rewritten = CastCountAggregates(ordered);
  // An unchanged text keeps its prepared statement.
  if (rewritten != selectSql()) {
    setSelectSql(rewritten);
    for (const auto& [name, value] : saved)
      if (hasParam(name)) setParam(name, value);
  }
  pf::SqlDataSet::doBeforeOpen();
}

// ---- IDs and counted opening ------------------------------------------------

pf::Field* TCmDataSet::idField() const {
  pf::Field* f = findField(QStringLiteral("ID"));
  return isIntegerField(f) ? f : nullptr;
}

void TCmDataSet::doBeforeClose() {
  if (const pf::Field* id = idField()) {
    currentIdCache_ = id->asInteger();
    lastClosedId_ = currentIdCache_;
  }
  pf::SqlDataSet::doBeforeClose();
}

int TCmDataSet::CurrentID() const {
  if (!active()) return currentIdCache_;
  const pf::Field* id = idField();
  return id ? id->asInteger() : -1;
}

void TCmDataSet::setCurrentID(int id) {
  if (!active() || !idField()) return;
  if (locate(QStringLiteral("ID"), id)) currentIdCache_ = id;
}

void TCmDataSet::internalInsert() {
  insertedIntoEmpty_ = isEmpty();
  pf::SqlDataSet::internalInsert();
}

void TCmDataSet::internalCancel() {
  pf::SqlDataSet::internalCancel();
  if (insertedIntoEmpty_) clearRecordBuffers();
  insertedIntoEmpty_ = false;
}

void TCmDataSet::internalPost(bool inserting) {
  pf::SqlDataSet::internalPost(inserting);
  insertedIntoEmpty_ = false;
}

void TCmDataSet::OpenCounted() {
  if (!prepared()) prepare();
  open();
  ++openCount_;
}

void TCmDataSet::CloseCounted() {
  --openCount_;
  if (openCount_ <= 0) close();
  if (!active() && prepared()) unprepare();
}

// ---- unique keys ------------------------------------------------------------

QString TCmDataSet::DuplicateKeySql() const {
  QString text;
  for (qsizetype k = 0; k < uniqueKeys_.size(); ++k) {
    text += k == 0
                ? QStringLiteral("SELECT COUNT(*) FROM ") + tableName_ + QStringLiteral(" WHERE ( ")
                : QStringLiteral(" ) OR ( ");
    const QStringList names = uniqueKeys_[k].split(u';');
    for (qsizetype i = 0; i < names.size(); ++i) {
      if (i > 0) text += QStringLiteral(" AND ");
      const pf::Field* field = fieldByName(names[i]);
      const QString value = field->asString().trimmed();
      if (value.isEmpty()) text += names[i] + QStringLiteral(" is null ");
      else text += names[i] + QStringLiteral(" = ") + FormatFieldSql(*field, value);
    }
  }
  return text + QStringLiteral(" ) ");
}

bool TCmDataSet::HasDuplicateKey() {
  if (uniqueKeys_.isEmpty())
    throw pf::Error(QStringLiteral("UniqueKeys not assigned (ChavesÚnicas não atribuidas)"));
  pf::Database* db = database();
  pf::Transaction* tr = activeTransaction();
  if (!db) throw pf::Error(QStringLiteral("Database not assigned"));
  if (!tr) throw pf::Error(QStringLiteral("Transaction not assigned"));
  TCmIBSQL query;
  query.setDatabase(db);
  query.setTransaction(tr);
  if (!db->connected()) db->open();
  if (!tr->inTransaction()) tr->startTransaction();
  query.ExecSQL(DuplicateKeySql());
  return query.field(QStringLiteral("COUNT")).asInteger() > 0;
}

void TCmDataSet::RefreshUniqueKeys() {
  pf::Database* db = database();
  pf::Transaction* tr = activeTransaction();
  if (!db || !tr) return;
  const bool wasConnected = db->connected();
  const bool wasActive = wasConnected && tr->inTransaction();
  const auto restore = [&] {
    if (!wasActive && tr->inTransaction()) tr->commit();
    if (!wasConnected && db->connected()) db->close();
  };
  try {
    if (!wasConnected) db->open();
    if (!tr->inTransaction()) tr->startTransaction();
    uniqueKeys_.clear();
    TCmIBSQL query;
    query.setDatabase(db);
    query.setTransaction(tr);
    query.ExecSQL(QStringList{
        QStringLiteral("Select I.RDB$INDEX_NAME as IName, I.RDB$UNIQUE_FLAG, I.RDB$INDEX_TYPE,"),
        QStringLiteral("I.RDB$SEGMENT_COUNT, S.RDB$FIELD_NAME as FName"),
        QStringLiteral("from RDB$INDICES I, RDB$INDEX_SEGMENTS S"),
        QStringLiteral("where I.RDB$INDEX_NAME = S.RDB$INDEX_NAME and"),
        QStringLiteral("I.RDB$RELATION_NAME = '") + tableName_.toUpper() + u'\'',
        QStringLiteral("and I.RDB$UNIQUE_FLAG = 1"),
        QStringLiteral("ORDER BY I.RDB$INDEX_NAME")}
                      .join(u'\n'));
    QString previous;
    for (; !query.eof(); query.next()) {
      const QString index = query.field(QStringLiteral("INAME")).asString().trimmed();
      const QString field = query.field(QStringLiteral("FNAME")).asString().trimmed();
      if (index != previous || uniqueKeys_.isEmpty()) {
        uniqueKeys_ << field;
        previous = index;
      } else {
        uniqueKeys_.last() += u';' + field;
      }
    }
    query.close();
  } catch (...) {
    restore();
    throw;
  }
  restore();
  uniqueKeys_.removeOne(QStringLiteral("ID"));
}

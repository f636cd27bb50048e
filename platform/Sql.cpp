#include "Sql.h"

#include "Errors.h"
#include "FbApi.h"
#include "SqlParams.h"
#include "Trace.h"

#include <ibase.h>

#include <cmath>
#include <cstring>

namespace pf {

namespace {

constexpr qint64 kJulianOffset = 2400001;  // Julian day of Firebird's day 0 (17 Nov 1858)
constexpr unsigned kMaxVarying = 32765;
constexpr unsigned kSegment = 32768;

SqlType typeFromServer(unsigned t) {
  switch (t) {
    case isc_info_sql_stmt_select: return SqlType::Select;
    case isc_info_sql_stmt_insert: return SqlType::Insert;
    case isc_info_sql_stmt_update: return SqlType::Update;
    case isc_info_sql_stmt_delete: return SqlType::Delete;
    case isc_info_sql_stmt_ddl: return SqlType::DDL;
    case isc_info_sql_stmt_get_segment: return SqlType::GetSegment;
    case isc_info_sql_stmt_put_segment: return SqlType::PutSegment;
    case isc_info_sql_stmt_exec_procedure: return SqlType::ExecProcedure;
    case isc_info_sql_stmt_start_trans: return SqlType::StartTransaction;
    case isc_info_sql_stmt_commit: return SqlType::Commit;
    case isc_info_sql_stmt_rollback: return SqlType::Rollback;
    case isc_info_sql_stmt_select_for_upd: return SqlType::SelectForUpdate;
    case isc_info_sql_stmt_set_generator: return SqlType::SetGenerator;
    case isc_info_sql_stmt_savepoint: return SqlType::SavePoint;
    default: return SqlType::Unknown;
  }
}

ColumnKind kindOf(unsigned type, int subType, int scale) {
  switch (type) {
    case SQL_TEXT: return ColumnKind::FixedString;
    case SQL_VARYING: return ColumnKind::String;
    case SQL_BLOB: return subType == 1 ? ColumnKind::Memo : ColumnKind::Blob;
    case SQL_SHORT: return scale < 0 ? ColumnKind::Numeric : ColumnKind::SmallInt;
    case SQL_LONG: return scale < 0 ? ColumnKind::Numeric : ColumnKind::Integer;
    case SQL_INT64: return scale < 0 ? ColumnKind::Numeric : ColumnKind::LargeInt;
    case SQL_FLOAT: return ColumnKind::Float;
    case SQL_DOUBLE:
    case SQL_D_FLOAT: return ColumnKind::Double;
    case SQL_TIMESTAMP: return ColumnKind::DateTime;
    case SQL_TYPE_DATE: return ColumnKind::Date;
    case SQL_TYPE_TIME: return ColumnKind::Time;
    case SQL_BOOLEAN: return ColumnKind::Boolean;
    default: return ColumnKind::Unknown;
  }
}

QDate toDate(ISC_DATE d) { return QDate::fromJulianDay(d + kJulianOffset); }
QTime toTime(ISC_TIME t) { return QTime::fromMSecsSinceStartOfDay(static_cast<int>(t / 10)); }
ISC_DATE fromDate(const QDate& d) { return static_cast<ISC_DATE>(d.toJulianDay() - kJulianOffset); }
ISC_TIME fromTime(const QTime& t) { return static_cast<ISC_TIME>(t.msecsSinceStartOfDay()) * 10; }

QVariant scaled(qint64 v, int scale) {
  if (scale >= 0) return QVariant::fromValue(v);
  return QVariant(static_cast<double>(v) / std::pow(10.0, -scale));
}

QString decimalText(qint64 v, int scale) {
  if (scale >= 0) return QString::number(v);
  const bool negative = v < 0;
  QString digits = QString::number(negative ? -static_cast<quint64>(v) : static_cast<quint64>(v));
  while (digits.size() <= -scale) digits.prepend(u'0');
  digits.insert(digits.size() + scale, u'.');
  return negative ? u'-' + digits : digits;
}

template <typename T>
T load(const unsigned char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
void store(unsigned char* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

// SQL_* type, length and charset one bound value is sent as.
struct BindType {
  unsigned type;
  unsigned length;
  unsigned charset;
};

}  // namespace

QString Column::origin() const {
  if (field.isEmpty() || relation.isEmpty()) return {};
  return relation + u'.' + field;
}

// ---- SqlField ----------------------------------------------------------------

const Column& SqlField::column() const { return sql_->columns_.at(index_); }

bool SqlField::isNull() const {
  const Column& c = column();
  return load<short>(&sql_->row_[c.nullOffset]) != 0;
}

QVariant SqlField::value() const { return sql_->readValue(index_); }

QString SqlField::asString() const {
  const Column& c = column();
  if (isNull()) return {};
  const unsigned char* p = &sql_->row_[c.offset];
  switch (c.type) {
    case SQL_TEXT:
      return sql_->database_->decode(reinterpret_cast<const char*>(p), c.length, c.charset);
    case SQL_VARYING:
      return sql_->database_->decode(reinterpret_cast<const char*>(p + 2),
                                     load<unsigned short>(p), c.charset);
    case SQL_SHORT: return decimalText(load<short>(p), c.scale);
    case SQL_LONG: return decimalText(load<ISC_LONG>(p), c.scale);
    case SQL_INT64: return decimalText(load<ISC_INT64>(p), c.scale);
    default: break;
  }
  const QVariant v = value();
  if (v.typeId() == QMetaType::QByteArray) {
    const QByteArray b = v.toByteArray();
    return sql_->database_->decode(b.constData(), b.size(), 0);
  }
  return v.toString();
}

namespace {
// Integer columns scaled by their decimal places, read straight from the row.
bool readScaled(const Column& c, const unsigned char* p, qint64& raw) {
  switch (c.type) {
    case SQL_SHORT: raw = load<short>(p); return true;
    case SQL_LONG: raw = load<ISC_LONG>(p); return true;
    case SQL_INT64: raw = load<ISC_INT64>(p); return true;
    default: return false;
  }
}
}  // namespace

qint64 SqlField::asInt64() const {
  if (isNull()) return 0;
  const Column& c = column();
  qint64 raw;
  if (readScaled(c, &sql_->row_[c.offset], raw)) {
    if (c.scale >= 0) return raw;
    return std::llround(static_cast<double>(raw) / std::pow(10.0, -c.scale));
  }
  const QVariant v = value();
  if (v.typeId() == QMetaType::Double) return std::llround(v.toDouble());
  return v.toLongLong();
}

double SqlField::asDouble() const {
  if (isNull()) return 0;
  const Column& c = column();
  const unsigned char* p = &sql_->row_[c.offset];
  qint64 raw;
  if (readScaled(c, p, raw))
    return c.scale >= 0 ? static_cast<double>(raw)
                        : static_cast<double>(raw) / std::pow(10.0, -c.scale);
  if (c.type == SQL_DOUBLE || c.type == SQL_D_FLOAT) return load<double>(p);
  if (c.type == SQL_FLOAT) return load<float>(p);
  return value().toDouble();
}

QDate SqlField::asDate() const {
  if (isNull()) return {};
  const Column& c = column();
  const unsigned char* p = &sql_->row_[c.offset];
  if (c.type == SQL_TYPE_DATE || c.type == SQL_TIMESTAMP) return toDate(load<ISC_DATE>(p));
  return asDateTime().date();
}

QTime SqlField::asTime() const {
  if (isNull()) return {};
  const Column& c = column();
  const unsigned char* p = &sql_->row_[c.offset];
  if (c.type == SQL_TYPE_TIME) return toTime(load<ISC_TIME>(p));
  if (c.type == SQL_TIMESTAMP) return toTime(load<ISC_TIME>(p + 4));
  return asDateTime().time();
}

QDateTime SqlField::asDateTime() const {
  const QVariant v = value();
  switch (v.typeId()) {
    case QMetaType::QDate: return QDateTime(v.toDate(), QTime(0, 0));
    case QMetaType::QTime: return QDateTime(QDate(1899, 12, 30), v.toTime());
    default: return v.toDateTime();
  }
}

bool SqlField::asBoolean() const { return value().toBool(); }

QByteArray SqlField::asBytes() const {
  const QVariant v = value();
  if (v.typeId() == QMetaType::QString) return sql_->database_->encode(v.toString());
  return v.toByteArray();
}

// ---- SqlParam ----------------------------------------------------------------

const QString& SqlParam::name() const { return sql_->paramNames_.at(index_); }

void SqlParam::setValue(const QVariant& value) { sql_->paramValues_.at(index_) = value; }

QVariant SqlParam::value() const { return sql_->paramValues_.at(index_); }

// ---- Sql ---------------------------------------------------------------------

Sql::Sql(QObject* owner) : QObject(owner) {}

Sql::~Sql() {
  try {
    freeHandle();
  } catch (...) {
  }
  if (database_) database_->removeClient(this);
  if (transaction_) transaction_->removeClient(this);
}

void Sql::setDatabase(Database* database) {
  if (database == database_) return;
  freeHandle();
  if (database_) database_->removeClient(this);
  database_ = database;
  if (database_) {
    database_->addClient(this);
    if (!transaction_ && database_->defaultTransaction())
      setTransaction(database_->defaultTransaction());
  }
}

void Sql::setTransaction(Transaction* transaction) {
  if (transaction == transaction_) return;
  close();
  if (transaction_) transaction_->removeClient(this);
  transaction_ = transaction;
  if (transaction_) transaction_->addClient(this);
}

void Sql::setSql(const QString& text) {
  freeHandle();
  text_ = text;
  if (paramCheck_) {
    ParsedSql parsed = parseNamedParams(text);
    serverText_ = std::move(parsed.text);
    paramPositions_ = std::move(parsed.positions);
    paramNames_ = std::move(parsed.names);
  } else {
    serverText_ = text;
    paramPositions_.clear();
    paramNames_.clear();
  }
  paramValues_.assign(paramNames_.size(), QVariant());
}

void Sql::setParamCheck(bool value) {
  if (value == paramCheck_) return;
  paramCheck_ = value;
  setSql(QString(text_));
}

int Sql::paramIndex(const QString& name) const {
  return static_cast<int>(paramNames_.indexOf(name.toUpper()));
}

SqlParam Sql::param(const QString& name) {
  const int i = paramIndex(name);
  if (i < 0) throw Error(QStringLiteral("Parameter \"%1\" not found").arg(name));
  return SqlParam(this, i);
}

int Sql::fieldIndex(const QString& name) const {
  for (size_t i = 0; i < columns_.size(); ++i)
    if (columns_[i].name.compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
  return -1;
}

SqlField Sql::field(int index) const {
  if (index < 0 || index >= fieldCount())
    throw Error(QStringLiteral("Field index %1 out of range").arg(index));
  return SqlField(this, index);
}

SqlField Sql::field(const QString& name) const {
  const int i = fieldIndex(name);
  if (i < 0) throw Error(QStringLiteral("Field \"%1\" not found").arg(name));
  return SqlField(this, i);
}

Transaction* Sql::ensureReady() {
  if (!database_) throw Error(QStringLiteral("Statement has no database"));
  if (!database_->connected()) throw Error(QStringLiteral("Database not connected"));
  if (!transaction_) throw Error(QStringLiteral("Statement has no transaction"));
  if (!transaction_->inTransaction()) transaction_->startTransaction();
  return transaction_;
}

void Sql::prepare() {
  Transaction* tra = ensureReady();
  if (prepared()) return;
  if (serverText_.trimmed().isEmpty()) throw Error(QStringLiteral("Empty SQL statement"));
  Trace::note(TraceKind::Prepare, [&] { return text_; });
  const QByteArray bytes = database_->encode(serverText_);
  fb::Status status;
  auto* stmt = database_->attachment()->prepare(
      &status, tra->handle(), static_cast<unsigned>(bytes.size()), bytes.constData(),
      static_cast<unsigned>(database_->sqlDialect()),
      Firebird::IStatement::PREPARE_PREFETCH_METADATA);
  status.check();
  statement_ = stmt;
  try {
    type_ = typeFromServer(stmt->getType(&status));
    status.check();
    inMeta_ = stmt->getInputMetadata(&status);
    status.check();
    outMeta_ = stmt->getOutputMetadata(&status);
    status.check();
    const unsigned inCount = inMeta_->getCount(&status);
    if (inCount != static_cast<unsigned>(paramPositions_.size()))
      throw Error(QStringLiteral("The statement has %1 parameter markers, %2 named parameters")
                      .arg(inCount)
                      .arg(paramPositions_.size()));
    const unsigned count = outMeta_->getCount(&status);
    columns_.clear();
    columns_.reserve(count);
    for (unsigned i = 0; i < count; ++i) {
      Column c;
      auto text = [&](const char* s) { return database_->decode(s, qstrlen(s), 4); };
      c.name = text(outMeta_->getAlias(&status, i));
      c.field = text(outMeta_->getField(&status, i));
      c.relation = text(outMeta_->getRelation(&status, i));
      c.type = outMeta_->getType(&status, i) & ~1u;
      c.subType = outMeta_->getSubType(&status, i);
      c.scale = outMeta_->getScale(&status, i);
      c.length = outMeta_->getLength(&status, i);
      c.charset = outMeta_->getCharSet(&status, i);
      c.nullable = outMeta_->isNullable(&status, i);
      c.offset = outMeta_->getOffset(&status, i);
      c.nullOffset = outMeta_->getNullOffset(&status, i);
      c.kind = kindOf(c.type, c.subType, c.scale);
      status.check();
      columns_.push_back(std::move(c));
    }
    row_.assign(outMeta_->getMessageLength(&status), 0);
    status.check();
  } catch (...) {
    freeHandle();
    throw;
  }
}

void Sql::bindInput() {
  if (paramPositions_.isEmpty()) return;
  fb::Status status;
  const auto n = static_cast<unsigned>(paramPositions_.size());
  std::vector<BindType> types(n);
  std::vector<unsigned> signature;
  signature.reserve(n * 3);
  std::vector<QByteArray> bytes(n);
  for (unsigned i = 0; i < n; ++i) {
    const QVariant& v = paramValues_[paramNames_.indexOf(paramPositions_[i])];
    const unsigned original = inMeta_->getType(&status, i) & ~1u;
    BindType& t = types[i];
    if (!v.isValid() || v.isNull()) {
      t = {original, inMeta_->getLength(&status, i), inMeta_->getCharSet(&status, i)};
    } else {
      switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort: t = {SQL_INT64, 8, 0}; break;
        case QMetaType::Double:
        case QMetaType::Float: t = {SQL_DOUBLE, 8, 0}; break;
        case QMetaType::QDateTime: t = {SQL_TIMESTAMP, 8, 0}; break;
        case QMetaType::QDate: t = {SQL_TYPE_DATE, 4, 0}; break;
        case QMetaType::QTime: t = {SQL_TYPE_TIME, 4, 0}; break;
        case QMetaType::Bool: t = {SQL_BOOLEAN, 1, 0}; break;
        case QMetaType::QByteArray:
          bytes[i] = v.toByteArray();
          t = original == SQL_BLOB ? BindType{SQL_BLOB, 8, 0}
                                   : BindType{SQL_VARYING, 0, 1};
          break;
        default:
          bytes[i] = database_->encode(v.toString());
          t = original == SQL_BLOB ? BindType{SQL_BLOB, 8, 0}
                                   : BindType{SQL_VARYING, 0,
                                              static_cast<unsigned>(database_->charsetId())};
          break;
      }
      if (t.type == SQL_VARYING) {
        if (static_cast<unsigned>(bytes[i].size()) > kMaxVarying)
          throw Error(QStringLiteral("Value of parameter \"%1\" is too long")
                          .arg(paramPositions_[i]));
        // Rounded up so that repeated executions can reuse the bound metadata.
        t.length = std::min(kMaxVarying, (static_cast<unsigned>(bytes[i].size()) / 64 + 1) * 64);
      }
    }
    signature.insert(signature.end(), {t.type, t.length, t.charset});
  }
  status.check();

  if (!bindMeta_ || signature != bindSignature_) {
    Firebird::IMetadataBuilder* builder = inMeta_->getBuilder(&status);
    status.check();
    for (unsigned i = 0; i < n; ++i) {
      const BindType& t = types[i];
      builder->setType(&status, i, t.type | 1u);
      if (t.type == SQL_BLOB) builder->setSubType(&status, i, 0);
      if (t.type != (inMeta_->getType(&status, i) & ~1u) || t.type == SQL_VARYING) {
        builder->setScale(&status, i, 0);
        builder->setLength(&status, i, t.length);
        builder->setCharSet(&status, i, t.charset);
      }
    }
    Firebird::IMessageMetadata* meta = status.failed() ? nullptr : builder->getMetadata(&status);
    builder->release();
    status.check();
    if (bindMeta_) bindMeta_->release();
    bindMeta_ = meta;
    bindSignature_ = std::move(signature);
    input_.assign(bindMeta_->getMessageLength(&status), 0);
    status.check();
  }

  for (unsigned i = 0; i < n; ++i) {
    const QVariant& v = paramValues_[paramNames_.indexOf(paramPositions_[i])];
    unsigned char* data = &input_[bindMeta_->getOffset(&status, i)];
    unsigned char* null = &input_[bindMeta_->getNullOffset(&status, i)];
    status.check();
    if (!v.isValid() || v.isNull()) {
      store<short>(null, -1);
      continue;
    }
    store<short>(null, 0);
    switch (types[i].type) {
      case SQL_INT64: store<ISC_INT64>(data, v.toLongLong()); break;
      case SQL_DOUBLE: store<double>(data, v.toDouble()); break;
      case SQL_TIMESTAMP: {
        const QDateTime dt = v.toDateTime();
        store<ISC_DATE>(data, fromDate(dt.date()));
        store<ISC_TIME>(data + 4, fromTime(dt.time()));
        break;
      }
      case SQL_TYPE_DATE: store<ISC_DATE>(data, fromDate(v.toDate())); break;
      case SQL_TYPE_TIME: store<ISC_TIME>(data, fromTime(v.toTime())); break;
      case SQL_BOOLEAN: store<unsigned char>(data, v.toBool() ? 1 : 0); break;
      case SQL_BLOB: writeBlob(bytes[i], data); break;
      case SQL_VARYING:
        store<unsigned short>(data, static_cast<unsigned short>(bytes[i].size()));
        std::memcpy(data + 2, bytes[i].constData(), static_cast<size_t>(bytes[i].size()));
        break;
      default: break;
    }
  }
}

void Sql::writeBlob(const QByteArray& bytes, unsigned char* quad) {
  fb::Status status;
  ISC_QUAD id{};
  Firebird::IBlob* blob = database_->attachment()->createBlob(
      &status, transaction_->handle(), &id, 0, nullptr);
  status.check();
  for (qsizetype pos = 0; pos < bytes.size() && !status.failed(); pos += kSegment) {
    const auto len = static_cast<unsigned>(std::min<qsizetype>(kSegment, bytes.size() - pos));
    blob->putSegment(&status, len, bytes.constData() + pos);
  }
  if (!status.failed()) blob->close(&status);
  if (status.failed()) {
    blob->release();
    status.check();
  }
  std::memcpy(quad, &id, sizeof id);
}

QByteArray Sql::readBlob(const Column&, const unsigned char* quad) const {
  fb::Status status;
  ISC_QUAD id;
  std::memcpy(&id, quad, sizeof id);
  Firebird::IBlob* blob =
      database_->attachment()->openBlob(&status, transaction_->handle(), &id, 0, nullptr);
  status.check();
  QByteArray out;
  char buffer[kSegment];
  for (;;) {
    unsigned got = 0;
    const int r = blob->getSegment(&status, sizeof buffer, buffer, &got);
    if (r == Firebird::IStatus::RESULT_OK || r == Firebird::IStatus::RESULT_SEGMENT) {
      out.append(buffer, got);
      continue;
    }
    break;
  }
  if (status.failed()) {
    blob->release();
    status.check();
  }
  blob->close(&status);
  if (status.failed()) blob->release();
  return out;
}

QVariant Sql::readValue(int index) const {
  const Column& c = columns_.at(index);
  if (load<short>(&row_[c.nullOffset]) != 0) return {};
  const unsigned char* p = &row_[c.offset];
  switch (c.type) {
    case SQL_TEXT:
      return database_->decode(reinterpret_cast<const char*>(p), c.length, c.charset);
    case SQL_VARYING:
      return database_->decode(reinterpret_cast<const char*>(p + 2), load<unsigned short>(p),
                               c.charset);
    case SQL_SHORT: return scaled(load<short>(p), c.scale);
    case SQL_LONG: return scaled(load<ISC_LONG>(p), c.scale);
    case SQL_INT64: return scaled(load<ISC_INT64>(p), c.scale);
    case SQL_FLOAT: return QVariant(static_cast<double>(load<float>(p)));
    case SQL_DOUBLE:
    case SQL_D_FLOAT: return QVariant(load<double>(p));
    case SQL_TIMESTAMP:
      return QDateTime(toDate(load<ISC_DATE>(p)), toTime(load<ISC_TIME>(p + 4)));
    case SQL_TYPE_DATE: return toDate(load<ISC_DATE>(p));
    case SQL_TYPE_TIME: return toTime(load<ISC_TIME>(p));
    case SQL_BOOLEAN: return QVariant(load<unsigned char>(p) != 0);
    case SQL_BLOB: {
      const QByteArray bytes = readBlob(c, p);
      if (c.subType == 1) return database_->decode(bytes.constData(), bytes.size(), c.charset);
      return bytes;
    }
    default: return {};
  }
}

void Sql::execQuery() {
  Transaction* tra = ensureReady();
  if (!prepared()) prepare();
  close();
  bindInput();
  Trace::note(TraceKind::Execute, [&] { return text_; });
  fb::Status status;
  const unsigned flags = statement_->getFlags(&status);
  status.check();
  records_ = 0;
  bof_ = true;
  if (flags & Firebird::IStatement::FLAG_HAS_CURSOR) {
    cursor_ = statement_->openCursor(&status, tra->handle(), bindMeta_,
                                     input_.empty() ? nullptr : input_.data(), outMeta_, 0);
    if (status.failed()) {
      cursor_ = nullptr;
      status.check();
    }
    eof_ = false;
    next();
  } else {
    statement_->execute(&status, tra->handle(), bindMeta_,
                        input_.empty() ? nullptr : input_.data(), outMeta_,
                        row_.empty() ? nullptr : row_.data());
    status.check();
    eof_ = columns_.empty();
    records_ = columns_.empty() ? 0 : 1;
  }
}

bool Sql::next() {
  if (!cursor_) {
    eof_ = true;
    return false;
  }
  if (!status_) status_ = std::make_unique<fb::Status>();
  fb::Status& status = *status_;
  const int r = cursor_->fetchNext(&status, row_.data());
  if (status.failed()) {
    eof_ = true;
    const auto failure = std::move(status_);  // a fresh one for the next call
    failure->check();
  }
  if (r == Firebird::IStatus::RESULT_OK) {
    bof_ = records_ == 0;
    ++records_;
    eof_ = false;
    Trace::note(TraceKind::Fetch, [&] { return QStringLiteral("Fetch %1").arg(records_); });
    return true;
  }
  eof_ = true;
  return false;
}

void Sql::close() {
  if (cursor_) {
    fb::Status status;
    cursor_->close(&status);
    if (status.failed()) cursor_->release();
    cursor_ = nullptr;
    eof_ = true;
    if (transaction_) transaction_->checkAutoStop();
  }
}

void Sql::freeHandle() {
  close();
  fb::Status status;
  if (bindMeta_) bindMeta_->release();
  if (inMeta_) inMeta_->release();
  if (outMeta_) outMeta_->release();
  bindMeta_ = inMeta_ = outMeta_ = nullptr;
  bindSignature_.clear();
  input_.clear();
  if (statement_) {
    statement_->free(&status);
    if (status.failed()) statement_->release();
    statement_ = nullptr;
  }
  columns_.clear();
  row_.clear();
  type_ = SqlType::Unknown;
}

QString Sql::plan() {
  if (!prepared()) prepare();
  fb::Status status;
  const char* text = statement_->getPlan(&status, false);
  status.check();
  return text ? QString::fromUtf8(text).trimmed() : QString();
}

qint64 Sql::rowsAffected() {
  if (!prepared()) return 0;
  fb::Status status;
  const ISC_UINT64 n = statement_->getAffectedRecords(&status);
  status.check();
  return static_cast<qint64>(n);
}

void Sql::databaseDisconnecting() { freeHandle(); }

void Sql::transactionEnding(bool retaining) {
  if (!retaining) close();
}

}  // namespace pf

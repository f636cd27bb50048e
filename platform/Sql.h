#pragma once

#include "Database.h"
#include "Transaction.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>

namespace Firebird {
class IStatement;
class IResultSet;
class IMessageMetadata;
}  // namespace Firebird

namespace pf {

namespace fb {
class Status;
}

// Statement kinds as the server reports them.
enum class SqlType {
  Unknown, Select, Insert, Update, Delete, DDL, GetSegment, PutSegment, ExecProcedure,
  StartTransaction, Commit, Rollback, SelectForUpdate, SetGenerator, SavePoint
};

enum class ColumnKind {
  Unknown, String, FixedString, Memo, Blob, SmallInt, Integer, LargeInt, Float, Double,
  Numeric, Date, Time, DateTime, Boolean
};

// One column (or parameter) of a prepared statement, from its metadata.
struct Column {
  QString name;      // alias as the statement names it
  QString field;     // source column, empty for expressions
  QString relation;  // source table
  unsigned type = 0; // SQL_* without the nullable bit
  int subType = 0;
  int scale = 0;
  unsigned length = 0;
  unsigned charset = 0;
  bool nullable = true;
  unsigned offset = 0;
  unsigned nullOffset = 0;
  ColumnKind kind = ColumnKind::Unknown;
  // "RELATION.FIELD", or empty for an expression.
  QString origin() const;
};

class Sql;

// A column of the current result row.
class SqlField {
 public:
  SqlField(const Sql* sql, int index) : sql_(sql), index_(index) {}
  int index() const { return index_; }
  const Column& column() const;
  const QString& name() const { return column().name; }
  bool isNull() const;
  QVariant value() const;  // null QVariant for NULL
  QString asString() const;
  qint64 asInt64() const;
  int asInteger() const { return static_cast<int>(asInt64()); }
  double asDouble() const;
  QDateTime asDateTime() const;
  QDate asDate() const;
  QTime asTime() const;
  bool asBoolean() const;
  QByteArray asBytes() const;

 private:
  const Sql* sql_;
  int index_;
};

// A named parameter; one name may stand at several places of the text.
class SqlParam {
 public:
  SqlParam(Sql* sql, int index) : sql_(sql), index_(index) {}
  const QString& name() const;
  void setValue(const QVariant& value);
  void setString(const QString& v) { setValue(v); }
  void setInteger(qint64 v) { setValue(QVariant::fromValue(v)); }
  void setDouble(double v) { setValue(v); }
  void setDateTime(const QDateTime& v) { setValue(v); }
  void setDate(const QDate& v) { setValue(v); }
  void setTime(const QTime& v) { setValue(v); }
  void setBoolean(bool v) { setValue(v); }
  void setBytes(const QByteArray& v) { setValue(v); }
  void setNull() { setValue(QVariant()); }
  void clear() { setNull(); }
  QVariant value() const;
  bool isNull() const { return !value().isValid() || value().isNull(); }

 private:
  Sql* sql_;
  int index_;
};

// One SQL statement with named parameters, its result row, a database and a transaction.
class Sql : public QObject, public DatabaseClient, public TransactionClient {
  Q_OBJECT
 public:
  explicit Sql(QObject* owner = nullptr);
  ~Sql() override;

  Database* database() const { return database_.data(); }
  void setDatabase(Database* database);
  Transaction* transaction() const { return transaction_.data(); }
  void setTransaction(Transaction* transaction);

  const QString& sql() const { return text_; }
  // Replacing the text closes and unprepares the statement.
  void setSql(const QString& text);
  // Off: the text goes to the server as written (procedure bodies use :VARIABLE).
  bool paramCheck() const { return paramCheck_; }
  void setParamCheck(bool value);

  void prepare();
  bool prepared() const { return statement_ != nullptr; }
  // Executes; a statement with a cursor fetches its first row (eof() when none).
  void execQuery();
  bool next();
  bool eof() const { return eof_; }
  bool bof() const { return bof_; }
  bool open() const { return cursor_ != nullptr; }
  void close();
  void freeHandle();
  int recordCount() const { return records_; }

  SqlType sqlType() const { return type_; }
  QString plan();
  qint64 rowsAffected();

  int paramCount() const { return static_cast<int>(paramNames_.size()); }
  const QStringList& paramNames() const { return paramNames_; }
  int paramIndex(const QString& name) const;
  bool hasParam(const QString& name) const { return paramIndex(name) >= 0; }
  SqlParam param(const QString& name);
  SqlParam param(int index) { return SqlParam(this, index); }
  SqlParam paramByName(const QString& name) { return param(name); }

  int fieldCount() const { return static_cast<int>(columns_.size()); }
  const std::vector<Column>& columns() const { return columns_; }
  int fieldIndex(const QString& name) const;
  SqlField field(int index) const;
  SqlField field(const QString& name) const;
  SqlField fieldByName(const QString& name) const { return field(name); }
  SqlField operator[](const QString& name) const { return field(name); }

  // DatabaseClient / TransactionClient
  void databaseDisconnecting() override;
  void transactionEnding(bool retaining) override;
  bool clientActive() const override { return open(); }

 private:
  friend class SqlField;
  friend class SqlParam;
  Transaction* ensureReady();
  void bindInput();
  QVariant readValue(int index) const;
  QByteArray readBlob(const Column& column, const unsigned char* quad) const;
  void writeBlob(const QByteArray& bytes, unsigned char* quad);

  QPointer<Database> database_;
  QPointer<Transaction> transaction_;
  QString text_;
  bool paramCheck_ = true;

  QString serverText_;
  QStringList paramPositions_;
  QStringList paramNames_;
  std::vector<QVariant> paramValues_;

  Firebird::IStatement* statement_ = nullptr;
  Firebird::IResultSet* cursor_ = nullptr;
  Firebird::IMessageMetadata* inMeta_ = nullptr;
  Firebird::IMessageMetadata* outMeta_ = nullptr;
  Firebird::IMessageMetadata* bindMeta_ = nullptr;  // input as last bound
  std::vector<unsigned> bindSignature_;
  std::vector<unsigned char> input_;
  SqlType type_ = SqlType::Unknown;
  std::vector<Column> columns_;
  std::vector<unsigned char> row_;
  std::unique_ptr<fb::Status> status_;  // reused by every fetch
  bool eof_ = true;
  bool bof_ = true;
  int records_ = 0;
};

}  // namespace pf

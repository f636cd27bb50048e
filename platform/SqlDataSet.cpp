#include "SqlDataSet.h"

#include "Errors.h"
#include "SqlParams.h"

#include <algorithm>

namespace pf {

namespace {

FieldType fieldTypeOf(ColumnKind kind) {
  switch (kind) {
    case ColumnKind::String: return FieldType::String;
    case ColumnKind::FixedString: return FieldType::FixedChar;
    case ColumnKind::Memo: return FieldType::Memo;
    case ColumnKind::Blob: return FieldType::Blob;
    case ColumnKind::SmallInt: return FieldType::SmallInt;
    case ColumnKind::Integer: return FieldType::Integer;
    case ColumnKind::LargeInt: return FieldType::LargeInt;
    case ColumnKind::Float:
    case ColumnKind::Double: return FieldType::Float;
    case ColumnKind::Numeric: return FieldType::BCD;
    case ColumnKind::Date: return FieldType::Date;
    case ColumnKind::Time: return FieldType::Time;
    case ColumnKind::DateTime: return FieldType::DateTime;
    case ColumnKind::Boolean: return FieldType::Boolean;
    default: return FieldType::Unknown;
  }
}

int fieldSizeOf(const Column& c) {
  switch (c.kind) {
    case ColumnKind::String:
    case ColumnKind::FixedString: {
      const unsigned perChar = c.charset == 4 ? 4 : c.charset == 3 ? 3 : 1;
      return static_cast<int>(c.length / perChar);
    }
    case ColumnKind::Numeric: return -c.scale;
    default: return 0;
  }
}

}  // namespace

// ---- MasterDataLink -----------------------------------------------------------

void MasterDataLink::activeChanged() {
  if (active()) detail_->masterChanged();
}

void MasterDataLink::recordChanged(Field* field) {
  if (!field && active()) detail_->masterChanged();
}

void MasterDataLink::checkBrowseMode() {
  if (detail_->active()) detail_->checkBrowseMode();
}

// ---- SqlDataSet ---------------------------------------------------------------

SqlDataSet::SqlDataSet(QObject* owner) : DataSet(owner), master_(this) {}

SqlDataSet::~SqlDataSet() {
  closeQuietly();
  master_.setDataSource(nullptr);
  if (database_) database_->removeClient(this);
  if (transaction_) transaction_->removeClient(this);
  if (Transaction* t = activeTransaction()) t->removeClient(this);
}

void SqlDataSet::closeQuietly() {
  try {
    close();
  } catch (...) {
  }
}

void SqlDataSet::setDatabase(Database* database) {
  if (database == database_) return;
  if (active()) throw Error(QStringLiteral("Cannot change the database of an open dataset"));
  if (Transaction* t = activeTransaction()) t->removeClient(this);
  if (database_) database_->removeClient(this);
  database_ = database;
  if (database_) database_->addClient(this);
  select_.setDatabase(database);
  work_.setDatabase(database);
}

void SqlDataSet::setTransaction(Transaction* transaction) {
  if (transaction == transaction_) return;
  if (active()) throw Error(QStringLiteral("Cannot change the transaction of an open dataset"));
  if (Transaction* t = activeTransaction()) t->removeClient(this);
  transaction_ = transaction;
}

Transaction* SqlDataSet::activeTransaction() const {
  if (transaction_) return transaction_.data();
  return database_ ? database_->defaultTransaction() : nullptr;
}

void SqlDataSet::setSelectSql(const QString& text) {
  if (active()) close();
  selectSql_ = text;
  select_.setSql(text);
  params_.clear();
  for (const QString& name : parseNamedParams(text).names) params_.emplace_back(name, QVariant());
}

QStringList SqlDataSet::paramNames() const {
  QStringList names;
  for (const auto& p : params_) names << p.first;
  return names;
}

bool SqlDataSet::hasParam(const QString& name) const {
  const QString upper = name.toUpper();
  return std::any_of(params_.begin(), params_.end(),
                     [&](const auto& p) { return p.first == upper; });
}

QVariant SqlDataSet::param(const QString& name) const {
  const QString upper = name.toUpper();
  for (const auto& p : params_)
    if (p.first == upper) return p.second;
  throw Error(QStringLiteral("Parameter \"%1\" not found").arg(name));
}

void SqlDataSet::setParam(const QString& name, const QVariant& value) {
  const QString upper = name.toUpper();
  for (auto& p : params_) {
    if (p.first == upper) {
      p.second = value;
      return;
    }
  }
  throw Error(QStringLiteral("Parameter \"%1\" not found").arg(name));
}

void SqlDataSet::setDataSource(DataSource* master) {
  if (master && master->dataSet() == this)
    throw Error(QStringLiteral("Circular data link: a dataset cannot be its own master"));
  master_.setDataSource(master);
}

bool SqlDataSet::canModify() const {
  return !readOnly() &&
         !(insertSql_.trimmed().isEmpty() && modifySql_.trimmed().isEmpty() &&
           deleteSql_.trimmed().isEmpty());
}

void SqlDataSet::ready() {
  if (!database_) throw Error(QStringLiteral("Database not assigned"));
  if (!database_->connected()) throw Error(QStringLiteral("Database not connected"));
  Transaction* t = activeTransaction();
  if (!t) throw Error(QStringLiteral("Transaction not assigned"));
  t->addClient(this);
  select_.setTransaction(t);
  work_.setTransaction(t);
  if (!t->inTransaction()) t->startTransaction();
}

void SqlDataSet::prepare() {
  ready();
  if (select_.sql() != selectSql_) select_.setSql(selectSql_);
  select_.prepare();
}

void SqlDataSet::unprepare() { select_.freeHandle(); }

void SqlDataSet::bindSelect() {
  if (select_.sql() != selectSql_) select_.setSql(selectSql_);
  if (master_.active()) {
    const DataSet* master = master_.dataSet();
    for (auto& p : params_)
      if (const Field* f = master->findField(p.first)) p.second = f->value();
  }
  for (const auto& p : params_) select_.param(p.first).setValue(p.second);
}

void SqlDataSet::createFields() {
  const std::vector<Column>& cols = select_.columns();
  columnSlots_.assign(cols.size(), -1);
  if (hasPersistentDataFields()) {
    for (int i = 0; i < fieldCount(); ++i) {
      Field* f = fields(i);
      if (f->calculated()) continue;
      const int c = select_.fieldIndex(f->fieldName());
      if (c < 0) {
        const QString owner =
            objectName().isEmpty() ? QString() : objectName() + QStringLiteral(": ");
        throw Error(owner + QStringLiteral("Field '%1' not found").arg(f->fieldName()));
      }
      f->setOrigin(cols[c].origin());
      columnSlots_[c] = f->index();
    }
    return;
  }
  QStringList names;
  for (const Column& c : cols) {
    QString name = c.name;
    for (int n = 1; names.contains(name, Qt::CaseInsensitive); ++n)
      name = c.name + u'_' + QString::number(n);
    names << name;
  }
  // Fields made for an earlier open stay when the layout is the same, with their settings.
  bool same = true;
  int defaults = 0;
  for (int i = 0; i < fieldCount(); ++i)
    if (!fields(i)->calculated()) ++defaults;
  if (defaults != static_cast<int>(cols.size())) same = false;
  for (size_t c = 0; same && c < cols.size(); ++c) {
    const Field* f = findField(names[static_cast<qsizetype>(c)]);
    same = f && !f->calculated() && f->dataType() == fieldTypeOf(cols[c].kind);
  }
  if (!same) {
    removeDefaultFields();
    for (size_t c = 0; c < cols.size(); ++c)
      addDefaultField(names[static_cast<qsizetype>(c)], fieldTypeOf(cols[c].kind),
                      fieldSizeOf(cols[c]));
  }
  for (size_t c = 0; c < cols.size(); ++c) {
    Field* f = findField(names[static_cast<qsizetype>(c)]);
    f->setOrigin(cols[c].origin());
    columnSlots_[c] = f->index();
  }
}

namespace {

// Marks the dataset as working in its transaction while its statements run.
class Busy {
 public:
  explicit Busy(bool& flag) : flag_(flag), saved_(flag) { flag_ = true; }
  ~Busy() { flag_ = saved_; }

 private:
  bool& flag_;
  bool saved_;
};

}  // namespace

void SqlDataSet::doAfterClose() {
  // The transaction may end on its own once its last dataset closes.
  if (Transaction* t = activeTransaction()) t->checkAutoStop();
  DataSet::doAfterClose();
}

void SqlDataSet::internalOpen() {
  Busy busy(busy_);
  ready();
  bindSelect();
  select_.execQuery();
  try {
    createFields();
    const int columns = select_.fieldCount();
    const size_t width = static_cast<size_t>(fieldCount());
    while (!select_.eof()) {
      std::vector<QVariant> values(width);
      for (int c = 0; c < columns; ++c)
        if (columnSlots_[c] >= 0) values[columnSlots_[c]] = select_.field(c).value();
      addRecord(std::move(values));
      select_.next();
    }
  } catch (...) {
    select_.close();
    throw;
  }
  select_.close();
}

void SqlDataSet::internalClose() { select_.close(); }

void SqlDataSet::bindRecord(Sql& sql, const std::vector<QVariant>& values,
                            const std::vector<QVariant>& old) {
  for (const QString& name : sql.paramNames()) {
    QVariant v;
    const Field* f = nullptr;
    if (name.startsWith(QStringLiteral("OLD_")) && (f = findField(name.mid(4)))) {
      v = old.at(f->index());
    } else if (name.startsWith(QStringLiteral("NEW_")) && (f = findField(name.mid(4)))) {
      v = values.at(f->index());
    } else if ((f = findField(name))) {
      v = values.at(f->index());
    }
    sql.param(name).setValue(v);
  }
}

void SqlDataSet::execute(const QString& text, const std::vector<QVariant>& values,
                         const std::vector<QVariant>& old) {
  Busy busy(busy_);
  ready();
  if (work_.sql() != text) work_.setSql(text);
  bindRecord(work_, values, old);
  work_.execQuery();
  work_.close();
}

void SqlDataSet::internalPost(bool inserting) {
  const QString& text = inserting ? insertSql_ : modifySql_;
  if (text.trimmed().isEmpty())
    throw Error(inserting ? QStringLiteral("Cannot insert: no insert statement")
                          : QStringLiteral("Cannot modify: no modify statement"));
  execute(text, editValues(), oldValues());
  if (forcedRefresh_ && !refreshSql_.trimmed().isEmpty()) {
    std::vector<QVariant> key = editValues();
    readRecord(editValues(), key);
  }
}

void SqlDataSet::internalDelete() {
  if (deleteSql_.trimmed().isEmpty())
    throw Error(QStringLiteral("Cannot delete: no delete statement"));
  execute(deleteSql_, currentValues(), currentValues());
}

bool SqlDataSet::readRecord(std::vector<QVariant>& values, const std::vector<QVariant>& key) {
  Busy busy(busy_);
  ready();
  if (work_.sql() != refreshSql_) work_.setSql(refreshSql_);
  bindRecord(work_, key, key);
  work_.execQuery();
  const bool found = !work_.eof();
  if (found) {
    for (int c = 0; c < work_.fieldCount(); ++c)
      if (const Field* f = findField(work_.columns()[c].name); f && !f->calculated())
        values.at(f->index()) = work_.field(c).value();
  }
  work_.close();
  return found;
}

void SqlDataSet::refreshRecord() {
  checkBrowseMode();
  if (currentIndex() < 0 || refreshSql_.trimmed().isEmpty()) return;
  std::vector<QVariant> values = currentValues();
  if (readRecord(values, currentValues())) setCurrentValues(std::move(values));
  dataEvent(DataEvent::RecordChange);
}

void SqlDataSet::internalRefresh() {
  if (currentIndex() >= 0 && !refreshSql_.trimmed().isEmpty()) {
    std::vector<QVariant> values = currentValues();
    if (readRecord(values, currentValues())) setCurrentValues(std::move(values));
    return;
  }
  DataSet::internalRefresh();
}

void SqlDataSet::masterChanged() {
  if (!active()) return;
  disableControls();
  try {
    close();
    open();
  } catch (...) {
    enableControls();
    throw;
  }
  enableControls();
}

void SqlDataSet::databaseDisconnecting() {
  closeQuietly();
  select_.freeHandle();
  work_.freeHandle();
}

void SqlDataSet::transactionEnding(bool retaining) {
  if (!retaining) closeQuietly();
}

}  // namespace pf

#include "DataSet.h"

#include "DataSource.h"
#include "Errors.h"
#include "FormatSettings.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>

namespace pf {

namespace {

const QVariant kNull;

bool isNullValue(const QVariant& v) { return !v.isValid() || v.isNull(); }

bool editing(DataSetState s) { return s == DataSetState::Edit || s == DataSetState::Insert; }

QStringList splitNames(const QString& names) {
  QStringList out;
  for (const QString& n : names.split(u';'))
    if (!n.trimmed().isEmpty()) out << n.trimmed();
  return out;
}

}  // namespace

// ---- Field ------------------------------------------------------------------

Field::Field(DataSet* dataSet, const QString& name, FieldType type, int size, FieldKind kind)
    : dataSet_(dataSet), name_(name), type_(type), kind_(kind), size_(size) {}

bool Field::isString() const {
  return type_ == FieldType::String || type_ == FieldType::FixedChar || type_ == FieldType::Memo;
}

bool Field::isNumeric() const {
  switch (type_) {
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::LargeInt:
    case FieldType::Float:
    case FieldType::Currency:
    case FieldType::BCD: return true;
    default: return false;
  }
}

int Field::displayWidth() const {
  if (displayWidth_ >= 0) return displayWidth_;
  switch (type_) {
    case FieldType::String:
    case FieldType::FixedChar: return size_ > 0 ? size_ : 20;
    case FieldType::SmallInt: return 6;
    case FieldType::Integer: return 11;
    case FieldType::LargeInt: return 15;
    case FieldType::DateTime: return 18;
    case FieldType::Boolean: return 5;
    default: return 10;
  }
}

QString Field::defaultValidChars() const {
  switch (type_) {
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::LargeInt: return QStringLiteral("+-0123456789");
    case FieldType::Float:
    case FieldType::Currency:
    case FieldType::BCD:
      return QStringLiteral("+-0123456789Ee") + formatSettings().decimalSeparator;
    default: return {};
  }
}

bool Field::isValidChar(QChar c) const {
  const QString chars = validChars();
  return chars.isEmpty() || chars.contains(c);
}

QString Field::validChars() const {
  return customValidChars_ ? validChars_ : defaultValidChars();
}

void Field::setValidChars(const QString& chars) {
  customValidChars_ = true;
  validChars_ = chars;
}

void Field::resetValidChars() {
  customValidChars_ = false;
  validChars_.clear();
}

bool Field::canModify() const {
  return !readOnly_ && kind_ == FieldKind::Data && dataSet_ && dataSet_->canModify();
}

QVariant Field::value() const { return dataSet_->fieldValue(*this); }
void Field::setValue(const QVariant& value) { dataSet_->setFieldValue(*this, value); }
bool Field::isNull() const { return isNullValue(dataSet_->fieldValue(*this)); }

QString Field::asString() const {
  const QVariant& v = dataSet_->fieldValue(*this);
  if (isNullValue(v)) return QStringLiteral("");
  switch (type_) {
    case FieldType::Memo:
    case FieldType::Blob:
      return v.typeId() == QMetaType::QByteArray ? QString::fromUtf8(v.toByteArray())
                                                  : v.toString();
    case FieldType::Float:
    case FieldType::Currency:
    case FieldType::BCD: return formatFloat(v.toDouble());
    default: return format(v, false);
  }
}

void Field::setAsString(const QString& text) { setValue(text); }

qint64 Field::asLargeInt() const {
  const QVariant& v = dataSet_->fieldValue(*this);
  if (isNullValue(v)) return 0;
  if (v.typeId() == QMetaType::QString) {
    qint64 n = 0;
    if (!parseInteger(v.toString(), n))
      throw Error(QStringLiteral("'%1' is not a valid integer value").arg(v.toString()));
    return n;
  }
  if (v.typeId() == QMetaType::Double) return std::llround(v.toDouble());
  return v.toLongLong();
}

double Field::asFloat() const {
  const QVariant& v = dataSet_->fieldValue(*this);
  if (isNullValue(v)) return 0;
  if (v.typeId() == QMetaType::QString) {
    double d = 0;
    if (!parseFloat(v.toString(), d))
      throw Error(QStringLiteral("'%1' is not a valid floating point value").arg(v.toString()));
    return d;
  }
  return v.toDouble();
}

QDateTime Field::asDateTime() const {
  const QVariant& v = dataSet_->fieldValue(*this);
  if (isNullValue(v)) return zeroDateTime();
  switch (v.typeId()) {
    case QMetaType::QString: {
      QDateTime dt;
      if (!parseDateTime(v.toString(), dt))
        throw Error(QStringLiteral("'%1' is not a valid date and time").arg(v.toString()));
      return dt;
    }
    case QMetaType::QDate: return QDateTime(v.toDate(), QTime(0, 0));
    case QMetaType::QTime: return QDateTime(QDate(1899, 12, 30), v.toTime());
    default: return v.toDateTime();
  }
}

bool Field::asBoolean() const {
  const QVariant& v = dataSet_->fieldValue(*this);
  return !isNullValue(v) && v.toBool();
}

QString Field::format(const QVariant& v, bool display) const {
  if (type_ == FieldType::Memo || type_ == FieldType::Blob) {
    if (!display) return isNullValue(v) ? QString() : v.toString();
    const bool empty = isNullValue(v) || v.toByteArray().isEmpty();
    const QString word = type_ == FieldType::Memo ? QStringLiteral("(MEMO)")
                                                  : QStringLiteral("(BLOB)");
    return empty ? word.toLower() : word;
  }
  if (isNullValue(v)) return {};
  const FormatSettings& s = formatSettings();
  const QString& pattern = display ? displayFormat_ : editFormat_;
  switch (type_) {
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::LargeInt:
      if (display && !pattern.isEmpty()) return formatFloatPattern(pattern, v.toDouble());
      return QString::number(v.toLongLong());
    case FieldType::Float:
    case FieldType::BCD:
      if (!pattern.isEmpty()) return formatFloatPattern(pattern, v.toDouble());
      return formatFloat(v.toDouble());
    case FieldType::Currency:
      if (!pattern.isEmpty()) return formatFloatPattern(pattern, v.toDouble());
      return display ? s.currencyString + formatFixed(v.toDouble(), s.currencyDecimals, true)
                     : formatFixed(v.toDouble(), s.currencyDecimals, false);
    case FieldType::Date:
      return formatDateTime(s.shortDateFormat, QDateTime(v.toDate(), QTime(0, 0)));
    case FieldType::Time:
      return formatDateTime(s.longTimeFormat, QDateTime(QDate(1899, 12, 30), v.toTime()));
    case FieldType::DateTime: return formatDateTime(u"c", v.toDateTime());
    case FieldType::Boolean: return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default: return v.toString();
  }
}

QString Field::displayText() const {
  QString text;
  if (onGetText) {
    onGetText(const_cast<Field&>(*this), text, true);
    return text;
  }
  return format(dataSet_->fieldValue(*this), true);
}

QString Field::text() const {
  QString text;
  if (onGetText) {
    onGetText(const_cast<Field&>(*this), text, false);
    return text;
  }
  return format(dataSet_->fieldValue(*this), false);
}

void Field::setText(const QString& text) {
  if (onSetText) onSetText(*this, text);
  else setAsString(text);
}

QVariant Field::oldValue() const {
  switch (dataSet_->state()) {
    case DataSetState::Edit: return dataSet_->oldBuf_.at(slot_);
    default: return value();  // a new record has no other values than its own
  }
}

QVariant Field::newValue() const { return value(); }

double Field::asCurrency() const { return std::round(asFloat() * 10000.0) / 10000.0; }

void Field::focusControl() { dataSet_->dataEvent(DataEvent::FocusControl, this); }

QVariant Field::convert(const QVariant& value) const {
  if (isNullValue(value)) return {};
  const bool isText = value.typeId() == QMetaType::QString;
  const QString text = isText ? value.toString() : QString();
  switch (type_) {
    case FieldType::String:
    case FieldType::FixedChar: {
      QString s = value.toString();
      if (size_ > 0 && s.size() > size_) s.truncate(size_);
      if (s.isEmpty() && emptyAsNull_) return {};
      return s;
    }
    case FieldType::Memo: return value.toString();
    case FieldType::Blob:
      return value.typeId() == QMetaType::QByteArray ? value : QVariant(value.toString().toUtf8());
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::LargeInt: {
      if (isText) {
        if (text.trimmed().isEmpty()) return {};
        qint64 n = 0;
        if (!parseInteger(text, n))
          throw Error(QStringLiteral("'%1' is not a valid integer value").arg(text));
        return QVariant::fromValue(n);
      }
      if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        return QVariant::fromValue(static_cast<qint64>(std::llround(value.toDouble())));
      bool ok = false;
      const qint64 n = value.toLongLong(&ok);
      if (!ok) throw Error(QStringLiteral("Invalid value for field '%1'").arg(name_));
      return QVariant::fromValue(n);
    }
    case FieldType::Float:
    case FieldType::Currency:
    case FieldType::BCD: {
      if (isText) {
        if (text.trimmed().isEmpty()) return {};
        double d = 0;
        if (!parseFloat(text, d))
          throw Error(QStringLiteral("'%1' is not a valid floating point value").arg(text));
        return d;
      }
      bool ok = false;
      const double d = value.toDouble(&ok);
      if (!ok) throw Error(QStringLiteral("Invalid value for field '%1'").arg(name_));
      return d;
    }
    case FieldType::Date: {
      if (isText) {
        if (text.trimmed().isEmpty()) return {};
        QDate d;
        if (!parseDate(text, d)) throw Error(QStringLiteral("'%1' is not a valid date").arg(text));
        return d;
      }
      if (value.typeId() == QMetaType::QDateTime) return value.toDateTime().date();
      return value.toDate();
    }
    case FieldType::Time: {
      if (isText) {
        if (text.trimmed().isEmpty()) return {};
        QTime t;
        if (!parseTime(text, t)) throw Error(QStringLiteral("'%1' is not a valid time").arg(text));
        return t;
      }
      if (value.typeId() == QMetaType::QDateTime) return value.toDateTime().time();
      return value.toTime();
    }
    case FieldType::DateTime: {
      if (isText) {
        if (text.trimmed().isEmpty()) return {};
        QDateTime dt;
        if (!parseDateTime(text, dt))
          throw Error(QStringLiteral("'%1' is not a valid date and time").arg(text));
        return dt;
      }
      if (value.typeId() == QMetaType::QDate) return QDateTime(value.toDate(), QTime(0, 0));
      return value.toDateTime();
    }
    case FieldType::Boolean: {
      if (isText) {
        const QString t = text.trimmed();
        if (t.isEmpty()) return {};
        if (QStringLiteral("TRUE").startsWith(t, Qt::CaseInsensitive)) return true;
        if (QStringLiteral("FALSE").startsWith(t, Qt::CaseInsensitive)) return false;
        throw Error(QStringLiteral("'%1' is not a valid boolean value").arg(text));
      }
      return value.toBool();
    }
    default: return value;
  }
}

// ---- DataSet ----------------------------------------------------------------

DataSet::DataSet(QObject* owner) : QObject(owner) {}

DataSet::~DataSet() {
  state_ = DataSetState::Inactive;
  const auto sources = sources_;
  sources_.clear();
  for (DataSource* s : sources) {
    s->dataSet_ = nullptr;
    s->updateLinkStates();
  }
}

Field* DataSet::findField(const QString& name) const {
  for (const auto& f : fields_)
    if (f->name_.compare(name, Qt::CaseInsensitive) == 0) return f.get();
  return nullptr;
}

Field* DataSet::fieldByName(const QString& name) const {
  Field* f = findField(name);
  if (!f) {
    const QString owner = objectName().isEmpty() ? QString() : objectName() + QStringLiteral(": ");
    throw Error(owner + QStringLiteral("Field '%1' not found").arg(name));
  }
  return f;
}

QStringList DataSet::fieldNames() const {
  QStringList names;
  for (const auto& f : fields_) names << f->name_;
  return names;
}

Field& DataSet::addField(const QString& name, FieldType type, int size, FieldKind kind) {
  if (active()) throw Error(QStringLiteral("Cannot add fields to an open dataset"));
  if (findField(name)) throw Error(QStringLiteral("Duplicate field name '%1'").arg(name));
  auto f = std::make_unique<Field>(this, name, type, size, kind);
  f->persistent_ = true;
  f->slot_ = fieldCount();
  fields_.push_back(std::move(f));
  return *fields_.back();
}

Field& DataSet::addDefaultField(const QString& name, FieldType type, int size) {
  // Fields of the data come before the owner's calculated ones.
  const auto at = std::find_if(fields_.begin(), fields_.end(),
                               [](const auto& f) { return f->persistent_; });
  auto it = fields_.insert(at, std::make_unique<Field>(this, name, type, size, FieldKind::Data));
  for (size_t i = 0; i < fields_.size(); ++i) fields_[i]->slot_ = static_cast<int>(i);
  return **it;
}

bool DataSet::hasPersistentDataFields() const {
  return std::any_of(fields_.begin(), fields_.end(), [](const auto& f) {
    return f->persistent_ && f->kind_ == FieldKind::Data;
  });
}

void DataSet::removeDefaultFields() {
  std::erase_if(fields_, [](const auto& f) { return !f->persistent_; });
  for (size_t i = 0; i < fields_.size(); ++i) fields_[i]->slot_ = static_cast<int>(i);
}

bool DataSet::hasCalculatedFields() const {
  if (onCalcFields) return true;
  return std::any_of(fields_.begin(), fields_.end(),
                     [](const auto& f) { return f->calculated(); });
}

void DataSet::calculate(std::vector<QVariant>& values) {
  if (!hasCalculatedFields()) return;
  for (const auto& f : fields_)
    if (f->calculated()) values[f->slot_] = QVariant();
  const DataSetState saved = state_;
  std::vector<QVariant>* savedBuf = calcBuf_;
  state_ = DataSetState::CalcFields;
  calcBuf_ = &values;
  try {
    fire(onCalcFields);
  } catch (...) {
    state_ = saved;
    calcBuf_ = savedBuf;
    throw;
  }
  state_ = saved;
  calcBuf_ = savedBuf;
}

void DataSet::clearRecords() {
  rows_.clear();
  current_ = -1;
  bof_ = eof_ = true;
}

void DataSet::addRecord(std::vector<QVariant>&& values) {
  values.resize(fields_.size());
  calculate(values);
  rows_.push_back(Row{nextId_++, std::move(values)});
}

const std::vector<QVariant>& DataSet::currentValues() const {
  static const std::vector<QVariant> none;
  return current_ >= 0 ? rows_[current_].values : none;
}

void DataSet::setCurrentValues(std::vector<QVariant>&& values) {
  if (current_ < 0) return;
  values.resize(fields_.size());
  calculate(values);
  rows_[current_].values = std::move(values);
}

void DataSet::removeCurrentRecord() {
  if (current_ < 0) return;
  rows_.erase(rows_.begin() + current_);
  if (rows_.empty()) {
    current_ = -1;
    bof_ = eof_ = true;
  } else if (current_ >= static_cast<int>(rows_.size())) {
    current_ = static_cast<int>(rows_.size()) - 1;
    eof_ = true;
  }
}

void DataSet::setInitialPosition() {
  current_ = rows_.empty() ? -1 : 0;
  bof_ = true;
  eof_ = rows_.empty();
}

void DataSet::clearRecordBuffers() {
  std::fill(editBuf_.begin(), editBuf_.end(), QVariant());
  std::fill(oldBuf_.begin(), oldBuf_.end(), QVariant());
  if (rows_.empty()) {
    current_ = -1;
    bof_ = eof_ = true;
  }
}

const QVariant& DataSet::fieldValue(const Field& field) const {
  switch (state_) {
    case DataSetState::CalcFields: return (*calcBuf_)[field.slot_];
    case DataSetState::Edit:
    case DataSetState::Insert: return editBuf_[field.slot_];
    case DataSetState::Browse:
      return current_ >= 0 ? rows_[current_].values[field.slot_] : kNull;
    default: return kNull;
  }
}

void DataSet::setFieldValue(Field& field, const QVariant& value) {
  if (field.dataSet_ != this || field.slot_ < 0) throw Error(QStringLiteral("Invalid field"));
  if (state_ == DataSetState::CalcFields) {
    if (!field.calculated())
      throw Error(QStringLiteral("Field '%1' cannot be modified").arg(field.name_));
    (*calcBuf_)[field.slot_] = field.convert(value);
    return;
  }
  if (!editing(state_)) throw Error(QStringLiteral("Dataset not in edit or insert mode"));
  if (field.readOnly_ || field.calculated())
    throw Error(QStringLiteral("Field '%1' cannot be modified").arg(field.name_));
  QVariant converted = field.convert(value);
  QVariant previous = std::exchange(editBuf_[field.slot_], std::move(converted));
  if (field.onValidate) {
    try {
      field.onValidate(field);
    } catch (...) {
      editBuf_[field.slot_] = std::move(previous);
      throw;
    }
  }
  modified_ = true;
  calculate(editBuf_);
  dataEvent(DataEvent::FieldChange, &field);
  if (field.onChange) field.onChange(field);
}

void DataSet::checkActive() const {
  if (!active()) throw Error(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void DataSet::setState(DataSetState state) {
  if (state == state_) return;
  state_ = state;
  modified_ = false;
  dataEvent(DataEvent::UpdateState);
}

void DataSet::open() {
  if (active()) return;
  doBeforeOpen();
  clearRecords();
  try {
    internalOpen();
  } catch (...) {
    clearRecords();
    throw;
  }
  setInitialPosition();
  setState(DataSetState::Browse);
  doAfterOpen();
  if (!rows_.empty()) fire(afterScroll);
}

void DataSet::close() {
  if (!active()) return;
  doBeforeClose();
  try {
    internalClose();
  } catch (...) {
  }
  clearRecords();
  editBuf_.clear();
  oldBuf_.clear();
  setState(DataSetState::Inactive);
  doAfterClose();
}

bool DataSet::isEmpty() const {
  return state_ != DataSetState::Insert && (state_ == DataSetState::Inactive || rows_.empty());
}

int DataSet::recordCount() const { return active() ? static_cast<int>(rows_.size()) : 0; }

int DataSet::recNo() const {
  if (state_ == DataSetState::Insert) return insertAt_ + 1;
  return current_ >= 0 ? current_ + 1 : -1;
}

void DataSet::setRecNo(int value) {
  checkBrowseMode();
  if (rows_.empty()) return;
  const int target = std::clamp(value, 1, static_cast<int>(rows_.size())) - 1;
  if (target == current_) return;
  fire(beforeScroll);
  current_ = target;
  bof_ = eof_ = false;
  dataEvent(DataEvent::DataSetChange);
  fire(afterScroll);
}

void DataSet::first() {
  checkBrowseMode();
  fire(beforeScroll);
  setInitialPosition();
  dataEvent(DataEvent::DataSetChange);
  fire(afterScroll);
}

void DataSet::last() {
  checkBrowseMode();
  fire(beforeScroll);
  current_ = static_cast<int>(rows_.size()) - 1;
  eof_ = true;
  bof_ = rows_.empty();
  dataEvent(DataEvent::DataSetChange);
  fire(afterScroll);
}

int DataSet::moveBy(int distance) {
  checkBrowseMode();
  fire(beforeScroll);
  int moved = 0;
  const int size = static_cast<int>(rows_.size());
  if (distance > 0 && !eof_) {
    while (moved < distance && current_ + 1 < size) {
      ++current_;
      ++moved;
    }
    eof_ = moved < distance;
    if (moved > 0) bof_ = false;
  } else if (distance < 0 && !bof_) {
    while (moved > distance && current_ > 0) {
      --current_;
      --moved;
    }
    bof_ = moved > distance;
    if (moved < 0) eof_ = false;
  }
  if (moved != 0) dataEvent(DataEvent::DataSetScroll, nullptr, moved);
  fire(afterScroll);
  return moved;
}

void DataSet::beginEditing(DataSetState state, int insertAt) {
  if (state == DataSetState::Insert) {
    editBuf_.assign(fields_.size(), QVariant());
    oldBuf_.assign(fields_.size(), QVariant());
    insertAt_ = insertAt;
  } else {
    editBuf_ = rows_[current_].values;
    oldBuf_ = editBuf_;
    insertAt_ = -1;
  }
  setState(state);
}

void DataSet::endEditing() {
  editBuf_.clear();
  oldBuf_.clear();
  insertAt_ = -1;
  setState(DataSetState::Browse);
}

void DataSet::insert() {
  checkBrowseMode();
  if (!canModify()) throw Error(QStringLiteral("Cannot modify a read-only dataset"));
  fire(beforeInsert);
  fire(beforeScroll);
  internalInsert();
  beginEditing(DataSetState::Insert, current_ < 0 ? 0 : current_);
  calculate(editBuf_);
  fire(onNewRecord);
  modified_ = false;
  dataEvent(DataEvent::DataSetChange);
  fire(afterInsert);
  fire(afterScroll);
}

void DataSet::append() {
  checkBrowseMode();
  if (!canModify()) throw Error(QStringLiteral("Cannot modify a read-only dataset"));
  fire(beforeInsert);
  fire(beforeScroll);
  internalInsert();
  beginEditing(DataSetState::Insert, static_cast<int>(rows_.size()));
  calculate(editBuf_);
  fire(onNewRecord);
  modified_ = false;
  dataEvent(DataEvent::DataSetChange);
  fire(afterInsert);
  fire(afterScroll);
}

void DataSet::edit() {
  checkActive();
  if (editing(state_)) return;
  if (rows_.empty()) {
    insert();
    return;
  }
  if (!canModify()) throw Error(QStringLiteral("Cannot modify a read-only dataset"));
  fire(beforeEdit);
  internalEdit();
  beginEditing(DataSetState::Edit, -1);
  dataEvent(DataEvent::RecordChange);
  fire(afterEdit);
}

void DataSet::post() {
  checkActive();
  updateRecord();
  dataEvent(DataEvent::CheckBrowseMode);
  fire(beforePost);
  if (!editing(state_)) return;
  for (const auto& f : fields_) {
    if (f->required_ && f->kind_ == FieldKind::Data && isNullValue(editBuf_[f->slot_])) {
      f->focusControl();
      throw Error(QStringLiteral("Field '%1' must have a value").arg(f->displayLabel()));
    }
  }
  const bool inserting = state_ == DataSetState::Insert;
  internalPost(inserting);
  if (inserting) {
    const int at = std::clamp(insertAt_, 0, static_cast<int>(rows_.size()));
    rows_.insert(rows_.begin() + at, Row{nextId_++, std::move(editBuf_)});
    current_ = at;
    bof_ = eof_ = false;
  } else {
    rows_[current_].values = std::move(editBuf_);
  }
  calculate(rows_[current_].values);
  endEditing();
  dataEvent(DataEvent::DataSetChange);
  fire(afterPost);
}

void DataSet::cancel() {
  if (!editing(state_)) return;
  dataEvent(DataEvent::CheckBrowseMode);
  fire(beforeCancel);
  internalCancel();
  endEditing();
  if (rows_.empty()) {
    current_ = -1;
    bof_ = eof_ = true;
  }
  dataEvent(DataEvent::DataSetChange);
  fire(afterCancel);
}

void DataSet::remove() {
  checkActive();
  if (state_ == DataSetState::Insert) {
    cancel();
    return;
  }
  if (rows_.empty())
    throw Error(QStringLiteral("Cannot perform this operation on an empty dataset"));
  dataEvent(DataEvent::CheckBrowseMode);
  fire(beforeDelete);
  fire(beforeScroll);
  if (state_ == DataSetState::Edit) endEditing();
  internalDelete();
  removeCurrentRecord();
  dataEvent(DataEvent::DataSetChange);
  fire(afterDelete);
  fire(afterScroll);
}

void DataSet::internalRefresh() {
  const int keep = current_;
  clearRecords();
  internalOpen();
  setInitialPosition();
  if (!rows_.empty() && keep > 0) {
    current_ = std::min(keep, static_cast<int>(rows_.size()) - 1);
    bof_ = false;
  }
}

void DataSet::refresh() {
  checkBrowseMode();
  internalRefresh();
  dataEvent(DataEvent::DataSetChange);
}

void DataSet::checkBrowseMode() {
  checkActive();
  dataEvent(DataEvent::CheckBrowseMode);
  if (editing(state_)) {
    updateRecord();
    if (modified_) post();
    else cancel();
  }
}

void DataSet::updateRecord() {
  if (!editing(state_)) throw Error(QStringLiteral("Dataset not in edit or insert mode"));
  dataEvent(DataEvent::UpdateRecord);
}

void DataSet::clearFields() {
  if (!editing(state_)) throw Error(QStringLiteral("Dataset not in edit or insert mode"));
  for (const auto& f : fields_)
    if (f->kind_ == FieldKind::Data) editBuf_[f->slot_] = QVariant();
  modified_ = true;
  calculate(editBuf_);
  dataEvent(DataEvent::RecordChange);
}

// ---- locate -----------------------------------------------------------------

namespace {

QVariantList wantedValues(const QVariant& keyValues, int count) {
  if (count == 1) {
    if (keyValues.typeId() == QMetaType::QVariantList && keyValues.toList().size() == 1)
      return keyValues.toList();
    return {keyValues};
  }
  if (keyValues.typeId() != QMetaType::QVariantList || keyValues.toList().size() != count)
    throw Error(QStringLiteral("Wrong number of key values"));
  return keyValues.toList();
}

}  // namespace

bool DataSet::matches(const std::vector<QVariant>& values, const std::vector<Field*>& keys,
                      const QVariantList& wanted, LocateOptions options) const {
  for (size_t i = 0; i < keys.size(); ++i) {
    const Field* f = keys[i];
    const QVariant& v = values[f->slot_];
    const QVariant& w = wanted[static_cast<qsizetype>(i)];
    if (isNullValue(w)) {
      if (!isNullValue(v)) return false;
      continue;
    }
    if (isNullValue(v)) return false;
    if (f->isString()) {
      // Read in place: a conversion per record would dominate a search.
      const QString text = v.typeId() == QMetaType::QString
                               ? *static_cast<const QString*>(v.constData())
                               : v.toString();
      const QString key = w.typeId() == QMetaType::QString
                              ? *static_cast<const QString*>(w.constData())
                              : w.toString();
      const Qt::CaseSensitivity cs = options.testFlag(LocateOption::CaseInsensitive)
                                         ? Qt::CaseInsensitive
                                         : Qt::CaseSensitive;
      if (options.testFlag(LocateOption::PartialKey)) {
        if (!text.startsWith(key, cs)) return false;
      } else if (text.compare(key, cs) != 0) {
        return false;
      }
    } else if (f->isNumeric()) {
      if (v.toDouble() != w.toDouble()) return false;
    } else if (v != w) {
      return false;
    }
  }
  return true;
}

int DataSet::findRow(const QString& keyFields, const QVariant& keyValues,
                     LocateOptions options, std::vector<Field*>* keysOut) const {
  checkActive();
  std::vector<Field*> keys;
  for (const QString& name : splitNames(keyFields)) keys.push_back(fieldByName(name));
  if (keys.empty()) throw Error(QStringLiteral("No key fields given"));
  QVariantList wanted = wantedValues(keyValues, static_cast<int>(keys.size()));
  for (size_t i = 0; i < keys.size(); ++i) {
    QVariant& w = wanted[static_cast<qsizetype>(i)];
    if (!keys[i]->isString()) w = keys[i]->convert(w);
  }
  if (keysOut) *keysOut = keys;
  for (size_t r = 0; r < rows_.size(); ++r)
    if (matches(rows_[r].values, keys, wanted, options)) return static_cast<int>(r);
  return -1;
}

bool DataSet::locate(const QString& keyFields, const QVariant& keyValues,
                     LocateOptions options) {
  checkBrowseMode();
  const int row = findRow(keyFields, keyValues, options);
  if (row < 0) return false;
  fire(beforeScroll);
  current_ = row;
  bof_ = eof_ = false;
  dataEvent(DataEvent::DataSetChange);
  fire(afterScroll);
  return true;
}

QVariant DataSet::lookup(const QString& keyFields, const QVariant& keyValues,
                         const QString& resultFields) {
  checkBrowseMode();
  const int row = findRow(keyFields, keyValues, {});
  if (row < 0) return {};
  QVariantList out;
  for (const QString& name : splitNames(resultFields))
    out << rows_[row].values[fieldByName(name)->slot_];
  return out.size() == 1 ? out.front() : QVariant(out);
}

// ---- bookmarks --------------------------------------------------------------

int DataSet::rowOf(const Bookmark& bookmark) const {
  if (bookmark.isNull()) return -1;
  if (current_ >= 0 && rows_[current_].id == bookmark.id) return current_;
  for (size_t r = 0; r < rows_.size(); ++r)
    if (rows_[r].id == bookmark.id) return static_cast<int>(r);
  return -1;
}

Bookmark DataSet::bookmark() const {
  if (state_ == DataSetState::Insert || current_ < 0) return {};
  return Bookmark{rows_[current_].id};
}

bool DataSet::bookmarkValid(const Bookmark& bookmark) const {
  return active() && rowOf(bookmark) >= 0;
}

void DataSet::gotoBookmark(const Bookmark& bookmark) {
  checkBrowseMode();
  const int row = rowOf(bookmark);
  if (row < 0) throw Error(QStringLiteral("Record not found"));
  fire(beforeScroll);
  current_ = row;
  bof_ = eof_ = false;
  dataEvent(DataEvent::DataSetChange);
  fire(afterScroll);
}

int DataSet::compareBookmarks(const Bookmark& a, const Bookmark& b) const {
  const int ra = rowOf(a);
  const int rb = rowOf(b);
  return ra < rb ? -1 : ra > rb ? 1 : 0;
}

void DataSet::reorderRecords(const std::vector<int>& order) {
  if (order.size() != rows_.size()) throw Error(QStringLiteral("Invalid record order"));
  const qint64 currentId = current_ >= 0 ? rows_[current_].id : -1;
  std::vector<Row> sorted;
  sorted.reserve(rows_.size());
  for (const int r : order) sorted.push_back(std::move(rows_.at(r)));
  rows_ = std::move(sorted);
  for (size_t r = 0; r < rows_.size(); ++r)
    if (rows_[r].id == currentId) current_ = static_cast<int>(r);
}

// ---- notifications ----------------------------------------------------------

void DataSet::disableControls() {
  if (disableCount_++ == 0) disableState_ = state_;
}

void DataSet::enableControls() {
  if (disableCount_ == 0) return;
  if (--disableCount_ > 0) return;
  if (disableState_ != state_) dataEvent(DataEvent::UpdateState);
  if (disableState_ != DataSetState::Inactive && state_ != DataSetState::Inactive)
    dataEvent(DataEvent::DataSetChange);
}

void DataSet::attachSource(DataSource* source) {
  if (std::find(sources_.begin(), sources_.end(), source) == sources_.end())
    sources_.push_back(source);
}

void DataSet::detachSource(DataSource* source) { std::erase(sources_, source); }

void DataSet::dataEvent(DataEvent event, Field* field, int info) {
  if (sources_.empty()) return;
  const std::vector<QPointer<DataSource>> sources(sources_.begin(), sources_.end());
  if (controlsDisabled()) {
    if (event == DataEvent::UpdateState)
      for (const auto& s : sources)
        if (s) s->notify(event, field, info, true);
    return;
  }
  if (event == DataEvent::FocusControl) {
    Field* target = field;
    for (const auto& s : sources) {
      if (!s || !s->enabled()) continue;
      const auto links = s->links();
      for (DataLink* l : links) {
        if (!l->active()) continue;
        l->focusControl(target);
        if (!target) return;
      }
    }
    return;
  }
  for (const auto& s : sources)
    if (s) s->notify(event, field, info, false);
}

}  // namespace pf

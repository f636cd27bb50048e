#pragma once

#include <QFlags>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

namespace pf {

class DataSet;
class DataSource;
class DataLink;

enum class FieldType {
  Unknown, String, FixedChar, Memo, SmallInt, Integer, LargeInt, Float, Currency, BCD, Date,
  Time, DateTime, Boolean, Blob
};
enum class FieldKind { Data, Calculated };
enum class DataSetState { Inactive, Browse, Edit, Insert, CalcFields };

enum class LocateOption { CaseInsensitive = 1, PartialKey = 2 };
Q_DECLARE_FLAGS(LocateOptions, LocateOption)

// Identifies one record for as long as it exists, whatever is inserted or deleted.
struct Bookmark {
  qint64 id = -1;
  bool isNull() const { return id < 0; }
  bool operator==(const Bookmark&) const = default;
};

// One column of a dataset. The value lives in the dataset's record buffers.
class Field {
 public:
  Field(DataSet* dataSet, const QString& name, FieldType type, int size, FieldKind kind);
  Field(const Field&) = delete;
  Field& operator=(const Field&) = delete;

  DataSet* dataSet() const { return dataSet_; }
  const QString& fieldName() const { return name_; }
  FieldType dataType() const { return type_; }
  FieldKind fieldKind() const { return kind_; }
  bool calculated() const { return kind_ == FieldKind::Calculated; }
  int index() const { return slot_; }
  bool isString() const;   // string, fixed-length string or memo
  bool isNumeric() const;  // integer kinds, float, currency, BCD

  QString displayLabel() const { return displayLabel_.isEmpty() ? name_ : displayLabel_; }
  void setDisplayLabel(const QString& label) { displayLabel_ = label; }
  int displayWidth() const;
  void setDisplayWidth(int width) { displayWidth_ = width; }
  bool visible() const { return visible_; }
  void setVisible(bool value) { visible_ = value; }
  const QString& editMask() const { return editMask_; }
  void setEditMask(const QString& mask) { editMask_ = mask; }
  int size() const { return size_; }
  void setSize(int size) { size_ = size; }
  bool required() const { return required_; }
  void setRequired(bool value) { required_ = value; }
  bool readOnly() const { return readOnly_; }
  void setReadOnly(bool value) { readOnly_ = value; }
  // "TABLE.COLUMN" the value comes from; empty for expressions and calculated fields.
  const QString& origin() const { return origin_; }
  void setOrigin(const QString& origin) { origin_ = origin; }
  // Number patterns ("#,##0.00"); empty: the general format.
  const QString& displayFormat() const { return displayFormat_; }
  void setDisplayFormat(const QString& format) { displayFormat_ = format; }
  const QString& editFormat() const { return editFormat_; }
  void setEditFormat(const QString& format) { editFormat_ = format; }
  // A string field set to an empty text becomes null.
  bool emptyAsNull() const { return emptyAsNull_; }
  void setEmptyAsNull(bool value) { emptyAsNull_ = value; }

  // Characters a control may type into the field.
  bool isValidChar(QChar c) const;
  QString validChars() const;  // empty: any character
  void setValidChars(const QString& chars);
  void resetValidChars();

  bool canModify() const;

  QVariant value() const;
  void setValue(const QVariant& value);
  bool isNull() const;
  void clear() { setValue(QVariant()); }
  QString asString() const;
  void setAsString(const QString& text);
  qint64 asLargeInt() const;
  int asInteger() const { return static_cast<int>(asLargeInt()); }
  void setAsInteger(qint64 value) { setValue(QVariant::fromValue(value)); }
  double asFloat() const;
  void setAsFloat(double value) { setValue(value); }
  // The value as a currency amount: at most four decimals.
  double asCurrency() const;
  QDateTime asDateTime() const;
  void setAsDateTime(const QDateTime& value) { setValue(value); }
  bool asBoolean() const;
  void setAsBoolean(bool value) { setValue(value); }
  // The text a control shows at rest, and the one it edits (both through onGetText).
  QString displayText() const;
  QString text() const;
  void setText(const QString& text);
  // The value when the edit began (while inserting or browsing: the value itself),
  // and the value being written.
  QVariant oldValue() const;
  QVariant newValue() const;

  // Asks the controls bound to this field to take the focus.
  void focusControl();

  // Converts a value to this field's storage type; throws pf::Error when it cannot.
  QVariant convert(const QVariant& value) const;
  // The text of a value of this field in the display or the edit form.
  QString format(const QVariant& value, bool display) const;

  std::function<void(Field&, QString& text, bool displayText)> onGetText;
  std::function<void(Field&, const QString& text)> onSetText;
  std::function<void(Field&)> onValidate;
  std::function<void(Field&)> onChange;

 private:
  friend class DataSet;
  QString defaultValidChars() const;

  DataSet* dataSet_;
  QString name_;
  FieldType type_;
  FieldKind kind_;
  int size_;
  int slot_ = -1;
  QString displayLabel_;
  int displayWidth_ = -1;
  bool visible_ = true;
  QString editMask_;
  bool required_ = false;
  bool readOnly_ = false;
  QString origin_;
  QString displayFormat_;
  QString editFormat_;
  bool emptyAsNull_ = true;
  bool customValidChars_ = false;
  QString validChars_;
  bool persistent_ = false;
};

// Notifications a dataset sends to its data sources and their links.
enum class DataEvent {
  FieldChange, RecordChange, DataSetChange, DataSetScroll, LayoutChange, UpdateRecord,
  UpdateState, CheckBrowseMode, FocusControl
};

// A table of records with typed fields, a current record, and the edit states.
// Subclasses fetch and write the records; this class keeps them and the buffers.
class DataSet : public QObject {
  Q_OBJECT
 public:
  using Event = std::function<void(DataSet&)>;

  explicit DataSet(QObject* owner = nullptr);
  ~DataSet() override;

  // Fields. Fields added while closed are kept across open and close.
  int fieldCount() const { return static_cast<int>(fields_.size()); }
  Field* fields(int index) const { return fields_.at(index).get(); }
  Field* findField(const QString& name) const;
  Field* fieldByName(const QString& name) const;  // throws when absent
  QStringList fieldNames() const;
  Field& addField(const QString& name, FieldType type, int size = 0,
                  FieldKind kind = FieldKind::Data);

  DataSetState state() const { return state_; }
  bool active() const { return state_ != DataSetState::Inactive; }
  void setActive(bool value) { value ? open() : close(); }
  void open();
  void close();

  bool bof() const { return bof_; }
  bool eof() const { return eof_; }
  bool isEmpty() const;
  int recordCount() const;
  int recNo() const;  // from 1; -1 without a current record
  void setRecNo(int value);
  void first();
  void last();
  void next() { moveBy(1); }
  void prior() { moveBy(-1); }
  int moveBy(int distance);

  void append();
  void insert();
  void edit();
  void post();
  void cancel();
  void remove();  // deletes the current record
  void refresh();
  bool modified() const { return modified_; }
  bool readOnly() const { return readOnly_; }
  void setReadOnly(bool value) { readOnly_ = value; }
  virtual bool canModify() const { return !readOnly_; }
  // Posts pending changes (or cancels an untouched edit) before the cursor moves.
  void checkBrowseMode();
  // Asks the controls to write their values into the record.
  void updateRecord();
  // Sets every field of the record being edited to null.
  void clearFields();

  bool locate(const QString& keyFields, const QVariant& keyValues, LocateOptions options = {});
  QVariant lookup(const QString& keyFields, const QVariant& keyValues,
                  const QString& resultFields);

  Bookmark bookmark() const;
  bool bookmarkValid(const Bookmark& bookmark) const;
  void gotoBookmark(const Bookmark& bookmark);
  int compareBookmarks(const Bookmark& a, const Bookmark& b) const;

  // Nested: controls hear nothing until the last enable, which refreshes them.
  void disableControls();
  void enableControls();
  bool controlsDisabled() const { return disableCount_ > 0; }

  Event beforeOpen, afterOpen, beforeClose, afterClose;
  Event beforeInsert, afterInsert, beforeEdit, afterEdit, beforePost, afterPost;
  Event beforeCancel, afterCancel, beforeDelete, afterDelete, beforeScroll, afterScroll;
  Event onCalcFields, onNewRecord;

  // Data sources attached to this dataset.
  const std::vector<DataSource*>& dataSources() const { return sources_; }

  void dataEvent(DataEvent event, Field* field = nullptr, int info = 0);

 protected:
  // The steps around the events; subclasses add to them.
  virtual void doBeforeOpen() { fire(beforeOpen); }
  virtual void doAfterOpen() { fire(afterOpen); }
  virtual void doBeforeClose() { fire(beforeClose); }
  virtual void doAfterClose() { fire(afterClose); }

  // Fills the fields (when needed) and the records through addRecord.
  virtual void internalOpen() = 0;
  virtual void internalClose() {}
  virtual void internalInsert() {}
  virtual void internalEdit() {}
  // Writes the record being posted; after it returns the buffer becomes the record.
  virtual void internalPost(bool inserting) { (void)inserting; }
  virtual void internalCancel() {}
  virtual void internalDelete() {}
  // Re-reads the data; the default reopens and returns to the same record number.
  virtual void internalRefresh();

  // For subclasses.
  static void fire(const Event& event, DataSet& dataSet) {
    if (event) event(dataSet);
  }
  void fire(const Event& event) { fire(event, *this); }
  bool hasPersistentDataFields() const;
  // Drops fields not added by the owner; the owner's fields stay.
  void removeDefaultFields();
  // Adds a field created for a column of the data (not kept when the layout changes).
  Field& addDefaultField(const QString& name, FieldType type, int size);
  void clearRecords();
  void reserveRecords(size_t count) { rows_.reserve(count); }
  // Appends a record during internalOpen; `values` has one slot per field.
  void addRecord(std::vector<QVariant>&& values);
  // Values of the current record, of the edit buffer and of the old values.
  const std::vector<QVariant>& currentValues() const;
  std::vector<QVariant>& editValues() { return editBuf_; }
  const std::vector<QVariant>& oldValues() const { return oldBuf_; }
  void setCurrentValues(std::vector<QVariant>&& values);
  void removeCurrentRecord();
  void setInitialPosition();
  // Forgets the edit buffers and the position when no record remains.
  void clearRecordBuffers();
  int currentIndex() const { return current_; }
  bool hasCalculatedFields() const;
  void calculate(std::vector<QVariant>& values);
  void setState(DataSetState state);
  void checkActive() const;
  // Values of record `row` (from 0) while browsing.
  const std::vector<QVariant>& recordValues(int row) const { return rows_.at(row).values; }
  // Puts the records in the order of `order` (old positions); the current one stays.
  void reorderRecords(const std::vector<int>& order);

 private:
  friend class Field;
  friend class DataSource;
  struct Row {
    qint64 id;
    std::vector<QVariant> values;
  };
  const QVariant& fieldValue(const Field& field) const;
  void setFieldValue(Field& field, const QVariant& value);
  void attachSource(DataSource* source);
  void detachSource(DataSource* source);
  void beginEditing(DataSetState state, int insertAt);
  void endEditing();
  void scrolled(int distance);
  bool matches(const std::vector<QVariant>& values, const std::vector<Field*>& keys,
               const QVariantList& wanted, LocateOptions options) const;
  int findRow(const QString& keyFields, const QVariant& keyValues, LocateOptions options,
              std::vector<Field*>* keysOut = nullptr) const;
  int rowOf(const Bookmark& bookmark) const;

  std::vector<std::unique_ptr<Field>> fields_;
  std::vector<Row> rows_;
  qint64 nextId_ = 0;
  int current_ = -1;
  bool bof_ = true;
  bool eof_ = true;
  DataSetState state_ = DataSetState::Inactive;
  std::vector<QVariant> editBuf_;
  std::vector<QVariant> oldBuf_;
  std::vector<QVariant>* calcBuf_ = nullptr;
  int insertAt_ = -1;
  bool modified_ = false;
  bool readOnly_ = false;
  int disableCount_ = 0;
  DataSetState disableState_ = DataSetState::Inactive;
  bool pendingChange_ = false;
  std::vector<DataSource*> sources_;
};

}  // namespace pf

Q_DECLARE_OPERATORS_FOR_FLAGS(pf::LocateOptions)

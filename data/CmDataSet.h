#pragma once

#include "CmSQLGlobals.h"

#include "platform/SqlDataSet.h"

#include <QPointer>
#include <QString>
#include <QStringList>

// The framework's editable SQL dataset: unique keys with the duplicate check, an
// order-by list applied on every open, COUNT aggregates cast to INTEGER, the ID of
// the current record remembered over a close, and a counted open and close.
class TCmDataSet : public pf::SqlDataSet {
  Q_OBJECT
 public:
  explicit TCmDataSet(QObject* owner = nullptr);
  ~TCmDataSet() override;

  TCmSQLGlobals* SQLGlobals() const { return sqlGlobals_.data(); }
  // Moves the registration; the same object again moves it to the end of the registry.
  void setSQLGlobals(TCmSQLGlobals* globals);

  const QString& TableName() const { return tableName_; }
  // Outside loading, with a database and a transaction, also reads the unique keys.
  void setTableName(const QString& name);
  // One item per unique key; the fields of a composite key joined by ";".
  const QStringList& UniqueKeys() const { return uniqueKeys_; }
  void setUniqueKeys(const QStringList& keys) { uniqueKeys_ = keys; }
  // "TABLE.FIELD [ASC|DESC]" or ordinal items, separated by ";".
  const QString& OrderByFields() const { return orderByFields_; }
  void setOrderByFields(const QString& value);

  // While loading, assignments only store their values.
  bool loading() const { return loading_; }
  void setLoading(bool value) { loading_ = value; }

  virtual QString GetOrderedSelectSQL() const;
  QString QualifyOrderItem(const QString& item) const;
  static bool IsPlainIdentifier(const QString& word);
  static bool IsReservedWord(const QString& word);
  static QString CastCountAggregates(const QString& text);

  // The query HasDuplicateKey runs.
  QString DuplicateKeySql() const;
  bool HasDuplicateKey();
  void RefreshUniqueKeys();

  int CurrentID() const;
  void setCurrentID(int id);
  int LastClosedID() const { return lastClosedId_; }
  // An insert began while the dataset had no current record.
  bool InsertedIntoEmpty() const { return insertedIntoEmpty_; }

  void OpenCounted();
  void CloseCounted();
  int OpenCount() const { return openCount_; }

  bool HasParam(const QString& name) const { return hasParam(name.toUpper()); }

 protected:
  void doBeforeOpen() override;
  void doBeforeClose() override;
  void internalInsert() override;
  void internalCancel() override;
  void internalPost(bool inserting) override;

 private:
  pf::Field* idField() const;

  QPointer<TCmSQLGlobals> sqlGlobals_;
  QString tableName_;
  QStringList uniqueKeys_;
  QString orderByFields_;
  bool loading_ = false;
  int currentIdCache_ = -1;
  bool insertedIntoEmpty_ = false;
  int openCount_ = 0;
  int lastClosedId_ = -1;
};

#pragma once

#include "DataSet.h"
#include "DataSource.h"
#include "Database.h"
#include "Sql.h"
#include "Transaction.h"

#include <QPointer>
#include <QStringList>
#include <QVariant>

#include <utility>
#include <vector>

namespace pf {

class SqlDataSet;

// Follows the master's current record and reopens the detail with its values.
class MasterDataLink final : public DataLink {
 public:
  explicit MasterDataLink(SqlDataSet* detail) : detail_(detail) {}

 protected:
  void activeChanged() override;
  void recordChanged(Field* field) override;
  void checkBrowseMode() override;

 private:
  SqlDataSet* detail_;
};

// An editable dataset over one select statement. Inserts, changes and deletes run
// their own statements, whose :NAME parameters take the record's values and
// :OLD_NAME the values it had before the edit. The select's parameters come from
// setParam and, with a master data source, from the master's fields of that name.
class SqlDataSet : public DataSet, public DatabaseClient, public TransactionClient {
  Q_OBJECT
 public:
  explicit SqlDataSet(QObject* owner = nullptr);
  ~SqlDataSet() override;

  Database* database() const { return database_.data(); }
  void setDatabase(Database* database);
  // Null: the database's default transaction.
  Transaction* transaction() const { return transaction_.data(); }
  void setTransaction(Transaction* transaction);
  Transaction* activeTransaction() const;

  const QString& selectSql() const { return selectSql_; }
  // Replacing the select text closes the dataset and starts new parameters.
  void setSelectSql(const QString& text);
  const QString& insertSql() const { return insertSql_; }
  void setInsertSql(const QString& text) { insertSql_ = text; }
  const QString& modifySql() const { return modifySql_; }
  void setModifySql(const QString& text) { modifySql_ = text; }
  const QString& deleteSql() const { return deleteSql_; }
  void setDeleteSql(const QString& text) { deleteSql_ = text; }
  const QString& refreshSql() const { return refreshSql_; }
  void setRefreshSql(const QString& text) { refreshSql_ = text; }
  // Re-read a record through the refresh statement after it is posted.
  bool forcedRefresh() const { return forcedRefresh_; }
  void setForcedRefresh(bool value) { forcedRefresh_ = value; }

  // Parameters of the select statement, by name (case-insensitive).
  int paramCount() const { return static_cast<int>(params_.size()); }
  QStringList paramNames() const;
  bool hasParam(const QString& name) const;
  QVariant param(const QString& name) const;
  void setParam(const QString& name, const QVariant& value);
  // By position, from 0.
  QVariant param(int index) const { return params_.at(index).second; }
  void setParam(int index, const QVariant& value) { params_.at(index).second = value; }

  // Master of a detail: its fields fill the parameters of the same names.
  DataSource* dataSource() const { return master_.dataSource(); }
  void setDataSource(DataSource* master);

  bool prepared() const { return select_.prepared(); }
  void prepare();
  void unprepare();

  bool canModify() const override;

  // Re-reads the current record through the refresh statement.
  void refreshRecord();

  void databaseDisconnecting() override;
  void transactionEnding(bool retaining) override;
  bool clientActive() const override { return active() || busy_; }

 protected:
  void doAfterClose() override;
  void internalOpen() override;
  void internalClose() override;
  void internalPost(bool inserting) override;
  void internalDelete() override;
  void internalRefresh() override;

 private:
  friend class MasterDataLink;
  void ready();
  void bindSelect();
  void createFields();
  // Parameters of a write statement from a record and its old values.
  void bindRecord(Sql& sql, const std::vector<QVariant>& values,
                  const std::vector<QVariant>& old);
  void execute(const QString& text, const std::vector<QVariant>& values,
               const std::vector<QVariant>& old);
  bool readRecord(std::vector<QVariant>& values, const std::vector<QVariant>& key);
  void masterChanged();
  void closeQuietly();

  QPointer<Database> database_;
  QPointer<Transaction> transaction_;
  QString selectSql_, insertSql_, modifySql_, deleteSql_, refreshSql_;
  bool forcedRefresh_ = false;
  bool busy_ = false;  // a statement of this dataset is running
  std::vector<std::pair<QString, QVariant>> params_;
  Sql select_;
  Sql work_;
  std::vector<int> columnSlots_;
  MasterDataLink master_;
};

}  // namespace pf

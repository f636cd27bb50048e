#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

#include "Transaction.h"

#include <functional>
#include <vector>

namespace Firebird {
class IAttachment;
}

namespace pf {

// Holds server handles that belong to one attachment: released before it detaches.
class DatabaseClient {
 public:
  virtual ~DatabaseClient() = default;
  virtual void databaseDisconnecting() = 0;
};

// A connection to one Firebird database. A name "host:path" goes to a server, a bare
// path opens the file with the embedded engine.
class Database : public QObject {
  Q_OBJECT
 public:
  explicit Database(QObject* owner = nullptr);
  ~Database() override;

  const QString& databaseName() const { return databaseName_; }
  void setDatabaseName(const QString& name);
  // Connection parameter lines: user_name=, password=, lc_ctype=, sql_role_name=,
  // num_buffers=, isc_dpb_sql_dialect= (the isc_dpb_ prefix is optional on each).
  QStringList& params() { return params_; }
  const QStringList& params() const { return params_; }
  void setParams(const QStringList& lines) { params_ = lines; }
  // Value of one parameter line ("" when absent).
  QString param(const QString& name) const;
  int sqlDialect() const { return sqlDialect_; }
  void setSqlDialect(int dialect);

  Transaction* defaultTransaction() const { return defaultTransaction_; }
  void setDefaultTransaction(Transaction* transaction);

  void open();
  void close();
  bool connected() const { return attachment_ != nullptr; }
  void setConnected(bool value) { value ? open() : close(); }
  // Drops the attachment even when the server refuses a clean detach.
  void forceClose();

  // Creates the database from its name and the parameter lines taken as creation
  // parameters ("USER 'SYSDBA'", "PASSWORD '…'", "PAGE_SIZE 4096", ...); leaves it open.
  void createDatabase();
  // Drops the connected database; the connection is closed afterwards.
  void dropDatabase();

  // Transactions attached to this connection, in the order they were attached.
  int transactionCount() const { return static_cast<int>(transactions_.size()); }
  Transaction* transactions(int index) const { return transactions_.at(index); }
  int findTransaction(const Transaction* transaction) const;

  // User names of the current attachments (database information).
  QStringList userNames();

  // Connection character set from lc_ctype, upper case ("NONE" when none is given).
  QString charset() const;
  int charsetId() const { return charsetId_; }
  QByteArray encode(QStringView text) const;
  QString decode(const char* data, qsizetype size, unsigned columnCharset) const;

  Firebird::IAttachment* attachment() const { return attachment_; }
  void addClient(DatabaseClient* client);
  void removeClient(DatabaseClient* client);

  std::function<void()> afterConnect;
  std::function<void()> beforeDisconnect;

 private:
  friend class Transaction;
  void attachTransaction(Transaction* transaction);
  void detachTransaction(Transaction* transaction);
  void endTransactionsAndClients();
  QByteArray connectionBuffer() const;

  QString databaseName_;
  QStringList params_;
  int sqlDialect_ = 3;
  int charsetId_ = 0;
  QPointer<Transaction> defaultTransaction_;
  std::vector<Transaction*> transactions_;
  std::vector<DatabaseClient*> clients_;
  Firebird::IAttachment* attachment_ = nullptr;
};

}  // namespace pf

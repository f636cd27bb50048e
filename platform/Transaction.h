#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <vector>

namespace Firebird {
class ITransaction;
}

namespace pf {

class Database;

enum class TransactionAction { Rollback, Commit, RollbackRetaining, CommitRetaining };
enum class AutoStopAction { None, Rollback, Commit, RollbackRetaining, CommitRetaining };

// Something that works inside a transaction: told before the transaction ends.
class TransactionClient {
 public:
  virtual ~TransactionClient() = default;
  // A hard commit or rollback closes cursors; a retaining one keeps them.
  virtual void transactionEnding(bool retaining) = 0;
  // Whether the client is open; the automatic stop action waits for the last one.
  virtual bool clientActive() const = 0;
};

class Transaction : public QObject {
  Q_OBJECT
 public:
  explicit Transaction(QObject* owner = nullptr);
  ~Transaction() override;

  // The parameters the program's transactions use: read committed, record version,
  // no wait.
  static QStringList readCommittedParams() {
    return {QStringLiteral("read_committed"), QStringLiteral("rec_version"),
            QStringLiteral("nowait")};
  }

  // Parameter lines: read_committed, rec_version, nowait, read, write, consistency,
  // concurrency, wait, no_rec_version, shared, protected, exclusive, lock_read=T,
  // lock_write=T, lock_timeout=N, ... (the isc_tpb_ prefix is optional).
  QStringList& params() { return params_; }
  const QStringList& params() const { return params_; }
  void setParams(const QStringList& lines) { params_ = lines; }

  Database* defaultDatabase() const { return database_.data(); }
  void setDefaultDatabase(Database* database);

  void startTransaction();
  void commit();
  void rollback();
  void commitRetaining();
  void rollbackRetaining();
  void endTransaction(TransactionAction action);
  bool inTransaction() const { return handle_ != nullptr; }
  bool active() const { return inTransaction(); }
  void setActive(bool value);

  // Applied when the connection closes while the transaction is active.
  TransactionAction defaultAction() const { return defaultAction_; }
  void setDefaultAction(TransactionAction action) { defaultAction_ = action; }
  // Applied when the last open client closes.
  AutoStopAction autoStopAction() const { return autoStopAction_; }
  void setAutoStopAction(AutoStopAction action) { autoStopAction_ = action; }
  // Clients call this after closing.
  void checkAutoStop();

  Firebird::ITransaction* handle() const { return handle_; }
  void addClient(TransactionClient* client);
  void removeClient(TransactionClient* client);

 private:
  friend class Database;
  QByteArray parameterBuffer() const;
  void notifyClients(bool retaining);

  QStringList params_;
  QPointer<Database> database_;
  TransactionAction defaultAction_ = TransactionAction::Commit;
  AutoStopAction autoStopAction_ = AutoStopAction::None;
  std::vector<TransactionClient*> clients_;
  Firebird::ITransaction* handle_ = nullptr;
  bool ending_ = false;  // clients closing during an end must not trigger the auto stop
};

}  // namespace pf

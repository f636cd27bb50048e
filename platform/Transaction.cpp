#include "Transaction.h"

#include <ibase.h>

#include <algorithm>

#include "Database.h"
#include "Errors.h"
#include "FbApi.h"
#include "Trace.h"

namespace pf {

namespace {

struct TpbFlag {
  const char16_t* name;
  unsigned char tag;
};

constexpr TpbFlag kFlags[] = {
    {u"consistency", isc_tpb_consistency},
    {u"concurrency", isc_tpb_concurrency},
    {u"shared", isc_tpb_shared},
    {u"protected", isc_tpb_protected},
    {u"exclusive", isc_tpb_exclusive},
    {u"wait", isc_tpb_wait},
    {u"nowait", isc_tpb_nowait},
    {u"read", isc_tpb_read},
    {u"write", isc_tpb_write},
    {u"ignore_limbo", isc_tpb_ignore_limbo},
    {u"read_committed", isc_tpb_read_committed},
    {u"autocommit", isc_tpb_autocommit},
    {u"rec_version", isc_tpb_rec_version},
    {u"no_rec_version", isc_tpb_no_rec_version},
    {u"restart_requests", isc_tpb_restart_requests},
    {u"no_auto_undo", isc_tpb_no_auto_undo},
    {u"verb_time", isc_tpb_verb_time},
    {u"commit_time", isc_tpb_commit_time},
};

QString actionName(TransactionAction action) {
  switch (action) {
    case TransactionAction::Rollback:
      return QStringLiteral("Rollback");
    case TransactionAction::Commit:
      return QStringLiteral("Commit");
    case TransactionAction::RollbackRetaining:
      return QStringLiteral("Rollback retaining");
    case TransactionAction::CommitRetaining:
      return QStringLiteral("Commit retaining");
  }
  return {};
}

}  // namespace

Transaction::Transaction(QObject* owner) : QObject(owner) {}

Transaction::~Transaction() {
  if (handle_) {
    try {
      notifyClients(false);
    } catch (...) {
    }
    fb::Status status;
    handle_->rollback(&status);
    if (status.failed()) handle_->release();
    handle_ = nullptr;
  }
  if (database_) database_->detachTransaction(this);
}

void Transaction::setDefaultDatabase(Database* database) {
  if (database == database_) return;
  if (inTransaction())
    throw Error(QStringLiteral("Cannot change the database of an active transaction"));
  if (database_) database_->detachTransaction(this);
  database_ = database;
  if (database_) database_->attachTransaction(this);
}

QByteArray Transaction::parameterBuffer() const {
  fb::Xpb tpb(Firebird::IXpbBuilder::TPB);
  for (const QString& raw : params_) {
    QString line = raw.trimmed();
    if (line.isEmpty()) continue;
    const qsizetype eq = line.indexOf(u'=');
    QString name = (eq < 0 ? line : line.left(eq)).trimmed().toLower();
    const QString value = eq < 0 ? QString() : line.mid(eq + 1).trimmed();
    if (name.startsWith(u"isc_tpb_")) name = name.mid(8);
    if (name == u"lock_read" || name == u"lock_write") {
      tpb.string(name == u"lock_read" ? isc_tpb_lock_read : isc_tpb_lock_write,
                 value.toUpper().toLatin1());
      continue;
    }
    if (name == u"lock_timeout") {
      tpb.integer(isc_tpb_lock_timeout, value.toInt());
      continue;
    }
    const auto* flag = std::find_if(std::begin(kFlags), std::end(kFlags),
                                    [&](const TpbFlag& f) { return name == f.name; });
    if (flag == std::end(kFlags))
      throw Error(QStringLiteral("Unknown transaction parameter \"%1\"").arg(raw));
    tpb.tag(flag->tag);
  }
  return QByteArray(reinterpret_cast<const char*>(tpb.buffer()), tpb.length());
}

void Transaction::startTransaction() {
  if (inTransaction()) throw Error(QStringLiteral("Transaction is already active"));
  if (!database_) throw Error(QStringLiteral("Transaction has no database"));
  if (!database_->connected()) throw Error(QStringLiteral("Database not connected"));
  const QByteArray tpb = params_.isEmpty() ? QByteArray() : parameterBuffer();
  fb::Status status;
  handle_ = database_->attachment()->startTransaction(
      &status, static_cast<unsigned>(tpb.size()),
      reinterpret_cast<const unsigned char*>(tpb.constData()));
  if (status.failed()) {
    handle_ = nullptr;
    status.check();
  }
  Trace::note(TraceKind::Transaction, [&] {
    return QStringLiteral("Start transaction %1 (%2)").arg(objectName(), params_.join(u' '));
  });
}

void Transaction::notifyClients(bool retaining) {
  const auto clients = clients_;
  for (TransactionClient* c : clients) c->transactionEnding(retaining);
}

void Transaction::endTransaction(TransactionAction action) {
  if (!inTransaction()) throw Error(QStringLiteral("Transaction is not active"));
  const bool retaining = action == TransactionAction::CommitRetaining ||
                         action == TransactionAction::RollbackRetaining;
  ending_ = true;
  try {
    notifyClients(retaining);
  } catch (...) {
    ending_ = false;
    throw;
  }
  ending_ = false;
  Trace::note(TraceKind::Transaction,
              [&] { return actionName(action) + QStringLiteral(" ") + objectName(); });
  fb::Status status;
  switch (action) {
    case TransactionAction::Commit:
      handle_->commit(&status);
      break;
    case TransactionAction::Rollback:
      handle_->rollback(&status);
      break;
    case TransactionAction::CommitRetaining:
      handle_->commitRetaining(&status);
      break;
    case TransactionAction::RollbackRetaining:
      handle_->rollbackRetaining(&status);
      break;
  }
  status.check();
  if (!retaining) handle_ = nullptr;  // released by a successful commit or rollback
}

void Transaction::commit() { endTransaction(TransactionAction::Commit); }
void Transaction::rollback() { endTransaction(TransactionAction::Rollback); }
void Transaction::commitRetaining() { endTransaction(TransactionAction::CommitRetaining); }
void Transaction::rollbackRetaining() { endTransaction(TransactionAction::RollbackRetaining); }

void Transaction::setActive(bool value) {
  if (value && !inTransaction())
    startTransaction();
  else if (!value && inTransaction())
    endTransaction(defaultAction_);
}

void Transaction::checkAutoStop() {
  if (ending_ || !inTransaction() || autoStopAction_ == AutoStopAction::None) return;
  if (std::any_of(clients_.begin(), clients_.end(),
                  [](const TransactionClient* c) { return c->clientActive(); }))
    return;
  switch (autoStopAction_) {
    case AutoStopAction::None:
      break;
    case AutoStopAction::Rollback:
      rollback();
      break;
    case AutoStopAction::Commit:
      commit();
      break;
    case AutoStopAction::RollbackRetaining:
      rollbackRetaining();
      break;
    case AutoStopAction::CommitRetaining:
      commitRetaining();
      break;
  }
}

void Transaction::addClient(TransactionClient* client) {
  if (std::find(clients_.begin(), clients_.end(), client) == clients_.end())
    clients_.push_back(client);
}

void Transaction::removeClient(TransactionClient* client) {
  clients_.erase(std::remove(clients_.begin(), clients_.end(), client), clients_.end());
}

}  // namespace pf

#include "Database.h"

#include <ibase.h>

#include <QFile>
#include <algorithm>

#include "Cp1252.h"
#include "Errors.h"
#include "FbApi.h"
#include "Trace.h"
#include "Transaction.h"

namespace pf {

namespace {

struct ParamLine {
  QString name;  // lower case, without the isc_dpb_ prefix
  QString value;
};

ParamLine splitLine(const QString& line, QStringView prefix) {
  const qsizetype eq = line.indexOf(u'=');
  ParamLine p{(eq < 0 ? line : line.left(eq)).trimmed().toLower(),
              eq < 0 ? QString() : line.mid(eq + 1).trimmed()};
  if (p.name.startsWith(prefix)) p.name = p.name.mid(prefix.size());
  return p;
}

}  // namespace

Database::Database(QObject* owner) : QObject(owner) {}

Database::~Database() {
  try {
    close();
  } catch (...) {
    forceClose();
  }
}

void Database::setDatabaseName(const QString& name) {
  if (name == databaseName_) return;
  if (connected()) throw Error(QStringLiteral("Cannot change the database name while connected"));
  databaseName_ = name;
}

QString Database::param(const QString& name) const {
  const QString wanted = name.toLower();
  for (const QString& line : params_) {
    const ParamLine p = splitLine(line, u"isc_dpb_");
    if (p.name == wanted) return p.value;
  }
  return {};
}

void Database::setSqlDialect(int dialect) {
  if (dialect < 1 || dialect > 3)
    throw Error(QStringLiteral("Invalid SQL dialect %1").arg(dialect));
  sqlDialect_ = dialect;
}

void Database::setDefaultTransaction(Transaction* transaction) {
  defaultTransaction_ = transaction;
  if (transaction && !transaction->defaultDatabase()) transaction->setDefaultDatabase(this);
}

QByteArray Database::connectionBuffer() const {
  fb::Xpb dpb(Firebird::IXpbBuilder::DPB);
  bool dialectGiven = false;
  for (const QString& line : params_) {
    if (line.trimmed().isEmpty()) continue;
    const ParamLine p = splitLine(line, u"isc_dpb_");
    if (p.name == u"user_name" || p.name == u"user") {
      dpb.string(isc_dpb_user_name, encode(p.value));
    } else if (p.name == u"password") {
      dpb.string(isc_dpb_password, encode(p.value));
    } else if (p.name == u"lc_ctype") {
      dpb.string(isc_dpb_lc_ctype, p.value.toLatin1());
    } else if (p.name == u"sql_role_name") {
      dpb.string(isc_dpb_sql_role_name, encode(p.value));
    } else if (p.name == u"num_buffers") {
      dpb.integer(isc_dpb_num_buffers, p.value.toInt());
    } else if (p.name == u"sql_dialect") {
      dpb.integer(isc_dpb_sql_dialect, p.value.toInt());
      dialectGiven = true;
    } else {
      throw Error(QStringLiteral("Unknown connection parameter \"%1\"").arg(line));
    }
  }
  if (!dialectGiven) dpb.integer(isc_dpb_sql_dialect, sqlDialect_);
  return QByteArray(reinterpret_cast<const char*>(dpb.buffer()), dpb.length());
}

void Database::open() {
  if (connected()) return;
  if (databaseName_.isEmpty()) throw Error(QStringLiteral("Database name is empty"));
  const QByteArray dpb = connectionBuffer();
  charsetId_ = fb::charsetId(param(QStringLiteral("lc_ctype")));
  Trace::note(TraceKind::Connect, [&] { return QStringLiteral("Attach ") + databaseName_; });
  fb::Status status;
  attachment_ = fb::provider()->attachDatabase(
      &status, QFile::encodeName(databaseName_).constData(), static_cast<unsigned>(dpb.size()),
      reinterpret_cast<const unsigned char*>(dpb.constData()));
  if (status.failed()) {
    attachment_ = nullptr;
    status.check();
  }
  if (afterConnect) afterConnect();
}

void Database::endTransactionsAndClients() {
  // Clients drop their statements first, then open transactions end by their default action.
  const auto clients = clients_;
  for (DatabaseClient* c : clients) c->databaseDisconnecting();
  for (Transaction* t : std::vector<Transaction*>(transactions_)) {
    if (!t->inTransaction()) continue;
    switch (t->defaultAction()) {
      case TransactionAction::Commit:
      case TransactionAction::CommitRetaining:
        t->commit();
        break;
      case TransactionAction::Rollback:
      case TransactionAction::RollbackRetaining:
        t->rollback();
        break;
    }
  }
}

void Database::close() {
  if (!connected()) return;
  if (beforeDisconnect) beforeDisconnect();
  endTransactionsAndClients();
  Trace::note(TraceKind::Connect, [&] { return QStringLiteral("Detach ") + databaseName_; });
  fb::Status status;
  attachment_->detach(&status);
  status.check();
  attachment_ = nullptr;
}

void Database::forceClose() {
  if (!connected()) return;
  try {
    endTransactionsAndClients();
  } catch (...) {
  }
  for (Transaction* t : transactions_) {
    if (t->handle_) {
      t->handle_->release();
      t->handle_ = nullptr;
    }
  }
  fb::Status status;
  attachment_->detach(&status);
  if (status.failed()) attachment_->release();
  attachment_ = nullptr;
}

void Database::createDatabase() {
  if (connected()) throw Error(QStringLiteral("Cannot create a database while connected"));
  if (databaseName_.isEmpty()) throw Error(QStringLiteral("Database name is empty"));
  QString text = QStringLiteral("CREATE DATABASE '") + databaseName_ + QStringLiteral("'");
  for (const QString& line : params_)
    if (!line.trimmed().isEmpty()) text += u' ' + line.trimmed();
  Trace::note(TraceKind::Connect, [&] { return text; });
  const QByteArray statement = text.toUtf8();
  fb::Status status;
  FB_BOOLEAN isCreate = false;
  attachment_ = fb::util()->executeCreateDatabase(&status, static_cast<unsigned>(statement.size()),
                                                  statement.constData(),
                                                  static_cast<unsigned>(sqlDialect_), &isCreate);
  if (status.failed()) {
    attachment_ = nullptr;
    status.check();
  }
  if (!isCreate || !attachment_) {
    attachment_ = nullptr;
    throw Error(QStringLiteral("Not a CREATE DATABASE statement: ") + text);
  }
  charsetId_ = 0;
  if (afterConnect) afterConnect();
}

void Database::dropDatabase() {
  if (!connected()) throw Error(QStringLiteral("Database not connected"));
  if (beforeDisconnect) beforeDisconnect();
  endTransactionsAndClients();
  Trace::note(TraceKind::Connect, [&] { return QStringLiteral("Drop ") + databaseName_; });
  fb::Status status;
  attachment_->dropDatabase(&status);
  status.check();
  attachment_ = nullptr;
}

int Database::findTransaction(const Transaction* transaction) const {
  const auto it = std::find(transactions_.begin(), transactions_.end(), transaction);
  return it == transactions_.end() ? -1 : static_cast<int>(it - transactions_.begin());
}

void Database::attachTransaction(Transaction* transaction) {
  if (findTransaction(transaction) < 0) transactions_.push_back(transaction);
}

void Database::detachTransaction(Transaction* transaction) {
  transactions_.erase(std::remove(transactions_.begin(), transactions_.end(), transaction),
                      transactions_.end());
  if (defaultTransaction_ == transaction) defaultTransaction_ = nullptr;
}

void Database::addClient(DatabaseClient* client) {
  if (std::find(clients_.begin(), clients_.end(), client) == clients_.end())
    clients_.push_back(client);
}

void Database::removeClient(DatabaseClient* client) {
  clients_.erase(std::remove(clients_.begin(), clients_.end(), client), clients_.end());
}

QStringList Database::userNames() {
  if (!connected()) throw Error(QStringLiteral("Database not connected"));
  const unsigned char items[] = {isc_info_user_names, isc_info_end};
  std::vector<unsigned char> buffer(4096);
  for (;;) {
    fb::Status status;
    attachment_->getInfo(&status, sizeof items, items, static_cast<unsigned>(buffer.size()),
                         buffer.data());
    status.check();
    QStringList names;
    bool truncated = false;
    for (size_t i = 0; i < buffer.size() && buffer[i] != isc_info_end;) {
      const unsigned char item = buffer[i++];
      if (item == isc_info_truncated) {
        truncated = true;
        break;
      }
      const unsigned length = buffer[i] | (buffer[i + 1] << 8);
      i += 2;
      if (item == isc_info_user_names && length > 0) {
        const unsigned nameLength = buffer[i];
        names << decode(reinterpret_cast<const char*>(&buffer[i + 1]), nameLength, 0);
      }
      i += length;
    }
    if (!truncated) return names;
    buffer.resize(buffer.size() * 4);
  }
}

QString Database::charset() const {
  const QString cs = param(QStringLiteral("lc_ctype")).toUpper();
  return cs.isEmpty() ? QStringLiteral("NONE") : cs;
}

QByteArray Database::encode(QStringView text) const {
  return charsetId_ == 4 ? text.toUtf8() : toCp1252(text);
}

QString Database::decode(const char* data, qsizetype size, unsigned columnCharset) const {
  if (columnCharset == 4 || columnCharset == 3 || (columnCharset == 0 && charsetId_ == 4))
    return QString::fromUtf8(data, size);
  return fromCp1252(data, size);
}

}  // namespace pf

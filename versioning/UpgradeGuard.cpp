#include "UpgradeGuard.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <memory>

#include "data/CmIBSQL.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "platform/Transaction.h"

DatabaseLocation SplitDatabaseName(const QString& name) {
  const qsizetype colon = name.indexOf(u':');
  if (colon < 0) return {QString(), name};
  return {name.left(colon), name.mid(colon + 1)};
}

QString BackupFileNameFor(const QString& path, const QDateTime& when) {
  return path + u'-' + when.toString(QStringLiteral("yyyy-MM-dd-HH-mm")) + QStringLiteral(".gbk");
}

QString ResolveHostName(const QString& address) {
  const QString ip = address.section(u'/', 0, 0).trimmed();
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  if (inet_pton(AF_INET, ip.toLatin1().constData(), &sa.sin_addr) != 1) return {};
  char host[NI_MAXHOST] = {};
  if (getnameinfo(reinterpret_cast<sockaddr*>(&sa), sizeof sa, host, sizeof host, nullptr, 0,
                  NI_NAMEREQD) != 0)
    return {};
  return QString::fromLocal8Bit(host).trimmed();
}

class UpgradeGuardRules::Impl {
 public:
  pf::Transaction transaction;
  TCmIBSQL sql;
};

UpgradeGuardRules::UpgradeGuardRules(pf::Database* database)
    : database_(database), impl_(new Impl) {
  impl_->transaction.setParams(pf::Transaction::readCommittedParams());
  impl_->transaction.setDefaultDatabase(database);
  impl_->sql.setDatabase(database);
  impl_->sql.setTransaction(&impl_->transaction);
}

UpgradeGuardRules::~UpgradeGuardRules() {
  try {
    if (impl_->transaction.inTransaction()) impl_->transaction.commit();
  } catch (...) {
  }
  delete impl_;
}

bool UpgradeGuardRules::CanUpgrade(const QString& backupFileName, bool skipBackup) {
  // One entry per user attachment, this program's own included.
  const qsizetype entries = database_->userNames().size();
  if (entries > 1) {
    pf::showMessage(QStringLiteral("Processo não pode continuar pois existem usuários conectados "
                                   "a Base de Dados.\r\nExiste(m) ") +
                    QString::number(entries - 1) + QStringLiteral(" usuário(s) conectados."));
    return false;
  }
  if (backupFileName.isEmpty() && !skipBackup) {
    pf::showMessage(QStringLiteral(
        "Backup não efetuado. Não será possível efetuar a atualização do banco de dados."));
    return false;
  }
  return true;
}

void UpgradeGuardRules::restartTransaction() {
  if (impl_->transaction.inTransaction()) impl_->transaction.commit();
  impl_->transaction.startTransaction();
}

void UpgradeGuardRules::CommitTransaction() {
  if (impl_->transaction.inTransaction()) impl_->transaction.commit();
}

std::vector<ConnectionRow> UpgradeGuardRules::ListConnections() {
  restartTransaction();
  TCmIBSQL& sql = impl_->sql;
  sql.ExecSQL(QStringLiteral(
      "select * from MON$ATTACHMENTS where MON$ATTACHMENT_ID <> current_connection"));
  std::vector<ConnectionRow> rows;
  const int system = sql.fieldIndex(QStringLiteral("MON$SYSTEM_FLAG"));
  for (; !sql.eof(); sql.next()) {
    // The server's own workers (garbage collector, cache writer) are nobody to end.
    if (system >= 0 && sql.field(system).asInteger() == 1) continue;
    rows.push_back({QString(), sql.fieldByName(QStringLiteral("MON$REMOTE_ADDRESS")).asString(),
                    sql.fieldByName(QStringLiteral("MON$REMOTE_PROCESS")).asString(),
                    sql.fieldByName(QStringLiteral("MON$ATTACHMENT_ID")).asString()});
  }
  sql.close();
  impl_->transaction.commit();
  return rows;
}

void UpgradeGuardRules::EndConnection(const QString& attachmentId) {
  bool ok = false;
  const qint64 id = attachmentId.trimmed().toLongLong(&ok);
  if (!ok || id <= 0) return;
  const qsizetype usersBefore = database_->userNames().size();
  restartTransaction();
  TCmIBSQL& sql = impl_->sql;
  sql.setSql(
      QStringLiteral("delete from MON$ATTACHMENTS where MON$ATTACHMENT_ID = :CURRENT_CONNECTION"));
  sql.param(QStringLiteral("CURRENT_CONNECTION")).setInteger(id);
  sql.execQuery();
  sql.close();
  impl_->transaction.commit();
  // The server ends the attachment on its own time: wait for it (bounded) so that the
  // listing and the count that follow no longer show it.
  QDeadlineTimer deadline(5000);
  while (database_->userNames().size() >= usersBefore && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(20);
  }
}

void UpgradeGuardRules::RunBackup(const QString& databaseName, const QString& file,
                                  const std::function<void(const QString&)>& onLine) {
  const DatabaseLocation where = SplitDatabaseName(databaseName);
  pf::BackupService backup;
  backup.serverName = where.server;
  backup.userName = QStringLiteral("SYSDBA");
  backup.password = QString::fromLatin1(kSysdbaPassword);
  backup.databaseName = where.path;
  backup.backupFile = file;
  backup.verbose = true;
  backup.attach();
  backup.serviceStart();
  while (!backup.eof()) {
    const QString line = backup.getNextLine();
    if (onLine && !backup.eof()) onLine(line);
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
  }
  backup.detach();
}

QString UpgradeGuardRules::TakeBackup(const QString& databaseName, const QDateTime& when,
                                      const std::function<void(const QString&)>& onLine) {
  const QString file = BackupFileNameFor(SplitDatabaseName(databaseName).path, when);
  try {
    RunBackup(databaseName, file, onLine);
  } catch (...) {
    return {};  // no message: the guard then refuses the upgrade
  }
  return file;
}

QThread* HostNameLookups::lookup(int listing, int row, const QString& address) {
  auto name = std::make_shared<QString>();
  QThread* thread =
      QThread::create([resolve = resolver, address, name] { *name = resolve(address); });
  // Queued to this object's thread; Qt drops it when this object is gone by then.
  connect(thread, &QThread::finished, this,
          [this, listing, row, name] { emit resolved(listing, row, *name); });
  connect(thread, &QThread::finished, thread, &QObject::deleteLater);
  thread->start(QThread::LowPriority);
  return thread;
}

#pragma once
// The rules behind the upgrade guard: may the upgrade start, who else is connected,
// ending another connection, the server-side backup and its file name.

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class QThread;

namespace pf {
class Database;
}

struct DatabaseLocation {
  QString server;  // empty: a local request
  QString path;
};

// Splits "server:path" at its first ':'; a name without one is a local path.
DatabaseLocation SplitDatabaseName(const QString& name);
// path + "-" + "yyyy-mm-dd-hh-mm" + ".gbk", written by the server beside the database.
QString BackupFileNameFor(const QString& path, const QDateTime& when);
// Reverse lookup of a dotted IPv4 address (a "/port" suffix is ignored); empty when
// the resolver has no name for it.
QString ResolveHostName(const QString& address);

struct ConnectionRow {
  QString computerName;  // filled by the name lookup
  QString address;
  QString process;
  QString attachmentId;
};

class UpgradeGuardRules {
 public:
  explicit UpgradeGuardRules(pf::Database* database);
  ~UpgradeGuardRules();

  // False, after saying why, while others are connected or the backup is missing.
  bool CanUpgrade(const QString& backupFileName, bool skipBackup);
  // Other user attachments; the server's own system attachments are left out.
  std::vector<ConnectionRow> ListConnections();
  // Ends the attachment whose number the text holds; anything else does nothing.
  void EndConnection(const QString& attachmentId);
  // Commits the listing's transaction when an error left it open.
  void CommitTransaction();

  static constexpr const char* kSysdbaPassword = "hushvault";
  // The server backs the database named "server:path" (or a local path) up into `file`,
  // on its own file system; each output line goes to onLine. Throws on failure.
  static void RunBackup(const QString& databaseName, const QString& file,
                        const std::function<void(const QString&)>& onLine);
  // Backup of the database named "server:path" (or a local path) through the services
  // interface; each output line goes to onLine. The file name, or empty on any failure.
  static QString TakeBackup(const QString& databaseName, const QDateTime& when,
                            const std::function<void(const QString&)>& onLine);

 private:
  void restartTransaction();

  pf::Database* database_;
  class Impl;
  Impl* impl_;
};

// Resolves names on short-lived threads of lower priority. A result arrives as the
// resolved signal on the thread that owns this object, tagged with the listing it
// belongs to; receivers drop results of an older listing.
class HostNameLookups : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  // Starts a new listing: results of earlier lookups no longer count.
  int newListing() { return ++listing_; }
  int listing() const { return listing_; }
  // The thread deletes itself once finished; it is returned for tests to wait on.
  QThread* lookup(int listing, int row, const QString& address);

  // For tests: the resolver used by the threads.
  std::function<QString(const QString&)> resolver = ResolveHostName;

 signals:
  void resolved(int listing, int row, const QString& name);

 private:
  int listing_ = 0;
};

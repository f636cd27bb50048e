#pragma once

#include <QString>
#include <QStringList>

namespace Firebird {
class IService;
}

namespace pf {

// A backup request to a server's services manager (or the embedded engine's when
// serverName is empty), whose output lines are read one by one as the server
// produces them.
class BackupService {
 public:
  BackupService() = default;
  ~BackupService();
  BackupService(const BackupService&) = delete;
  BackupService& operator=(const BackupService&) = delete;

  QString serverName;    // empty: a local request
  QString userName;
  QString password;
  QString databaseName;  // path as the server sees it
  QString backupFile;    // written by the server
  bool verbose = true;

  void attach();
  void detach();
  bool active() const { return service_ != nullptr; }
  void serviceStart();
  bool eof() const { return eof_; }
  // Blocks until the server has the next line; an empty text with eof() at the end.
  QString getNextLine();

 private:
  Firebird::IService* service_ = nullptr;
  bool eof_ = true;
};

}  // namespace pf

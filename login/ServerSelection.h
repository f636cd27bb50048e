#pragma once
// The rules of server selection: which database name to use, connecting to it behind
// the schema version check, and remembering the name in connection.ini.

#include <QString>

#include <functional>

namespace pf {
class Database;
}

class ServerSelectionRules {
 public:
  ServerSelectionRules(pf::Database* dbMain, QString connectionIni);

  // The version check of the registered version class for a database name; true when
  // the database may be used.
  std::function<bool(const QString& databaseName)> versionCheck;
  // Shows the server window modally; the window calls Conectar.
  std::function<void()> showWindow;

  // Failures of the file are ignored: reading then gives the empty text.
  QString ReadDatabaseName() const;
  void WriteDatabaseName(const QString& name) const;

  bool SelectServer();
  bool ConnectTo(const QString& name);
  bool RunVersionCheck();
  // "C&onectar": true when the window should close.
  bool Conectar(const QString& typed);
  // The text the field gets after a database was created.
  static QString CreatedDatabaseName(const QString& server, const QString& file) {
    return server + u':' + file;
  }

 private:
  bool askRetry() const;

  pf::Database* dbMain_;
  QString connectionIni_;
};

#pragma once
// Throw-away databases for tests: embedded in a temporary folder, or on the local
// server named by ACESSOS_TEST_SERVER (default 127.0.0.1).

#include "platform/Database.h"
#include "platform/Transaction.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace testing_support {

QString sysdbaPassword();
QString testServer();

// The transaction settings the program uses everywhere.
QStringList readCommittedParams();

// A new, empty database that is dropped again when the guard goes.
class TempDatabase {
 public:
  enum class Kind { Embedded, Server };
  explicit TempDatabase(Kind kind = Kind::Embedded, const QString& charset = "WIN1252");
  ~TempDatabase();

  // Name to connect with: a bare path, or "host:path".
  const QString& name() const { return name_; }
  const QString& path() const { return path_; }
  QString folder() const { return dir_.path(); }
  QStringList connectParams() const;

  // A connected database component with a started read-committed transaction.
  std::unique_ptr<pf::Database> connect() const;
  // Runs statements, each committed, on a short-lived connection.
  void exec(const QStringList& statements) const;

 private:
  QTemporaryDir dir_;
  QString path_;
  QString name_;
  QString charset_;
};

}  // namespace testing_support

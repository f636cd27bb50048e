#pragma once

#include <QString>

#include <stdexcept>
#include <vector>

namespace pf {

// A failure reported by the Firebird client library or the server.
class DatabaseError : public std::runtime_error {
 public:
  DatabaseError(QString message, int sqlCode, long gdsCode, QString sqlState,
                std::vector<long> gdsCodes);

  const QString& message() const { return message_; }
  int sqlCode() const { return sqlCode_; }
  // The first code of the status vector (isc_... / GDS code).
  long gdsCode() const { return gdsCode_; }
  const QString& sqlState() const { return sqlState_; }
  const std::vector<long>& gdsCodes() const { return gdsCodes_; }
  bool hasGdsCode(long code) const;
  // Lock conflict, deadlock or update conflict: another transaction holds the row.
  bool isLockConflict() const;

 private:
  QString message_;
  int sqlCode_;
  long gdsCode_;
  QString sqlState_;
  std::vector<long> gdsCodes_;
};

// The silent abort: an operation refused by a gate. No message is shown for it.
class Abort : public std::exception {
 public:
  const char* what() const noexcept override { return "Operation aborted"; }
};

// Any other failure of this layer, with a message meant for a developer.
class Error : public std::runtime_error {
 public:
  explicit Error(const QString& message);
  QString message() const { return QString::fromUtf8(what()); }
};

[[noreturn]] inline void abort() { throw Abort(); }

}  // namespace pf

#include "Errors.h"

#include <algorithm>

namespace pf {

DatabaseError::DatabaseError(QString message, int sqlCode, long gdsCode, QString sqlState,
                             std::vector<long> gdsCodes)
    : std::runtime_error(message.toStdString()),
      message_(std::move(message)),
      sqlCode_(sqlCode),
      gdsCode_(gdsCode),
      sqlState_(std::move(sqlState)),
      gdsCodes_(std::move(gdsCodes)) {}

bool DatabaseError::hasGdsCode(long code) const {
  return std::find(gdsCodes_.begin(), gdsCodes_.end(), code) != gdsCodes_.end();
}

bool DatabaseError::isLockConflict() const {
  constexpr long kLockConflict = 335544345, kDeadlock = 335544336, kUpdateConflict = 335544451;
  return hasGdsCode(kLockConflict) || hasGdsCode(kDeadlock) || hasGdsCode(kUpdateConflict);
}

Error::Error(const QString& message) : std::runtime_error(message.toStdString()) {}

}  // namespace pf

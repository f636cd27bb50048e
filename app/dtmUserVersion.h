#pragma once

#include "versioning/CmCustomVersion.h"

// The user manager's version module: the common scripts, none of its own.
class TdmUserVersion : public TClsCustomVersion {
  Q_OBJECT
 public:
  explicit TdmUserVersion(QObject* owner = nullptr);

  // The level the program's scripts bring "COMMON.SQL" to.
  static QString CommonLevel();
};

TClsCustomVersion* CreateUserVersion(QObject* owner);

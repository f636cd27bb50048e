#pragma once
// The two questions the version run asks before it upgrades a schema.

#include "UpgradeConsent.h"

// The backup question; true when a backup is to be made.
bool AskBackup();
// The upgrade guard on the version module's database; true when the upgrade may start.
bool RunUpgradeGuard(pf::Database* database, bool skipBackup);

// The version run's questions asked through the two dialogs.
class DialogUpgradeConsent final : public UpgradeConsent {
 public:
  bool AskBackup() override { return ::AskBackup(); }
  bool ConfirmUpgrade(TCmDatabase& database, bool skipBackup) override {
    return RunUpgradeGuard(&database, skipBackup);
  }
};

#pragma once
// The two questions the version run asks before it upgrades a schema.

namespace pf {
class Database;
}

// The backup question; true when a backup is to be made.
bool AskBackup();
// The upgrade guard on the version module's database; true when the upgrade may start.
bool RunUpgradeGuard(pf::Database* database, bool skipBackup);

#pragma once
// What the version run asks the user before it changes a shared database, and the
// texts it reports with.

#include "data/CmDatabase.h"
#include "data/CmTransaction.h"

#include <QDateTime>
#include <QString>

// "1.05" gives 105, "1.1" gives 11; 0 when the rest is not a number.
int VersionNumber(const QString& text);

// The backup question and the upgrade guard, asked once per run before the first
// outdated script.
class UpgradeConsent {
 public:
  virtual ~UpgradeConsent() = default;
  // True when a backup should be taken first.
  virtual bool AskBackup() = 0;
  // True when the upgrade may start; `database` is the version run's connection.
  virtual bool ConfirmUpgrade(TCmDatabase& database, bool skipBackup) = 0;
};

// The backup question and the upgrade guard dialogs.
UpgradeConsent& DefaultUpgradeConsent();

QString VersionCaption();
QString IncompatibleLevelMessage(const QString& name, const QString& expected,
                                 const QString& rowName, const QString& rowLevel);
QString MissingScriptMessage(const QString& name, const QString& expected);
QString UpdatedMessage();

#include "UpgradeDialogs.h"

#include "CmBackupAuth.h"
#include "CmControlVersion.h"

#include <QCheckBox>

bool AskBackup() {
  TClsBackupAuth dialog;
  dialog.ShowModal();
  return dialog.chbMakeBackup->isChecked();
}

bool RunUpgradeGuard(pf::Database* database, bool skipBackup) {
  TClsControlVersion dialog;
  dialog.Database = database;
  dialog.SkipBackup = skipBackup;
  dialog.ShowModal();
  return dialog.Confirmed;
}

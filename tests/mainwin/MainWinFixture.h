#pragma once
// A logged-in session on a throw-away database that holds a small user hierarchy, with
// the user data module and the main window on top of it.

#include <gtest/gtest.h>

#include <QStringList>
#include <memory>

#include "app/MainMenu.h"
#include "app/dtmSenha.h"
#include "login/CmDBDataModule.h"
#include "support/TestDb.h"

namespace mainwin_test {

// ADMIN
// ├─ SUP1 (supervisor)              ├─ SUP2 (supervisor)     └─ VELHO (deactivated sup.)
// │  ├─ SUP3 (supervisor)                                         └─ OCULTO
// │  │  └─ NETO
// │  ├─ BETO
// │  └─ ANA (null SUPERVISOR flag)
// └─ ORFAO, whose supervisor 99 does not exist, is nowhere.
QStringList schemaStatements();

// Opens the database and logs in as the given user of module 3.
std::unique_ptr<TClsDBDataModule> loggedInModule(const testing_support::TempDatabase& db,
                                                 int userId, const QString& userName);

class Session : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Logs in and creates the user data module (not the window).
  void login(int userId, const QString& userName);
  // Logs in, creates the window with a stand-in update check, and shows it.
  TfrmMainForm& showAs(int userId, const QString& userName);

  // SUPERVISORID as stored, read on a connection of its own.
  int storedSupervisor(int id) const;
  QTreeWidgetItem* row(int id) const { return window_->FindUserItem(id); }
  static QStringList childNames(const QTreeWidgetItem* item);
  QStringList visibleTargets() const;

  testing_support::TempDatabase db_;
  std::unique_ptr<TClsDBDataModule> module_;
  std::unique_ptr<TdmSenha> senha_;
  std::unique_ptr<TfrmMainForm> window_;
  int updateChecks_ = 0;
};

}  // namespace mainwin_test

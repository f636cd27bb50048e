#pragma once
// A database seeded with the suite's modules, nested routines, users and rights, and
// the permission tree model on it.
//
// Modules by name: BALANCO (8) 0, CAIXA (1) 1, OUTRO (15, no catalogue entry) 2,
// TRAMITE (9, no routines) 3; USUÁRIOS (3) is never shown.
// CAIXA: Cadastros 101 [Clientes 102 [Contatos 103], Fornecedores 104, Inativa 105 (off)],
//        Movimento 106, Antiga 107 (off), Relatórios 108 (null owner).
// Users: 1 ADMIN, 2 SUP (supervisor under ADMIN), 3 COLAB and 4 OUTRO under SUP.

#include "app/PermissionTree.h"
#include "data/CmSQLGlobals.h"
#include "support/TestDb.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <map>
#include <memory>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace permtree_test {

class FakeEditor final : public TPermissionEditor {
 public:
  int id = 0;
  bool supervisor = false;
  int flagsEnabled = -1;  // -1 until the model sets them
  int EditedUserID() const override { return id; }
  bool EditedUserIsSupervisor() const override { return supervisor; }
  void SetUserFlagsEnabled(bool enabled) override { flagsEnabled = enabled ? 1 : 0; }
};

// The schema of the tables the model reads and writes.
QStringList schema();
// The rows described above.
QStringList seed();

class PermTreeTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Builds and loads the tree for `logged` editing `edited`, whose rights are loaded
  // from `rightsOf` (0: the edited user's own).
  void open(int logged, int edited, int rightsOf = 0);
  // Reconnects, so that the model works in a fresh transaction.
  void reconnect();

  // "path=SE" for every node in tree order: S is + checked, ~ mixed, - cleared;
  // E is e enabled, d disabled.
  std::map<QString, QString> shape() const;
  QStandardItem* node(const QString& path) const;
  // The stored rights of a user as seen by the model's transaction: "M8:S", "M3:-",
  // "R102:1", modules then routines, each by id.
  QStringList stored(int user);
  // The same from a separate connection (committed rights only).
  QStringList committed(int user) const;

  testing_support::TempDatabase tmp_;
  std::unique_ptr<pf::Database> db_;
  TCmSQLGlobals session_;
  FakeEditor editor_;
  std::unique_ptr<TPermissionCheckTree> view_;
  std::unique_ptr<TPermissionTree> model_;
};

}  // namespace permtree_test

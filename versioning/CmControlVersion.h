#pragma once

#include "forms/CmCustomDialog.h"

#include <memory>

class HostNameLookups;
class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QTreeWidget;
class UpgradeGuardRules;

namespace pf {
class Database;
}

// The upgrade guard: takes the backup when it opens and confirms only when this
// program is the one connection left; lists the others and can end one of them.
class TClsControlVersion final : public TClsCustomDialog {
  Q_OBJECT
 public:
  explicit TClsControlVersion(QWidget* owner = nullptr);
  ~TClsControlVersion() override;

  QLabel* lblBancoDados;
  QPlainTextEdit* memMensagem;
  QWidget* pnlComputador;
  QTreeWidget* CmListView;
  QMenu* pmnConexoes;
  QAction* mnuEncerrarConexao;
  // Resolves the computer names of the listed rows.
  HostNameLookups* Lookups;

  // Set by the caller before showing.
  pf::Database* Database = nullptr;
  bool SkipBackup = false;
  // Set by the dialog.
  QString BackupFileName;
  bool Confirmed = false;

  QString TakeBackup();
  bool CanUpgrade();
  void ListConnections();
  void EndConnection(int row);

  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  UpgradeGuardRules& rules();
  void btnAtualizarClick();
  void btnFecharClick();
  void mnuEncerrarConexaoClick();
  void showComputers(bool on);
  void nameResolved(int listing, int row, const QString& name);

  std::unique_ptr<UpgradeGuardRules> rules_;
  pf::Database* rulesDatabase_ = nullptr;
  bool backupTried_ = false;
  bool backingUp_ = false;
};

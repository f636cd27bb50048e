#pragma once
// The model behind the user editor's permission tree: module and routine rows built
// from MODULO and ROTINA, the logged user's (granter's) and the edited user's rights,
// which rows the granter may change, and the rewrite of the edited user's rights.
//
// Routine links come from the suite's other programs. A link that leads back to a
// routine already on the way down (itself included) is left out of the tree and
// recorded in DataErrors(), which the editor may show; the build goes on.

#include "app/PermissionCheckTree.h"
#include "data/CmIBSQL.h"
#include "data/CmMemoryData.h"

#include <QHash>
#include <QStringList>

class TCmSQLGlobals;

namespace pf {
class Database;
class Transaction;
}  // namespace pf

// What the model needs of the editor's current user record and check boxes.
class TPermissionEditor {
 public:
  virtual ~TPermissionEditor() = default;
  // ID of the user record being edited.
  virtual int EditedUserID() const = 0;
  // The record's SUPERVISOR is "T".
  virtual bool EditedUserIsSupervisor() const = 0;
  // chbSupervisor and chbDesativado.
  virtual void SetUserFlagsEnabled(bool enabled) = 0;
};

class TPermissionTree {
 public:
  TPermissionTree(pf::Database* database, pf::Transaction* activeTransaction,
                  TCmSQLGlobals* session, TPermissionEditor* editor,
                  TPermissionCheckTree* tree);
  TPermissionTree(const TPermissionTree&) = delete;
  TPermissionTree& operator=(const TPermissionTree&) = delete;

  // The editor's transaction, which every statement of the model runs in.
  void SetActiveTransaction(pf::Transaction* transaction);

  TCmMemoryData TREE;
  TCmMemoryData ROTINA_SUPERVISOR;
  TCmMemoryData ROTINA_USUARIO;

  bool TreeLoaded = false;
  int ModuleRowCount = 0;

  void BuildPermissionTree();
  int AddChildRoutines(int moduloId, int parentIndex, const QString& parentPath);
  static QString NodePath(const QStandardItem* node);
  void LoadPermissions(int usuarioId);
  void LoadGranterRights();
  void LoadUserRights(int usuarioId);
  // On the current TREE row.
  int CanGrant() const;
  int GrantedState() const;
  void SavePermissions();

  // Routine links left out by the last build, one message each.
  const QStringList& DataErrors() const { return dataErrors_; }

  // The TREE row with this path becomes current; false when there is none.
  bool LocatePath(const QString& path);

 private:
  struct Rights {
    QHash<int, int> routines;  // ROTINAID -> STATUS
    QHash<int, int> modules;   // MODULOID -> STATUS
  };
  void defineRights(TCmMemoryData& table);
  void loadRights(TCmMemoryData& table, Rights& index, int fromUser, int asUser);
  void appendTreeRow(int id, int moduloId, const QString& path, const QString& name);
  void setChildCount(int recNo, int count);
  static int routineState(const Rights& rights, int routineId, int moduloId, bool zeroIsNone);
  void createNodes(QStandardItem* parent, const QString& path);

  pf::Database* database_;
  pf::Transaction* transaction_;
  TCmSQLGlobals* session_;
  TPermissionEditor* editor_;
  TPermissionCheckTree* tree_;
  TCmIBSQL sql_;
  QHash<QString, int> pathRows_;  // PARENTINDEX -> TREE record number
  QList<int> ancestors_;          // CTRL_INDEX of the routines above the one being added
  QStringList dataErrors_;
  Rights granter_;
  Rights user_;

  pf::Field* fId_ = nullptr;
  pf::Field* fPath_ = nullptr;
  pf::Field* fChildren_ = nullptr;
  pf::Field* fName_ = nullptr;
  pf::Field* fChecked_ = nullptr;
  pf::Field* fEnabled_ = nullptr;
  pf::Field* fModulo_ = nullptr;
};

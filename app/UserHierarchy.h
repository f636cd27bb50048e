#pragma once
// The rules behind the user hierarchy window: the tree of users under their
// supervisors, who may edit and move whom, the transfer menu and the transfers.

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace pf {
class Database;
class Transaction;
}  // namespace pf

// The object attached to each tree row.
struct TUser {
  int ID = 0;
  QString UserName;
  QString FirstName;
  QString LastName;
  QString Email;
  bool CanEdit = false;
  int SupervisorID = 0;
  bool IsSupervisor = false;
};

struct UserNode {
  TUser user;
  QString text;
  int icon = 0;  // 0 collaborator, 1 supervisor, 2 deactivated
  UserNode* parent = nullptr;
  std::vector<std::unique_ptr<UserNode>> children;

  bool isDescendantOf(const UserNode* other) const;
};

struct SupervisorMenuItem {
  QString caption;
  int tag = 0;
  bool separator = false;
  bool visible = true;
};

class UserHierarchy {
 public:
  static constexpr int kCollaboratorIcon = 0;
  static constexpr int kSupervisorIcon = 1;
  static constexpr int kDeactivatedIcon = 2;
  static constexpr int kAdminId = 1;

  UserHierarchy(pf::Database* database, pf::Transaction* transaction, int loggedUserId);
  ~UserHierarchy();

  bool showDeactivated = false;

  // Rebuilds the tree and the menu.
  void BuildUserTree();
  UserNode* root() const { return root_.get(); }
  const std::vector<SupervisorMenuItem>& menu() const { return menu_; }

  // A row became the selected one: answers whether it may be edited, and shows
  // every menu target but the row itself and its current supervisor.
  bool TreeChange(const UserNode* row);

  UserNode* FindUserNode(int id) const;
  bool IsInSupervisorChain(int userId, int supervisorId);
  // Moves the row's user under the target supervisor in the database; the row's
  // place in the tree is the caller's (see MoveRow). False with a message when refused.
  bool TransferUser(UserNode* row, int targetId);
  // Makes the row, with its branch, the first child of the target.
  void MoveRow(UserNode* row, UserNode* target);
  // Whether a dragged row may be dropped on the row under the pointer.
  static bool AcceptsDrop(const UserNode* dragged, const UserNode* target);

  // Called after a transfer to position the user dataset on the moved user.
  std::function<void(int id)> onTransferred;
  int statementsRun() const { return statements_; }

 private:
  void AddSubordinates(int supervisorId, UserNode* parent);
  bool canEdit(int userId, const UserNode* parent) const;

  pf::Database* database_;
  pf::Transaction* transaction_;
  int logged_;
  std::unique_ptr<UserNode> root_;
  std::vector<SupervisorMenuItem> menu_;
  int statements_ = 0;
};

#include "UserHierarchy.h"

#include <set>

#include "data/CmIBSQL.h"
#include "platform/Dialogs.h"

namespace {

const QString kTransferCaption = QStringLiteral("Transferência para outro Supervisor");

void refuse(const QString& text) {
  pf::messageBox(text, kTransferCaption, pf::MsgKind::Error, {pf::MsgButton::Ok});
}

QString rowText(const TUser& u) {
  return u.UserName + QStringLiteral(" - [") + u.FirstName + u' ' + u.LastName + u']';
}

bool isTrue(const pf::SqlField& flag) { return flag.asString().trimmed() == u"T"; }

}  // namespace

bool UserNode::isDescendantOf(const UserNode* other) const {
  for (const UserNode* p = parent; p; p = p->parent)
    if (p == other) return true;
  return false;
}

UserHierarchy::UserHierarchy(pf::Database* database, pf::Transaction* transaction, int loggedUserId)
    : database_(database), transaction_(transaction), logged_(loggedUserId) {}

UserHierarchy::~UserHierarchy() = default;

bool UserHierarchy::canEdit(int userId, const UserNode* parent) const {
  return logged_ == kAdminId || userId == logged_ || parent->user.ID == logged_;
}

void UserHierarchy::BuildUserTree() {
  root_ = std::make_unique<UserNode>();
  root_->user.ID = kAdminId;
  root_->user.IsSupervisor = true;
  root_->user.CanEdit = logged_ == kAdminId;
  root_->user.SupervisorID = 0;
  root_->text = QStringLiteral("ADMIN");
  root_->icon = kSupervisorIcon;
  statements_ = 0;
  AddSubordinates(kAdminId, root_.get());

  menu_.clear();
  menu_.push_back({QStringLiteral("Escolha um Novo Supervisor"), 0, false, true});
  menu_.push_back({QString(), 0, true, true});
  menu_.push_back({QStringLiteral("ADMIN - [Administrador Sistema]"), kAdminId, false, true});
  TCmIBSQL sql;
  sql.setDatabase(database_);
  sql.setTransaction(transaction_);
  sql.ExecSQL(QStringLiteral(
      "select * from USUARIO where SUPERVISOR = 'T' order by SUPERVISOR desc , USUARIO"));
  ++statements_;
  for (; !sql.eof(); sql.next()) {
    TUser u;
    u.ID = sql.fieldByName(QStringLiteral("ID")).asInteger();
    u.UserName = sql.fieldByName(QStringLiteral("USUARIO")).asString();
    u.FirstName = sql.fieldByName(QStringLiteral("PRIMEIRO_NOME")).asString();
    u.LastName = sql.fieldByName(QStringLiteral("ULTIMO_NOME")).asString();
    if (u.ID == kAdminId)
      menu_[2].caption = rowText(u);
    else
      menu_.push_back({rowText(u), u.ID, false, true});
  }
}

void UserHierarchy::AddSubordinates(int supervisorId, UserNode* parent) {
  struct Row {
    TUser user;
    bool deactivated;
  };
  std::vector<Row> rows;
  {
    TCmIBSQL sql;
    sql.setDatabase(database_);
    sql.setTransaction(transaction_);
    sql.ExecSQL(QStringLiteral("select * from USUARIO where SUPERVISORID = ") +
                QString::number(supervisorId) +
                QStringLiteral(" order by SUPERVISOR desc, USUARIO "));
    ++statements_;
    const int id = sql.fieldIndex(QStringLiteral("ID"));
    const int name = sql.fieldIndex(QStringLiteral("USUARIO"));
    const int first = sql.fieldIndex(QStringLiteral("PRIMEIRO_NOME"));
    const int last = sql.fieldIndex(QStringLiteral("ULTIMO_NOME"));
    const int email = sql.fieldIndex(QStringLiteral("EMAIL"));
    const int supervisor = sql.fieldIndex(QStringLiteral("SUPERVISOR"));
    const int deactivated = sql.fieldIndex(QStringLiteral("DESATIVADO"));
    for (; !sql.eof(); sql.next()) {
      Row r;
      r.user.ID = sql.field(id).asInteger();
      r.user.UserName = sql.field(name).asString();
      r.user.FirstName = sql.field(first).asString();
      r.user.LastName = sql.field(last).asString();
      r.user.Email = sql.field(email).asString();
      r.user.IsSupervisor = isTrue(sql.field(supervisor));
      r.user.SupervisorID = supervisorId;
      r.deactivated = isTrue(sql.field(deactivated));
      rows.push_back(std::move(r));
    }
  }
  for (Row& r : rows) {
    if (r.deactivated && !showDeactivated) continue;  // and everyone under him
    r.user.CanEdit = canEdit(r.user.ID, parent);
    if (r.user.ID == kAdminId) {
      root_->text = rowText(r.user);
      continue;
    }
    auto node = std::make_unique<UserNode>();
    node->user = r.user;
    node->text = rowText(r.user);
    node->icon = r.deactivated ? kDeactivatedIcon
                               : (r.user.IsSupervisor ? kSupervisorIcon : kCollaboratorIcon);
    node->parent = parent;
    UserNode* added = node.get();
    parent->children.push_back(std::move(node));
    if (r.user.IsSupervisor && r.user.ID != supervisorId) AddSubordinates(r.user.ID, added);
  }
}

bool UserHierarchy::TreeChange(const UserNode* row) {
  for (size_t i = 2; i < menu_.size(); ++i)
    menu_[i].visible =
        !row || (menu_[i].tag != row->user.ID && menu_[i].tag != row->user.SupervisorID);
  return row && row->user.CanEdit;
}

UserNode* UserHierarchy::FindUserNode(int id) const {
  if (!root_) return nullptr;
  std::vector<UserNode*> stack{root_.get()};
  while (!stack.empty()) {  // depth first, children in order
    UserNode* n = stack.back();
    stack.pop_back();
    if (n->user.ID == id) return n;
    for (auto it = n->children.rbegin(); it != n->children.rend(); ++it) stack.push_back(it->get());
  }
  return nullptr;
}

bool UserHierarchy::IsInSupervisorChain(int userId, int supervisorId) {
  // Other programs write these rows too: a chain that loops without reaching the
  // administrator ends with false.
  std::set<int> seen;
  for (int a = userId;;) {
    if (a == kAdminId) return false;
    if (a == supervisorId) return true;
    if (!seen.insert(a).second) return false;
    TCmIBSQL sql;
    sql.setDatabase(database_);
    sql.setTransaction(transaction_);
    sql.ExecSQL(QStringLiteral("select SUPERVISORID from USUARIO where ID = ") +
                QString::number(a));
    ++statements_;
    if (sql.eof() || sql.field(0).isNull()) return false;
    const int next = sql.field(0).asInteger();
    if (next == supervisorId) return true;
    a = next;
  }
}

bool UserHierarchy::TransferUser(UserNode* row, int targetId) {
  if (!row) return false;
  const TUser& r = row->user;
  if (r.ID == kAdminId) {
    refuse(QStringLiteral("Atenção! O usuário ADMIN não pode ser transferido!"));
    return false;
  }
  if (targetId == r.ID) return false;
  if (!r.CanEdit) {
    refuse(QStringLiteral("Atenção! Você não tem permissão para transferir esse usuário!"));
    return false;
  }
  const UserNode* target = FindUserNode(targetId);
  if (!target) return false;  // not in the tree (a hidden deactivated supervisor)
  if (!target->user.IsSupervisor) {
    refuse(QStringLiteral("Atenção! \rO usuário \"") + target->user.FirstName + u' ' +
           target->user.LastName + QStringLiteral(" não é um supervisor.") + u'\r' +
           QStringLiteral("Escolha um supervisor e tente realizar a transferência novamente."));
    return false;
  }
  if (IsInSupervisorChain(targetId, r.ID)) {
    refuse(QStringLiteral(
        "Atenção! Um supervisor não pode ser transferido para seu próprio subordinado!"));
    return false;
  }
  TCmIBSQL sql;
  sql.setDatabase(database_);
  sql.setTransaction(transaction_);
  sql.ExecSQL(QStringLiteral("update USUARIO set SUPERVISORID = ") + QString::number(targetId) +
              QStringLiteral(" where ID = ") + QString::number(r.ID));
  ++statements_;
  transaction_->commitRetaining();
  if (onTransferred) onTransferred(r.ID);
  row->user.SupervisorID = targetId;
  return true;
}

void UserHierarchy::MoveRow(UserNode* row, UserNode* target) {
  if (!row || !target || row == target || !row->parent || target->isDescendantOf(row)) return;
  auto& siblings = row->parent->children;
  for (auto it = siblings.begin(); it != siblings.end(); ++it) {
    if (it->get() != row) continue;
    std::unique_ptr<UserNode> owned = std::move(*it);
    siblings.erase(it);
    owned->parent = target;
    target->children.insert(target->children.begin(), std::move(owned));
    return;
  }
}

bool UserHierarchy::AcceptsDrop(const UserNode* dragged, const UserNode* target) {
  return dragged && target && dragged != target && !target->isDescendantOf(dragged);
}

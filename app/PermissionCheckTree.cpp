#include "PermissionCheckTree.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>

namespace {

// ShownRole keeps the state the rules last set, so a flip by the view can be undone.
enum Role { RoutineRole = Qt::UserRole + 1, ModuleRole, GrantRole, ShownRole };

void snapshot(const QStandardItem& node, QList<int>& out) {
  out.append(node.checkState());
  for (int r = 0; r < node.rowCount(); ++r) snapshot(*node.child(r), out);
}

void visitAll(QStandardItem& node, const std::function<void(QStandardItem&)>& visit) {
  visit(node);
  for (int r = 0; r < node.rowCount(); ++r) visitAll(*node.child(r), visit);
}

}  // namespace

TPermissionCheckTree::TPermissionCheckTree(QWidget* parent) : QTreeView(parent) {
  setObjectName(QStringLiteral("VirtualTree"));
  setModel(&model_);
  setHeaderHidden(true);
  setUniformRowHeights(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  connect(&model_, &QStandardItemModel::itemChanged, this,
          &TPermissionCheckTree::itemChanged);
}

Qt::CheckState TPermissionCheckTree::stateOf(int checked) {
  return checked == 1 ? Qt::Checked : checked == 2 ? Qt::PartiallyChecked : Qt::Unchecked;
}

int TPermissionCheckTree::checkedOf(Qt::CheckState state) {
  return state == Qt::Checked ? 1 : state == Qt::PartiallyChecked ? 2 : 0;
}

void TPermissionCheckTree::clearNodes() {
  const bool was = updating_;
  updating_ = true;
  model_.clear();
  updating_ = was;
}

QStandardItem* TPermissionCheckTree::appendNode(QStandardItem* parent, const QString& text,
                                                Qt::CheckState state, int grant,
                                                int routineId, int moduleId) {
  auto* node = new QStandardItem(text);
  node->setEditable(false);
  node->setCheckable(false);  // shows the box; the view toggles it
  node->setCheckState(state);
  node->setData(int(state), ShownRole);
  node->setEnabled(grant != 0);
  node->setData(routineId, RoutineRole);
  node->setData(moduleId, ModuleRole);
  node->setData(grant, GrantRole);
  const bool was = updating_;
  updating_ = true;
  if (parent)
    parent->appendRow(node);
  else
    model_.appendRow(node);
  updating_ = was;
  return node;
}

void TPermissionCheckTree::forEachNode(const std::function<void(QStandardItem&)>& visit) const {
  for (int r = 0; r < model_.rowCount(); ++r) visitAll(*model_.item(r), visit);
}

int TPermissionCheckTree::routineId(const QStandardItem& node) {
  return node.data(RoutineRole).toInt();
}

int TPermissionCheckTree::moduleId(const QStandardItem& node) {
  return node.data(ModuleRole).toInt();
}

int TPermissionCheckTree::grant(const QStandardItem& node) {
  return node.data(GrantRole).toInt();
}

QStandardItem* TPermissionCheckTree::boxAt(const QPoint& pos) const {
  const QModelIndex index = indexAt(pos);
  if (!index.isValid()) return nullptr;
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.rect = visualRect(index);
  option.features |= QStyleOptionViewItem::HasCheckIndicator;
  const QRect box = style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
  return box.contains(pos) ? model_.itemFromIndex(index) : nullptr;
}

void TPermissionCheckTree::mousePressEvent(QMouseEvent* event) {
  QStandardItem* node = event->button() == Qt::LeftButton ? boxAt(event->position().toPoint())
                                                          : nullptr;
  if (!node) return QTreeView::mousePressEvent(event);
  setCurrentIndex(node->index());
  toggle(node);
}

// The presses of a double click toggle already; on a box it neither expands nor edits.
void TPermissionCheckTree::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && boxAt(event->position().toPoint())) return;
  QTreeView::mouseDoubleClickEvent(event);
}

void TPermissionCheckTree::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Space || event->key() == Qt::Key_Select) &&
      currentIndex().isValid()) {
    toggle(model_.itemFromIndex(currentIndex()));
    return;
  }
  QTreeView::keyPressEvent(event);
}

void TPermissionCheckTree::toggle(QStandardItem* node) {
  if (!node || !node->isEnabled()) return;
  runToggle(node);
}

void TPermissionCheckTree::itemChanged(QStandardItem* item) {
  if (updating_ || !item) return;
  const auto shown = static_cast<Qt::CheckState>(item->data(ShownRole).toInt());
  if (item->checkState() == shown) return;
  updating_ = true;
  item->setCheckState(shown);
  updating_ = false;
  runToggle(item);
}

// A checked node is cleared; any other is checked as far as the rules allow, and
// cleared when that changes nothing (a branch that is as checked as it can be).
void TPermissionCheckTree::runToggle(QStandardItem* node) {
  if (node->checkState() == Qt::Checked) {
    applyToggle(node, Qt::Unchecked);
    return;
  }
  QList<int> before, after;
  snapshot(*node, before);
  applyToggle(node, Qt::Checked);
  snapshot(*node, after);
  if (after == before) applyToggle(node, Qt::Unchecked);
}

void TPermissionCheckTree::applyToggle(QStandardItem* node, Qt::CheckState wanted) {
  updating_ = true;
  setBelow(node, wanted);
  for (QStandardItem* up = node->parent(); up; up = up->parent())
    setShown(up, fromChildren(up, up->checkState()));
  updating_ = false;
}

void TPermissionCheckTree::setShown(QStandardItem* node, Qt::CheckState state) {
  node->setCheckState(state);
  node->setData(int(state), ShownRole);
}

void TPermissionCheckTree::setBelow(QStandardItem* node, Qt::CheckState wanted) {
  for (int r = 0; r < node->rowCount(); ++r)
    if (node->child(r)->isEnabled()) setBelow(node->child(r), wanted);
  setShown(node, fromChildren(node, wanted));
}

// A node shows what lies under it; one with no enabled node directly under it is
// granted as a whole and keeps `own`.
Qt::CheckState TPermissionCheckTree::fromChildren(const QStandardItem* node,
                                                  Qt::CheckState own) const {
  bool any = false, all = true, enabled = false;
  for (int r = 0; r < node->rowCount(); ++r) {
    const QStandardItem* child = node->child(r);
    const Qt::CheckState s = child->checkState();
    any = any || s != Qt::Unchecked;
    all = all && s == Qt::Checked;
    enabled = enabled || child->isEnabled();
  }
  if (!enabled) return capped(node, own);
  return capped(node, all ? Qt::Checked : any ? Qt::PartiallyChecked : Qt::Unchecked);
}

Qt::CheckState TPermissionCheckTree::capped(const QStandardItem* node, Qt::CheckState state) {
  return state == Qt::Checked && grant(*node) == 2 ? Qt::PartiallyChecked : state;
}

#pragma once
// The permission tree's check tree: one node per row, each with a check box that
// shows checked, mixed or cleared.
//
// Toggling an enabled node checks it (or clears it when it was checked) together
// with every enabled node under it. Disabled nodes, and everything under them, are
// never changed by a toggle from above: they are what the logged user may not grant,
// so checking a branch never hands them out and clearing it never takes away what he
// could not give. After a toggle, the toggled node and every node above it show what
// lies directly under them (all checked, all cleared, or mixed); a node with no
// enabled node directly under it is granted as a whole and keeps its toggled state.
// A toggle clears a checked node and checks any other; when checking changes nothing
// (the branch is already as checked as the rules allow) it clears instead.
// The boxes are toggled by this view itself (a click on the box, the space bar), not by
// the item delegate, so every toggle goes through these rules.
// A node the granter holds only in part (grant status 2) shows mixed instead of
// checked, so a save never stores more of it than he has.

#include <QStandardItemModel>
#include <QTreeView>

#include <functional>

class TPermissionCheckTree : public QTreeView {
  Q_OBJECT
 public:
  explicit TPermissionCheckTree(QWidget* parent = nullptr);

  // The stored check values: 0 none, 1 all, 2 part.
  static Qt::CheckState stateOf(int checked);
  static int checkedOf(Qt::CheckState state);

  void clearNodes();
  // Appends a node under `parent` (null: a top node). `grant` is 0 for a disabled
  // node, otherwise the granter's status on it (1 all, 2 part).
  QStandardItem* appendNode(QStandardItem* parent, const QString& text,
                            Qt::CheckState state, int grant, int routineId, int moduleId);

  int topCount() const { return model_.rowCount(); }
  QStandardItem* top(int row) const { return model_.item(row); }
  // Visits every node, parents before their children, in row order.
  void forEachNode(const std::function<void(QStandardItem&)>& visit) const;

  // The user's toggle; does nothing on a disabled node.
  void toggle(QStandardItem* node);

  static Qt::CheckState state(const QStandardItem& node) { return node.checkState(); }
  static int routineId(const QStandardItem& node);
  static int moduleId(const QStandardItem& node);
  static int grant(const QStandardItem& node);

  QStandardItemModel& nodes() { return model_; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The node whose check box is at `pos` in the viewport, or null.
  QStandardItem* boxAt(const QPoint& pos) const;
  void itemChanged(QStandardItem* item);
  void runToggle(QStandardItem* node);
  void setShown(QStandardItem* node, Qt::CheckState state);
  void applyToggle(QStandardItem* node, Qt::CheckState wanted);
  void setBelow(QStandardItem* node, Qt::CheckState wanted);
  Qt::CheckState fromChildren(const QStandardItem* node, Qt::CheckState own) const;
  static Qt::CheckState capped(const QStandardItem* node, Qt::CheckState state);

  QStandardItemModel model_;
  bool updating_ = false;
};

#pragma once
// The main window: every user in a tree under his supervisor, with transfers by drag
// and drop or by the pop-up menu, and the buttons that open the user editor.

#include "app/AutoUpdate.h"
#include "app/UserHierarchy.h"

#include <QIcon>
#include <QMainWindow>
#include <QPointer>
#include <QTreeWidget>

#include <array>
#include <atomic>
#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class TfrmMainForm;

// The user tree: forwards drags over it and drops onto it to the window's rules.
class TUserTree final : public QTreeWidget {
  Q_OBJECT
 public:
  explicit TUserTree(TfrmMainForm* form);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  TfrmMainForm* form_;
};

class TfrmMainForm final : public QMainWindow {
  Q_OBJECT
 public:
  enum Icon { icoColaborador = 0, icoSupervisor = 1, icoDesativado = 2 };

  explicit TfrmMainForm(QWidget* parent = nullptr);
  ~TfrmMainForm() override;

  QLabel* const lblUSER;
  QCheckBox* const chbDesativados;
  TUserTree* const TreeUser;
  QMenu* const PopupSupervisores;
  QPushButton* const btnAdd;
  QPushButton* const btnEdit;
  QPushButton* const btnSair;

  // Set by the update check when the user accepts an update.
  std::atomic<bool> CloseForUpdate{false};

  // Opens the user editor modally (true: a new user) and frees it. Until the editor
  // exists nothing is opened; the refresh and rebuild around it run all the same.
  std::function<void(bool inserting)> OpenUserEditor;
  // The work of the update thread; by default one check against the configured host.
  std::function<void(const std::atomic<bool>& stop)> UpdateCheckWork;
  // What the end of an accepted update does; by default it ends the event loop.
  std::function<void()> ShutdownForUpdate;

  static QIcon UserIcon(int index);
  static QPixmap HeaderPicture();

  // Rebuilds tree and menu; selects the logged user, or the current record's user.
  void BuildUserTree(bool selectLoggedUser);
  bool TransferUser(QTreeWidgetItem* row, int targetSupervisorId);

  UserHierarchy* hierarchy() const { return hierarchy_.get(); }
  UserNode* nodeOf(const QTreeWidgetItem* item) const;
  QTreeWidgetItem* itemOf(const UserNode* node) const;
  QTreeWidgetItem* FindUserItem(int id) const;
  QTreeWidgetItem* selectedRow() const;
  // The menu's items from index 2 on, the transfer targets.
  QList<QAction*> supervisorActions() const;

  // Handlers of the window's events; the widgets call them, and so may tests.
  void FormShow();
  void FormClose();
  void btnAddClick();
  void btnEditClick();
  void TreeUserChange(QTreeWidgetItem* row);
  void chbDesativadosClick();
  void PopupSupervisoresClick(QAction* item);
  // Whether a drag from `source` may end on `target`.
  bool TreeUserDragOver(const QObject* source, const QTreeWidgetItem* target) const;
  void TreeUserDragDrop(QTreeWidgetItem* target);

  QPointer<TThreadAutoUpdate> updateThread() const { return updateThread_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void fillItems(QTreeWidgetItem* item, UserNode* node);
  void rebuildMenu();
  void moveItem(QTreeWidgetItem* row, QTreeWidgetItem* target);
  void refreshUsers(int positionOn);
  void startUpdateCheck();
  void stopUpdateCheck();

  std::array<QIcon, 3> icons_;  // drawn once, shared by every row
  std::unique_ptr<UserHierarchy> hierarchy_;
  QPointer<TThreadAutoUpdate> updateThread_;
  bool shownOnce_ = false;
  bool open_ = false;
};

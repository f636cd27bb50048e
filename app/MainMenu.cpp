#include "MainMenu.h"

#include "app/AutoUpdate.h"
#include "app/dtmSenha.h"

#include "login/CmDBDataModule.h"

#include "data/CmSQLGlobals.h"
#include "platform/Database.h"
#include "platform/Dialogs.h"
#include "platform/Transaction.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDragMoveEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include <array>

namespace {

constexpr int kNodeRole = Qt::UserRole + 1;
constexpr int kFirstTarget = 2;  // menu items before it are the heading and a separator

// A person: head and shoulders, drawn in a box of `size` at `origin`.
void drawPerson(QPainter& p, QPointF origin, qreal size, const QColor& fill) {
  const qreal s = size / 16.0;
  p.save();
  p.translate(origin);
  p.scale(s, s);
  p.setPen(QPen(fill.darker(160), 1.0));
  p.setBrush(fill);
  QPainterPath body;
  body.moveTo(2.5, 15.5);
  body.cubicTo(2.5, 10.0, 4.5, 9.0, 8.0, 9.0);
  body.cubicTo(11.5, 9.0, 13.5, 10.0, 13.5, 15.5);
  body.closeSubpath();
  p.drawPath(body);
  p.setBrush(QColor(0xf2, 0xc9, 0x9e));
  p.setPen(QPen(QColor(0x9a, 0x6b, 0x3c), 1.0));
  p.drawEllipse(QPointF(8.0, 5.0), 3.3, 3.6);
  p.restore();
}

QPixmap drawIcon(int index, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size / 16.0;
  switch (index) {
    case TfrmMainForm::icoColaborador:
      drawPerson(p, {0, 0}, size, QColor(0x3a, 0x7b, 0xd5));
      break;
    case TfrmMainForm::icoSupervisor: {
      drawPerson(p, {0, 0}, size, QColor(0x2e, 0x8b, 0x3e));
      // a tie
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(0xd8, 0x2c, 0x2c));
      const std::array<QPointF, 4> tie = {
          QPointF(8.0 * s, 9.2 * s), QPointF(9.1 * s, 11.0 * s), QPointF(8.0 * s, 15.0 * s),
          QPointF(6.9 * s, 11.0 * s)};
      p.drawPolygon(tie.data(), static_cast<int>(tie.size()));
      break;
    }
    default: {
      drawPerson(p, {-1.5 * s, 0}, size, QColor(0xa0, 0xa0, 0xa0));
      // a "no entry" badge
      p.setPen(QPen(QColor(0xc8, 0x10, 0x10), 1.6 * s, Qt::SolidLine, Qt::RoundCap));
      p.setBrush(Qt::white);
      p.drawEllipse(QPointF(11.6 * s, 11.6 * s), 3.9 * s, 3.9 * s);
      p.drawLine(QPointF(8.9 * s, 14.3 * s), QPointF(14.3 * s, 8.9 * s));
      break;
    }
  }
  return pixmap;
}

UserHierarchy* makeHierarchy(TClsDBDataModule* module, int logged) {
  return new UserHierarchy(module->dbMain, module->trMain, logged);
}

int loggedUserId() {
  const TCmSQLGlobals* session = TCmSQLGlobals::Instance();
  return session ? session->UsuarioID : 0;
}

TCmDataSet* users() { return dmSenha ? dmSenha->USUARIO : nullptr; }

QPushButton* button(const QString& name, const QString& caption) {
  auto* b = new QPushButton(caption);
  b->setObjectName(name);
  b->setMinimumWidth(150);
  return b;
}

QLabel* label(const QString& text) { return new QLabel(text); }

}  // namespace

// ---- the tree ---------------------------------------------------------------------

TUserTree::TUserTree(TfrmMainForm* form) : form_(form) {
  setObjectName(QStringLiteral("TreeUser"));
  setHeaderHidden(true);
  setColumnCount(1);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setAllColumnsShowFocus(true);
  setDragEnabled(true);
  setAcceptDrops(true);
  // Internal moves: the view itself never removes or inserts a dragged row.
  setDragDropMode(QAbstractItemView::InternalMove);
  setDefaultDropAction(Qt::MoveAction);
  setDropIndicatorShown(false);
  setContextMenuPolicy(Qt::CustomContextMenu);
}

void TUserTree::dragEnterEvent(QDragEnterEvent* event) {
  if (event->source() == this) event->acceptProposedAction();
  else event->ignore();
}

void TUserTree::dragMoveEvent(QDragMoveEvent* event) {
  QTreeWidget::dragMoveEvent(event);  // auto-scrolling and auto-expanding
  if (form_->TreeUserDragOver(event->source(), itemAt(event->position().toPoint()))) {
    event->setDropAction(Qt::MoveAction);
    event->accept();
  } else {
    event->ignore();
  }
}

void TUserTree::dropEvent(QDropEvent* event) {
  QTreeWidgetItem* target = itemAt(event->position().toPoint());
  if (!form_->TreeUserDragOver(event->source(), target)) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::MoveAction);
  event->accept();
  form_->TreeUserDragDrop(target);
}

// ---- the window -------------------------------------------------------------------

TfrmMainForm::TfrmMainForm(QWidget* parent)
    : QMainWindow(parent),
      lblUSER(new QLabel),
      chbDesativados(new QCheckBox(QStringLiteral("Exibir Usuários Desativados"))),
      TreeUser(new TUserTree(this)),
      PopupSupervisores(new QMenu(this)),
      btnAdd(button(QStringLiteral("btnAdd"), QStringLiteral("&Adicionar Usuário..."))),
      btnEdit(button(QStringLiteral("btnEdit"), QStringLiteral("&Editar Usuário..."))),
      btnSair(button(QStringLiteral("btnSair"), QStringLiteral("Sair"))) {
  setObjectName(QStringLiteral("frmMainForm"));
  setWindowTitle(QStringLiteral("Gerenciador de Usuários"));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                 Qt::WindowCloseButtonHint);
  lblUSER->setObjectName(QStringLiteral("lblUSER"));
  chbDesativados->setObjectName(QStringLiteral("chbDesativados"));
  PopupSupervisores->setObjectName(QStringLiteral("PopupSupervisores"));
  TreeUser->setIconSize(QSize(16, 16));
  for (int i = 0; i < static_cast<int>(icons_.size()); ++i)
    icons_[static_cast<size_t>(i)] = UserIcon(i);

  auto* header = new QFrame;
  header->setObjectName(QStringLiteral("pnlHeader"));
  header->setAutoFillBackground(true);
  QPalette white = header->palette();
  white.setColor(QPalette::Window, Qt::white);
  header->setPalette(white);
  header->setFrameShape(QFrame::StyledPanel);
  auto* headerRow = new QHBoxLayout(header);
  auto* picture = new QLabel;
  picture->setObjectName(QStringLiteral("imgHeader"));
  picture->setPixmap(HeaderPicture());
  headerRow->addWidget(picture, 0, Qt::AlignTop);

  auto* titles = new QVBoxLayout;
  auto* title = label(QStringLiteral("SUPERVISOR"));
  QFont big = title->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.6);
  title->setFont(big);
  titles->addWidget(title);
  auto* userRow = new QHBoxLayout;
  userRow->addWidget(label(QStringLiteral("Usuário Supervisor")));
  QFont bold = lblUSER->font();
  bold.setBold(true);
  lblUSER->setFont(bold);
  userRow->addWidget(lblUSER);
  userRow->addStretch();
  titles->addLayout(userRow);
  titles->addStretch();
  titles->addWidget(chbDesativados);
  headerRow->addLayout(titles, 1);

  auto* legend = new QGridLayout;
  legend->setVerticalSpacing(2);
  const std::array<std::pair<int, const char*>, 3> entries = {{
      {icoSupervisor, "Usuário Supervisor"},
      {icoColaborador, "Usuário Colaborador"},
      {icoDesativado, "Usuário Desativado"},
  }};
  for (int row = 0; row < static_cast<int>(entries.size()); ++row) {
    auto* icon = new QLabel;
    icon->setPixmap(UserIcon(entries[row].first).pixmap(16, 16));
    legend->addWidget(icon, row, 0);
    legend->addWidget(label(QString::fromUtf8(entries[row].second)), row, 1);
  }
  headerRow->addLayout(legend);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(btnAdd);
  buttons->addWidget(btnEdit);
  buttons->addStretch();
  buttons->addWidget(btnSair);
  btnEdit->setEnabled(false);

  auto* body = new QHBoxLayout;
  body->addWidget(TreeUser, 1);
  body->addLayout(buttons);

  auto* central = new QWidget;
  auto* column = new QVBoxLayout(central);
  column->addWidget(header);
  column->addLayout(body, 1);
  setCentralWidget(central);
  statusBar()->setObjectName(QStringLiteral("StatusBar"));
  resize(640, 520);

  connect(btnAdd, &QPushButton::clicked, this, [this] { btnAddClick(); });
  connect(btnEdit, &QPushButton::clicked, this, [this] { btnEditClick(); });
  connect(btnSair, &QPushButton::clicked, this, &QWidget::close);
  connect(chbDesativados, &QCheckBox::clicked, this, [this] { chbDesativadosClick(); });
  connect(TreeUser, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current) { TreeUserChange(current); });
  connect(TreeUser, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    if (TreeUser->itemAt(pos)) PopupSupervisores->popup(TreeUser->viewport()->mapToGlobal(pos));
  });
  connect(PopupSupervisores, &QMenu::triggered, this,
          [this](QAction* item) { PopupSupervisoresClick(item); });
}

TfrmMainForm::~TfrmMainForm() {
  stopUpdateCheck();
  // The rows point into the hierarchy.
  TreeUser->clear();
}

QIcon TfrmMainForm::UserIcon(int index) {
  QIcon icon;
  // The same picture on a selected row: no tint over it.
  for (int size : {16, 32}) {
    const QPixmap pixmap = drawIcon(index, size);
    icon.addPixmap(pixmap, QIcon::Normal);
    icon.addPixmap(pixmap, QIcon::Selected);
  }
  return icon;
}

QPixmap TfrmMainForm::HeaderPicture() {
  QPixmap pixmap(56, 48);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  drawPerson(p, {0, 8}, 28, QColor(0x3a, 0x7b, 0xd5));
  drawPerson(p, {28, 8}, 28, QColor(0x3a, 0x7b, 0xd5));
  p.drawPixmap(10, 4, drawIcon(icoSupervisor, 40).scaled(36, 36, Qt::KeepAspectRatio,
                                                            Qt::SmoothTransformation));
  return pixmap;
}

// ---- rows -------------------------------------------------------------------------

UserNode* TfrmMainForm::nodeOf(const QTreeWidgetItem* item) const {
  if (!item) return nullptr;
  return reinterpret_cast<UserNode*>(item->data(0, kNodeRole).value<quintptr>());
}

QTreeWidgetItem* TfrmMainForm::itemOf(const UserNode* node) const {
  if (!node) return nullptr;
  for (QTreeWidgetItemIterator it(TreeUser); *it; ++it)
    if (nodeOf(*it) == node) return *it;
  return nullptr;
}

QTreeWidgetItem* TfrmMainForm::FindUserItem(int id) const {
  return hierarchy_ ? itemOf(hierarchy_->FindUserNode(id)) : nullptr;
}

QTreeWidgetItem* TfrmMainForm::selectedRow() const {
  const QList<QTreeWidgetItem*> selected = TreeUser->selectedItems();
  return selected.isEmpty() ? nullptr : selected.first();
}

QList<QAction*> TfrmMainForm::supervisorActions() const {
  return PopupSupervisores->actions().mid(kFirstTarget);
}

void TfrmMainForm::fillItems(QTreeWidgetItem* item, UserNode* node) {
  item->setText(0, node->text);
  item->setIcon(0, icons_.at(static_cast<size_t>(node->icon)));
  item->setData(0, kNodeRole, QVariant::fromValue(reinterpret_cast<quintptr>(node)));
  for (const auto& child : node->children) fillItems(new QTreeWidgetItem(item), child.get());
}

void TfrmMainForm::rebuildMenu() {
  PopupSupervisores->clear();
  const std::vector<SupervisorMenuItem>& items = hierarchy_->menu();
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].separator) {
      PopupSupervisores->addSeparator();
      continue;
    }
    QAction* action = PopupSupervisores->addAction(items[i].caption);
    action->setData(items[i].tag);
    if (static_cast<int>(i) < kFirstTarget) {
      QFont heading = action->font();
      heading.setBold(true);
      action->setFont(heading);
      action->setEnabled(false);
    }
  }
}

// ---- building -----------------------------------------------------------------------

void TfrmMainForm::BuildUserTree(bool selectLoggedUser) {
  TClsDBDataModule* module = TClsDBDataModule::Instance();
  if (!module) return;
  const int logged = loggedUserId();
  TCmDataSet* data = users();
  const int target = selectLoggedUser || !data ? logged : data->CurrentID();

  // Built aside first: a database error leaves the tree as it was.
  std::unique_ptr<UserHierarchy> built(makeHierarchy(module, logged));
  built->showDeactivated = chbDesativados->isChecked();
  built->onTransferred = [](int id) {
    if (TCmDataSet* d = users(); d && d->active()) d->setCurrentID(id);
  };
  built->BuildUserTree();

  {
    const QSignalBlocker quiet(TreeUser);
    TreeUser->clear();
    hierarchy_ = std::move(built);
    auto* root = new QTreeWidgetItem(TreeUser);
    fillItems(root, hierarchy_->root());
  }
  rebuildMenu();
  QTreeWidgetItem* root = TreeUser->topLevelItem(0);
  TreeUser->setCurrentItem(root);  // the tree change for the root
  root->setExpanded(true);
  if (QTreeWidgetItem* row = FindUserItem(target)) {
    TreeUser->setCurrentItem(row);
    row->setExpanded(true);
  }
  TreeUser->setFocus();
}

// ---- events -------------------------------------------------------------------------

void TfrmMainForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (event->spontaneous()) return;  // restored from the task bar
  if (!shownOnce_) {
    if (QScreen* screen = this->screen())
      move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
  }
  FormShow();
}

void TfrmMainForm::closeEvent(QCloseEvent* event) {
  FormClose();
  QMainWindow::closeEvent(event);
}

void TfrmMainForm::FormShow() {
  const TCmSQLGlobals* session = TCmSQLGlobals::Instance();
  lblUSER->setText(u'[' + (session ? session->Usuario : QString()) + u']');
  TClsDBDataModule* module = TClsDBDataModule::Instance();
  if (module && !open_) {
    if (TCmDataSet* data = users()) {
      data->setTransaction(module->trMain);
      if (!module->trMain->inTransaction()) module->trMain->startTransaction();
      data->OpenCounted();
      open_ = true;
    }
  }
  BuildUserTree(true);
  if (!shownOnce_) {
    shownOnce_ = true;
    startUpdateCheck();
  }
}

void TfrmMainForm::FormClose() {
  if (!open_) return;
  open_ = false;
  TCmDataSet* data = users();
  if (!data) return;
  data->CloseCounted();
  if (pf::Transaction* t = data->activeTransaction(); t && t->inTransaction()) t->commit();
}

void TfrmMainForm::TreeUserChange(QTreeWidgetItem* row) {
  if (!hierarchy_) {
    btnEdit->setEnabled(false);
    return;
  }
  btnEdit->setEnabled(hierarchy_->TreeChange(nodeOf(row)));
  const QList<QAction*> actions = PopupSupervisores->actions();
  const std::vector<SupervisorMenuItem>& items = hierarchy_->menu();
  for (qsizetype i = kFirstTarget; i < actions.size() && i < qsizetype(items.size()); ++i)
    actions[i]->setVisible(items[static_cast<size_t>(i)].visible);
}

void TfrmMainForm::chbDesativadosClick() { BuildUserTree(true); }

bool TfrmMainForm::TransferUser(QTreeWidgetItem* row, int targetSupervisorId) {
  return hierarchy_ && hierarchy_->TransferUser(nodeOf(row), targetSupervisorId);
}

void TfrmMainForm::moveItem(QTreeWidgetItem* row, QTreeWidgetItem* target) {
  QTreeWidgetItem* from = row->parent();
  if (!from) return;
  hierarchy_->MoveRow(nodeOf(row), nodeOf(target));
  {
    const QSignalBlocker quiet(TreeUser);
    from->takeChild(from->indexOfChild(row));
    target->insertChild(0, row);
    target->setExpanded(true);
    TreeUser->setCurrentItem(row);
  }
  TreeUserChange(row);
  TreeUser->scrollToItem(row);
}

void TfrmMainForm::PopupSupervisoresClick(QAction* item) {
  if (!hierarchy_ || PopupSupervisores->actions().indexOf(item) < kFirstTarget) return;
  const int tag = item->data().toInt();
  QTreeWidgetItem* target = FindUserItem(tag);
  if (!target) return;
  QTreeWidgetItem* row = selectedRow();
  if (TransferUser(row, tag)) moveItem(row, target);
}

bool TfrmMainForm::TreeUserDragOver(const QObject* source, const QTreeWidgetItem* target) const {
  return source == TreeUser && UserHierarchy::AcceptsDrop(nodeOf(selectedRow()), nodeOf(target));
}

void TfrmMainForm::TreeUserDragDrop(QTreeWidgetItem* target) {
  QTreeWidgetItem* row = selectedRow();
  const UserNode* node = nodeOf(target);
  if (!row || !node) return;
  if (TransferUser(row, node->user.ID)) moveItem(row, target);
}

void TfrmMainForm::refreshUsers(int positionOn) {
  TCmDataSet* data = users();
  if (!data) return;
  data->disableControls();
  try {
    data->close();
    data->open();
    data->setCurrentID(positionOn >= 0 ? positionOn : data->LastClosedID());
  } catch (...) {
    data->enableControls();
    throw;
  }
  data->enableControls();
}

void TfrmMainForm::btnAddClick() {
  if (OpenUserEditor) OpenUserEditor(true);
  refreshUsers(-1);
  BuildUserTree(false);
  if (QTreeWidgetItem* row = FindUserItem(loggedUserId())) {
    TreeUser->setCurrentItem(row);
    if (!row->isExpanded()) row->setExpanded(true);
  }
  TreeUser->setFocus();
}

void TfrmMainForm::btnEditClick() {
  QTreeWidgetItem* row = selectedRow();
  if (!row) {
    pf::messageBox(QStringLiteral("Escolha um usuário para poder editar."),
                   QStringLiteral("Atenção!"), pf::MsgKind::Error, {pf::MsgButton::Ok});
    return;
  }
  TCmDataSet* data = users();
  const int id = nodeOf(row)->user.ID;
  if (!data || !data->active()) return;
  data->setCurrentID(id);
  if (data->CurrentID() != id) return;
  const bool expanded = row->isExpanded();
  if (OpenUserEditor) OpenUserEditor(false);
  refreshUsers(id);
  BuildUserTree(!expanded);
  if (QTreeWidgetItem* edited = FindUserItem(data->CurrentID())) TreeUser->setCurrentItem(edited);
  TreeUser->setFocus();
}

// ---- the update check ---------------------------------------------------------------

void TfrmMainForm::startUpdateCheck() {
  TThreadAutoUpdate::Work work = UpdateCheckWork;
  if (!work) {
    const TCmSQLGlobals* session = TCmSQLGlobals::Instance();
    const int moduleId = session ? session->ModuloID : 0;
    const QString host = UpdateHost(QString());
    std::atomic<bool>* flag = &CloseForUpdate;
    work = [flag, moduleId, host](const std::atomic<bool>& stop) {
      UpdateCheckOptions options;
      options.stop = &stop;
      CheckForUpdate(flag, moduleId, host, std::move(options));
    };
  }
  updateThread_ = TThreadAutoUpdate::Start(&CloseForUpdate, std::move(work), ShutdownForUpdate);
}

void TfrmMainForm::stopUpdateCheck() {
  if (updateThread_) updateThread_->cancelAndWait();
}

#include "CmControlVersion.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "CmControlVersionBackup.h"
#include "UpgradeGuard.h"
#include "platform/BusyCursor.h"
#include "platform/Database.h"
#include "platform/Dialogs.h"

namespace {

constexpr int kComputersHeight = 150;
constexpr int kAttachmentColumn = 3;

}  // namespace

TClsControlVersion::TClsControlVersion(QWidget* owner)
    : TClsCustomDialog(owner),
      lblBancoDados(new QLabel(QStringLiteral("Banco de Dados"), pnArea)),
      memMensagem(new QPlainTextEdit(pnArea)),
      pnlComputador(new QWidget(this)),
      CmListView(new QTreeWidget(pnlComputador)),
      pmnConexoes(new QMenu(this)),
      mnuEncerrarConexao(new QAction(QStringLiteral("Encerrar conexão deste usuário..."), this)),
      Lookups(new HostNameLookups(this)) {
  setObjectName(QStringLiteral("ClsControlVersion"));
  SetCaption(QStringLiteral("Controle de Versão Banco de Dados"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

  lblBancoDados->setObjectName(QStringLiteral("lblBancoDados"));
  QFont bold = lblBancoDados->font();
  bold.setBold(true);
  lblBancoDados->setFont(bold);
  memMensagem->setObjectName(QStringLiteral("memMensagem"));
  memMensagem->setReadOnly(true);
  memMensagem->setLineWrapMode(QPlainTextEdit::NoWrap);
  memMensagem->setFocusPolicy(Qt::NoFocus);
  const QStringList lines{
      QStringLiteral("Para continuar a executar o programa é necessário atualizar a "),
      QStringLiteral("base de dados, certifique-se que não tenha nenhum usuário "),
      QStringLiteral("utilizando o sistema ou conectado a base dados. Para atualizar "),
      QStringLiteral("clique no botão \"Atualizar\"."),
  };
  memMensagem->setPlainText(lines.join(u'\n'));
  const QFontMetrics fm(memMensagem->font());
  int widest = 0;
  for (const QString& line : lines) widest = std::max(widest, fm.horizontalAdvance(line));
  memMensagem->setFixedSize(widest + 24, fm.lineSpacing() * (lines.size() + 1) + 12);
  auto* area = new QVBoxLayout(pnArea);
  area->setContentsMargins(8, 8, 8, 8);
  area->addWidget(lblBancoDados);
  area->addWidget(memMensagem);

  pnlComputador->setObjectName(QStringLiteral("pnlComputador"));
  pnlComputador->setFixedHeight(kComputersHeight);
  CmListView->setObjectName(QStringLiteral("CmListView"));
  CmListView->setColumnCount(4);
  CmListView->setHeaderLabels({QStringLiteral("Nome Computador"), QStringLiteral("IP"),
                               QStringLiteral("Nome Aplicativo"), QString()});
  CmListView->setColumnHidden(kAttachmentColumn, true);
  CmListView->setRootIsDecorated(false);
  // A program's path is long: its end names it.
  CmListView->setTextElideMode(Qt::ElideLeft);
  CmListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
  CmListView->setSelectionMode(QAbstractItemView::SingleSelection);
  CmListView->setContextMenuPolicy(Qt::CustomContextMenu);
  CmListView->header()->resizeSection(0, 150);
  CmListView->header()->resizeSection(1, 130);
  auto* computers = new QVBoxLayout(pnlComputador);
  computers->setContentsMargins(8, 0, 8, 8);
  computers->addWidget(CmListView);
  RootLayout()->insertWidget(RootLayout()->indexOf(pnlBottom), pnlComputador);

  pmnConexoes->setObjectName(QStringLiteral("pmnConexoes"));
  mnuEncerrarConexao->setObjectName(QStringLiteral("mnuEncerrarConexao"));
  pmnConexoes->addAction(mnuEncerrarConexao);
  connect(CmListView, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    pmnConexoes->popup(CmListView->viewport()->mapToGlobal(at));
  });
  connect(mnuEncerrarConexao, &QAction::triggered, this,
          &TClsControlVersion::mnuEncerrarConexaoClick);
  connect(Lookups, &HostNameLookups::resolved, this, &TClsControlVersion::nameResolved);

  btnOK->setText(QStringLiteral("&Atualizar"));
  btnCancel->setText(QStringLiteral("&Fechar"));
  connect(btnOK, &QPushButton::clicked, this, &TClsControlVersion::btnAtualizarClick);
  connect(btnCancel, &QPushButton::clicked, this, &TClsControlVersion::btnFecharClick);
  // Hidden until someone else is found connected; the window is sized without it.
  pnlComputador->hide();
}

TClsControlVersion::~TClsControlVersion() = default;

UpgradeGuardRules& TClsControlVersion::rules() {
  if (!rules_ || rulesDatabase_ != Database) {
    rules_ = std::make_unique<UpgradeGuardRules>(Database);
    rulesDatabase_ = Database;
  }
  return *rules_;
}

void TClsControlVersion::showEvent(QShowEvent* event) {
  TClsCustomDialog::showEvent(event);
  if (event->spontaneous() || backupTried_) return;
  backupTried_ = true;
  if (!SkipBackup) BackupFileName = TakeBackup();
}

QString TClsControlVersion::TakeBackup() {
  // The version module's connection has the name the main connection was given.
  const QString name = Database ? Database->databaseName() : QString();
  pf::BusyCursor busy;
  // Events run during the backup; the guard must not close under it.
  backingUp_ = true;
  btnOK->setEnabled(false);
  btnCancel->setEnabled(false);
  TClsControlVersionBackup progress(this);
  progress.show();
  QCoreApplication::processEvents();
  const QString file =
      UpgradeGuardRules::TakeBackup(name, QDateTime::currentDateTime(),
                                    [&progress](const QString& line) { progress.AddLine(line); });
  progress.close();
  backingUp_ = false;
  btnOK->setEnabled(true);
  btnCancel->setEnabled(true);
  return file;
}

bool TClsControlVersion::CanUpgrade() { return rules().CanUpgrade(BackupFileName, SkipBackup); }

void TClsControlVersion::showComputers(bool on) {
  if (pnlComputador->isHidden() != on) return;
  // The window keeps its size fixed: it grows and shrinks by the panel.
  const QSize now = size();
  pnlComputador->setVisible(on);
  setFixedSize(now.width(), now.height() + (on ? kComputersHeight : -kComputersHeight));
}

void TClsControlVersion::ListConnections() {
  // Names still being looked up belong to the rows about to go.
  const int listing = Lookups->newListing();
  CmListView->clear();
  QCoreApplication::processEvents();
  const std::vector<ConnectionRow> rows = rules().ListConnections();
  for (const ConnectionRow& r : rows) {
    auto* item = new QTreeWidgetItem(CmListView);
    item->setText(0, QString());
    item->setText(1, r.address);
    item->setText(2, r.process);
    item->setText(kAttachmentColumn, r.attachmentId);
    Lookups->lookup(listing, CmListView->indexOfTopLevelItem(item), r.address);
  }
  if (rows.empty()) showComputers(false);
}

void TClsControlVersion::nameResolved(int listing, int row, const QString& name) {
  if (listing != Lookups->listing() || name.trimmed().isEmpty()) return;
  if (QTreeWidgetItem* item = CmListView->topLevelItem(row)) item->setText(0, name);
}

void TClsControlVersion::EndConnection(int row) {
  const QTreeWidgetItem* item = CmListView->topLevelItem(row);
  if (!item) return;
  rules().EndConnection(item->text(kAttachmentColumn));
  QCoreApplication::processEvents();
}

void TClsControlVersion::btnAtualizarClick() {
  if (CanUpgrade()) {
    Confirmed = true;
    accept();
    return;
  }
  showComputers(true);
  ListConnections();
}

void TClsControlVersion::btnFecharClick() {
  Confirmed = false;
  reject();
}

void TClsControlVersion::mnuEncerrarConexaoClick() {
  QTreeWidgetItem* item = CmListView->currentItem();
  if (!item || !item->isSelected()) {
    pf::messageBox(QStringLiteral("Selecione uma máquina para encerrar a conexão!"),
                   QStringLiteral("Atenção!"), pf::MsgKind::Warning, {pf::MsgButton::Ok});
    return;
  }
  const bool yes =
      pf::messageBox(
          QStringLiteral("Atenção!\nEsse encerramento é realizado sem o consentimento do usuário."
                         "\nSe possível, peça ao usuário que encerre as aplicações da Kelvo "
                         "Solutions.\n\nDeseja realmente encerrar a conexão sem consentimento "
                         "deste usuário?"),
          QStringLiteral("Confirmar"), pf::MsgKind::Confirmation,
          {pf::MsgButton::Yes, pf::MsgButton::No}, pf::MsgButton::No) == pf::MsgButton::Yes;
  if (!yes) return;
  EndConnection(CmListView->indexOfTopLevelItem(item));
  ListConnections();
}

void TClsControlVersion::done(int result) {
  if (backingUp_) return;
  // A name found after this belongs to no listing.
  Lookups->newListing();
  if (rules_) rules_->CommitTransaction();
  TClsCustomDialog::done(result);
}

#include "CmErrorHandler.h"

#include "platform/Dialogs.h"
#include "platform/FormatSettings.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

QLineEdit* readOnlyEdit(const QString& name, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setReadOnly(true);
  return edit;
}

QPlainTextEdit* readOnlyMemo(const QString& name, QWidget* parent) {
  auto* memo = new QPlainTextEdit(parent);
  memo->setObjectName(name);
  memo->setReadOnly(true);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // long lines wrap
  return memo;
}

QPushButton* button(const QString& name, const QString& caption, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

}  // namespace

TClsErrorHandler::TClsErrorHandler(const TLogErrorDataBaseList& list, QWidget* owner)
    : TClsForm(owner), list_(list) {
  SetSizeable(true);  // the details area changes the height
  setObjectName(QStringLiteral("ClsErrorHandler"));
  setWindowTitle(QStringLiteral("Erro no Banco de Dados"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);

  auto* top = new QWidget(this);
  top->setObjectName(QStringLiteral("pnlMensagem"));
  auto* icon = new QLabel(top);
  icon->setObjectName(QStringLiteral("imgIcon"));
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32));
  icon->setAlignment(Qt::AlignTop);
  memMensagem = readOnlyMemo(QStringLiteral("memMensagem"), top);
  auto* topLayout = new QHBoxLayout(top);
  topLayout->setContentsMargins(0, 0, 0, 0);
  topLayout->addWidget(icon);
  topLayout->addWidget(memMensagem, 1);

  bbtDetails = button(QStringLiteral("bbtDetails"), QStringLiteral("Detalhes >>"), this);
  bbtOk = button(QStringLiteral("bbtOk"), QStringLiteral("&Ok"), this);
  bbtOk->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(bbtDetails);
  buttons->addStretch(1);
  buttons->addWidget(bbtOk);

  pnlBckGround = new QWidget(this);
  pnlBckGround->setObjectName(QStringLiteral("pnlBckGround"));
  edtCodigo = readOnlyEdit(QStringLiteral("edtCodigo"), pnlBckGround);
  edtComputerName = readOnlyEdit(QStringLiteral("edtComputerName"), pnlBckGround);
  edtDataHora = readOnlyEdit(QStringLiteral("edtDataHora"), pnlBckGround);
  edtServidor = readOnlyEdit(QStringLiteral("edtServidor"), pnlBckGround);
  memMensagemLog = readOnlyMemo(QStringLiteral("memMensagemLog"), pnlBckGround);
  memMensagemLog->setFixedHeight(90);
  bbtAnterior = button(QStringLiteral("bbtAnterior"), QStringLiteral("&Anterior"), pnlBckGround);
  bbtProximo = button(QStringLiteral("bbtProximo"), QStringLiteral("&Próximo"), pnlBckGround);
  auto* fields = new QFormLayout;
  fields->addRow(QStringLiteral("Código"), edtCodigo);
  fields->addRow(QStringLiteral("Nome Computador"), edtComputerName);
  fields->addRow(QStringLiteral("Data/Hora"), edtDataHora);
  fields->addRow(QStringLiteral("Servidor"), edtServidor);
  auto* navigation = new QHBoxLayout;
  navigation->addStretch(1);
  navigation->addWidget(bbtAnterior);
  navigation->addWidget(bbtProximo);
  auto* detail = new QVBoxLayout(pnlBckGround);
  detail->setContentsMargins(0, 0, 0, 0);
  detail->addLayout(fields);
  detail->addWidget(new QLabel(QStringLiteral("Mensagem:"), pnlBckGround));
  detail->addWidget(memMensagemLog);
  detail->addLayout(navigation);

  auto* layout = new QVBoxLayout(ClientArea());
  layout->addWidget(top, 1);
  layout->addLayout(buttons);
  layout->addWidget(pnlBckGround);

  connect(bbtOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(bbtDetails, &QPushButton::clicked, this, [this] { bbtDetailsClick(); });
  connect(bbtAnterior, &QPushButton::clicked, this, [this] { GoTo(index_ - 1); });
  connect(bbtProximo, &QPushButton::clicked, this, [this] { GoTo(index_ + 1); });

  memMensagem->setMinimumHeight(80);
  resize(480, sizeHint().height());
  // The dialog opens on the newest error with the details closed, whether it is shown
  // by exec() or driven directly.
  GoTo(static_cast<int>(list_.size()) - 1);
  ApplyDetails();
  bbtOk->setFocus();
}

void TClsErrorHandler::showEvent(QShowEvent* event) {
  TClsForm::showEvent(event);
  if (!shown_) {
    shown_ = true;
    bbtOk->setFocus();
  }
}

void TClsErrorHandler::GoTo(int index) {
  if (index < 0 || index >= static_cast<int>(list_.size())) return;
  index_ = index;
  ShowEntry(index);
  UpdateNavigation();
}

void TClsErrorHandler::ShowEntry(int index) {
  const TLogErrorDataBase& entry = list_.at(static_cast<size_t>(index));
  memMensagem->setPlainText(entry.Message);
  memMensagemLog->setPlainText(entry.Message);
  edtCodigo->setText(QString::number(entry.SQLCode));
  edtComputerName->setText(entry.ComputerName);
  const pf::FormatSettings& fs = pf::formatSettings();
  edtDataHora->setText(
      pf::formatDateTime(fs.shortDateFormat + u' ' + fs.longTimeFormat, entry.DateTime));
  edtServidor->setText(entry.ServerName);
}

void TClsErrorHandler::moveFocus(QWidget* from, QWidget* to) {
  if (from->hasFocus() || QApplication::focusWidget() == from || focusWidget() == from)
    to->setFocus();
}

void TClsErrorHandler::UpdateNavigation() {
  const int last = static_cast<int>(list_.size()) - 1;
  if (last <= 0) {
    bbtAnterior->setEnabled(false);
    bbtProximo->setEnabled(false);
  } else if (index_ == 0) {
    bbtProximo->setEnabled(true);
    moveFocus(bbtAnterior, bbtProximo);
    bbtAnterior->setEnabled(false);
  } else if (index_ == last) {
    bbtAnterior->setEnabled(true);
    moveFocus(bbtProximo, bbtAnterior);
    bbtProximo->setEnabled(false);
  } else {
    bbtAnterior->setEnabled(true);
    bbtProximo->setEnabled(true);
  }
}

void TClsErrorHandler::bbtDetailsClick() {
  showDetails_ = !showDetails_;
  bbtDetails->setText(showDetails_ ? QStringLiteral("<< Detalhes")
                                   : QStringLiteral("Detalhes >>"));
  ApplyDetails();
}

void TClsErrorHandler::ApplyDetails() {
  // Measured before the panel changes: showing it can enlarge the window on its own.
  const int before = height();
  const int panelHeight = pnlBckGround->sizeHint().height() + ClientArea()->layout()->spacing();
  if (showDetails_) {
    if (!pnlBckGround->isHidden()) return;
    pnlBckGround->setVisible(true);
    ClientArea()->layout()->activate();
    layout()->activate();
    resize(width(), before + panelHeight);
  } else {
    if (pnlBckGround->isHidden()) return;
    pnlBckGround->setVisible(false);
    ClientArea()->layout()->activate();  // the smaller minimum first, or it cannot shrink
    layout()->activate();
    resize(width(), before - panelHeight);
  }
}

void TClsErrorHandler::ShowNewest() { GoTo(static_cast<int>(list_.size()) - 1); }

void ShowDatabaseErrors(const TLogErrorDataBaseList& list) {
  TClsErrorHandler dialog(list);
  pf::execModal(dialog);
}

#include "CmCustomDialog.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

TClsCustomDialog::TClsCustomDialog(QWidget* owner)
    : TClsHintForm(owner),
      pnArea(new QWidget(ClientArea())),
      pnlBottom(new QFrame(this)),
      pnlButtons(new QWidget(pnlBottom)),
      btnOK(new QPushButton(QStringLiteral("&OK"), pnlButtons)),
      btnCancel(new QPushButton(QStringLiteral("&Cancelar"), pnlButtons)) {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  pnArea->setObjectName(QStringLiteral("pnArea"));
  auto* client = new QVBoxLayout(ClientArea());
  client->setContentsMargins(0, 0, 0, 0);
  client->addWidget(pnArea);

  pnlBottom->setObjectName(QStringLiteral("pnlBottom"));
  pnlBottom->setFrameShape(QFrame::NoFrame);
  pnlBottom->setFixedHeight(26);
  QFont bold = pnlBottom->font();
  bold.setBold(true);
  pnlBottom->setFont(bold);
  pnlButtons->setObjectName(QStringLiteral("pnlButtons"));
  pnlButtons->setFixedWidth(172);
  btnOK->setObjectName(QStringLiteral("btnOK"));
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  const QStyle* style = QApplication::style();
  btnOK->setIcon(style->standardIcon(QStyle::SP_DialogOkButton));
  btnCancel->setIcon(style->standardIcon(QStyle::SP_DialogCancelButton));
  auto* buttons = new QHBoxLayout(pnlButtons);
  buttons->setContentsMargins(0, 1, 0, 1);
  buttons->setSpacing(0);
  for (QPushButton* b : {btnOK, btnCancel}) {
    b->setFixedSize(86, 24);
    b->setFlat(true);
    buttons->addWidget(b);
  }
  auto* bottom = new QHBoxLayout(pnlBottom);
  bottom->setContentsMargins(0, 0, 0, 0);
  bottom->addStretch(1);
  bottom->addWidget(pnlButtons);
  RootLayout()->insertWidget(RootLayout()->indexOf(ClientArea()) + 1, pnlBottom);
  // Esc clicks "Cancelar"; what that does is the dialog's own wiring.
  SetCancelButton(btnCancel);
}

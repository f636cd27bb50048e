#include "CmSpockForm.h"

#include "controls/CmCommon.h"

#include <QAction>
#include <QFrame>
#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

TClsSpockForm::TClsSpockForm(QWidget* owner)
    : TClsHintForm(owner),
      Tool(new QFrame(this)),
      bvlSepTool(new QFrame(this)),
      pnlButtons(new QWidget(Tool)),
      bbtOptions(new QPushButton(QStringLiteral("&Opções"), pnlButtons)),
      bbtClose(new QPushButton(QStringLiteral("Sai&r"), pnlButtons)),
      mnuOptions(new QMenu(this)),
      mnuAtivaEmpresa(new QAction(QStringLiteral("Ativar &Empresa"), this)),
      POPUP_SHORTCUT(new QMenu(this)),
      AtivarEmpresa1(new QAction(QStringLiteral("Ativar Empresa"), this)),
      bbtClose1(new QAction(this)),
      N1(new QAction(this)) {
  Tool->setObjectName(QStringLiteral("Tool"));
  Tool->setFixedHeight(26);
  QFont bold = Tool->font();
  bold.setBold(true);
  Tool->setFont(bold);
  bvlSepTool->setObjectName(QStringLiteral("bvlSepTool"));
  bvlSepTool->setFrameShape(QFrame::HLine);
  bvlSepTool->setFrameShadow(QFrame::Sunken);
  bvlSepTool->setFixedHeight(2);
  pnlButtons->setObjectName(QStringLiteral("pnlButtons"));
  pnlButtons->setFixedWidth(172);
  bbtOptions->setObjectName(QStringLiteral("bbtOptions"));
  bbtClose->setObjectName(QStringLiteral("bbtClose"));
  auto* buttons = new QHBoxLayout(pnlButtons);
  buttons->setContentsMargins(0, 1, 0, 1);
  buttons->setSpacing(0);
  for (QPushButton* b : {bbtOptions, bbtClose}) {
    b->setFixedSize(86, 24);
    b->setFlat(true);
    buttons->addWidget(b);
  }
  auto* tool = new QHBoxLayout(Tool);
  tool->setContentsMargins(0, 0, 0, 0);
  tool->addStretch(1);
  tool->addWidget(pnlButtons);
  RootLayout()->insertWidget(0, Tool);
  RootLayout()->insertWidget(1, bvlSepTool);

  mnuOptions->setObjectName(QStringLiteral("mnuOptions"));
  mnuAtivaEmpresa->setObjectName(QStringLiteral("mnuAtivaEmpresa"));
  mnuAtivaEmpresa->setEnabled(false);
  mnuAtivaEmpresa->setVisible(false);
  mnuOptions->addAction(mnuAtivaEmpresa);

  POPUP_SHORTCUT->setObjectName(QStringLiteral("POPUP_SHORTCUT"));
  AtivarEmpresa1->setObjectName(QStringLiteral("AtivarEmpresa1"));
  AtivarEmpresa1->setEnabled(false);
  bbtClose1->setObjectName(QStringLiteral("bbtClose1"));
  bbtClose1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  N1->setObjectName(QStringLiteral("N1"));
  N1->setSeparator(true);
  AddShortcutItem(AtivarEmpresa1);
  AddShortcutItem(bbtClose1);
  POPUP_SHORTCUT->addAction(N1);

  connect(bbtClose, &QPushButton::clicked, this, [this] { bbtCloseClick(); });
  connect(bbtOptions, &QPushButton::clicked, this, [this] { bbtOptionsClick(); });
  connect(bbtClose1, &QAction::triggered, this, [this] { bbtClose1Click(); });
  connect(mnuAtivaEmpresa, &QAction::triggered, this, [this] { mnuAtivaEmpresaClick(); });

  SetDisableSpock(true);
}

void TClsSpockForm::AddShortcutItem(QAction* item) {
  // Qt disables the shortcut of a hidden action, so the items stay "visible" in a
  // menu that is never shown.
  item->setShortcutContext(Qt::WindowShortcut);
  POPUP_SHORTCUT->addAction(item);
  addAction(item);
}

void TClsSpockForm::SetDisableSpock(bool value) {
  disableSpock_ = value;
  mnuAtivaEmpresa->setEnabled(!disableSpock_);
}

void TClsSpockForm::SetCaptions(const QString& sing, const QString& plur, TKelvoGender gender) {
  TClsHintForm::SetCaptions(sing, plur, gender);
  SetControlHint(bbtClose, QStringLiteral("Abandonar|Sai do ") + CaptionPrefix + CaptionPlur +
                               QStringLiteral(" <Ctrl+R>"));
}

void TClsSpockForm::showEvent(QShowEvent* event) {
  if (!event->spontaneous() && ComeFromWeb) SetCancelButton(bbtClose);
  TClsHintForm::showEvent(event);
}

void TClsSpockForm::bbtCloseClick() { close(); }

void TClsSpockForm::bbtClose1Click() {
  if (bbtClose->isEnabled() && bbtClose->isVisible() && isEnabled()) bbtClose->click();
}

void TClsSpockForm::bbtOptionsClick() {
  mnuOptions->popup(bbtOptions->mapToGlobal(QPoint(0, bbtOptions->height())));
}

void TClsSpockForm::mnuAtivaEmpresaClick() {}

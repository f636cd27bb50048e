#include "CmHintForm.h"

#include "controls/CmStatusBar.h"
#include "data/CmSQLGlobals.h"
#include "platform/FormatSettings.h"

#include <QDateTime>
#include <QFrame>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>

TClsHintForm::TClsHintForm(QWidget* owner)
    : TClsForm(owner), bvlSepBottom(new QFrame(this)), Info(new TCmStatusBar(this)) {
  bvlSepBottom->setObjectName(QStringLiteral("bvlSepBottom"));
  bvlSepBottom->setFrameShape(QFrame::HLine);
  bvlSepBottom->setFrameShadow(QFrame::Sunken);
  bvlSepBottom->setFixedHeight(2);
  Info->setObjectName(QStringLiteral("Info"));
  const QString design = QStringLiteral("Hoje: 99/99/9999");
  // 92 pixels, or what the date needs in this font.
  Info->AddPanel(std::max(92, Info->fontMetrics().horizontalAdvance(design) + 12), design);
  Info->AddPanel(50);
  RootLayout()->addWidget(bvlSepBottom);
  RootLayout()->addWidget(Info);
}

void TClsHintForm::showEvent(QShowEvent* event) {
  TClsForm::showEvent(event);
  if (event->spontaneous()) return;
  const TCmSQLGlobals* globals = TCmSQLGlobals::Instance();
  const QString mask = globals ? globals->DataAtual().Mascara() : QStringLiteral("dd/mm/yyyy");
  const QDateTime today(QDate::currentDate(), QTime(0, 0));
  Info->SetPanelText(0, QStringLiteral("Hoje: ") + pf::formatDateTime(mask, today));
}

#include "CmControlVersionBackup.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

TClsControlVersionBackup::TClsControlVersionBackup(QWidget* owner)
    : TClsCustomDialog(owner),
      lblAguarde(new QLabel(QStringLiteral("Aguarde enquanto o backup é realizado..."), pnArea)),
      Memo(new QPlainTextEdit(pnArea)) {
  setObjectName(QStringLiteral("ClsControlVersionBackup"));
  SetCaption(QStringLiteral("Controle de Versão Banco de Dados"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  lblAguarde->setObjectName(QStringLiteral("lblAguarde"));
  QFont bold = lblAguarde->font();
  bold.setBold(true);
  lblAguarde->setFont(bold);
  Memo->setObjectName(QStringLiteral("Memo"));
  Memo->setReadOnly(true);
  Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo->setMinimumSize(520, 260);
  auto* layout = new QVBoxLayout(pnArea);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->addWidget(lblAguarde);
  layout->addWidget(Memo, 1);
  btnOK->hide();
  // The backup ends the window itself; this button never closes it.
  btnCancel->setText(QStringLiteral("&Fechar"));
  btnCancel->setEnabled(false);
  btnCancel->hide();
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TClsControlVersionBackup::AddLine(const QString& line) {
  Memo->appendPlainText(line);
  Memo->verticalScrollBar()->setValue(Memo->verticalScrollBar()->maximum());
  QCoreApplication::processEvents();
  repaint();
}

#include "CmBackupAuth.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>
#include <algorithm>

TClsBackupAuth::TClsBackupAuth(QWidget* owner)
    : TClsCustomDialog(owner),
      pnlBancoDados(new QGroupBox(QStringLiteral("Banco de Dados"), pnArea)),
      lblAtencao(new QLabel(QStringLiteral("ATENÇÃO!"), pnlBancoDados)),
      memExplicacao(new QPlainTextEdit(pnlBancoDados)),
      chbMakeBackup(new QCheckBox(
          QStringLiteral("Sim, desejo realizar o backup da \"Base de Dados\"."), pnlBancoDados)) {
  setObjectName(QStringLiteral("ClsBackupAuth"));
  SetCaption(QStringLiteral("Controle de Versão Banco de Dados"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  pnlBancoDados->setObjectName(QStringLiteral("pnlBancoDados"));
  lblAtencao->setObjectName(QStringLiteral("lblAtencao"));
  QFont bold = lblAtencao->font();
  bold.setBold(true);
  lblAtencao->setFont(bold);
  lblAtencao->setStyleSheet(QStringLiteral("color: red;"));
  memExplicacao->setObjectName(QStringLiteral("memExplicacao"));
  memExplicacao->setReadOnly(true);
  memExplicacao->setLineWrapMode(QPlainTextEdit::NoWrap);
  memExplicacao->setPlainText(ExplanationText());
  memExplicacao->setFocusPolicy(Qt::NoFocus);
  // Wide and tall enough for the explanation's lines as they are broken.
  const QFontMetrics fm(memExplicacao->font());
  int widest = 0;
  const QStringList lines = ExplanationText().split(u'\n');
  for (const QString& line : lines) widest = std::max(widest, fm.horizontalAdvance(line));
  memExplicacao->setFixedSize(widest + 24, fm.lineSpacing() * (lines.size() + 1) + 12);
  chbMakeBackup->setObjectName(QStringLiteral("chbMakeBackup"));
  chbMakeBackup->setChecked(true);

  auto* group = new QVBoxLayout(pnlBancoDados);
  group->addWidget(lblAtencao);
  group->addWidget(memExplicacao);
  group->addWidget(chbMakeBackup);
  auto* area = new QVBoxLayout(pnArea);
  area->setContentsMargins(8, 8, 8, 8);
  area->addWidget(pnlBancoDados);

  btnOK->setText(QStringLiteral("&Continuar"));
  btnCancel->hide();
  setTabOrder(chbMakeBackup, btnOK);
  // Closing it any way is the same answer: the box says it.
  connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::accept);
  chbMakeBackup->setFocus();
}

QString TClsBackupAuth::ExplanationText() {
  return QStringList{
      QStringLiteral("Com o objetivo de obter o máximo proveito desta nova versão, será "
                     "necessário atualizar sua \"Base de "),
      QStringLiteral("Dados\"."),
      QString(),
      QStringLiteral("Para prosseguirmos com esta atualização é de supra importância realizar "
                     "um backup de sua \"Base de "),
      QStringLiteral("Dados\"."),
      QString(),
      QStringLiteral("Caso sua empresa mantém rotinas apropriadas para backup e tiver plena "
                     "certeza que foram realizadas com "),
      QStringLiteral("êxito, você poderá seguir direto para a atualização da \"Base de Dados\" "
                     "desautorizando o backup abaixo."),
  }
      .join(u'\n');
}

#include "CmLoginConfirmUser.h"

#include "LoginRules.h"

#include "platform/Dialogs.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

void MakePasswordEdit(QLineEdit* edit) {
  edit->setEchoMode(QLineEdit::Password);
  edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));  // '*'
  edit->setMaxLength(10);
}

TClsLoginConfirmUser::TClsLoginConfirmUser(const QString& user, QWidget* owner)
    : TClsCustomDialog(owner),
      edtUsuario(new QLineEdit(user, pnArea)),
      edtPassword(new QLineEdit(pnArea)),
      edtConfirm(new QLineEdit(pnArea)) {
  setObjectName(QStringLiteral("ClsLoginConfirmUser"));
  SetCaption(QStringLiteral("Cadastrar Senha Usuário"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  edtUsuario->setObjectName(QStringLiteral("edtUsuario"));
  edtUsuario->setReadOnly(true);
  edtUsuario->setFocusPolicy(Qt::NoFocus);
  edtPassword->setObjectName(QStringLiteral("edtPassword"));
  edtConfirm->setObjectName(QStringLiteral("edtConfirm"));
  MakePasswordEdit(edtPassword);
  MakePasswordEdit(edtConfirm);
  auto* form = new QFormLayout(pnArea);
  form->setContentsMargins(12, 12, 12, 12);
  form->addRow(QStringLiteral("Usuário"), edtUsuario);
  form->addRow(QStringLiteral("Senha"), edtPassword);
  form->addRow(QStringLiteral("Confirmar Senha"), edtConfirm);
  for (QLineEdit* e : {edtUsuario, edtPassword, edtConfirm}) e->setMinimumWidth(160);
  // The buttons of the base come first in creation order; the fields go before them.
  setTabOrder(edtPassword, edtConfirm);
  setTabOrder(edtConfirm, btnOK);
  setTabOrder(btnOK, btnCancel);
  connect(btnOK, &QPushButton::clicked, this, &TClsLoginConfirmUser::btnOKClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  edtPassword->setFocus();
}

void TClsLoginConfirmUser::btnOKClick() {
  const QString problem = CheckNewPassword(edtPassword->text(), edtConfirm->text());
  if (!problem.isEmpty()) {
    pf::showMessage(problem);
    return;
  }
  Confirmed = true;
  accept();
}

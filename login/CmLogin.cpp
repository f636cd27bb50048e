#include "CmLogin.h"

#include "CmAppGlobals.h"
#include "CmDBDataModule.h"
#include "CmLoginConfirmUser.h"

#include "platform/Database.h"
#include "platform/Transaction.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

TClsLogin::TClsLogin(pf::Database* database, pf::Transaction* trMain, TCmSQLGlobals* session,
                     int moduleId, QWidget* owner)
    : TClsHintForm(owner),
      lblUser(new QLabel(QStringLiteral("Usuário:"), ClientArea())),
      edtUser(new QLineEdit(ClientArea())),
      lblPass(new QLabel(QStringLiteral("Senha:"), ClientArea())),
      edtPass(new QLineEdit(ClientArea())),
      chbRemember(new QCheckBox(QStringLiteral("Lembrar Usuário"), ClientArea())),
      btnLogin(new QPushButton(QStringLiteral("&Login"), ClientArea())),
      btnCancel(new QPushButton(QStringLiteral("&Cancelar"), ClientArea())),
      trMain_(trMain),
      moduleId_(moduleId),
      rules_(database, trMain, session, moduleId) {
  setObjectName(QStringLiteral("ClsLogin"));
  SetCaption(QStringLiteral("Login"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  lblUser->setObjectName(QStringLiteral("lblUser"));
  lblPass->setObjectName(QStringLiteral("lblPass"));
  edtUser->setObjectName(QStringLiteral("edtUser"));
  edtUser->setMaxLength(10);
  // Login names are kept upper-case: what is typed is shown that way.
  connect(edtUser, &QLineEdit::textEdited, this, [this](const QString& text) {
    const QString upper = text.toUpper();
    if (upper == text) return;
    const int cursor = edtUser->cursorPosition();
    edtUser->setText(upper.left(edtUser->maxLength()));
    edtUser->setCursorPosition(cursor);
  });
  edtPass->setObjectName(QStringLiteral("edtPass"));
  MakePasswordEdit(edtPass);
  lblUser->setBuddy(edtUser);
  lblPass->setBuddy(edtPass);
  chbRemember->setObjectName(QStringLiteral("chbRemember"));
  chbRemember->setChecked(true);
  btnLogin->setObjectName(QStringLiteral("btnLogin"));
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  for (QPushButton* b : {btnLogin, btnCancel}) b->setFixedSize(86, 24);
  for (QLineEdit* e : {edtUser, edtPass}) e->setMinimumWidth(150);

  auto* grid = new QGridLayout(ClientArea());
  grid->setContentsMargins(12, 12, 12, 8);
  grid->addWidget(lblUser, 0, 0);
  grid->addWidget(edtUser, 0, 1);
  grid->addWidget(lblPass, 1, 0);
  grid->addWidget(edtPass, 1, 1);
  grid->addWidget(chbRemember, 2, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnLogin);
  buttons->addWidget(btnCancel);
  grid->addLayout(buttons, 3, 0, 1, 2);
  SetCancelButton(btnCancel);
  connect(btnLogin, &QPushButton::clicked, this, &TClsLogin::btnLoginClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TClsLogin::showEvent(QShowEvent* event) {
  TClsHintForm::showEvent(event);
  if (event->spontaneous()) return;
  const RememberedUser remembered = LoadRememberedUser();
  chbRemember->setChecked(remembered.remember);
  if (remembered.remember) edtUser->setText(remembered.user.left(edtUser->maxLength()));
  if (!trMain_->inTransaction()) trMain_->startTransaction();
  (edtUser->text().isEmpty() ? edtUser : edtPass)->setFocus();
}

std::optional<QString> TClsLogin::askFirstPassword(const QString& user) {
  TClsLoginConfirmUser dialog(user, this);
  dialog.ShowModal();
  if (!dialog.Confirmed) return std::nullopt;
  return dialog.edtPassword->text();
}

void TClsLogin::btnLoginClick() {
  const QString user = edtUser->text();
  const bool ok = rules_.VerifyCredentials(
      user, edtPass->text(), [this](const QString& name) { return askFirstPassword(name); });
  if (ok) {
    SaveRememberedUser(user, chbRemember->isChecked());
    rules_.FillSession(user, trMain_);
    result_ = true;
    hide();
    accept();
    return;
  }
  const LoginAttempts::Outcome outcome = attempts_.record(false);
  edtPass->setFocus();
  if (outcome == LoginAttempts::Outcome::Refused) {
    result_ = false;
    reject();
  }
}

void TClsLogin::done(int result) {
  try {
    if (trMain_->inTransaction()) trMain_->commit();
  } catch (...) {
    TClsHintForm::done(result);  // the window closes all the same
    throw;
  }
  TClsHintForm::done(result);
}

bool RunLogin(TClsDBDataModule& module, const QStringList& arguments,
              const QString& connectionIni) {
  const QString ini = connectionIni.isEmpty()
                          ? QDir(QCoreApplication::applicationDirPath())
                                .filePath(QStringLiteral("connection.ini"))
                          : connectionIni;
  const QString launchName = LaunchName(ApplicationModuleId, arguments, ini);
  if (!launchName.isEmpty()) {
    LoginRules launch(module.dbMain, module.trMain, module.CmSQLGlobals, ApplicationModuleId);
    if (launch.LoginWithLaunchName(launchName)) return true;
  }
  TClsLogin window(module.dbMain, module.trMain, module.CmSQLGlobals, ApplicationModuleId);
  window.ShowModal();
  return window.Result();
}

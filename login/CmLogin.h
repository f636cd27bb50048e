#pragma once

#include "forms/CmHintForm.h"
#include "login/LoginRules.h"

#include <QStringList>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TClsDBDataModule;

// The login window: user, password, the remembered user and three attempts.
class TClsLogin final : public TClsHintForm {
  Q_OBJECT
 public:
  TClsLogin(pf::Database* database, pf::Transaction* trMain, TCmSQLGlobals* session,
            int moduleId, QWidget* owner = nullptr);

  QLabel* lblUser;
  QLineEdit* edtUser;
  QLabel* lblPass;
  QLineEdit* edtPass;
  QCheckBox* chbRemember;
  QPushButton* btnLogin;
  QPushButton* btnCancel;

  int ModuleId() const { return moduleId_; }
  int Attempts() const { return attempts_.counter(); }
  // Whether a user logged in.
  bool Result() const { return result_; }
  const LoginRules& Rules() const { return rules_; }

  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void btnLoginClick();
  std::optional<QString> askFirstPassword(const QString& user);

  pf::Transaction* trMain_;
  int moduleId_;
  LoginRules rules_;
  LoginAttempts attempts_;
  bool result_ = false;
};

// The launch argument logs its user in; without one, or when it names nobody who may
// log in, the login window asks. True when a user is logged in.
bool RunLogin(TClsDBDataModule& module, const QStringList& arguments,
              const QString& connectionIni = QString());

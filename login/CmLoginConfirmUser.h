#pragma once

#include "forms/CmCustomDialog.h"

class QLineEdit;

// The first password of a user whose stored password is blank, typed twice.
class TClsLoginConfirmUser final : public TClsCustomDialog {
  Q_OBJECT
 public:
  explicit TClsLoginConfirmUser(const QString& user, QWidget* owner = nullptr);

  QLineEdit* edtUsuario;
  QLineEdit* edtPassword;
  QLineEdit* edtConfirm;
  bool Confirmed = false;

 private:
  void btnOKClick();
};

// Masks a password field with "*" and limits it to 10 characters.
void MakePasswordEdit(QLineEdit* edit);

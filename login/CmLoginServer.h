#pragma once

#include "forms/CmHintForm.h"
#include "login/ServerSelection.h"

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class TClsDBDataModule;

// What the database-creation dialog reports once it closes.
struct TCreatedDatabase {
  bool Created = false;
  QString ServerName;
  QString FileName;
};

// The server window: the database name to connect to, or a new database.
class TClsLoginServer final : public TClsHintForm {
  Q_OBJECT
 public:
  explicit TClsLoginServer(ServerSelectionRules& rules, QWidget* owner = nullptr);

  QLabel* lblServidor;
  QLabel* lblServerName;
  QLabel* lblEdtServidor;
  QLineEdit* edtServidor;
  QPushButton* btCreateDB;
  QPushButton* btConectar;
  QPushButton* btCancelar;

  // Opens the database-creation dialog modally.
  std::function<TCreatedDatabase(QWidget* owner)> CreateDataBase;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void btConectarClick();
  void btCreateDBClick();

  ServerSelectionRules& rules_;
};

struct TServerSelectionHooks {
  // The check of the version object made from VersionClass for a database name; empty:
  // the version module's own CheckVersion.
  std::function<bool(QObject* version, const QString& databaseName)> CheckVersion;
  std::function<TCreatedDatabase(QWidget* owner)> CreateDataBase;
  // Empty: connection.ini beside the program.
  QString ConnectionIni;
};

// The database-creation dialog on the program's version module.
TCreatedDatabase OpenCreateDataBase(QWidget* owner);

// Connects dbMain to the stored database or to one the user names; true when it is
// connected.
bool SelectServer(TClsDBDataModule& module, const TServerSelectionHooks& hooks = {});

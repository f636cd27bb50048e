#pragma once
// Creating a new, empty database for the suite at the program's level.

#include "CmCustomVersion.h"

#include <QObject>
#include <QString>

#include <functional>

// Makes an instance of the program's version module, owned by `owner`.
using TCustomVersionFactory = std::function<TClsCustomVersion*(QObject* owner)>;

// Creates `databaseName` ("server:path" or a local path) with the administrator
// account and runs every script of the version module on it. Server and script
// errors propagate.
bool CreateNewDatabase(const QString& databaseName, const TCustomVersionFactory& versionClass);
// The dialog's form: server name, ":" and file.
bool CreateNewDatabase(const QString& serverName, const QString& fileName,
                       const TCustomVersionFactory& versionClass);

#include "forms/CmCustomDialog.h"

class QLabel;
class QLineEdit;

// The dialog that creates a new database on a server and brings it to the program's
// level at once.
class TClsCreateDataBase final : public TClsCustomDialog {
  Q_OBJECT
 public:
  explicit TClsCreateDataBase(TCustomVersionFactory versionClass, QWidget* owner = nullptr);

  QLabel* lblServerName;
  QLineEdit* edtServerName;
  QLabel* lblFile;
  QLineEdit* edtFile;

  bool Created = false;

  bool CreateNewDatabase();
  // "&Criar"; server and script errors are not caught here.
  void btnCriarClick();

 private:
  TCustomVersionFactory versionClass_;
};

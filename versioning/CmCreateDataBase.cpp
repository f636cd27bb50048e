#include "CmCreateDataBase.h"

#include "data/CmDatabase.h"

#include <QCursor>
#include <QGuiApplication>

#include <memory>

bool CreateNewDatabase(const QString& databaseName, const TCustomVersionFactory& versionClass) {
  const bool cursor = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
  if (cursor) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  struct Restore {
    bool on;
    ~Restore() {
      if (on) QGuiApplication::restoreOverrideCursor();
    }
  } restore{cursor};

  std::unique_ptr<TClsCustomVersion> version(versionClass(nullptr));
  {
    TCmDatabase db;
    db.setDatabaseName(databaseName);
    db.setSqlDialect(3);
    db.setParams({QStringLiteral("USER 'SYSDBA'"),
                  QStringLiteral("PASSWORD 'hushvault'"), QStringLiteral("PAGE_SIZE 4096")});
    db.createDatabase();
    db.close();
  }
  return version->RunAllScripts(databaseName);
}

bool CreateNewDatabase(const QString& serverName, const QString& fileName,
                       const TCustomVersionFactory& versionClass) {
  return CreateNewDatabase(serverName + u':' + fileName, versionClass);
}

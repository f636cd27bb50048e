#include "ServerSelection.h"

#include <QCursor>
#include <QGuiApplication>

#include "platform/BusyCursor.h"
#include "platform/Database.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"

namespace {

const QString kSection = QStringLiteral("CONNECTION");
const QString kKey = QStringLiteral("DATABASENAME");

}  // namespace

ServerSelectionRules::ServerSelectionRules(pf::Database* dbMain, QString connectionIni)
    : dbMain_(dbMain), connectionIni_(std::move(connectionIni)) {}

QString ServerSelectionRules::ReadDatabaseName() const {
  try {
    return pf::IniFile(connectionIni_).readString(kSection, kKey);
  } catch (...) {
    return {};
  }
}

void ServerSelectionRules::WriteDatabaseName(const QString& name) const {
  try {
    pf::IniFile(connectionIni_).writeString(kSection, kKey, name);
  } catch (...) {
  }
}

bool ServerSelectionRules::askRetry() const {
  return pf::messageBox(
             QStringLiteral("Não foi possível conectar o banco de dados, deseja tentar novamente?"),
             QStringLiteral("Confirmar"), pf::MsgKind::Confirmation,
             {pf::MsgButton::Yes, pf::MsgButton::No}, pf::MsgButton::No) == pf::MsgButton::Yes;
}

bool ServerSelectionRules::SelectServer() {
  const QString name = ReadDatabaseName();
  if (!name.isEmpty()) {
    if (!ConnectTo(name) && askRetry() && showWindow) showWindow();
  } else if (showWindow) {
    showWindow();
  }
  return dbMain_->connected();
}

bool ServerSelectionRules::RunVersionCheck() {
  pf::BusyCursor busy;
  return versionCheck ? versionCheck(dbMain_->databaseName()) : true;
}

bool ServerSelectionRules::ConnectTo(const QString& name) {
  if (name.trimmed().isEmpty()) {
    pf::showMessage(QStringLiteral("Digite o Servidor."));
    return false;
  }
  bool connected = false;
  try {
    dbMain_->setDatabaseName(name);  // as typed
    if (!RunVersionCheck()) return false;
    dbMain_->open();
    connected = dbMain_->connected();
  } catch (...) {
    // Client errors are not shown here; the version check shows its own messages.
    connected = dbMain_->connected();
  }
  if (connected) WriteDatabaseName(name);
  return connected;
}

bool ServerSelectionRules::Conectar(const QString& typed) {
  if (ConnectTo(typed)) return true;
  return !askRetry();
}

#include "app/AcessosParts.h"
#include "app/AcessosShell.h"
#include "app/dtmUserVersion.h"
#include "login/CmLogin.h"
#include "login/CmLoginServer.h"

#include <QCoreApplication>

int main(int argc, char* argv[]) {
  TStartupParts parts;
  parts.versionClass = [](QObject* owner) -> QObject* { return CreateUserVersion(owner); };
  parts.selectServer = [](TClsDBDataModule& module) { return SelectServer(module); };
  parts.runLogin = [](TClsDBDataModule& module) {
    return RunLogin(module, QCoreApplication::arguments());
  };
  AddAcessosWindows(parts);
  return RunAcessos(argc, argv, std::move(parts));
}

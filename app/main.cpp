#include "app/AcessosShell.h"
#include "app/MainMenu.h"
#include "app/dtmSenha.h"

int main(int argc, char* argv[]) {
  TStartupParts parts;
  parts.createMainForm = [] { return new TfrmMainForm; };
  parts.createUserDataModule = [] { return TClsDataModule::Create<TdmSenha>().release(); };
  return RunAcessos(argc, argv, std::move(parts));
}

#include "AcessosParts.h"

#include "MainMenu.h"
#include "dtmSenha.h"

void AddAcessosWindows(TStartupParts& parts) {
  parts.createMainForm = [] { return new TfrmMainForm; };
  parts.createUserDataModule = [] { return TClsDataModule::Create<TdmSenha>().release(); };
}

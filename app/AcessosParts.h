#pragma once
// The program's own windows and data module, as start-up creates them after the login.

#include "app/AcessosShell.h"

// Sets createMainForm (TfrmMainForm) and createUserDataModule (TdmSenha).
void AddAcessosWindows(TStartupParts& parts);

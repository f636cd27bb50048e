#pragma once
// The user data module: the users the main window lists and the editor edits, and
// each user's module memberships.

#include "login/CmDataModule.h"

#include "data/CmDataSet.h"
#include "data/CmDataSource.h"

namespace pf {
class Field;
class Transaction;
}  // namespace pf

class TdmSenha final : public TClsDataModule {
  Q_OBJECT
 public:
  explicit TdmSenha(QObject* owner = nullptr);
  ~TdmSenha() override;

  TCmDataSet* const USUARIO;
  TCmDataSource* const dsUSUARIO;
  TCmDataSet* const USUARIO_MODULO;
  TCmDataSource* const dsUSUARIO_MODULO;

  pf::Field* const USUARIOID;
  pf::Field* const USUARIOUSUARIO;
  pf::Field* const USUARIOSENHA;
  pf::Field* const USUARIOPRIMEIRO_NOME;
  pf::Field* const USUARIOULTIMO_NOME;
  pf::Field* const USUARIOOBSERVACAO;
  pf::Field* const USUARIOSUPERVISOR;
  pf::Field* const USUARIOSUPERVISORID;
  pf::Field* const USUARIOEMAIL;
  pf::Field* const USUARIOcalcSUPERVISOR;
  pf::Field* const USUARIODESATIVADO;
  pf::Field* const USUARIO_MODULOUSUARIOID;
  pf::Field* const USUARIO_MODULOMODULOID;

 protected:
  // Also puts the datasets in the database module's trMain.
  void BindDataSets(pf::Database* database, TCmSQLGlobals* globals) override;
};

// The instance while it exists.
extern TdmSenha* dmSenha;

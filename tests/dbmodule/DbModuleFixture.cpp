#include "DbModuleFixture.h"

#include "platform/Database.h"
#include "platform/Errors.h"

#include "data/CmSQLGlobals.h"

namespace dbmodule_test {

QApplication& application() {
  static int argc = 1;
  static char name[] = "dbmodule_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

QStringList schemaStatements() {
  return {
      "create table USUARIO (ID integer not null primary key, USUARIO varchar(10), "
      "SENHA varchar(32), PRIMEIRO_NOME varchar(30), ULTIMO_NOME varchar(30), "
      "OBSERVACAO varchar(255), SUPERVISOR char(1), SUPERVISORID integer, "
      "EMAIL varchar(100), DESATIVADO char(1))",
      "insert into USUARIO (ID, USUARIO, SUPERVISOR, SUPERVISORID) values (1, 'ADMIN', 'T', 0)",
      "create generator GEN_USUARIO_LOG_ID",
      "create table USUARIO_LOG (ID integer not null primary key, USUARIOID integer "
      "references USUARIO (ID) on update cascade on delete cascade, MODULOID integer, "
      "DATA date, HORA time, TABLEID integer, FORMNAME varchar(128), TELA varchar(255), "
      "LOG varchar(255))",
      "create index IXC_USUARIO_LOG_01 on USUARIO_LOG (FORMNAME, TABLEID, DATA, HORA)",
      "create trigger USUARIO_LOG_BI for USUARIO_LOG before insert as begin "
      "if (new.ID is null) then new.ID = gen_id(GEN_USUARIO_LOG_ID, 1); "
      "new.DATA = current_date; new.HORA = current_time; end",
      "create generator GEN_PARAMETROS_ID",
      "create table PARAMETROS (ID integer not null primary key, APELIDO varchar(8), "
      "ANO smallint, MES smallint, USUARIO varchar(10), MODULO varchar(20), "
      "PARAMETRO varchar(20), VALOR varchar(100))",
      "create trigger PARAMETROS_BI for PARAMETROS before insert as begin "
      "if (new.ID is null) then new.ID = gen_id(GEN_PARAMETROS_ID, 1); end",
      "create procedure SETPARAMS (APELIDO varchar(8), USUARIO varchar(10), "
      "MODULO varchar(20), PARAMETRO varchar(20), ANO smallint, MES smallint, "
      "VALOR varchar(100)) as begin "
      "if (APELIDO = '') then APELIDO = null; "
      "update PARAMETROS P set P.VALOR = :VALOR where "
      "(P.APELIDO = :APELIDO or (P.APELIDO is null and :APELIDO is null)) and "
      "P.USUARIO = :USUARIO and P.MODULO = :MODULO and P.PARAMETRO = :PARAMETRO and "
      "P.ANO = :ANO and P.MES = :MES; "
      "if (row_count = 0) then insert into PARAMETROS "
      "(APELIDO, ANO, MES, USUARIO, MODULO, PARAMETRO, VALOR) values "
      "(:APELIDO, :ANO, :MES, :USUARIO, :MODULO, :PARAMETRO, :VALOR); end",
      "create procedure GETPARAMS (APELIDO varchar(8), USUARIO varchar(10), "
      "MODULO varchar(20), PARAMETRO varchar(20), ANO smallint, MES smallint) "
      "returns (VALOR varchar(100)) as begin "
      "if (APELIDO = '') then APELIDO = null; VALOR = null; "
      "select first 1 P.VALOR from PARAMETROS P where "
      "(P.APELIDO = :APELIDO or (P.APELIDO is null and :APELIDO is null)) and "
      "P.USUARIO = :USUARIO and P.MODULO = :MODULO and P.PARAMETRO = :PARAMETRO and "
      "P.ANO = :ANO and P.MES = :MES into :VALOR; end",
  };
}

std::unique_ptr<TClsDBDataModule> connectedModule(const testing_support::TempDatabase& db,
                                                  const QString& logRoot) {
  TConnectSteps steps;
  const QString name = db.name();
  steps.SelectServer = [name](TClsDBDataModule& m) {
    m.dbMain->setDatabaseName(name);
    m.dbMain->open();
    return m.dbMain->connected();
  };
  steps.RunLogin = [](TClsDBDataModule& m) {
    m.CmSQLGlobals->Usuario = QStringLiteral("ADMIN");
    m.CmSQLGlobals->UsuarioID = 1;
    m.CmSQLGlobals->ModuloID = 3;
    return true;
  };
  auto module = TClsDataModule::Create<TClsDBDataModule>(nullptr, steps);
  module->LogRoot = logRoot;
  return module;
}

pf::DatabaseError databaseError(const QString& message, int sqlCode) {
  return pf::DatabaseError(message, sqlCode, 335544665L, QStringLiteral("23000"), {335544665L});
}

}  // namespace dbmodule_test

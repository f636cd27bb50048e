#pragma once
// A throw-away database with the user table, shared by the tests of one suite.

#include "support/TestDb.h"

#include "data/CmDataSet.h"

#include <QStringList>

#include <memory>

namespace evaluate_tests {

// ADMIN (1, answers to himself) ─┬─ SUP1 (2, supervisor) ── BETO (3)
//                                └─ SOZINHO (4, supervisor without subordinates)
inline QStringList userTableStatements() {
  return {
      "create table USUARIO (ID integer not null primary key, USUARIO varchar(10), "
      "SENHA varchar(32), PRIMEIRO_NOME varchar(20), ULTIMO_NOME varchar(20), "
      "OBSERVACAO varchar(255), SUPERVISOR char(1), SUPERVISORID integer, "
      "EMAIL varchar(128), DESATIVADO char(1))",
      "insert into USUARIO values (1, 'ADMIN', '', 'Administrador', 'Sistema', null, 'T', 1, "
      "null, null)",
      "insert into USUARIO values (2, 'SUP1', '', 'Sara', 'Um', null, 'T', 1, null, 'F')",
      "insert into USUARIO values (3, 'BETO', '', 'Beto', 'B', null, 'F', 2, null, 'F')",
      "insert into USUARIO values (4, 'SOZINHO', '', 'So', 'Zinho', null, 'T', 1, null, 'F')",
  };
}

// The user table's records, editable, open on `transaction` (null: the default one).
inline std::unique_ptr<TCmDataSet> openUsers(pf::Database* db,
                                            pf::Transaction* transaction = nullptr) {
  auto ds = std::make_unique<TCmDataSet>();
  ds->setDatabase(db);
  if (transaction) ds->setTransaction(transaction);
  ds->setSelectSql(QStringLiteral("select * from USUARIO order by ID"));
  ds->setInsertSql(QStringLiteral(
      "insert into USUARIO (ID, USUARIO, PRIMEIRO_NOME, ULTIMO_NOME, SUPERVISOR, SUPERVISORID, "
      "DESATIVADO) values (:ID, :USUARIO, :PRIMEIRO_NOME, :ULTIMO_NOME, :SUPERVISOR, "
      ":SUPERVISORID, :DESATIVADO)"));
  ds->setModifySql(QStringLiteral(
      "update USUARIO set USUARIO = :USUARIO, PRIMEIRO_NOME = :PRIMEIRO_NOME, "
      "ULTIMO_NOME = :ULTIMO_NOME, SUPERVISOR = :SUPERVISOR, DESATIVADO = :DESATIVADO "
      "where ID = :OLD_ID"));
  ds->open();
  return ds;
}

}  // namespace evaluate_tests

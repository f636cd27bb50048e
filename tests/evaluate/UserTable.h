#pragma once
// A throw-away database with the user table, shared by the tests of one suite.

#include <QStringList>
#include <memory>

#include "data/CmDataSet.h"
#include "support/TestDb.h"
#include "support/UserTables.h"

#include <gtest/gtest.h>

namespace evaluate_tests {

// ADMIN (1, answers to himself) ─┬─ SUP1 (2, supervisor) ── BETO (3)
//                                └─ SOZINHO (4, supervisor without subordinates)
inline QStringList userTableStatements() {
  return {
      testing_support::usuarioTable(),
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

// One user database for a whole suite; each test connects afresh and opens the users.
class UserDatabaseTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    tmp_ = new testing_support::TempDatabase;
    tmp_->exec(userTableStatements());
  }
  static void TearDownTestSuite() {
    delete tmp_;
    tmp_ = nullptr;
  }
  void SetUp() override {
    db_ = tmp_->connect();
    users_ = openUsers(db_.get());
  }
  void TearDown() override {
    users_.reset();
    db_.reset();
  }

  static inline testing_support::TempDatabase* tmp_ = nullptr;
  std::unique_ptr<pf::Database> db_;
  std::unique_ptr<TCmDataSet> users_;
};

}  // namespace evaluate_tests

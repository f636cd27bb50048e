#include "data/CmIBSQL.h"

#include "support/TestDb.h"

#include "platform/Errors.h"

#include <gtest/gtest.h>

TEST(ExecuteProcedure, Texts) {
  struct Case {
    QString name;
    QVariantList values;
    QString text;
  } cases[] = {
      {"GETPARAMS", {QString(), "ADMIN", "CADASTRO", "LAYOUT", 0, 0},
       "Execute Procedure GETPARAMS\r ('', 'ADMIN', 'CADASTRO', 'LAYOUT', '0', '0')"},
      {"P", {"v"}, "Execute Procedure P\r ('v')"},
      {"P", {"O'Brien"}, "Execute Procedure P\r ('O''Brien')"},
      {"P", {1.5, true}, "Execute Procedure P\r ('1.5', 'True')"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TCmIBSQL::ProcedureText(c.name, c.values), c.text) << c.text.toStdString();
  EXPECT_THROW(TCmIBSQL::ProcedureText("P", {}), pf::Error);
}

TEST(ExecuteProcedure, RunsAndReadsOutputValues) {
  testing_support::TempDatabase tmp;
  tmp.exec({"create procedure ECO (A varchar(30), B integer) returns (VALOR varchar(40)) "
            "as begin VALOR = A || '/' || B; end"});
  auto db = tmp.connect();
  TCmIBSQL sql;
  sql.setDatabase(db.get());
  sql.ExecuteProcedure("ECO", {"O'Brien: ação", 7});
  EXPECT_EQ(sql.fieldByName("VALOR").asString(), QStringLiteral("O'Brien: ação/7"));
  sql.ExecSQL("select count(*) from rdb$database");
  EXPECT_EQ(sql.field(0).asInteger(), 1);
}

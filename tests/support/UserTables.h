#pragma once
// The user table as the schema scripts define it, for fixtures that seed their own rows
// (column order as created, so positional inserts line up).

#include <QString>

namespace testing_support {

inline QString usuarioTable() {
  return QStringLiteral(
      "create table USUARIO (ID integer not null primary key, USUARIO varchar(10), "
      "SENHA varchar(32), PRIMEIRO_NOME varchar(20), ULTIMO_NOME varchar(20), "
      "OBSERVACAO varchar(255), SUPERVISOR char(1), SUPERVISORID integer, "
      "EMAIL varchar(128), DESATIVADO char(1))");
}

}  // namespace testing_support

#pragma once

#include "platform/Sql.h"

#include <QVariantList>

// The framework's single-statement object: a statement with one-call execution of
// a text and of a stored procedure.
class TCmIBSQL : public pf::Sql {
  Q_OBJECT
 public:
  using pf::Sql::Sql;

  // Closes, replaces the text, prepares and executes. A result row stays readable
  // until the next close.
  void ExecSQL(const QString& text);
  // Runs "Execute Procedure NAME" with every value as a quoted string literal.
  void ExecuteProcedure(const QString& name, const QVariantList& values);

  static QString ProcedureText(const QString& name, const QVariantList& values);
};

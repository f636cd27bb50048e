#pragma once
// The user-defined part of a database's catalogue as comparable text lines.

#include "platform/Database.h"
#include "platform/Transaction.h"

#include <QStringList>

#include <ostream>

// Readable test output for texts.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace schema_test {

// "TABLE T: A integer not null, B varchar(10)", "INDEX ...", "CONSTRAINT ...",
// "GENERATOR ...", "TRIGGER ...", "PROCEDURE ...", "FUNCTION ..."; sorted by kind.
QStringList catalogue(pf::Database& db);

// The first column of every row of `sql`, as text; in `tr` when given, otherwise in a
// transaction of its own.
QStringList column(pf::Database& db, const QString& sql, pf::Transaction* tr = nullptr);
QString scalar(pf::Database& db, const QString& sql, pf::Transaction* tr = nullptr);

}  // namespace schema_test

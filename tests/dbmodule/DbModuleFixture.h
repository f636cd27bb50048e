#pragma once
// A database module on a throw-away database that holds the tables and procedures the
// module writes to, with a fixed clock and its logs in a temporary folder.

#include "login/CmDBDataModule.h"
#include "platform/Errors.h"

#include "support/ScriptedDialogs.h"
#include "support/TestDb.h"

#include <QApplication>
#include <QDateTime>
#include <QTemporaryDir>

#include <memory>

namespace dbmodule_test {

QApplication& application();

// DDL of the user, audit and parameter tables and of the two parameter procedures.
QStringList schemaStatements();

// A module whose server selection opens the given database and whose login fills the
// session with user 1 of module 3.
std::unique_ptr<TClsDBDataModule> connectedModule(const testing_support::TempDatabase& db,
                                                  const QString& logRoot);

pf::DatabaseError databaseError(const QString& message, int sqlCode = -803);

}  // namespace dbmodule_test

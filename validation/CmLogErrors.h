#pragma once
// The records of the errors that reached the program's exception handler. The database
// module keeps them for the run and writes them to its logs; the database error dialog
// reads the list of database errors.

#include <QDateTime>
#include <QString>

#include <vector>

// One exception that was not a database error.
struct TLogError {
  QString Message;
  QDateTime DateTime;
  QString ComputerName;  // empty when the workstation's name cannot be read
  bool Written = false;  // already in an exception log file
};

// One database error.
struct TLogErrorDataBase {
  qint32 SQLCode = 0;
  QString Message;
  QDateTime DateTime;
  QString ServerName;  // dbMain's database name at that moment
  QString ComputerName;
  bool Written = false;  // already in a DBA log file
};

// Oldest first; entries are only ever appended during a run.
using TLogErrorList = std::vector<TLogError>;
using TLogErrorDataBaseList = std::vector<TLogErrorDataBase>;

#pragma once

#include "login/CmDataModule.h"
#include "validation/CmLogErrors.h"

#include <QDateTime>
#include <QPointer>
#include <QString>

#include <exception>
#include <functional>

class TClsErrorHandler;
class TCmIBSQL;
class TCmSQLGlobals;
namespace pf {
class Database;
class Transaction;
}  // namespace pf

class TClsDBDataModule;

// Server selection and login as the database module runs them during its construction.
struct TConnectSteps {
  // Reads the database name, runs the version check and connects dbMain; answers
  // whether dbMain is connected.
  std::function<bool(TClsDBDataModule&)> SelectServer;
  // Answers whether a user is logged in; fills the session.
  std::function<bool(TClsDBDataModule&)> RunLogin;
  // Told when either step fails: the main window must not be shown and the program
  // ends.
  std::function<void()> AbortApplication;
};

// The one shared home of the connection, its transactions and the session, and the
// program's top-level error handling with its logs.
class TClsDBDataModule final : public TClsDataModule {
  Q_OBJECT
 public:
  explicit TClsDBDataModule(QObject* owner = nullptr, TConnectSteps steps = {});
  ~TClsDBDataModule() override;

  // ClsDBDataModule: the instance while it exists.
  static TClsDBDataModule* Instance();

  void AfterConstruction() override;
  void AttachDataSets() override;

  pf::Database* const dbMain;
  pf::Transaction* const trMain;
  TCmSQLGlobals* const CmSQLGlobals;
  pf::Transaction* const trPARAMETROS;
  TCmIBSQL* const PARAMETROS;
  pf::Transaction* const trIBSQLLOG;
  TCmIBSQL* const IBSQLLOG;

  // Server selection, then the login; false when either failed.
  bool ConnectAndLogin();
  bool LoggedIn() const { return loggedIn_; }

  // A per-user parameter; the empty text when none is stored, the one-character text
  // of byte 255 when it cannot be read.
  QString GetParam(const QString& key, const QString& user, const QString& module);
  bool SetParam(const QString& key, const QString& value, const QString& user,
                const QString& module);
  // One audit row. Without a transaction it runs in trIBSQLLOG and commits it.
  void WriteUserLog(pf::Transaction* transaction, const QString& screenTitle,
                    const QString& formName, const QString& logText, int recordId);

  // Records, logs and shows an exception that reached the event loop. Never throws.
  void HandleApplicationException(std::exception_ptr error) noexcept;

  void AddException(const TLogError& entry);
  void AddDatabaseError(const TLogErrorDataBase& entry);
  // Write the entries not written yet; throw pf::Error when the log cannot be written.
  void WriteExceptionLog();
  void WriteDatabaseErrorLog();

  const TLogErrorList& Exceptions() const { return exceptions_; }
  const TLogErrorDataBaseList& DatabaseErrors() const { return databaseErrors_; }

  // The folder that holds the Log folder: the program's own unless set.
  QString LogRoot;
  // The clock of the logs; the local time unless set.
  std::function<QDateTime()> Now;

  QString ExceptionLogFolder() const;
  QString DatabaseLogFolder() const;
  // The workstation's name, empty when it cannot be read.
  static QString ComputerName();
  // The captions of the program's open windows, each followed by "|".
  static QString OpenFormsText();
  // A date-time as the logs write it: short date, a blank, long time.
  static QString DateTimeText(const QDateTime& value);

 private:
  QDateTime now() const;
  QString logFileName() const;
  void showDatabaseErrors();
  void showException(const QString& message);

  TConnectSteps steps_;
  TLogErrorList exceptions_;
  TLogErrorDataBaseList databaseErrors_;
  bool loggedIn_ = false;
  bool displaying_ = false;
  QPointer<TClsErrorHandler> errorDialog_;
};

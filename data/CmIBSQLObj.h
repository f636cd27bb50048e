#pragma once
// Runs a multi-statement script written for the interactive SQL tool against one
// database, routing each statement to the transaction its kind needs.

#include "platform/Database.h"
#include "platform/Sql.h"
#include "platform/Transaction.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

// Why a script stopped.
enum TISQLExceptionKind {
  eiSetup = 0,        // statements and transactions could not be set up
  eiDialect = 1,      // SET SQL DIALECT could not be applied
  eiInput = 2,        // an INPUT file could not be read
  eiParse = 3,        // the script or a CREATE DATABASE / CONNECT could not be parsed
  eiCreate = 4,       // CREATE DATABASE failed
  eiConnect = 5,      // CONNECT failed, or the old connection would not close
  eiPrepare = 6,      // no connection, or the server rejected the statement
  eiCommit = 7,
  eiRollback = 8,
  eiDDL = 9,
  eiDML = 10,         // INSERT, UPDATE or DELETE
  eiQuery = 11,       // query or procedure call
  eiStatistics = 12,
};

// Where the failure came from.
constexpr int kISQLSourceDatabase = 48;
constexpr int kISQLSourceFile = 61;

class EISQLException : public std::runtime_error {
 public:
  EISQLException(int kind, const QString& message, int source, const QString& statement);
  const QString& Message() const { return message_; }
  int Kind() const { return kind_; }
  int Source() const { return source_; }
  const QString& Statement() const { return statement_; }

 private:
  QString message_;
  int kind_;
  int source_;
  QString statement_;
};

// Event and object codes of OnISQLEvent.
enum TISQLEvent {
  evDrop = 0, evAlter = 1, evConnect = 2, evCreate = 3, evTransactionEnd = 4, evOther = 5,
  evDialect = 6, evRowsAffected = 7, evAutoDDL = 8,
};
enum TISQLObject {
  obTable = 0, obTrigger = 1, obProcedure = 2, obDomain = 3, obFilter = 4, obExternal = 5,
  obException = 6, obDatabase = 7, obOther = 8, obView = 9, obRole = 10, obGenerator = 11,
  obDialect1 = 12, obDialect2 = 13, obDialect3 = 14, obAutoDDL = 15,
};

// The process-wide settings table of the script tool; every new runner resets it.
struct TISQLSetting {
  QString Name;
  QVariant Value;
};
std::vector<TISQLSetting>& ISQLSettings();
void ResetISQLSettings();
QVariant ISQLSetting(const QString& name);
void SetISQLSetting(const QString& name, const QVariant& value);

class TCmIBSQLObj : public QObject {
  Q_OBJECT
 public:
  using ISQLEvent =
      std::function<void(int event, int subEvent, const QVariant& data, pf::Database* db)>;

  explicit TCmIBSQLObj(QObject* owner = nullptr);
  ~TCmIBSQLObj() override;

  int DefaultTransIDX() const { return defaultTransIdx_; }
  void setDefaultTransIDX(int index) { defaultTransIdx_ = index; }
  int DDLTransIDX() const { return ddlTransIdx_; }
  void setDDLTransIDX(int index) { ddlTransIdx_ = index; }
  bool AutoDDL() const { return autoDDL_; }
  void setAutoDDL(bool value) { autoDDL_ = value; }
  const QStringList& Query() const { return query_; }
  void setQuery(const QStringList& lines) { query_ = lines; }
  pf::Database* Database() const { return database_.data(); }
  void setDatabase(pf::Database* database) { database_ = database; }
  // When set, queries are opened in it and data changes use its transaction.
  pf::Sql* Dataset() const { return dataset_.data(); }
  void setDataset(pf::Sql* dataset) { dataset_ = dataset; }
  // Index of the last parsed statement (-1 before a run).
  int Statements() const { return static_cast<int>(parsed_.size()) - 1; }
  bool Statistics() const { return statistics_; }
  void setStatistics(bool value) { statistics_ = value; }
  const QStringList& StatisticsList() const { return statisticsList_; }

  std::function<void(const QString&)> OnDataOutput;
  ISQLEvent OnISQLEvent;
  std::function<void()> OnQueryProgress;

  // Runs Query against Database; throws EISQLException on the first failure.
  void Execute();

  // Splits script lines into statements; throws EISQLException (kind 3) on an open
  // comment at the end.
  static QStringList ParseScript(const QStringList& lines, const QString& terminator);

  // Results of the last statement.
  const QString& Plan() const { return plan_; }
  qint64 RecordsFetched() const { return records_; }
  qint64 PrepareMs() const { return prepareMs_; }
  qint64 ExecuteMs() const { return executeMs_; }
  qint64 StartingMemory() const { return startMemory_; }
  qint64 CurrentMemory() const { return currentMemory_; }
  qint64 Buffers() const { return buffers_; }
  qint64 Reads() const { return reads_; }
  qint64 Writes() const { return writes_; }
  // The run's tool switches (COUNT, ECHO, LIST, PLAN, STATS, TIME) and output request.
  bool Switch(const QString& name) const;
  bool OutputRequested() const { return output_; }
  const QString& CharacterSet() const { return charset_; }
  int SqlDialect() const { return dialect_; }

 private:
  void setUpStatements();
  void releaseRun();
  void runStatement(const QString& text);
  void runInput(const QString& statement);
  void runSql(const QString& text);
  void createDatabase(const QString& text);
  void connectDatabase(const QString& text);
  void closeForReconnect();
  void newTransactions();
  // Starts the statement's transaction if needed, then prepares and executes, timed.
  void prepareAndExecute(pf::Sql& sql, const QString& text);
  void runQuery(const QString& text);
  void runDml(const QString& text);
  void runDdl(const QString& text);
  void endTransactions(bool commit);
  void fire(int event, int subEvent, const QVariant& data);
  void beginStatistics();
  void endStatistics();
  void writeStatistics();
  pf::Transaction* mainTransaction() const;
  pf::Transaction* transactionAt(int index) const;

  int defaultTransIdx_ = 0;
  int ddlTransIdx_ = 0;
  bool autoDDL_ = true;
  QStringList query_;
  QPointer<pf::Database> database_;
  QPointer<pf::Sql> dataset_;
  bool statistics_ = false;
  QStringList statisticsList_;

  // One run.
  QStringList parsed_;
  QString charset_;
  int dialect_ = 3;
  QString lastDatabaseName_;  // of the run's last CREATE DATABASE or CONNECT
  std::vector<std::pair<QString, bool>> switches_;
  bool output_ = false;
  std::unique_ptr<pf::Sql> main_;
  std::unique_ptr<pf::Sql> ddl_;
  std::unique_ptr<pf::Sql> probe_;
  std::unique_ptr<pf::Transaction> private_;
  std::vector<std::unique_ptr<pf::Transaction>> created_;  // by CREATE DATABASE / CONNECT

  QString plan_;
  qint64 records_ = 0;
  qint64 prepareMs_ = 0;
  qint64 executeMs_ = 0;
  qint64 startMemory_ = 0;
  qint64 currentMemory_ = 0;
  qint64 buffers_ = 0;
  qint64 reads_ = 0;
  qint64 writes_ = 0;
  QElapsedTimer clock_;
};

#include "CmDBDataModule.h"

#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QSysInfo>
#include <algorithm>

#include "data/CmIBSQL.h"
#include "data/CmSQLGlobals.h"
#include "login/CmAppGlobals.h"
#include "platform/Database.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/FormatSettings.h"
#include "platform/IniFile.h"
#include "platform/Transaction.h"
#include "validation/CmErrorHandler.h"

namespace {

QPointer<TClsDBDataModule>& instance() {
  static QPointer<TClsDBDataModule> module;
  return module;
}

QStringList transactionParams() { return pf::Transaction::readCommittedParams(); }

pf::Transaction* makeTransaction(const QString& name, pf::Database* database, QObject* owner) {
  auto* transaction = new pf::Transaction(owner);
  transaction->setObjectName(name);
  transaction->setParams(transactionParams());
  transaction->setDefaultDatabase(database);
  transaction->setDefaultAction(pf::TransactionAction::RollbackRetaining);
  transaction->setAutoStopAction(pf::AutoStopAction::CommitRetaining);
  return transaction;
}

pf::Database* makeDatabase(QObject* owner) {
  auto* database = new pf::Database(owner);
  database->setObjectName(QStringLiteral("dbMain"));
  database->setSqlDialect(3);
  database->setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=hushvault")});
  return database;
}

TCmIBSQL* makeStatement(const QString& name, pf::Database* database, pf::Transaction* transaction,
                        QObject* owner) {
  auto* sql = new TCmIBSQL(owner);
  sql->setObjectName(name);
  sql->setDatabase(database);
  sql->setTransaction(transaction);
  return sql;
}

TCmSQLGlobals* makeGlobals(QObject* owner) {
  auto* globals = new TCmSQLGlobals(owner);
  globals->setObjectName(QStringLiteral("CmSQLGlobals"));
  globals->DataAtual().setMascara(QStringLiteral("dd/mm/yyyy"));
  globals->IsSupervisor = false;
  globals->UsuarioID = 0;
  globals->ModuloID = 0;
  return globals;
}

// Only the letters a to z change; stored keys were written that way.
QString upperAscii(QString text) {
  for (QChar& c : text)
    if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - 32);
  return text;
}

// The text no stored value can be: a failure to read a parameter.
QString unreadableParam() { return QString(QChar(0xFF)); }

// A message box taller than the screen would hide its button.
QString displayText(const QString& message) {
  constexpr qsizetype kMaxShown = 4000;
  if (message.size() <= kMaxShown) return message;
  return message.left(kMaxShown) + QStringLiteral("...");
}

void warnLogFailure(const char* what) {
  qWarning("%s: %s", what, qUtf8Printable(exceptionMessage(std::current_exception())));
}

// Clears a flag on every way out of a scope.
class FlagGuard {
 public:
  explicit FlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagGuard() { flag_ = false; }
  FlagGuard(const FlagGuard&) = delete;
  FlagGuard& operator=(const FlagGuard&) = delete;

 private:
  bool& flag_;
};

}  // namespace

TClsDBDataModule::TClsDBDataModule(QObject* owner, TConnectSteps steps)
    : TClsDataModule(owner, true),
      dbMain(makeDatabase(this)),
      trMain(makeTransaction(QStringLiteral("trMain"), dbMain, this)),
      CmSQLGlobals(makeGlobals(this)),
      trPARAMETROS(makeTransaction(QStringLiteral("trPARAMETROS"), dbMain, this)),
      PARAMETROS(makeStatement(QStringLiteral("PARAMETROS"), dbMain, trPARAMETROS, this)),
      trIBSQLLOG(makeTransaction(QStringLiteral("trIBSQLLOG"), dbMain, this)),
      IBSQLLOG(makeStatement(QStringLiteral("IBSQLLOG"), dbMain, trIBSQLLOG, this)),
      steps_(std::move(steps)) {
  setObjectName(QStringLiteral("ClsDBDataModule"));
  instance() = this;
  setApplicationExceptionHandler(
      [this](std::exception_ptr error) { HandleApplicationException(error); });
  dbMain->setDefaultTransaction(trMain);
}

TClsDBDataModule::~TClsDBDataModule() {
  try {
    WriteExceptionLog();
  } catch (...) {
    warnLogFailure("Exception log not written");
  }
  exceptions_.clear();
  try {
    WriteDatabaseErrorLog();
  } catch (...) {
    warnLogFailure("Database error log not written");
  }
  databaseErrors_.clear();
  if (instance() == this) {
    setApplicationExceptionHandler({});
    instance() = nullptr;
  }
  // Statements first, then the connection, which ends its open transactions.
  delete IBSQLLOG;
  delete PARAMETROS;
  delete dbMain;
  delete trIBSQLLOG;
  delete trPARAMETROS;
  delete trMain;
  delete CmSQLGlobals;
}

TClsDBDataModule* TClsDBDataModule::Instance() { return instance().data(); }

void TClsDBDataModule::AfterConstruction() {
  TClsDataModule::AfterConstruction();
  TCmSQLGlobals::Publish(CmSQLGlobals);
  ConnectAndLogin();
}

// It owns no dataset of its own, so nothing gets bound.
void TClsDBDataModule::AttachDataSets() { TClsDataModule::AttachDataSets(); }

bool TClsDBDataModule::ConnectAndLogin() {
  bool connected = false;
  loggedIn_ = false;
  try {
    connected = steps_.SelectServer && steps_.SelectServer(*this);
    loggedIn_ = connected && steps_.RunLogin && steps_.RunLogin(*this);
  } catch (...) {
    // An error here cannot wait for the event loop: it is shown now and the program ends.
    HandleApplicationException(std::current_exception());
    loggedIn_ = false;
  }
  if (!loggedIn_ && steps_.AbortApplication) steps_.AbortApplication();
  return loggedIn_;
}

QString TClsDBDataModule::GetParam(const QString& key, const QString& user, const QString& module) {
  try {
    if (!trPARAMETROS->inTransaction()) trPARAMETROS->startTransaction();
    PARAMETROS->ExecuteProcedure(
        QStringLiteral("GETPARAMS"),
        {QString(), upperAscii(user), upperAscii(module), upperAscii(key), 0, 0});
    const QString value = PARAMETROS->fieldByName(QStringLiteral("VALOR")).asString();
    trPARAMETROS->commit();
    return value;
  } catch (...) {
    try {
      if (trPARAMETROS->inTransaction()) trPARAMETROS->rollback();
    } catch (...) {
    }
    return unreadableParam();
  }
}

bool TClsDBDataModule::SetParam(const QString& key, const QString& value, const QString& user,
                                const QString& module) {
  try {
    if (!trPARAMETROS->inTransaction()) trPARAMETROS->startTransaction();
    PARAMETROS->ExecuteProcedure(
        QStringLiteral("SETPARAMS"),
        {QString(), upperAscii(user), upperAscii(module), upperAscii(key), 0, 0, value});
    trPARAMETROS->commit();
    return true;
  } catch (...) {
    try {
      if (trPARAMETROS->inTransaction()) trPARAMETROS->rollback();
    } catch (...) {
    }
    return false;
  }
}

void TClsDBDataModule::WriteUserLog(pf::Transaction* transaction, const QString& screenTitle,
                                    const QString& formName, const QString& logText, int recordId) {
  const qsizetype dash = screenTitle.indexOf(QStringLiteral(" - "));
  const QString tela = dash >= 0 ? screenTitle.left(dash) : screenTitle;
  const QString log = logText.left(255);
  const bool ownTransaction = transaction == nullptr;
  if (ownTransaction) {
    transaction = trIBSQLLOG;
    if (!transaction->inTransaction()) transaction->startTransaction();
  }
  if (!log.trimmed().isEmpty()) {
    IBSQLLOG->close();
    IBSQLLOG->setDatabase(transaction->defaultDatabase());
    IBSQLLOG->setTransaction(transaction);
    IBSQLLOG->setSql(QStringLiteral(
        "insert into USUARIO_LOG (USUARIOID,MODULOID,TABLEID,FORMNAME,TELA,LOG) values "
        "(:USUARIOID,:MODULOID,:TABLEID,:FORMNAME,:TELA,:LOG)"));
    IBSQLLOG->prepare();
    IBSQLLOG->param(QStringLiteral("USUARIOID")).setInteger(CmSQLGlobals->UsuarioID);
    IBSQLLOG->param(QStringLiteral("MODULOID")).setInteger(CmSQLGlobals->ModuloID);
    if (recordId > 0)
      IBSQLLOG->param(QStringLiteral("TABLEID")).setInteger(recordId);
    else
      IBSQLLOG->param(QStringLiteral("TABLEID")).setNull();
    IBSQLLOG->param(QStringLiteral("FORMNAME")).setString(formName);
    IBSQLLOG->param(QStringLiteral("TELA")).setString(tela);
    IBSQLLOG->param(QStringLiteral("LOG")).setString(log);
    IBSQLLOG->execQuery();
  }
  if (ownTransaction) transaction->commit();
}

QDateTime TClsDBDataModule::now() const { return Now ? Now() : QDateTime::currentDateTime(); }

QString TClsDBDataModule::ComputerName() { return QSysInfo::machineHostName().left(255); }

QString TClsDBDataModule::OpenFormsText() {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return QString();
  QString text;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (qobject_cast<QDialog*>(widget) || qobject_cast<QMainWindow*>(widget))
      text += widget->windowTitle() + u'|';
  }
  return text;
}

QString TClsDBDataModule::DateTimeText(const QDateTime& value) {
  const pf::FormatSettings& fs = pf::formatSettings();
  return pf::formatDateTime(fs.shortDateFormat + u' ' + fs.longTimeFormat, value);
}

QString TClsDBDataModule::ExceptionLogFolder() const {
  const QString root = LogRoot.isEmpty() ? QCoreApplication::applicationDirPath() : LogRoot;
  return root + QStringLiteral("/Log/EXCEPTION/");
}

QString TClsDBDataModule::DatabaseLogFolder() const {
  const QString root = LogRoot.isEmpty() ? QCoreApplication::applicationDirPath() : LogRoot;
  return root + QStringLiteral("/Log/DBA/");
}

QString TClsDBDataModule::logFileName() const {
  return pf::formatDateTime(u"yyyymmdd_hhmmss", now()) + QStringLiteral(".INI");
}

void TClsDBDataModule::AddException(const TLogError& entry) {
  exceptions_.push_back(entry);
  WriteExceptionLog();
}

void TClsDBDataModule::AddDatabaseError(const TLogErrorDataBase& entry) {
  databaseErrors_.push_back(entry);
  WriteDatabaseErrorLog();
}

void TClsDBDataModule::WriteExceptionLog() {
  if (std::all_of(exceptions_.begin(), exceptions_.end(),
                  [](const TLogError& e) { return e.Written; }))
    return;
  pf::IniFile ini(ExceptionLogFolder() + logFileName());
  const QString forms = OpenFormsText();
  for (TLogError& entry : exceptions_) {
    if (entry.Written) continue;
    const QString section = QStringLiteral("OCORRENCIA EM ") + DateTimeText(entry.DateTime);
    ini.writeString(section, QStringLiteral("COMPUTERNAME"), entry.ComputerName);
    ini.writeString(section, QStringLiteral("MESSAGE"), entry.Message);
    ini.writeString(section, QStringLiteral("FORMS"), forms);
    entry.Written = true;
  }
}

void TClsDBDataModule::WriteDatabaseErrorLog() {
  if (std::all_of(databaseErrors_.begin(), databaseErrors_.end(),
                  [](const TLogErrorDataBase& e) { return e.Written; }))
    return;
  pf::IniFile ini(DatabaseLogFolder() + logFileName());
  ini.writeString(QStringLiteral("CABECALHO"), QStringLiteral("QUANTIDADE"),
                  QString::number(databaseErrors_.size()));
  const QString forms = OpenFormsText();
  for (size_t i = 0; i < databaseErrors_.size(); ++i) {
    TLogErrorDataBase& entry = databaseErrors_[i];
    if (entry.Written) continue;
    const QString section = QStringLiteral("ERROR(%1)").arg(i);
    ini.writeString(section, QStringLiteral("COMPUTERNAME"), entry.ComputerName);
    ini.writeString(section, QStringLiteral("SERVERNAME"), entry.ServerName);
    ini.writeString(section, QStringLiteral("DATETIME"), DateTimeText(entry.DateTime));
    ini.writeString(section, QStringLiteral("MESSAGE"), entry.Message);
    ini.writeString(section, QStringLiteral("SQLCODE"), QString::number(entry.SQLCode));
    ini.writeString(section, QStringLiteral("FORMS"), forms);
    entry.Written = true;
  }
}

void TClsDBDataModule::HandleApplicationException(std::exception_ptr error) noexcept {
  if (!error) return;
  bool isAbort = false;
  bool isDatabase = false;
  int sqlCode = 0;
  try {
    std::rethrow_exception(error);
  } catch (const pf::Abort&) {
    isAbort = true;
  } catch (const pf::DatabaseError& e) {
    isDatabase = true;
    sqlCode = e.sqlCode();
  } catch (...) {
  }
  if (isAbort) return;
  try {
    const QString message = exceptionMessage(error);
    if (isDatabase) {
      TLogErrorDataBase entry;
      entry.ComputerName = ComputerName();
      entry.DateTime = now();
      entry.Message = message;
      entry.ServerName = dbMain->databaseName();
      entry.SQLCode = sqlCode;
      try {
        AddDatabaseError(entry);
      } catch (...) {  // kept in the list; a later write or the destructor retries
        warnLogFailure("Database error log not written");
      }
      showDatabaseErrors();
    } else {
      TLogError entry;
      entry.ComputerName = ComputerName();
      entry.DateTime = now();
      entry.Message = message;
      try {
        AddException(entry);
      } catch (...) {
        warnLogFailure("Exception log not written");
      }
      showException(message);
    }
  } catch (...) {
    warnLogFailure("Error not shown");
  }
}

void TClsDBDataModule::showDatabaseErrors() {
  // An error raised while an error is on screen is recorded and logged; the open
  // dialog moves to it instead of a second dialog piling up.
  if (displaying_) {
    if (errorDialog_) errorDialog_->ShowNewest();
    return;
  }
  FlagGuard guard(displaying_);
  TClsErrorHandler dialog(databaseErrors_);
  errorDialog_ = &dialog;
  pf::execModal(dialog);
}

void TClsDBDataModule::showException(const QString& message) {
  if (displaying_) return;
  FlagGuard guard(displaying_);
  pf::messageBox(displayText(message), pf::applicationTitle(), pf::MsgKind::Error,
                 {pf::MsgButton::Ok});
}

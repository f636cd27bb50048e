#include "CmIBSQLObj.h"

#include <ibase.h>

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>

#include "platform/Cp1252.h"
#include "platform/Errors.h"
#include "platform/FbApi.h"

namespace {

constexpr int kParseYield = 256;  // lines between two event-loop turns while splitting

void letEventsRun() {
  if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

// Position of `what` in `text` counting from 1, 0 when absent.
qsizetype pos(const QString& what, const QString& text) { return text.indexOf(what) + 1; }

QString errorText(const std::exception& e) {
  if (auto* db = dynamic_cast<const pf::DatabaseError*>(&e)) return db->message();
  if (auto* pe = dynamic_cast<const pf::Error*>(&e)) return pe->message();
  if (auto* ie = dynamic_cast<const EISQLException*>(&e)) return ie->Message();
  return QString::fromLocal8Bit(e.what());
}

[[noreturn]] void fail(int kind, const QString& message, const QString& statement) {
  throw EISQLException(kind, message, kISQLSourceDatabase, statement);
}

// "ON..." gives on, "OFF..." off, anything else on.
bool onOff(const QString& upper, qsizetype commandLength) {
  const QString word = upper.mid(commandLength).trimmed();
  if (word.startsWith(u"OFF")) return false;
  return true;
}

// A quoted name at the start of `text`: it ends at a matching quote followed by a
// blank, a line break or the end. Returns false when there is none.
bool quotedName(const QString& text, QString& name, QString& rest) {
  if (text.isEmpty() || (text[0] != u'\'' && text[0] != u'"')) return false;
  const QChar quote = text[0];
  for (qsizetype i = 1; i < text.size(); ++i) {
    if (text[i] != quote) continue;
    const bool atEnd = i + 1 == text.size();
    if (atEnd || text[i + 1] == u' ' || text[i + 1] == u'\r' || text[i + 1] == u'\n' ||
        text[i + 1] == u'\t') {
      name = text.mid(1, i - 1);
      rest = text.mid(i + 1).trimmed();
      return !name.isEmpty();
    }
  }
  return false;
}

QString unquoted(QString value) {
  if (value.size() >= 2 && (value.front() == u'\'' || value.front() == u'"') &&
      value.back() == value.front())
    return value.mid(1, value.size() - 2);
  return value;
}

// The word after CREATE / DROP / ALTER names what a DDL statement works on.
int ddlObject(const QString& upper, qsizetype actionLength) {
  static const std::pair<const char16_t*, int> kWords[] = {
      {u"VIEW", obView},           {u"TABLE", obTable},       {u"PROCEDURE", obProcedure},
      {u"DOMAIN", obDomain},       {u"EXTERNAL", obExternal}, {u"FILTER", obFilter},
      {u"EXCEPTION", obException}, {u"ROLE", obRole},         {u"GENERATOR", obGenerator},
      {u"TRIGGER", obTrigger},
  };
  QString first = upper.mid(actionLength).trimmed();
  static const QRegularExpression blank(QStringLiteral("\\s"));
  const qsizetype at = first.indexOf(blank);
  if (at >= 0) first = first.left(at);
  for (const auto& [name, code] : kWords)
    if (first == QStringView(name)) return code;
  return obOther;
}

qint64 infoValue(pf::Database* db, unsigned char item) {
  if (!db || !db->connected()) return 0;
  const unsigned char items[] = {item, isc_info_end};
  unsigned char buffer[64] = {};
  pf::fb::Status status;
  db->attachment()->getInfo(&status, sizeof items, items, sizeof buffer, buffer);
  if (status.failed() || buffer[0] != item) return 0;
  const int length = buffer[1] | (buffer[2] << 8);
  qint64 value = 0;
  for (int i = 0; i < length && i < 8; ++i) value |= qint64(buffer[3 + i]) << (8 * i);
  return value;
}

QString durationText(qint64 ms, QChar lastSeparator) {
  const qint64 h = ms / 3600000, m = ms / 60000 % 60, s = ms / 1000 % 60, f = ms % 1000;
  return QStringLiteral("%1:%2:%3%4%5")
      .arg(h, 2, 10, QChar(u'0'))
      .arg(m, 2, 10, QChar(u'0'))
      .arg(s, 2, 10, QChar(u'0'))
      .arg(lastSeparator)
      .arg(f, 4, 10, QChar(u'0'));
}

}  // namespace

// ---- Exception and settings ----------------------------------------------------

EISQLException::EISQLException(int kind, const QString& message, int source,
                               const QString& statement)
    : std::runtime_error(message.toStdString()),
      message_(message),
      kind_(kind),
      source_(source),
      statement_(statement) {}

std::vector<TISQLSetting>& ISQLSettings() {
  static std::vector<TISQLSetting> settings;
  return settings;
}

void ResetISQLSettings() {
  ISQLSettings() = {
      {"SystemData", false},       {"Dependencies", true},    {"UseDefaultEditor", true},
      {"ShowQueryPlan", true},     {"AutoCommitDDL", true},   {"ShowStatistics", true},
      {"ShowInListFormat", false}, {"SaveISQLOutput", false}, {"UpdateOnConnect", false},
      {"UpdateOnCreate", false},   {"ClearInput", true},      {"CharacterSet", "None"},
      {"BlobDisplay", "Restrict"}, {"BlobSubtype", "Text"},   {"ISQLTerminator", ";"},
      {"CommitOnExit", 0},         {"ViewStyle", 3},          {"DefaultDialect", 3},
  };
}

QVariant ISQLSetting(const QString& name) {
  for (const TISQLSetting& s : ISQLSettings())
    if (s.Name == name) return s.Value;
  return {};
}

void SetISQLSetting(const QString& name, const QVariant& value) {
  for (TISQLSetting& s : ISQLSettings())
    if (s.Name == name) {
      s.Value = value;
      return;
    }
  ISQLSettings().push_back({name, value});
}

// ---- Splitting -------------------------------------------------------------------

QStringList TCmIBSQLObj::ParseScript(const QStringList& lines, const QString& terminator) {
  QStringList statements;
  QString term = terminator;
  QString acc;
  const qsizetype n = lines.size();
  auto add = [&](const QString& text) {
    const QString t = text.trimmed();
    if (!t.isEmpty()) statements << t;
    acc.clear();
  };
  for (qsizetype i = 0; i < n; ++i) {
    if (i % kParseYield == 0) letEventsRun();
    const QString& line = lines[i];
    const QString t = line.trimmed();
    if (t.isEmpty()) continue;
    if (t == u"*/") {
      // A stray close with nothing collected yet is dropped.
      if (!statements.isEmpty()) statements.last() += t;
      continue;
    }
    if (t.startsWith(u"/*")) {
      if (t.contains(u"*/")) continue;
      qsizetype j = i + 1;
      while (j < n && !lines[j].contains(u"*/")) ++j;
      if (j >= n)
        throw EISQLException(eiParse, QStringLiteral("Unable to parse script"), kISQLSourceDatabase,
                             QString());
      acc += u' ' + lines[j].mid(lines[j].indexOf(u"*/") + 2);
      i = j;
      continue;
    }
    if (t.startsWith(u"SET TERM", Qt::CaseInsensitive)) {
      QString next = t.mid(8).trimmed();
      const qsizetype at = next.indexOf(term);
      if (at >= 0) next.remove(at, term.size());
      next = next.trimmed();
      if (!next.isEmpty()) term = next;
      continue;
    }
    const qsizetype p = pos(term, t);
    const qsizetype c = pos(QStringLiteral("/*"), line);
    if (t.endsWith(term) || p < c) {
      // The terminator that ends the line is the one removed, so that a terminator
      // inside a literal earlier on the line survives.
      QString s = t;
      if (s.endsWith(term))
        s.chop(term.size());
      else if (p > 0)
        s.remove(p - 1, term.size());
      add(acc + u' ' + s);
      continue;
    }
    acc += u' ' + line;
    qsizetype j = i + 1;
    for (; j < n; ++j) {
      const QString& l = lines[j];
      if (l.trimmed().isEmpty()) continue;
      const qsizetype pj = pos(term, l);
      const qsizetype cj = pos(QStringLiteral("/*"), l);
      if (l.endsWith(term)) {
        acc += QStringLiteral("\r\n") + l.left(l.size() - term.size());
        break;
      }
      if (pj > 0 && pj < cj) {
        QString cut = l;
        cut.remove(pj - 1, term.size());
        acc += QStringLiteral("\r\n") + cut;
        break;
      }
      acc += QStringLiteral("\r\n") + l;
    }
    add(acc);
    i = j;
  }
  return statements;
}

// ---- Runner ------------------------------------------------------------------------

TCmIBSQLObj::TCmIBSQLObj(QObject* owner) : QObject(owner) { ResetISQLSettings(); }

TCmIBSQLObj::~TCmIBSQLObj() {
  try {
    releaseRun();
  } catch (...) {
  }
}

bool TCmIBSQLObj::Switch(const QString& name) const {
  for (const auto& [n, on] : switches_)
    if (n == name) return on;
  return false;
}

pf::Transaction* TCmIBSQLObj::transactionAt(int index) const {
  if (!database_ || index < 0 || index >= database_->transactionCount()) return nullptr;
  return database_->transactions(index);
}

pf::Transaction* TCmIBSQLObj::mainTransaction() const {
  if (dataset_ && dataset_->transaction()) return dataset_->transaction();
  return transactionAt(defaultTransIdx_);
}

void TCmIBSQLObj::setUpStatements() {
  pf::Transaction* mainTr = transactionAt(defaultTransIdx_);
  pf::Transaction* ddlTr = transactionAt(ddlTransIdx_);
  if (!mainTr || !ddlTr) fail(eiSetup, QStringLiteral("Transaction index out of range"), QString());
  try {
    main_ = std::make_unique<pf::Sql>();
    main_->setParamCheck(false);
    main_->setDatabase(database_);
    main_->setTransaction(dataset_ && dataset_->transaction() ? dataset_->transaction() : mainTr);
    ddl_ = std::make_unique<pf::Sql>();
    ddl_->setParamCheck(false);
    ddl_->setDatabase(database_);
    ddl_->setTransaction(ddlTr);
    private_ = std::make_unique<pf::Transaction>();
    private_->setParams(pf::Transaction::readCommittedParams());
    private_->setDefaultDatabase(database_);
    probe_ = std::make_unique<pf::Sql>();
    probe_->setParamCheck(false);
    probe_->setDatabase(database_);
    probe_->setTransaction(private_.get());
  } catch (const std::exception& e) {
    fail(eiSetup, errorText(e), QString());
  }
}

void TCmIBSQLObj::releaseRun() {
  probe_.reset();
  main_.reset();
  ddl_.reset();
  if (private_) {
    if (private_->inTransaction()) private_->commit();
    private_.reset();  // leaves the database's list of transactions
  }
}

void TCmIBSQLObj::Execute() {
  QString term = ISQLSetting(QStringLiteral("ISQLTerminator")).toString();
  if (term.isEmpty()) term = QStringLiteral(";");
  charset_ = ISQLSetting(QStringLiteral("CharacterSet")).toString();
  dialect_ = ISQLSetting(QStringLiteral("DefaultDialect")).toInt();
  switches_.clear();
  output_ = false;
  lastDatabaseName_.clear();
  plan_.clear();
  records_ = prepareMs_ = executeMs_ = 0;
  startMemory_ = currentMemory_ = buffers_ = reads_ = writes_ = 0;
  clock_.start();

  parsed_ = ParseScript(query_, term);
  releaseRun();
  try {
    if (database_ && database_->connected()) setUpStatements();
    for (const QString& statement : parsed_) {
      letEventsRun();
      if (OnQueryProgress) OnQueryProgress();
      runStatement(statement);
    }
  } catch (...) {
    try {
      releaseRun();
    } catch (...) {
    }
    throw;
  }
  writeStatistics();
}

void TCmIBSQLObj::runStatement(const QString& text) {
  const QString upper = text.trimmed().toUpper();
  static const char16_t* const kIgnored[] = {u"BLOBDUMP", u"EDIT", u"EXIT",
                                             u"HELP",     u"QUIT", u"SHOW "};
  for (const char16_t* word : kIgnored)
    if (upper.startsWith(QStringView(word))) return;
  if (upper.startsWith(u"IN ") || upper.startsWith(u"INPUT")) return runInput(text);
  if (upper.startsWith(u"OUT ") || upper.startsWith(u"OUTPUT")) {
    output_ = true;
    return runSql(text);
  }
  static const char16_t* const kSwitches[] = {u"SET COUNT", u"SET ECHO",  u"SET LIST",
                                              u"SET PLAN",  u"SET STATS", u"SET TIME"};
  for (const char16_t* command : kSwitches) {
    const QStringView c(command);
    if (!upper.startsWith(c)) continue;
    const QString name = c.mid(4).toString();
    const bool on = onOff(upper, c.size() + 1);
    for (auto& s : switches_)
      if (s.first == name) {
        s.second = on;
        return;
      }
    switches_.emplace_back(name, on);
    return;
  }
  if (upper.startsWith(u"SET NAMES")) {
    charset_ = text.trimmed().mid(9).trimmed();
    return;
  }
  if (upper.startsWith(u"SET SQL DIALECT")) {
    const QString number = upper.mid(16).trimmed();
    bool ok = false;
    const int dialect = number.toInt(&ok);
    if (!ok) throw pf::Error(QStringLiteral("'%1' is not a valid integer value").arg(number));
    dialect_ = dialect;
    if (database_) {
      try {
        database_->setSqlDialect(dialect);
      } catch (const std::exception& e) {
        fail(eiDialect, errorText(e), text);
      }
      fire(evDialect, dialect == 1 ? obDialect1 : dialect == 2 ? obDialect2 : obDialect3, dialect);
    }
    return;
  }
  if (upper.startsWith(u"SET AUTODDL") || upper.startsWith(u"SET AUTO")) {
    autoDDL_ = onOff(upper, upper.startsWith(u"SET AUTODDL") ? 12 : 9);
    fire(evAutoDDL, obAutoDDL, autoDDL_);
    return;
  }
  runSql(text);
}

void TCmIBSQLObj::runInput(const QString& statement) {
  const QString trimmed = statement.trimmed();
  // The name keeps its case: file systems here tell upper from lower case.
  const QString fileName = unquoted(trimmed.mid(trimmed.indexOf(u' ') + 1).trimmed());
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    throw EISQLException(eiInput, file.errorString(), kISQLSourceFile, fileName);
  const QByteArray bytes = file.readAll();
  QString text = pf::fromCp1252(bytes.constData(), bytes.size());
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  TCmIBSQLObj nested(this);
  nested.setQuery(text.split(u'\n'));
  nested.setDatabase(database_);
  nested.setDataset(dataset_);
  nested.setDefaultTransIDX(defaultTransIdx_);
  nested.setDDLTransIDX(ddlTransIdx_);
  nested.setAutoDDL(autoDDL_);
  nested.OnDataOutput = OnDataOutput;
  nested.OnISQLEvent = OnISQLEvent;
  nested.OnQueryProgress = OnQueryProgress;
  nested.Execute();
}

void TCmIBSQLObj::fire(int event, int subEvent, const QVariant& data) {
  if (OnISQLEvent) OnISQLEvent(event, subEvent, data, database_);
}

void TCmIBSQLObj::runSql(const QString& text) {
  const QString upper = text.trimmed().toUpper();
  if (upper.startsWith(u"DROP DATABASE")) {
    if (!database_ || !database_->connected())
      fail(eiPrepare, QStringLiteral("No active connection"), text);
    const QString name = database_->databaseName();
    try {
      main_.reset();
      ddl_.reset();
      probe_.reset();
      database_->dropDatabase();
    } catch (const std::exception& e) {
      fail(eiDDL, errorText(e), text);
    }
    fire(evDrop, obDatabase, name);
    return;
  }
  if (upper.startsWith(u"CREATE DATABASE") || upper.startsWith(u"CREATE SCHEMA"))
    return createDatabase(text);
  if (upper.startsWith(u"CONNECT")) return connectDatabase(text);

  if (!database_ || !database_->connected() || !main_)
    fail(eiPrepare, QStringLiteral("No active connection"), text);
  pf::SqlType type = pf::SqlType::Unknown;
  try {
    if (private_->inTransaction()) private_->commit();
    private_->startTransaction();
    probe_->setSql(text);
    probe_->prepare();
    type = probe_->sqlType();
    probe_->close();
    probe_->freeHandle();
    private_->commit();
  } catch (const std::exception& e) {
    try {
      probe_->freeHandle();
      if (private_->inTransaction()) private_->rollback();
    } catch (...) {
    }
    fail(eiPrepare, errorText(e), text);
  }
  switch (type) {
    case pf::SqlType::Select:
    case pf::SqlType::ExecProcedure:
    case pf::SqlType::SelectForUpdate:
      return runQuery(text);
    case pf::SqlType::Insert:
    case pf::SqlType::Update:
    case pf::SqlType::Delete:
      return runDml(text);
    case pf::SqlType::DDL:
    case pf::SqlType::SetGenerator:
      return runDdl(text);
    case pf::SqlType::Commit:
      return endTransactions(true);
    case pf::SqlType::Rollback:
      return endTransactions(false);
    default:
      return;  // SET TRANSACTION and the like run nothing
  }
}

void TCmIBSQLObj::beginStatistics() {
  if (!statistics_) return;
  startMemory_ = infoValue(database_, isc_info_current_memory);
}

void TCmIBSQLObj::endStatistics() {
  if (!statistics_) return;
  currentMemory_ = infoValue(database_, isc_info_current_memory);
  buffers_ = infoValue(database_, isc_info_num_buffers);
  reads_ = infoValue(database_, isc_info_reads);
  writes_ = infoValue(database_, isc_info_writes);
}

void TCmIBSQLObj::prepareAndExecute(pf::Sql& sql, const QString& text) {
  pf::Transaction* tr = sql.transaction();
  if (tr && !tr->inTransaction()) tr->startTransaction();
  qint64 t0 = clock_.elapsed();
  sql.setSql(text);
  sql.prepare();
  prepareMs_ = clock_.elapsed() - t0;
  t0 = clock_.elapsed();
  sql.execQuery();
  executeMs_ = clock_.elapsed() - t0;
}

void TCmIBSQLObj::runQuery(const QString& text) {
  try {
    beginStatistics();
    if (dataset_) {
      dataset_->close();
      prepareAndExecute(*dataset_, text);
      try {
        plan_ = dataset_->plan();
      } catch (const std::exception&) {
        plan_.clear();
      }
      if (plan_.isEmpty()) plan_ = QStringLiteral("Plan could not be retreived");
      records_ = dataset_->recordCount();
    } else {
      prepareAndExecute(*main_, text);
      records_ = main_->recordCount();
      main_->close();
      // A prepared statement would keep its tables in use for later DDL.
      main_->freeHandle();
    }
    endStatistics();
  } catch (const std::exception& e) {
    try {
      (dataset_ ? dataset_.data() : main_.get())->close();
    } catch (...) {
    }
    fail(eiQuery, errorText(e), text);
  }
}

void TCmIBSQLObj::runDml(const QString& text) {
  try {
    beginStatistics();
    main_->setTransaction(mainTransaction());
    prepareAndExecute(*main_, text);
    try {
      plan_ = main_->plan();
    } catch (const std::exception&) {
      plan_.clear();
    }
    records_ = main_->rowsAffected();
    main_->close();
    main_->freeHandle();
    fire(evRowsAffected, obOther, records_);
    endStatistics();
  } catch (const std::exception& e) {
    try {
      main_->close();
    } catch (...) {
    }
    fail(eiDML, errorText(e), text);
  }
}

void TCmIBSQLObj::runDdl(const QString& text) {
  const QString upper = text.trimmed().toUpper();
  int action = evOther;
  qsizetype length = 0;
  if (upper.startsWith(u"CREATE"))
    action = evCreate, length = 6;
  else if (upper.startsWith(u"DROP"))
    action = evDrop, length = 4;
  else if (upper.startsWith(u"ALTER"))
    action = evAlter, length = 5;
  const int object = action == evOther ? obOther : ddlObject(upper, length);
  pf::Transaction* tr = ddl_->transaction();
  try {
    beginStatistics();
    prepareAndExecute(*ddl_, text);
    ddl_->close();
    ddl_->freeHandle();
    if (autoDDL_) tr->commit();
    endStatistics();
  } catch (const std::exception& e) {
    try {
      ddl_->close();
      ddl_->freeHandle();
      if (autoDDL_ && tr->inTransaction()) tr->rollback();
    } catch (...) {
    }
    fail(eiDDL, errorText(e), text);
  }
  fire(action, object, lastDatabaseName_);
}

void TCmIBSQLObj::endTransactions(bool commit) {
  try {
    pf::Transaction* mainTr = mainTransaction();
    pf::Transaction* ddlTr = ddl_ ? ddl_->transaction() : nullptr;
    for (pf::Transaction* tr : {mainTr, ddlTr}) {
      if (!tr || !tr->inTransaction()) continue;
      if (commit)
        tr->commit();
      else
        tr->rollback();
    }
  } catch (const std::exception& e) {
    fail(commit ? eiCommit : eiRollback, errorText(e),
         commit ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK"));
  }
  fire(evTransactionEnd, obOther, false);
}

void TCmIBSQLObj::closeForReconnect() {
  if (!database_) return;
  pf::Transaction* mainTr = mainTransaction();
  const bool active = mainTr && mainTr->inTransaction();
  main_.reset();
  ddl_.reset();
  probe_.reset();
  if (private_) {
    try {
      if (private_->inTransaction()) private_->rollback();
    } catch (...) {
    }
    private_.reset();
  }
  try {
    database_->close();
  } catch (const std::exception& e) {
    if (active)
      fail(eiConnect,
           errorText(e) + QStringLiteral("\r\nCommit or Rollback the current transaction"),
           QString());
    database_->forceClose();
  }
}

void TCmIBSQLObj::newTransactions() {
  auto make = [this] {
    auto tr = std::make_unique<pf::Transaction>();
    tr->setParams(pf::Transaction::readCommittedParams());
    tr->setDefaultDatabase(database_);
    pf::Transaction* raw = tr.get();
    created_.push_back(std::move(tr));
    return raw;
  };
  pf::Transaction* mainTr = make();
  pf::Transaction* ddlTr = make();
  database_->setDefaultTransaction(mainTr);
  defaultTransIdx_ = database_->findTransaction(mainTr);
  ddlTransIdx_ = database_->findTransaction(ddlTr);
  setUpStatements();
}

void TCmIBSQLObj::createDatabase(const QString& text) {
  QString body = text.trimmed();
  body = body.mid(body.indexOf(u' ') + 1).trimmed();  // after CREATE
  body = body.mid(body.indexOf(u' ') + 1).trimmed();  // after DATABASE / SCHEMA
  QString name, rest;
  if (!quotedName(body, name, rest))
    fail(eiParse, QStringLiteral("An error occured parsing CREATE statement."), text);
  if (!database_) fail(eiPrepare, QStringLiteral("No active connection"), text);
  rest.replace(u'"', u'\'');
  closeForReconnect();
  try {
    const QStringList previous = database_->params();
    database_->setDatabaseName(name);
    database_->setParams(rest.isEmpty() ? QStringList() : QStringList{rest});
    database_->setSqlDialect(dialect_);
    database_->createDatabase();
    // Later reconnects need connection parameters, not creation clauses.
    QStringList params;
    static const QRegularExpression user(QStringLiteral("\\bUSER\\s+'([^']*)'"),
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression password(QStringLiteral("\\bPASSWORD\\s+'([^']*)'"),
                                             QRegularExpression::CaseInsensitiveOption);
    const auto u = user.match(rest), p = password.match(rest);
    if (u.hasMatch()) params << QStringLiteral("user_name=") + u.captured(1);
    if (p.hasMatch()) params << QStringLiteral("password=") + p.captured(1);
    database_->setParams(params.isEmpty() ? previous : params);
    newTransactions();
  } catch (const EISQLException&) {
    throw;
  } catch (const std::exception& e) {
    fail(eiCreate, errorText(e), text);
  }
  lastDatabaseName_ = name;
  fire(evCreate, obDatabase, name);
}

void TCmIBSQLObj::connectDatabase(const QString& text) {
  QString body = text.trimmed().mid(7).trimmed();
  QString name, rest;
  if (!quotedName(body, name, rest)) {
    const qsizetype blank = body.indexOf(QRegularExpression(QStringLiteral("\\s")));
    name = blank < 0 ? body : body.left(blank);
    rest = blank < 0 ? QString() : body.mid(blank).trimmed();
  }
  const QStringList words =
      rest.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
  if (name.isEmpty() || words.size() % 2 != 0)
    fail(eiParse, QStringLiteral("An error occured parsing CONNECT statement."), text);
  QStringList params;
  for (qsizetype i = 0; i + 1 < words.size(); i += 2) {
    const QString key = words[i].toUpper();
    const QString value = words[i + 1];
    if (key == u"USER" || key == u"USERNAME")
      params << QStringLiteral("USER_NAME=") + unquoted(value);
    else if (key == u"PASS" || key == u"PASSWORD")
      params << QStringLiteral("PASSWORD=") + unquoted(value);
    else if (key == u"ROLE")
      params << QStringLiteral("SQL_ROLE_NAME=") + value;
    else if (key == u"CACHE")
      params << QStringLiteral("NUM_BUFFERS=") + unquoted(value);
    else
      fail(eiParse, QStringLiteral("An error occured parsing CONNECT statement."), text);
  }
  if (!database_) fail(eiPrepare, QStringLiteral("No active connection"), text);
  closeForReconnect();
  try {
    if (!charset_.isEmpty() && charset_.toUpper() != u"NONE")
      params << QStringLiteral("lc_ctype=") + charset_;
    params << QStringLiteral("isc_dpb_sql_dialect=") + QString::number(dialect_);
    database_->setDatabaseName(name);
    database_->setParams(params);
    database_->open();
    newTransactions();
  } catch (const EISQLException&) {
    throw;
  } catch (const std::exception& e) {
    fail(eiConnect, errorText(e), text);
  }
  lastDatabaseName_ = name;
  fire(evConnect, obDatabase, name);
}

void TCmIBSQLObj::writeStatistics() {
  try {
    const QString sep = QStringLiteral("~|");
    statisticsList_
        << QStringLiteral("Execution Time (hh:mm:ss.ssss)") + sep + durationText(executeMs_, u'.')
        << QStringLiteral("Prepare Time (hh:mm:ss.ssss)") + sep + durationText(prepareMs_, u':')
        << QStringLiteral("Starting Memory") + sep + QString::number(startMemory_)
        << QStringLiteral("Current Memory") + sep + QString::number(currentMemory_)
        << QStringLiteral("Delta Memory") + sep + QString::number(currentMemory_ - startMemory_)
        << QStringLiteral("Number of Buffers") + sep + QString::number(buffers_)
        << QStringLiteral("Reads") + sep + QString::number(reads_)
        << QStringLiteral("Writes") + sep + QString::number(writes_)
        << QStringLiteral("Plan") + sep +
               (plan_.isEmpty() ? QStringLiteral("Not Available") : plan_)
        << QStringLiteral("Records Fetched") + sep + QString::number(records_);
    releaseRun();
  } catch (const std::exception& e) {
    fail(eiStatistics, errorText(e), QString());
  }
}

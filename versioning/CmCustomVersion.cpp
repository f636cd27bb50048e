#include "CmCustomVersion.h"

#include <QCursor>
#include <QFile>
#include <QGuiApplication>

#include "CmScriptsSQL.h"
#include "UpgradeConsent.h"
#include "platform/BusyCursor.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"

namespace {

const QString kAdminUser = QStringLiteral("SYSDBA");
const QString kAdminPassword = QStringLiteral("hushvault");

QStringList transactionParams() { return pf::Transaction::readCommittedParams(); }

int findByName(const TCmDatabase& db, const QString& name) {
  for (int i = 0; i < db.transactionCount(); ++i)
    if (db.transactions(i)->objectName() == name) return i;
  return -1;
}

QString errorText(const std::exception& e) {
  if (auto* d = dynamic_cast<const pf::DatabaseError*>(&e)) return d->message();
  if (auto* p = dynamic_cast<const pf::Error*>(&e)) return p->message();
  if (auto* s = dynamic_cast<const EISQLException*>(&e)) {
    QString text = s->Message();
    if (!s->Statement().isEmpty()) text += QStringLiteral("\n") + s->Statement();
    return text;
  }
  return QString::fromLocal8Bit(e.what());
}

const TVersionRow* findRow(const std::vector<TVersionRow>& rows, const QString& name) {
  for (const TVersionRow& r : rows)
    if (r.Script == name) return &r;
  return nullptr;
}

}  // namespace

QStringList LoadSqlFile(const QString& name) {
  QFile file(QStringLiteral(":/SQLFILE/") + name);
  if (!file.open(QIODevice::ReadOnly))
    throw pf::Error(QStringLiteral("Embedded SQLFILE \"%1\" not found").arg(name));
  QString text = QString::fromUtf8(file.readAll());
  text.remove(u'\r');
  return text.split(u'\n');
}

QStringList ResolveScriptSource(const QStringList& script) {
  if (script.isEmpty() || !script.first().startsWith(u"RESOURCEFILE")) return script;
  const QString line = script.first().trimmed();
  const qsizetype eq = line.indexOf(u'=');
  return LoadSqlFile(line.mid(eq + 1, line.size() - 13));
}

TClsCustomVersion::TClsCustomVersion(QObject* owner)
    : QObject(owner),
      ibsqlObj_(new TCmIBSQLObj(this)),
      defaultTrans_(new TCmTransaction(this)),
      ddlTrans_(new TCmTransaction(this)),
      database_(new TCmDatabase(this)),
      sql_(new TCmIBSQL(this)),
      scriptsCommon_(new TCmScriptsSQL(this)),
      scripts_(new TCmScriptsSQL(this)) {
  ibsqlObj_->setObjectName(QStringLiteral("IBSQLObj"));
  ibsqlObj_->setAutoDDL(true);
  ibsqlObj_->setStatistics(false);
  for (TCmTransaction* tr : {defaultTrans_, ddlTrans_}) {
    tr->setParams(transactionParams());
    tr->setDefaultAction(pf::TransactionAction::Rollback);
    tr->setAutoStopAction(pf::AutoStopAction::None);
  }
  defaultTrans_->setObjectName(QStringLiteral("DefaultTrans"));
  ddlTrans_->setObjectName(QStringLiteral("DDLTrans"));
  database_->setObjectName(QStringLiteral("FDataBase"));
  database_->setParams(
      {QStringLiteral("user_name=") + kAdminUser, QStringLiteral("password=") + kAdminPassword});
  database_->setSqlDialect(3);
  sql_->setObjectName(QStringLiteral("SQL"));
  sql_->setDatabase(database_);
  sql_->setTransaction(defaultTrans_);
  sql_->setSql(QStringLiteral("select * from VERSAO\norder by ID"));
  scriptsCommon_->setObjectName(QStringLiteral("ScriptsCommon"));
  scripts_->setObjectName(QStringLiteral("Scripts"));
}

TClsCustomVersion::~TClsCustomVersion() {
  try {
    database_->close();
  } catch (...) {
    database_->forceClose();
  }
}

void TClsCustomVersion::useDatabase(const QString& name) {
  if (database_->connected()) database_->close();
  database_->setDatabaseName(name);
  defaultTrans_->setDefaultDatabase(database_);
  ddlTrans_->setDefaultDatabase(database_);
  database_->setDefaultTransaction(defaultTrans_);
}

void TClsCustomVersion::MergeScripts(TCmScriptsSQL& Target) const {
  TVersionList merged;
  for (const TCmScriptsSQL* source : {scriptsCommon_, scripts_})
    for (const TVersion& v : source->Versions()) {
      TVersion& copy = merged.Add(v);
      copy.Script = ResolveScriptSource(v.Script);
    }
  Target.setVersions(merged);
}

std::vector<TVersionRow> TClsCustomVersion::ReadVersionRows(const QString& DatabaseName) {
  useDatabase(DatabaseName);
  database_->open();
  std::vector<TVersionRow> rows;
  try {
    if (!defaultTrans_->inTransaction()) defaultTrans_->startTransaction();
    sql_->close();
    sql_->execQuery();
    for (; !sql_->eof(); sql_->next())
      rows.push_back({sql_->fieldByName(QStringLiteral("SCRIPT")).asString().left(200),
                      sql_->fieldByName(QStringLiteral("NUMERO")).asString().left(200)});
    sql_->close();
  } catch (...) {
    database_->close();
    throw;
  }
  database_->close();
  return rows;
}

void TClsCustomVersion::RunScript(const TVersion& version, bool reconnect) {
  if (reconnect) database_->close();
  if (!database_->connected()) database_->open();
  ibsqlObj_->setAutoDDL(true);
  ibsqlObj_->setDefaultTransIDX(findByName(*database_, QStringLiteral("DefaultTrans")));
  ibsqlObj_->setDDLTransIDX(findByName(*database_, QStringLiteral("DDLTrans")));
  ibsqlObj_->setQuery(version.Script);
  ibsqlObj_->setDatabase(database_);
  ibsqlObj_->Execute();
  if (defaultTrans_->inTransaction()) defaultTrans_->commit();
  if (ddlTrans_->inTransaction()) ddlTrans_->commit();
}

bool TClsCustomVersion::RunAllScripts(const QString& DatabaseName) {
  if (!database_) return false;
  TCmScriptsSQL merged;
  MergeScripts(merged);
  useDatabase(DatabaseName);
  for (const TVersion& v : merged.Versions()) {
    RunScript(v, false);
    database_->close();
  }
  return true;
}

bool TClsCustomVersion::CheckVersion(const QString& DatabaseName) {
  lastError_.clear();
  TCmScriptsSQL merged;
  MergeScripts(merged);
  UpgradeConsent& consent = consent_ ? *consent_ : DefaultUpgradeConsent();
  bool updated = false;
  bool ok = false;
  bool failed = false;
  {
    pf::BusyCursor busy;
    try {
      const std::vector<TVersionRow> before = ReadVersionRows(DatabaseName);
      useDatabase(DatabaseName);
      bool pending = true;
      bool upgrade = false;
      // Every version is compared with the level the database had before the run.
      for (const TVersion& v : merged.Versions()) {
        const TVersionRow* row = findRow(before, v.Name);
        if (row && VersionNumber(row->Numero) >= VersionNumber(v.Version)) continue;
        if (!database_->connected()) database_->open();
        if (pending) {
          const bool skipBackup = !consent.AskBackup();
          upgrade = consent.ConfirmUpgrade(*database_, skipBackup);
          pending = false;
        }
        if (upgrade) {
          updated = true;
          RunScript(v, true);
        }
        database_->close();
      }

      // The expected level of each script is that of its last version.
      std::vector<TVersionRow> expected;
      for (const TVersion& v : merged.Versions()) {
        bool seen = false;
        for (TVersionRow& e : expected)
          if (e.Script == v.Name) e.Numero = v.Version, seen = true;
        if (!seen) expected.push_back({v.Name, v.Version});
      }
      const std::vector<TVersionRow> after = ReadVersionRows(DatabaseName);
      ok = true;
      for (const TVersionRow& e : expected) {
        const TVersionRow* row = findRow(after, e.Script);
        if (!row) {
          pf::showMessage(MissingScriptMessage(e.Script, e.Numero));
          ok = false;
          break;
        }
        if (row->Numero != e.Numero) {
          pf::showMessage(IncompatibleLevelMessage(e.Script, e.Numero, row->Script, row->Numero));
          ok = false;
        }
      }
    } catch (const std::exception& e) {
      lastError_ = errorText(e);
      failed = true;
      ok = false;
      try {
        database_->close();
      } catch (...) {
        database_->forceClose();
      }
    }
  }
  if (updated && !failed) pf::showMessage(UpdatedMessage());
  return ok;
}

#pragma once
// Schema levels: the numbered scripts a program carries, the VERSAO table that records
// how far a database has come, and the run that brings a database up to date.

#include "data/CmDatabase.h"
#include "data/CmIBSQL.h"
#include "data/CmIBSQLObj.h"
#include "data/CmTransaction.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <vector>

class TCmScriptsSQL;
class UpgradeConsent;

// One script version: the level `Version` that `Script` brings the script `Name` to.
class TVersion {
 public:
  QString Name;
  QStringList Script;
  QString Version;
  QString DisplayName() const { return Name + QStringLiteral(" - ") + Version; }
};

class TVersionList {
 public:
  TVersion& Add(const TVersion& version = {}) { return items_.emplace_back(version); }
  int Count() const { return static_cast<int>(items_.size()); }
  TVersion& Items(int index) { return items_.at(static_cast<size_t>(index)); }
  const TVersion& Items(int index) const { return items_.at(static_cast<size_t>(index)); }
  void Clear() { items_.clear(); }
  void Resize(int count) { items_.resize(static_cast<size_t>(count)); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<TVersion> items_;
};

// A row of VERSAO.
struct TVersionRow {
  QString Script;
  QString Numero;
};

class TClsCustomVersion : public QObject {
  Q_OBJECT
 public:
  explicit TClsCustomVersion(QObject* owner = nullptr);
  ~TClsCustomVersion() override;

  TCmIBSQLObj* IBSQLObj() const { return ibsqlObj_; }
  TCmTransaction* DefaultTrans() const { return defaultTrans_; }
  TCmTransaction* DDLTrans() const { return ddlTrans_; }
  TCmDatabase* FDataBase() const { return database_; }
  TCmIBSQL* SQL() const { return sql_; }
  TCmScriptsSQL* ScriptsCommon() const { return scriptsCommon_; }
  TCmScriptsSQL* Scripts() const { return scripts_; }

  // Brings the database up to the program's levels and verifies them.
  bool CheckVersion(const QString& DatabaseName);
  // Runs every script version in list order, without comparing (a new database).
  bool RunAllScripts(const QString& DatabaseName);
  // Copies of ScriptsCommon's items, then of Scripts', with their sources resolved.
  void MergeScripts(TCmScriptsSQL& Target) const;
  std::vector<TVersionRow> ReadVersionRows(const QString& DatabaseName);

  // Who answers the backup question and the upgrade guard (not owned); nullptr
  // brings back the one that asks through message boxes.
  void setUpgradeConsent(UpgradeConsent* consent) { consent_ = consent; }
  // Why the last CheckVersion answered false because of an error; empty otherwise.
  const QString& LastError() const { return lastError_; }

 protected:
  void RunScript(const TVersion& version, bool reconnect);

 private:
  void useDatabase(const QString& name);

  TCmIBSQLObj* ibsqlObj_;
  TCmTransaction* defaultTrans_;
  TCmTransaction* ddlTrans_;
  TCmDatabase* database_;
  TCmIBSQL* sql_;
  TCmScriptsSQL* scriptsCommon_;
  TCmScriptsSQL* scripts_;
  UpgradeConsent* consent_ = nullptr;
  QString lastError_;
};

// A script's text as stored, or the embedded "SQLFILE" item its RESOURCEFILE line names.
QStringList ResolveScriptSource(const QStringList& script);
// Lines of an embedded "SQLFILE" item; throws pf::Error when there is none.
QStringList LoadSqlFile(const QString& name);

#include "LoginRules.h"

#include <QFileInfo>
#include <QSettings>

#include "KelvoHash.h"
#include "data/CmIBSQL.h"
#include "data/CmSQLGlobals.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "platform/Transaction.h"

namespace {

constexpr qsizetype kMaxUserName = 10;

const QString kAccented = QStringLiteral("ÀÁÂÃÄÇÈÉÊËÌÍÎÏÑÒÓÔÕÖÙÚÛÜàáâãäçèéêëìíîïñòóôõöùúûü");

QString& rememberedFile() {
  static QString path;
  return path;
}

bool isTrue(const pf::SqlField& f) { return f.asString().trimmed() == u"T"; }

}  // namespace

QString LoginStatement(int moduleId) {
  const QString m = QString::number(moduleId);
  return QStringLiteral(
             "select U.ID, U.PRIMEIRO_NOME, U.ULTIMO_NOME, U.SENHA, U.SUPERVISOR, "
             "U.DESATIVADO,  ( select M.MODULO from MODULO M where M.ID = ") +
         m + QStringLiteral(") as MODULO  from USUARIO U where ") +
         QStringLiteral("   ( U.USUARIO = :USUARIO) and ") +
         QStringLiteral("   (( select count(UM.USUARIOID) from USUARIO_MODULO UM where ") +
         QStringLiteral("UM.USUARIOID = U.ID and UM.MODULOID = ") + m +
         QStringLiteral(" ) >= 1 ) and ") +
         QStringLiteral("(   (( select count(UM2.USUARIOID) from USUARIO_MODULO UM2 where ") +
         QStringLiteral("UM2.USUARIOID = U.SUPERVISORID and UM2.MODULOID = ") + m +
         QStringLiteral(") >= 1 ) or ") + QStringLiteral("    (U.SUPERVISORID = 1)  )");
}

QString DecodeLaunchUserName(const QString& encoded) {
  QString out = encoded;
  for (QChar& c : out)
    if (!kAccented.contains(c)) c = QChar(static_cast<char16_t>(c.unicode() - 1));
  return out;
}

QString LaunchName(int moduleId, const QStringList& arguments, const QString& connectionIni) {
  const QString first = arguments.value(1);
  if (moduleId == 13) {
    if (first.isEmpty() || !QFileInfo(first).isFile()) return {};
    return pf::IniFile(connectionIni)
        .readString(QStringLiteral("AUTOLOGIN"), QStringLiteral("USER"));
  }
  return first;
}

void setRememberedUserFile(const QString& iniPath) { rememberedFile() = iniPath; }

std::unique_ptr<QSettings> rememberedUserSettings() {
  if (!rememberedFile().isEmpty())
    return std::make_unique<QSettings>(rememberedFile(), QSettings::IniFormat);
  return std::make_unique<QSettings>(QSettings::UserScope, QStringLiteral("KelvoSolutions"),
                                     QStringLiteral("Servers"));
}

RememberedUser LoadRememberedUser() {
  auto s = rememberedUserSettings();
  const QString remember = s->value(QStringLiteral("REMEMBER")).toString();
  RememberedUser r;
  r.remember = remember.isEmpty() || remember == u"True";
  if (r.remember) r.user = s->value(QStringLiteral("USER")).toString();
  return r;
}

void SaveRememberedUser(const QString& user, bool remember) {
  auto s = rememberedUserSettings();
  s->setValue(QStringLiteral("USER"), user);
  s->setValue(QStringLiteral("REMEMBER"),
              remember ? QStringLiteral("True") : QStringLiteral("False"));
}

QString CheckNewPassword(const QString& password, const QString& confirmation) {
  if (password.size() < 3) return QStringLiteral("A senha deve ter no mínimo 3 caracteres.");
  if (password != confirmation) return QStringLiteral("A senha de confirmação está incorreta.");
  return {};
}

LoginRules::LoginRules(pf::Database* database, pf::Transaction* trMain, TCmSQLGlobals* session,
                       int moduleId)
    : database_(database), trMain_(trMain), session_(session), moduleId_(moduleId) {}

std::optional<LoginRules::Row> LoginRules::readRow(const QString& userName,
                                                   pf::Transaction* transaction) {
  // Login names have at most 10 characters: a longer one names nobody (and the server
  // would refuse it as a truncation).
  if (userName.size() > kMaxUserName) return std::nullopt;
  TCmIBSQL sql;
  sql.setDatabase(database_);
  sql.setTransaction(transaction);
  sql.setSql(LoginStatement(moduleId_));
  sql.param(QStringLiteral("USUARIO")).setString(userName);  // typed text is never SQL
  sql.execQuery();
  if (sql.eof()) return std::nullopt;
  Row r;
  r.id = sql.fieldByName(QStringLiteral("ID")).asInteger();
  r.firstName = sql.fieldByName(QStringLiteral("PRIMEIRO_NOME")).asString();
  r.lastName = sql.fieldByName(QStringLiteral("ULTIMO_NOME")).asString();
  r.password = sql.fieldByName(QStringLiteral("SENHA")).asString();
  r.supervisor = isTrue(sql.fieldByName(QStringLiteral("SUPERVISOR")));
  r.deactivated = isTrue(sql.fieldByName(QStringLiteral("DESATIVADO")));
  r.moduleName = sql.fieldByName(QStringLiteral("MODULO")).asString();
  return r;
}

void LoginRules::FillSession(const QString& userName, pf::Transaction* transaction) {
  session_->Usuario = userName;
  session_->UsuarioID = kept_.id;
  session_->FirstName = kept_.firstName;
  session_->LastName = kept_.lastName;
  session_->IsSupervisor = kept_.supervisor;
  session_->Modulo = kept_.moduleName;
  session_->ModuloID = moduleId_;
  session_->UserModules.clear();
  TCmIBSQL sql;
  sql.setDatabase(database_);
  sql.setTransaction(transaction);
  sql.setSql(QStringLiteral(
      "select * from USUARIO_MODULO where USUARIOID = :USUARIOID order by MODULOID"));
  sql.param(QStringLiteral("USUARIOID")).setInteger(kept_.id);
  sql.execQuery();
  for (; !sql.eof(); sql.next())
    session_->UserModules << sql.fieldByName(QStringLiteral("MODULOID")).asString();
}

bool LoginRules::LoginWithLaunchName(const QString& encodedName) {
  const QString name = DecodeLaunchUserName(encodedName).left(kMaxUserName);
  pf::Transaction own;
  own.setParams(pf::Transaction::readCommittedParams());
  own.setDefaultDatabase(database_);
  own.startTransaction();
  bool loggedIn = false;
  try {
    const std::optional<Row> row = readRow(name, &own);
    if (row && row->id > 0 && !row->deactivated) {
      kept_ = *row;
      FillSession(name, &own);
      loggedIn = true;
    }
  } catch (...) {
    own.rollback();
    throw;
  }
  own.commit();
  return loggedIn;
}

bool LoginRules::VerifyCredentials(const QString& user, const QString& password,
                                   const FirstPasswordPrompt& firstPassword) {
  if (!trMain_->inTransaction()) trMain_->startTransaction();
  const std::optional<Row> row = readRow(user, trMain_);
  bool ok = false;
  if (row && row->password.trimmed().isEmpty()) {
    kept_ = *row;
    const std::optional<QString> chosen = firstPassword ? firstPassword(user) : std::nullopt;
    if (chosen) {
      TCmIBSQL sql;
      sql.setDatabase(database_);
      sql.setTransaction(trMain_);
      sql.ExecSQL(QStringLiteral("update USUARIO set  SENHA = '") + PasswordHash(*chosen) +
                  QStringLiteral("' where ID = ") + QString::number(row->id));
      trMain_->commitRetaining();
      ok = true;
    }
  } else if (row) {
    kept_ = *row;
    ok = PasswordHash(password) == row->password.trimmed() && !row->deactivated;
  }
  if (!ok) {
    kept_.id = 0;
    kept_.moduleName.clear();
  }
  return ok;
}

LoginAttempts::Outcome LoginAttempts::record(bool success) {
  if (success) return Outcome::LoggedIn;
  pf::showMessage(QStringLiteral("Login Incorreto."));
  ++counter_;
  return counter_ > 3 ? Outcome::Refused : Outcome::TryAgain;
}

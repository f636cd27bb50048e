#pragma once
// The login's rules, apart from its windows: the login statement, the launch name,
// the credential check, the first password and the remembered user.

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QSettings;
class TCmSQLGlobals;

namespace pf {
class Database;
class Transaction;
}  // namespace pf

// The statement that finds a user of module m whose supervisor is in m or is ADMIN.
QString LoginStatement(int moduleId);
// Every character but the accented Latin letters comes lowered by one code.
QString DecodeLaunchUserName(const QString& encoded);
// The launch name: module 13 reads [AUTOLOGIN] USER of connection.ini when the first
// argument names an existing file; every other module takes the first argument.
QString LaunchName(int moduleId, const QStringList& arguments, const QString& connectionIni);

// "Software/KelvoSolutions/Servers" in the per-user settings: REMEMBER and USER.
struct RememberedUser {
  bool remember = true;
  QString user;
};
std::unique_ptr<QSettings> rememberedUserSettings();
RememberedUser LoadRememberedUser();
void SaveRememberedUser(const QString& user, bool remember);
// For tests: where the remembered user is kept (empty: the per-user settings).
void setRememberedUserFile(const QString& iniPath);

// Empty when the new password may be stored, else the message to show.
QString CheckNewPassword(const QString& password, const QString& confirmation);

class LoginRules {
 public:
  struct Row {
    int id = 0;
    QString firstName;
    QString lastName;
    QString password;
    bool supervisor = false;
    bool deactivated = false;
    QString moduleName;
  };
  // Asks for the first password of `user`; nothing when cancelled.
  using FirstPasswordPrompt = std::function<std::optional<QString>(const QString& user)>;

  LoginRules(pf::Database* database, pf::Transaction* trMain, TCmSQLGlobals* session,
             int moduleId);

  // The launch path, on a transaction of its own: true when the user is logged in.
  bool LoginWithLaunchName(const QString& encodedName);
  // Checks the typed credentials in trMain; keeps the row read on success.
  bool VerifyCredentials(const QString& user, const QString& password,
                         const FirstPasswordPrompt& firstPassword);
  // Fills the session from the kept row and the user's modules.
  void FillSession(const QString& userName, pf::Transaction* transaction);
  const Row& kept() const { return kept_; }

 private:
  std::optional<Row> readRow(const QString& userName, pf::Transaction* transaction);

  pf::Database* database_;
  pf::Transaction* trMain_;
  TCmSQLGlobals* session_;
  int moduleId_;
  Row kept_;
};

// The login window's attempts: three failures end it.
class LoginAttempts {
 public:
  enum class Outcome { LoggedIn, TryAgain, Refused };
  // Shows "Login Incorreto." on a failure.
  Outcome record(bool success);
  int counter() const { return counter_; }

 private:
  int counter_ = 1;
};

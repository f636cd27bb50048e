#pragma once
// Pieces the window tests share: a database module on a throw-away database that
// holds the user tables, launch-name encoding and a watch on the backup window.

#include "login/CmDBDataModule.h"

#include "support/TestDb.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace logindlg_test {

// USUARIO, MODULO and USUARIO_MODULO with users of module 3 (password "segredo"
// unless said otherwise):
//   1 ADMIN, 2 SUPER (under ADMIN), 3 SUB (under SUPER), 4 FORA (not in the module),
//   5 ORFAO (under FORA), 6 INATIVO (deactivated), 7 NOVATO (blank password),
//   8 ABCDEFGHIJ (ten letters), 9 JOÃOÇÊ (accents).
QStringList userSchema();

// A module whose dbMain is connected to `db`; nobody is logged in.
std::unique_ptr<TClsDBDataModule> moduleOn(const testing_support::TempDatabase& db);

// What a launcher passes for a user name: every character but the accented letters
// raised by one code.
QString EncodeLaunchUserName(const QString& name);

// The focusable controls of a shown window in tab order from its focused one, by
// object name.
QStringList tabOrder(QWidget& window);

// Processes events until `done` holds or ten seconds pass.
bool waitFor(const std::function<bool()>& done);

// Records every backup progress window the program shows, with its lines when it
// closes.
class BackupWindowWatch final : public QObject {
 public:
  BackupWindowWatch();
  ~BackupWindowWatch() override;
  int shown = 0;
  QStringList lines;
  // Called with the window once shown, and before it closes.
  std::function<void(QWidget&)> onShown;
  std::function<void(QWidget&)> onClosing;

  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace logindlg_test

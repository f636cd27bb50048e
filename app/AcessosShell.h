#pragma once
// The program's start-up and shutdown: the program-wide values, the application
// object, the database module with server selection and login, then the windows.

#include "login/CmAppGlobals.h"
#include "login/CmDBDataModule.h"

#include <QApplication>

#include <functional>
#include <memory>
#include <vector>

class QWidget;

// Hands every exception that escapes an event handler to the program's handler, so the
// event loop goes on.
class TAcessosApplication final : public QApplication {
  Q_OBJECT
 public:
  TAcessosApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// The caption of the main window.
QString MainFormCaption();

// The variable that holds the main window once it exists.
extern QWidget* frmMainForm;

// What the start-up creates and calls; the program gives the real ones, tests stand-ins.
struct TStartupParts {
  TVersionClass versionClass;
  // Server selection and login, run by the database module's construction.
  std::function<bool(TClsDBDataModule&)> selectServer;
  std::function<bool(TClsDBDataModule&)> runLogin;
  // Makes the application object, by default a TAcessosApplication; null means the
  // one already running is used.
  std::function<std::unique_ptr<QApplication>(int& argc, char** argv)> initializeApplication;
  // The windows and the user data module; absent ones are skipped.
  std::function<QWidget*()> createMainForm;
  std::function<QObject*()> createUserDataModule;
  std::function<QWidget*()> createErrorsForm;
};

class TAcessosShell final {
 public:
  explicit TAcessosShell(TStartupParts parts);
  // Destroys what it created in reverse creation order, the database module last.
  ~TAcessosShell();
  TAcessosShell(const TAcessosShell&) = delete;
  TAcessosShell& operator=(const TAcessosShell&) = delete;

  // Everything before the event loop.
  void Start(int& argc, char** argv);
  // Shows the main window and runs the event loop; after a failed connection, version
  // check or login it returns at once without showing anything.
  int Run();

  bool Aborted() const { return aborted_; }
  QApplication* Application() const { return application_.get(); }
  TClsDBDataModule* DBDataModule() const { return dbModule_.get(); }
  QWidget* MainForm() const { return mainForm_; }
  QObject* UserDataModule() const { return userDataModule_; }
  QWidget* ErrorsForm() const { return errorsForm_; }

 private:
  TStartupParts parts_;
  std::unique_ptr<QApplication> application_;
  std::unique_ptr<TClsDBDataModule> dbModule_;
  QWidget* mainForm_ = nullptr;
  QObject* userDataModule_ = nullptr;
  QWidget* errorsForm_ = nullptr;
  bool aborted_ = false;
};

// The whole run, as main() calls it.
int RunAcessos(int& argc, char** argv, TStartupParts parts);

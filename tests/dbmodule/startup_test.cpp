#include "app/AcessosShell.h"
#include "app/SharedSettings.h"
#include "controls/CmCommon.h"

#include "login/CmAppGlobals.h"
#include "validation/CmErrorHandler.h"

#include "data/CmSQLGlobals.h"
#include "platform/Database.h"
#include "platform/Errors.h"
#include "platform/FormatSettings.h"
#include "platform/Transaction.h"

#include "support/ScriptedDialogs.h"

#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using testing_support::ScriptedDialogs;

namespace {

TAcessosApplication& application() {
  static int argc = 1;
  static char name[] = "Acessos";
  static char* argv[] = {name, nullptr};
  static auto* app = new TAcessosApplication(argc, argv);
  return *app;
}

bool anyWindowVisible() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible()) return true;
  return false;
}

// Stand-ins that record the order in which start-up reaches them.
struct Recorder {
  QStringList trace;
  bool connects = true;
  bool logsIn = true;
  bool throwsInSelection = false;
  QTemporaryDir logs;

  TStartupParts parts() {
    // Start from values no start-up has set.
    ApplicationModuleId = 0;
    VersionClass = nullptr;
    CurrentVersion = reinterpret_cast<QObject*>(0x1);
    pf::formatSettings() = pf::FormatSettings{};
    if (QCoreApplication::instance()) QCoreApplication::setApplicationName("other");
    TStartupParts p;
    p.versionClass = [](QObject* owner) { return new QObject(owner); };
    p.initializeApplication = [this](int&, char**) -> std::unique_ptr<QApplication> {
      trace << "application";
      // Steps 1 to 4 come before the application object.
      EXPECT_TRUE(static_cast<bool>(VersionClass));
      EXPECT_EQ(pf::formatSettings().thousandSeparator, u'.');
      EXPECT_EQ(KelvoModules(3).Name, "Kelvo Acessos");
      EXPECT_EQ(ApplicationModuleId, 3);
      application();
      return nullptr;
    };
    p.selectServer = [this](TClsDBDataModule& m) -> bool {
      trace << "select";
      m.LogRoot = logs.path();
      // What the earlier steps must have done by now.
      EXPECT_EQ(pf::formatSettings().decimalSeparator, u',');
      EXPECT_EQ(ApplicationModuleId, 3);
      EXPECT_TRUE(static_cast<bool>(VersionClass));
      EXPECT_EQ(CurrentVersion, nullptr);
      EXPECT_EQ(QCoreApplication::applicationName(), "Gerenciador de Usuários");
      EXPECT_EQ(TCmSQLGlobals::Instance(), m.CmSQLGlobals);
      EXPECT_TRUE(hasApplicationExceptionHandler());
      EXPECT_EQ(frmMainForm, nullptr) << "no window of the application yet";
      if (throwsInSelection) throw pf::Error("Servidor fora do ar");
      return connects;
    };
    p.runLogin = [this](TClsDBDataModule& m) {
      trace << "login";
      m.CmSQLGlobals->Usuario = "ADMIN";
      return logsIn;
    };
    p.createMainForm = [this] {
      trace << "main window";
      auto* w = new QMainWindow;
      w->setWindowTitle(MainFormCaption());
      watch(w, "main window");
      return w;
    };
    p.createUserDataModule = [this] {
      trace << "user data module";
      auto* m = TClsDataModule::Create<TClsDataModule>().release();
      watch(m, "user data module");
      return m;
    };
    p.createErrorsForm = [this] {
      trace << "errors form";
      auto* w = new QWidget;
      w->setWindowTitle("Consistências");
      watch(w, "errors form");
      return w;
    };
    return p;
  }

  void watch(QObject* object, const QString& name) {
    QObject::connect(object, &QObject::destroyed, [this, name] { trace << "~" + name; });
  }
};

int argc = 1;
char programName[] = "Acessos";
char* argv[] = {programName, nullptr};

TEST(Startup, RunsInOrderShowsTheMainWindowAndShutsDownInReverse) {
  Recorder rec;
  {
    TAcessosShell shell(rec.parts());
    shell.Start(argc, argv);
    EXPECT_EQ(rec.trace, (QStringList{"application", "select", "login", "main window",
                                      "user data module", "errors form"}));
    EXPECT_FALSE(shell.Aborted());
    EXPECT_TRUE(TCmFocusController::Instance().Tracking());  // switched on by the settings
    EXPECT_EQ(frmMainForm, shell.MainForm());
    EXPECT_FALSE(anyWindowVisible()) << "nothing is shown before the event loop";
    rec.watch(shell.DBDataModule(), "database module");

    bool mainShown = false;
    bool errorsHidden = false;
    QTimer::singleShot(0, shell.MainForm(), [&] {
      mainShown = shell.MainForm()->isVisible();
      errorsHidden = !shell.ErrorsForm()->isVisible();
      shell.MainForm()->close();  // ends the event loop as the "Sair" button does
    });
    EXPECT_EQ(shell.Run(), 0);
    EXPECT_TRUE(mainShown);
    EXPECT_TRUE(errorsHidden);
    rec.trace.clear();
  }
  EXPECT_EQ(rec.trace, (QStringList{"~errors form", "~user data module", "~main window",
                                    "~database module"}));
  EXPECT_EQ(frmMainForm, nullptr);
  EXPECT_FALSE(hasApplicationExceptionHandler());
}

TEST(Startup, FailedConnectionOrLoginShowsNothingAndEndsAtOnce) {
  struct Case {
    const char* name;
    bool connects;
    bool logsIn;
    bool throws;
    QStringList trace;
  } cases[] = {
      {"connection refused", false, true, false, {"application", "select"}},
      {"login cancelled", true, false, false, {"application", "select", "login"}},
      {"selection failed", true, true, true, {"application", "select"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedDialogs dialogs;
    if (c.throws) dialogs.expectMessage("Servidor fora do ar");
    Recorder rec;
    rec.connects = c.connects;
    rec.logsIn = c.logsIn;
    rec.throwsInSelection = c.throws;
    TAcessosShell shell(rec.parts());
    shell.Start(argc, argv);
    EXPECT_TRUE(shell.Aborted());
    EXPECT_EQ(rec.trace, c.trace) << "no window and no data module after the failure";
    EXPECT_EQ(shell.MainForm(), nullptr);
    EXPECT_EQ(frmMainForm, nullptr);

    bool loopRan = false;
    QTimer guard;  // would end an event loop that should never run
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
      loopRan = true;
      QCoreApplication::quit();
    });
    guard.start(0);
    EXPECT_EQ(shell.Run(), 0);
    EXPECT_FALSE(loopRan);
    EXPECT_FALSE(anyWindowVisible());
  }
}

// Raises from inside an event handler, as a button click or a timer would.
class Thrower final : public QObject {
 public:
  std::function<void()> raise;
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) raise();
    return QObject::event(e);
  }
};

TEST(Startup, ExceptionsFromEventHandlersReachTheDatabaseModule) {
  application();
  QTemporaryDir logs;
  auto module = TClsDataModule::Create<TClsDBDataModule>();
  module->LogRoot = logs.path();
  ScriptedDialogs dialogs;
  dialogs.expectMessage("Campo obrigatório");
  dialogs.expectDialog("ClsErrorHandler", [](QDialog& d) {
    EXPECT_EQ(static_cast<TClsErrorHandler&>(d).memMensagem->toPlainText(), "deadlock");
    return int(QDialog::Accepted);
  });
  Thrower target;
  const std::function<void()> raises[] = {
      [] { throw pf::Error("Campo obrigatório"); },
      [] { throw pf::DatabaseError("deadlock", -913, 335544336L, "40001", {335544336L}); },
      [] { throw pf::Abort(); },
  };
  for (const auto& raise : raises) {
    target.raise = raise;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&target, &event);  // returns: the loop goes on
  }
  EXPECT_EQ(module->Exceptions().size(), 1u);
  EXPECT_EQ(module->DatabaseErrors().size(), 1u);
}

TEST(SharedSettings, CatalogueAndFixedConventions) {
  pf::formatSettings() = pf::FormatSettings{};
  InitializeSharedSettings();
  struct Case {
    int id;
    const char* name;
    const char* exe;
  } cases[] = {
      {1, "Kelvo Caixa", "Caixa.exe"},          {2, "", ""},
      {3, "Kelvo Acessos", "Acessos.exe"},      {8, "Kelvo Balanço", "Balanco.exe"},
      {9, "Kelvo Trâmite Free", "Tramite.exe"}, {10, "Kelvo Trâmite Móvel", "Movel.exe"},
      {12, "Kelvo Agenda", "Agenda.exe"},       {13, "Kelvo Notas", "Notas.exe"},
      {20, "", ""},                             {0, "", ""},
      {21, "", ""},                             {-1, "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KelvoModules(c.id).Name, QString::fromUtf8(c.name)) << c.id;
    EXPECT_EQ(KelvoModules(c.id).Executable, QString::fromUtf8(c.exe)) << c.id;
  }

  const pf::FormatSettings& fs = pf::formatSettings();
  EXPECT_TRUE(fs.currencyString.isEmpty());
  EXPECT_EQ(fs.decimalSeparator, u',');
  EXPECT_EQ(fs.thousandSeparator, u'.');
  EXPECT_EQ(fs.listSeparator, u';');
  EXPECT_EQ(fs.shortDateFormat, "dd/mm/yyyy");
  EXPECT_EQ(fs.longMonthNames.size(), 12);
  EXPECT_EQ(fs.longMonthNames[2], "Março");
  EXPECT_EQ(fs.shortMonthNames[2], "Mar");
  EXPECT_EQ(fs.shortMonthNames[11], "Dez");
  EXPECT_EQ(fs.longDayNames.front(), "domingo");
  EXPECT_EQ(fs.longDayNames.back(), "sábado");
  EXPECT_EQ(fs.shortDayNames, (QStringList{"dom", "seg", "ter", "qua", "qui", "sex", "sáb"}));
  EXPECT_EQ(HintHidePause(), 100000);

  const QDateTime moment(QDate(2026, 3, 7), QTime(9, 5, 0));
  EXPECT_EQ(pf::formatDateTime(u"dd/mm/yyyy", moment), "07/03/2026");
  EXPECT_EQ(pf::formatDateTime(u"dddd, d \"de\" mmmm", moment), "sábado, 7 de Março");
  EXPECT_DOUBLE_EQ(QLocale().toDouble(QStringLiteral("1,5")), 1.5);
}

TEST(SharedSettings, BrowserEmulationValue) {
  struct Case {
    const char* svcVersion;
    const char* version;
    int expected;
  } cases[] = {
      {"11.0.9600.16384", "9.11.9600.16384", 11000}, {"  12.1 ", "", 11000},
      {"", "9.11.9600", 9000},                         {"", "10.0", 10000},
      {"", "8", 8000},                                 {"", "", 7000},
      {"", "6.0", 7000},                               {"abc", "9.0", 7000},
      {".9", "", 7000},                                {"   ", "8.0.1", 8000},
  };
  for (const Case& c : cases)
    EXPECT_EQ(BrowserEmulationValue(c.svcVersion, c.version), c.expected)
        << c.svcVersion << " / " << c.version;
}

}  // namespace

#include "AcessosShell.h"

#include "SharedSettings.h"

#include <QHelpEvent>
#include <QMainWindow>
#include <QToolTip>

#if __has_include("forms/CmForm.h")
#include "forms/CmForm.h"
#define ACESSOS_HAS_BASE_FORMS 1
#endif

QWidget* frmMainForm = nullptr;

namespace {

void setMainFormReference() {
#ifdef ACESSOS_HAS_BASE_FORMS
  MainFormReference = &frmMainForm;
#endif
}

std::unique_ptr<QApplication> defaultApplication(int& argc, char** argv) {
  return std::make_unique<TAcessosApplication>(argc, argv);
}

// A hint stays up for the program's pause unless its widget sets its own.
bool showLongHint(QObject* receiver, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(receiver);
  if (!widget || widget->toolTip().isEmpty() || widget->toolTipDuration() > 0) return false;
  const auto* help = static_cast<QHelpEvent*>(event);
  QToolTip::showText(help->globalPos(), widget->toolTip(), widget, QRect(), HintHidePause());
  return true;
}

}  // namespace

TAcessosApplication::TAcessosApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TAcessosApplication::notify(QObject* receiver, QEvent* event) {
  try {
    if (event->type() == QEvent::ToolTip && HintHidePause() > 0 && showLongHint(receiver, event))
      return true;
    return QApplication::notify(receiver, event);
  } catch (...) {
    handleApplicationException(std::current_exception());
    return false;
  }
}

QString MainFormCaption() { return QStringLiteral("Gerenciador de Usuários"); }

TAcessosShell::TAcessosShell(TStartupParts parts) : parts_(std::move(parts)) {}

TAcessosShell::~TAcessosShell() {
  delete errorsForm_;
  delete userDataModule_;
  if (frmMainForm == mainForm_) frmMainForm = nullptr;
  delete mainForm_;
  dbModule_.reset();
}

void TAcessosShell::Start(int& argc, char** argv) {
  CurrentVersion = nullptr;
  VersionClass = parts_.versionClass;
  InitializeSharedSettings();
  ApplicationModuleId = 3;
  setMainFormReference();

  application_ = parts_.initializeApplication ? parts_.initializeApplication(argc, argv)
                                              : defaultApplication(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("Gerenciador de Usuários"));

  TConnectSteps steps;
  steps.SelectServer = parts_.selectServer;
  steps.RunLogin = parts_.runLogin;
  steps.AbortApplication = [this] { aborted_ = true; };
  dbModule_ = TClsDataModule::Create<TClsDBDataModule>(nullptr, std::move(steps));

  // Nothing more is created after an abort: no window may show and no further
  // database work may happen.
  if (aborted_) return;
  if (parts_.createMainForm) {
    mainForm_ = parts_.createMainForm();
  } else {
    auto* window = new QMainWindow;
    window->setObjectName(QStringLiteral("frmMainForm"));
    window->setWindowTitle(MainFormCaption());
    mainForm_ = window;
  }
  frmMainForm = mainForm_;
  if (parts_.createUserDataModule) userDataModule_ = parts_.createUserDataModule();
  if (parts_.createErrorsForm) errorsForm_ = parts_.createErrorsForm();
}

int TAcessosShell::Run() {
  if (aborted_ || !mainForm_) return 0;
  mainForm_->show();
  return QApplication::exec();
}

int RunAcessos(int& argc, char** argv, TStartupParts parts) {
  TAcessosShell shell(std::move(parts));
  try {
    shell.Start(argc, argv);
  } catch (...) {
    // Nothing can run without the objects of the start-up: the error is shown and the
    // program ends.
    handleApplicationException(std::current_exception());
    return 1;
  }
  return shell.Run();
}

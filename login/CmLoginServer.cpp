#include "CmLoginServer.h"

#include "CmAppGlobals.h"
#include "CmDBDataModule.h"

#include "controls/CmCommon.h"
#include "versioning/CmCreateDataBase.h"
#include "versioning/CmCustomVersion.h"

#include <QCoreApplication>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

namespace {

// CurrentVersion exists while its check runs, and is gone on every way out.
class VersionObject {
 public:
  explicit VersionObject(QObject* owner) {
    CurrentVersion = VersionClass(owner);
    object_ = CurrentVersion;
  }
  ~VersionObject() {
    delete object_;
    CurrentVersion = nullptr;
  }
  VersionObject(const VersionObject&) = delete;
  VersionObject& operator=(const VersionObject&) = delete;
  QObject* get() const { return object_; }

 private:
  QObject* object_;
};

}  // namespace

TClsLoginServer::TClsLoginServer(ServerSelectionRules& rules, QWidget* owner)
    : TClsHintForm(owner),
      lblServidor(new QLabel(QStringLiteral("Servidor:"), ClientArea())),
      lblServerName(new QLabel(ClientArea())),
      lblEdtServidor(new QLabel(QStringLiteral("Servidor"), ClientArea())),
      edtServidor(new QLineEdit(ClientArea())),
      btCreateDB(new QPushButton(QStringLiteral("Criar Banco de Dados..."), ClientArea())),
      btConectar(new QPushButton(QStringLiteral("C&onectar"), ClientArea())),
      btCancelar(new QPushButton(QStringLiteral("&Cancelar"), ClientArea())),
      rules_(rules) {
  setObjectName(QStringLiteral("ClsLoginServer"));
  SetCaption(QStringLiteral("Login"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  lblServidor->setObjectName(QStringLiteral("lblServidor"));
  lblServerName->setObjectName(QStringLiteral("lblServerName"));
  QFont bold = lblServerName->font();
  bold.setBold(true);
  lblServerName->setFont(bold);
  lblServerName->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lblEdtServidor->setObjectName(QStringLiteral("lblEdtServidor"));
  lblEdtServidor->setBuddy(edtServidor);
  edtServidor->setObjectName(QStringLiteral("edtServidor"));
  edtServidor->setMinimumWidth(380);
  SetControlHint(edtServidor, QStringLiteral("<nome servidor>:<caminho do bando de dados>"));
  btCreateDB->setObjectName(QStringLiteral("btCreateDB"));
  SetControlHint(btCreateDB, QStringLiteral("Conectar-se ao banco de dados"));
  btConectar->setObjectName(QStringLiteral("btConectar"));
  SetControlHint(btConectar, QStringLiteral("Conectar-se ao banco de dados"));
  btCancelar->setObjectName(QStringLiteral("btCancelar"));
  SetControlHint(btCancelar, QStringLiteral("Cancelar Conexão"));
  btCreateDB->setMinimumHeight(24);
  for (QPushButton* b : {btConectar, btCancelar}) b->setFixedSize(86, 24);

  auto* grid = new QGridLayout(ClientArea());
  grid->setContentsMargins(12, 12, 12, 8);
  auto* top = new QHBoxLayout;
  top->addWidget(lblServidor);
  top->addWidget(lblServerName, 1);
  grid->addLayout(top, 0, 0);
  grid->addWidget(lblEdtServidor, 1, 0);
  grid->addWidget(edtServidor, 2, 0);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btCreateDB);
  buttons->addStretch(1);
  buttons->addWidget(btConectar);
  buttons->addWidget(btCancelar);
  grid->addLayout(buttons, 3, 0);
  SetCancelButton(btCancelar);
  connect(btConectar, &QPushButton::clicked, this, &TClsLoginServer::btConectarClick);
  connect(btCancelar, &QPushButton::clicked, this, &QDialog::reject);
  connect(btCreateDB, &QPushButton::clicked, this, &TClsLoginServer::btCreateDBClick);
}

void TClsLoginServer::showEvent(QShowEvent* event) {
  TClsHintForm::showEvent(event);
  if (event->spontaneous()) return;
  const QString stored = rules_.ReadDatabaseName();
  lblServerName->setText(stored);
  edtServidor->setText(stored);
  btCreateDB->setVisible(static_cast<bool>(VersionClass));
  edtServidor->setFocus();
}

void TClsLoginServer::btConectarClick() {
  if (rules_.Conectar(edtServidor->text())) {
    accept();
    return;
  }
  edtServidor->setFocus();
}

void TClsLoginServer::btCreateDBClick() {
  if (!CreateDataBase) return;
  const TCreatedDatabase created = CreateDataBase(this);
  // Only the name changes; the user connects with "C&onectar".
  if (created.Created)
    edtServidor->setText(
        ServerSelectionRules::CreatedDatabaseName(created.ServerName, created.FileName));
}

TCreatedDatabase OpenCreateDataBase(QWidget* owner) {
  TClsCreateDataBase dialog(
      [](QObject* o) -> TClsCustomVersion* {
        QObject* made = VersionClass ? VersionClass(o) : nullptr;
        if (auto* version = qobject_cast<TClsCustomVersion*>(made)) return version;
        delete made;
        return nullptr;
      },
      owner);
  dialog.ShowModal();
  return {dialog.Created, dialog.edtServerName->text(), dialog.edtFile->text()};
}

bool SelectServer(TClsDBDataModule& module, const TServerSelectionHooks& hooks) {
  const QString ini = hooks.ConnectionIni.isEmpty()
                          ? QDir(QCoreApplication::applicationDirPath())
                                .filePath(QStringLiteral("connection.ini"))
                          : hooks.ConnectionIni;
  ServerSelectionRules rules(module.dbMain, ini);
  TClsLoginServer window(rules);
  window.CreateDataBase = hooks.CreateDataBase ? hooks.CreateDataBase : OpenCreateDataBase;
  rules.versionCheck = [&window, &hooks](const QString& name) {
    if (!VersionClass) return true;  // no schema of its own to check
    VersionObject version(&window);
    if (hooks.CheckVersion) return hooks.CheckVersion(version.get(), name);
    auto* custom = qobject_cast<TClsCustomVersion*>(version.get());
    return custom ? custom->CheckVersion(name) : true;
  };
  rules.showWindow = [&window] { window.ShowModal(); };
  return rules.SelectServer();
}

#include "CmCreateDataBase.h"

#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "data/CmDatabase.h"
#include "platform/BusyCursor.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"

bool CreateNewDatabase(const QString& databaseName, const TCustomVersionFactory& versionClass) {
  pf::BusyCursor busy;

  std::unique_ptr<TClsCustomVersion> version(versionClass ? versionClass(nullptr) : nullptr);
  if (!version) throw pf::Error(QStringLiteral("No version module to create the database with"));
  {
    TCmDatabase db;
    db.setDatabaseName(databaseName);
    db.setSqlDialect(3);
    db.setParams({QStringLiteral("USER 'SYSDBA'"), QStringLiteral("PASSWORD 'hushvault'"),
                  QStringLiteral("PAGE_SIZE 4096")});
    db.createDatabase();
    db.close();
  }
  return version->RunAllScripts(databaseName);
}

bool CreateNewDatabase(const QString& serverName, const QString& fileName,
                       const TCustomVersionFactory& versionClass) {
  return CreateNewDatabase(serverName + u':' + fileName, versionClass);
}

TClsCreateDataBase::TClsCreateDataBase(TCustomVersionFactory versionClass, QWidget* owner)
    : TClsCustomDialog(owner),
      lblServerName(new QLabel(QStringLiteral("Nome Servidor"), pnArea)),
      edtServerName(new QLineEdit(pnArea)),
      lblFile(new QLabel(QStringLiteral("Arquivo Base de Dados Firebird ( *.gdb )"), pnArea)),
      edtFile(new QLineEdit(pnArea)),
      versionClass_(std::move(versionClass)) {
  setObjectName(QStringLiteral("ClsCreateDataBase"));
  SetCaption(QStringLiteral("Criar Banco de Dados"));
  lblServerName->setObjectName(QStringLiteral("lblServerName"));
  edtServerName->setObjectName(QStringLiteral("edtServerName"));
  lblFile->setObjectName(QStringLiteral("lblFile"));
  edtFile->setObjectName(QStringLiteral("edtFile"));
  lblServerName->setBuddy(edtServerName);
  lblFile->setBuddy(edtFile);
  edtFile->setMinimumWidth(360);

  auto* area = new QVBoxLayout(pnArea);
  area->setContentsMargins(8, 8, 8, 8);
  area->addWidget(lblServerName);
  area->addWidget(edtServerName);
  area->addSpacing(4);
  area->addWidget(lblFile);
  area->addWidget(edtFile);

  btnOK->setText(QStringLiteral("&Criar"));
  btnCancel->setText(QStringLiteral("&Fechar"));
  setTabOrder(edtServerName, edtFile);
  setTabOrder(edtFile, btnOK);
  setTabOrder(btnOK, btnCancel);
  connect(btnOK, &QPushButton::clicked, this, [this] { btnCriarClick(); });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  edtServerName->setFocus();
}

bool TClsCreateDataBase::CreateNewDatabase() {
  return ::CreateNewDatabase(edtServerName->text(), edtFile->text(), versionClass_);
}

void TClsCreateDataBase::btnCriarClick() {
  // The fields are taken as typed, blanks included.
  if (edtServerName->text().isEmpty()) {
    pf::showMessage(QStringLiteral("Digite o nome do servidor."));
    return;
  }
  if (edtFile->text().isEmpty()) {
    pf::showMessage(QStringLiteral("Digite o nome do arquivo (*.gdb)"));
    return;
  }
  if (CreateNewDatabase()) {
    pf::showMessage(QStringLiteral("Banco de Dados criado com sucesso."));
    Created = true;
    accept();
  } else {
    pf::showMessage(QStringLiteral(
        "Não foi possível criar o banco de dados. Tente novamente.\rCaso o problema persistir "
        "contate o fabricante do software."));
  }
}

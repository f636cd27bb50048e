#include "MainWinFixture.h"

#include "app/AcessosParts.h"

#include "data/CmSQLGlobals.h"
#include "platform/Database.h"

#include <QLabel>
#include <QTest>

namespace {

// The program's real windows through the start-up: the main window exists before the
// user data module, and shows the tree once both are there.
TEST(StartupWindows, MainWindowAndUserDataAfterTheLogin) {
  testing_support::TempDatabase db;
  db.exec(mainwin_test::schemaStatements());
  TStartupParts parts;
  AddAcessosWindows(parts);
  parts.initializeApplication = [](int&, char**) -> std::unique_ptr<QApplication> {
    return nullptr;  // the test's application
  };
  const QString name = db.name();
  parts.selectServer = [name](TClsDBDataModule& m) {
    m.dbMain->setDatabaseName(name);
    m.dbMain->open();
    return true;
  };
  parts.runLogin = [](TClsDBDataModule& m) {
    m.CmSQLGlobals->Usuario = QStringLiteral("SUP1");
    m.CmSQLGlobals->UsuarioID = 2;
    m.CmSQLGlobals->ModuloID = 3;
    return true;
  };
  bool dataModuleAfterWindow = false;
  const auto makeData = parts.createUserDataModule;
  parts.createUserDataModule = [&] {
    dataModuleAfterWindow = frmMainForm != nullptr && dmSenha == nullptr;
    return makeData();
  };

  int argc = 1;
  char program[] = "Acessos";
  char* argv[] = {program, nullptr};
  {
    TAcessosShell shell(std::move(parts));
    shell.Start(argc, argv);
    ASSERT_FALSE(shell.Aborted());
    EXPECT_TRUE(dataModuleAfterWindow);
    auto* window = qobject_cast<TfrmMainForm*>(shell.MainForm());
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(shell.UserDataModule(), dmSenha);
    window->UpdateCheckWork = [](const std::atomic<bool>&) {};
    window->show();
    EXPECT_EQ(window->lblUSER->text(), QStringLiteral("[SUP1]"));
    EXPECT_TRUE(dmSenha->USUARIO->active());
    EXPECT_EQ(window->TreeUser->currentItem(), window->FindUserItem(2));
    window->close();
    if (auto t = window->updateThread()) t->wait();
  }
  EXPECT_EQ(dmSenha, nullptr);
  EXPECT_EQ(frmMainForm, nullptr);
}

}  // namespace

#include "validation/CmErrorHandler.h"

#include "DbModuleFixture.h"

#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

TLogErrorDataBase entry(int sqlCode, const QString& message, int minute) {
  TLogErrorDataBase e;
  e.SQLCode = sqlCode;
  e.Message = message;
  e.DateTime = QDateTime(QDate(2026, 12, 11), QTime(10, minute, 0));
  e.ServerName = QStringLiteral("srv01:/dados/kelvo.fdb");
  e.ComputerName = QStringLiteral("ESTACAO07");
  return e;
}

class ErrorDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { dbmodule_test::application(); }
  TLogErrorDataBaseList list_;
};

TEST_F(ErrorDialogTest, OneErrorFillsTheFieldsAndDisablesNavigation) {
  list_.push_back(entry(-803, "violation of PRIMARY or UNIQUE KEY constraint\n"
                              "on table \"USUARIO\"", 0));
  TClsErrorHandler dialog(list_);
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), "Erro no Banco de Dados");
  EXPECT_EQ(dialog.CurrentIndex(), 0);
  EXPECT_EQ(dialog.memMensagem->toPlainText(), list_[0].Message);
  EXPECT_EQ(dialog.memMensagemLog->toPlainText(), list_[0].Message);
  EXPECT_TRUE(dialog.memMensagem->isReadOnly());
  EXPECT_EQ(dialog.edtCodigo->text(), "-803");
  EXPECT_EQ(dialog.edtComputerName->text(), "ESTACAO07");
  EXPECT_EQ(dialog.edtDataHora->text(), "11/12/2026 10:00:00");
  EXPECT_EQ(dialog.edtServidor->text(), "srv01:/dados/kelvo.fdb");
  EXPECT_FALSE(dialog.bbtAnterior->isEnabled());
  EXPECT_FALSE(dialog.bbtProximo->isEnabled());
  EXPECT_FALSE(dialog.pnlBckGround->isVisible()) << "opens with the details closed";
  EXPECT_EQ(dialog.focusWidget(), dialog.bbtOk);

  dialog.bbtOk->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(ErrorDialogTest, DetailsToggledTwiceRestoreTheHeight) {
  list_.push_back(entry(-901, "lock conflict", 0));
  TClsErrorHandler dialog(list_);
  dialog.show();
  const int closedHeight = dialog.height();

  dialog.bbtDetails->click();
  EXPECT_TRUE(dialog.ShowDetails());
  EXPECT_TRUE(dialog.pnlBckGround->isVisible());
  EXPECT_EQ(dialog.bbtDetails->text(), "<< Detalhes");
  EXPECT_GT(dialog.height(), closedHeight);
  EXPECT_GE(dialog.height() - closedHeight, dialog.pnlBckGround->height())
      << "the window grows by the panel";

  dialog.bbtDetails->click();
  EXPECT_FALSE(dialog.pnlBckGround->isVisible());
  EXPECT_EQ(dialog.bbtDetails->text(), "Detalhes >>");
  EXPECT_EQ(dialog.height(), closedHeight);
}

TEST_F(ErrorDialogTest, ThreeErrorsOpenOnTheNewestAndFocusAvoidsTheDisabledButton) {
  for (int i = 0; i < 3; ++i) list_.push_back(entry(-900 - i, QString("erro %1").arg(i), i));
  TClsErrorHandler dialog(list_);
  dialog.show();
  dialog.bbtDetails->click();
  EXPECT_EQ(dialog.CurrentIndex(), 2);
  EXPECT_EQ(dialog.memMensagem->toPlainText(), "erro 2");
  EXPECT_TRUE(dialog.bbtAnterior->isEnabled());
  EXPECT_FALSE(dialog.bbtProximo->isEnabled());

  dialog.bbtAnterior->setFocus();
  dialog.bbtAnterior->click();
  EXPECT_EQ(dialog.CurrentIndex(), 1);
  EXPECT_TRUE(dialog.bbtAnterior->isEnabled());
  EXPECT_TRUE(dialog.bbtProximo->isEnabled());
  EXPECT_EQ(dialog.edtDataHora->text(), "11/12/2026 10:01:00");

  dialog.bbtAnterior->click();
  EXPECT_EQ(dialog.CurrentIndex(), 0);
  EXPECT_EQ(dialog.edtCodigo->text(), "-900");
  EXPECT_FALSE(dialog.bbtAnterior->isEnabled());
  EXPECT_EQ(dialog.focusWidget(), dialog.bbtProximo);

  dialog.bbtProximo->click();
  dialog.bbtProximo->click();
  EXPECT_EQ(dialog.CurrentIndex(), 2);
  EXPECT_FALSE(dialog.bbtProximo->isEnabled());
  EXPECT_EQ(dialog.focusWidget(), dialog.bbtAnterior);

  dialog.GoTo(3);
  dialog.GoTo(-1);
  EXPECT_EQ(dialog.CurrentIndex(), 2) << "an index outside the list is ignored";
}

TEST_F(ErrorDialogTest, ListGrowingWhileOpen) {
  list_.reserve(1);  // the next entry moves the list: the dialog must not keep pointers
  list_.push_back(entry(-901, "first", 0));
  TClsErrorHandler dialog(list_);
  list_.push_back(entry(-902, "second", 1));
  dialog.ShowNewest();
  EXPECT_EQ(dialog.CurrentIndex(), 1);
  EXPECT_EQ(dialog.memMensagem->toPlainText(), "second");
  EXPECT_TRUE(dialog.bbtAnterior->isEnabled());
}

TEST_F(ErrorDialogTest, Screenshots) {
  const QString folder = qEnvironmentVariable("ACESSOS_SHOTS");
  if (folder.isEmpty()) GTEST_SKIP() << "set ACESSOS_SHOTS to a folder to take them";
  QDir().mkpath(folder);
  list_.push_back(entry(-803, "violation of PRIMARY or UNIQUE KEY constraint "
                              "\"PK_USUARIO\" on table \"USUARIO\"\n"
                              "Problematic key value is (\"ID\" = 12)", 0));
  list_.push_back(entry(-913, "deadlock\nupdate conflicts with concurrent update\n"
                              "concurrent transaction number is 1842", 1));
  TClsErrorHandler dialog(list_);
  dialog.show();
  EXPECT_TRUE(dialog.grab().save(folder + "/error_dialog_closed.png"));
  dialog.bbtDetails->click();
  EXPECT_TRUE(dialog.grab().save(folder + "/error_dialog_details.png"));
}

}  // namespace

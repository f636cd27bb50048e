#include "LoginDlgFixture.h"

#include "versioning/CmBackupAuth.h"
#include "versioning/CmControlVersion.h"
#include "versioning/UpgradeDialogs.h"
#include "versioning/UpgradeGuard.h"

#include "support/ScriptedDialogs.h"

#include "platform/Database.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <QTreeWidget>

#include <atomic>

using logindlg_test::BackupWindowWatch;
using logindlg_test::waitFor;
using pf::MsgButton;
using testing_support::ScriptedDialogs;
using testing_support::TempDatabase;

namespace {

const char* kCaption = "Controle de Versão Banco de Dados";
const QString kOthers = QStringLiteral(
    "Processo não pode continuar pois existem usuários conectados a Base de Dados.\r\n"
    "Existe(m) %1 usuário(s) conectados.");
const char* kEndQuestion =
    "Atenção!\nEsse encerramento é realizado sem o consentimento do usuário.\nSe possível, "
    "peça ao usuário que encerre as aplicações da Kelvo Solutions.\n\nDeseja realmente "
    "encerrar a conexão sem consentimento deste usuário?";

TClsControlVersion& shown(QDialog& d) {
  auto& g = static_cast<TClsControlVersion&>(d);
  g.show();
  return g;
}

}  // namespace

TEST(BackupQuestion, TheBoxDecides) {
  for (bool untick : {false, true}) {
    ScriptedDialogs dialogs;
    dialogs.expectDialog("ClsBackupAuth", [untick](QDialog& d) {
      auto& q = static_cast<TClsBackupAuth&>(d);
      q.show();
      EXPECT_EQ(q.windowTitle(), QString::fromUtf8(kCaption));
      EXPECT_FALSE(q.windowFlags() & Qt::WindowCloseButtonHint);
      EXPECT_TRUE(q.chbMakeBackup->isChecked());
      EXPECT_EQ(q.chbMakeBackup->text(),
                QStringLiteral("Sim, desejo realizar o backup da \"Base de Dados\"."));
      EXPECT_EQ(q.btnOK->text(), QStringLiteral("&Continuar"));
      EXPECT_FALSE(q.btnCancel->isVisible());
      EXPECT_EQ(logindlg_test::tabOrder(q), QStringList({"chbMakeBackup", "btnOK"}));
      EXPECT_TRUE(q.memExplicacao->isReadOnly());
      EXPECT_TRUE(q.memExplicacao->toPlainText().startsWith(
          QStringLiteral("Com o objetivo de obter o máximo proveito desta nova versão, será "
                         "necessário atualizar sua \"Base de \nDados\".\n\nPara prosseguirmos")));
      if (untick) q.chbMakeBackup->click();
      QTest::mouseClick(q.btnOK, Qt::LeftButton);
      EXPECT_FALSE(q.isVisible());
      return q.result();
    });
    EXPECT_EQ(AskBackup(), !untick);
  }
}

// The guard runs on the local server: it counts and lists attachments.
class Guard : public ::testing::Test {
 protected:
  void SetUp() override { db_ = tmp_.connect(); }
  TempDatabase tmp_{TempDatabase::Kind::Server};
  std::unique_ptr<pf::Database> db_;
};

TEST_F(Guard, AloneWithBackupMadeConfirmsAtOnceAndNeverShowsTheList) {
  BackupWindowWatch watch;
  QString backupFile;
  ScriptedDialogs dialogs;
  dialogs.expectDialog("ClsControlVersion", [&](QDialog& d) {
    TClsControlVersion& g = shown(d);
    EXPECT_EQ(g.windowTitle(), QString::fromUtf8(kCaption));
    EXPECT_EQ(watch.shown, 1);  // the backup ran as the guard opened
    backupFile = g.BackupFileName;
    const int height = g.height();
    QTest::mouseClick(g.btnOK, Qt::LeftButton);
    EXPECT_FALSE(g.pnlComputador->isVisible());
    EXPECT_EQ(g.height(), height);
    EXPECT_FALSE(g.isVisible());
    return g.result();
  });
  const QDateTime before = QDateTime::currentDateTime();
  EXPECT_TRUE(RunUpgradeGuard(db_.get(), false));
  const QDateTime after = QDateTime::currentDateTime();
  // path + "-yyyy-mm-dd-hh-mm.gbk", written by the server beside the database
  QStringList expected;
  for (const QDateTime& t : {before, after})
    expected << BackupFileNameFor(tmp_.path(), t);
  EXPECT_TRUE(expected.contains(backupFile)) << backupFile.toStdString();
  EXPECT_TRUE(QRegularExpression(QRegularExpression::escape(tmp_.path()) +
                                 "-\\d{4}-\\d\\d-\\d\\d-\\d\\d-\\d\\d\\.gbk")
                  .match(backupFile)
                  .hasMatch());
  EXPECT_GT(QFileInfo(backupFile).size(), 0);
  EXPECT_GT(watch.lines.size(), 5);  // the server's output was shown
  EXPECT_TRUE(watch.lines.join('\n').contains("gbak"));
}

TEST_F(Guard, ClosingWhileTheBackupRunsIsIgnored) {
  BackupWindowWatch watch;
  watch.onShown = [](QWidget& progress) {
    auto* guard = qobject_cast<TClsControlVersion*>(progress.parentWidget());
    ASSERT_NE(guard, nullptr);
    EXPECT_FALSE(guard->btnCancel->isEnabled());
    QTest::keyClick(guard, Qt::Key_Escape);
    guard->close();
    EXPECT_TRUE(guard->isVisible());
  };
  ScriptedDialogs dialogs;
  dialogs.expectDialog("ClsControlVersion", [&](QDialog& d) {
    TClsControlVersion& g = shown(d);
    EXPECT_EQ(watch.shown, 1);
    EXPECT_TRUE(g.isVisible());
    EXPECT_FALSE(g.BackupFileName.isEmpty());
    EXPECT_TRUE(g.btnOK->isEnabled());
    QTest::mouseClick(g.btnOK, Qt::LeftButton);
    return g.result();
  });
  EXPECT_TRUE(RunUpgradeGuard(db_.get(), false));
}

TEST_F(Guard, FailedBackupRefusesUntilClosed) {
  // A folder stands where the server would write the backup file.
  const QDateTime now = QDateTime::currentDateTime();
  QStringList blocked;
  for (int minute = 0; minute < 3; ++minute) {
    blocked << BackupFileNameFor(tmp_.path(), now.addSecs(60 * minute));
    ASSERT_TRUE(QDir().mkpath(blocked.last()));
  }
  BackupWindowWatch watch;
  ScriptedDialogs dialogs;
  dialogs.expectDialog("ClsControlVersion", [&](QDialog& d) {
    TClsControlVersion& g = shown(d);
    EXPECT_EQ(watch.shown, 1);
    EXPECT_TRUE(g.BackupFileName.isEmpty());
    for (int i = 0; i < 2; ++i) {
      QTest::mouseClick(g.btnOK, Qt::LeftButton);
      EXPECT_TRUE(g.isVisible());
      EXPECT_FALSE(g.pnlComputador->isVisible());  // nobody else: the list stays away
    }
    QTest::mouseClick(g.btnCancel, Qt::LeftButton);
    EXPECT_FALSE(g.Confirmed);
    return g.result();
  });
  const char* missing =
      "Backup não efetuado. Não será possível efetuar a atualização do banco de dados.";
  dialogs.expectMessage(missing).expectMessage(missing);
  EXPECT_FALSE(RunUpgradeGuard(db_.get(), false));
  for (const QString& path : blocked) EXPECT_TRUE(QFileInfo(path).isDir());
}

TEST_F(Guard, UntickedBoxMakesNoBackupAndNoProgressWindow) {
  BackupWindowWatch watch;
  ScriptedDialogs dialogs;
  dialogs
      .expectDialog("ClsBackupAuth",
                    [](QDialog& d) {
                      auto& q = static_cast<TClsBackupAuth&>(d);
                      q.show();
                      q.chbMakeBackup->setChecked(false);
                      q.btnOK->click();
                      return q.result();
                    })
      .expectDialog("ClsControlVersion", [](QDialog& d) {
        TClsControlVersion& g = shown(d);
        QTest::mouseClick(g.btnOK, Qt::LeftButton);
        EXPECT_TRUE(g.BackupFileName.isEmpty());
        return g.result();
      });
  const bool makeBackup = AskBackup();
  EXPECT_FALSE(makeBackup);
  EXPECT_TRUE(RunUpgradeGuard(db_.get(), !makeBackup));
  EXPECT_EQ(watch.shown, 0);
  EXPECT_TRUE(QDir(tmp_.folder()).entryList({"*.gbk"}).isEmpty());
}

TEST_F(Guard, OthersAreCountedListedAndEnded) {
  auto other1 = tmp_.connect();
  auto other2 = tmp_.connect();
  ScriptedDialogs dialogs;
  dialogs.expectDialog("ClsControlVersion", [&](QDialog& d) {
    TClsControlVersion& g = shown(d);
    const int height = g.height();
    QTest::mouseClick(g.btnOK, Qt::LeftButton);  // 2 others
    EXPECT_TRUE(g.isVisible());
    EXPECT_TRUE(g.pnlComputador->isVisible());
    EXPECT_EQ(g.height(), height + g.pnlComputador->height());
    QTreeWidget* list = g.CmListView;
    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("Nome Computador"));
    EXPECT_EQ(list->headerItem()->text(1), QStringLiteral("IP"));
    EXPECT_EQ(list->headerItem()->text(2), QStringLiteral("Nome Aplicativo"));
    EXPECT_TRUE(list->isColumnHidden(3));
    EXPECT_EQ(logindlg_test::tabOrder(g), QStringList({"btnOK", "btnCancel", "CmListView"}));
    EXPECT_EQ(list->topLevelItemCount(), 2);
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
      const QTreeWidgetItem* row = list->topLevelItem(i);
      EXPECT_TRUE(row->text(1).startsWith("127.0.0.1")) << row->text(1).toStdString();
      EXPECT_FALSE(row->text(2).isEmpty());
      EXPECT_GT(row->text(3).toLongLong(), 0);
    }
    // The names come back from their threads; 127.0.0.1 has one.
    EXPECT_TRUE(waitFor([&] { return !list->topLevelItem(1)->text(0).isEmpty(); }));

    list->clearSelection();
    list->setCurrentItem(nullptr);
    g.mnuEncerrarConexao->trigger();  // nothing selected: a warning, nothing ended
    EXPECT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(db_->userNames().size(), 3);

    list->setCurrentItem(list->topLevelItem(0));
    g.mnuEncerrarConexao->trigger();  // No
    EXPECT_EQ(db_->userNames().size(), 3);
    g.mnuEncerrarConexao->trigger();  // Yes
    EXPECT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(db_->userNames().size(), 2);

    QTest::mouseClick(g.btnOK, Qt::LeftButton);  // 1 other
    EXPECT_TRUE(g.isVisible());
    list->setCurrentItem(list->topLevelItem(0));
    g.mnuEncerrarConexao->trigger();
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_FALSE(g.pnlComputador->isVisible());  // nobody left to list
    EXPECT_EQ(g.height(), height);
    QTest::mouseClick(g.btnOK, Qt::LeftButton);
    EXPECT_TRUE(g.Confirmed);
    return g.result();
  });
  dialogs.expectMessage(kOthers.arg(2))
      .expectMessage("Selecione uma máquina para encerrar a conexão!")
      .expectMessage(kEndQuestion, MsgButton::No)
      .expectMessage(kEndQuestion, MsgButton::Yes)
      .expectMessage(kOthers.arg(1))
      .expectMessage(kEndQuestion, MsgButton::Yes);
  EXPECT_TRUE(RunUpgradeGuard(db_.get(), true));
  const auto& shownMessages = dialogs.shown();
  ASSERT_EQ(shownMessages.size(), 6u);
  EXPECT_EQ(shownMessages[1].title, QStringLiteral("Atenção!"));
  EXPECT_EQ(shownMessages[1].kind, pf::MsgKind::Warning);
  EXPECT_EQ(shownMessages[2].title, QStringLiteral("Confirmar"));
  EXPECT_EQ(shownMessages[2].defaultButton, MsgButton::No);
  EXPECT_EQ(shownMessages[2].kind, pf::MsgKind::Confirmation);
}

TEST_F(Guard, CloseAnswersNo) {
  ScriptedDialogs dialogs;
  dialogs.expectDialog("ClsControlVersion", [](QDialog& d) {
    TClsControlVersion& g = shown(d);
    EXPECT_EQ(g.btnCancel->text(), QStringLiteral("&Fechar"));
    QTest::keyClick(&g, Qt::Key_Escape);
    EXPECT_FALSE(g.isVisible());
    return g.result();
  });
  EXPECT_FALSE(RunUpgradeGuard(db_.get(), true));
}

// A name reaches its row on the user-interface thread, and only while that listing is
// the current one and the guard is open.
TEST_F(Guard, LateNamesNeverReachANewListingOrAClosedGuard) {
  auto other = tmp_.connect();
  TClsControlVersion g;
  g.Database = db_.get();
  g.SkipBackup = true;
  std::atomic<bool> release{false};
  std::atomic<int> resolving{0};
  int delivered = 0;
  bool onUiThread = true;
  QObject::connect(g.Lookups, &HostNameLookups::resolved, &g, [&](int, int, const QString&) {
    ++delivered;
    onUiThread = onUiThread && QThread::currentThread() == qApp->thread();
  });
  auto slow = [&](const QString&) {
    ++resolving;
    while (!release) QThread::yieldCurrentThread();
    return QStringLiteral("antigo");
  };
  QTreeWidget* list = g.CmListView;

  g.Lookups->resolver = slow;
  g.ListConnections();
  ASSERT_EQ(list->topLevelItemCount(), 1);
  ASSERT_TRUE(waitFor([&] { return resolving == 1; }));
  g.Lookups->resolver = [](const QString&) { return QStringLiteral("novo"); };
  g.ListConnections();  // rebuilt while the first name is still being looked up
  ASSERT_TRUE(waitFor([&] { return delivered == 1; }));
  EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("novo"));
  release = true;
  ASSERT_TRUE(waitFor([&] { return delivered == 2; }));
  EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("novo"));

  release = false;
  g.Lookups->resolver = slow;
  g.ListConnections();
  ASSERT_TRUE(waitFor([&] { return resolving == 2; }));
  g.show();
  g.reject();  // closed before the name comes
  release = true;
  ASSERT_TRUE(waitFor([&] { return delivered == 3; }));
  EXPECT_TRUE(list->topLevelItem(0)->text(0).isEmpty());
  EXPECT_TRUE(onUiThread);
}

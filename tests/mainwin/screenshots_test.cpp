// Grabs the main window and its transfer menu to PNG files when ACESSOS_SHOTS names a
// folder.
#include "MainWinFixture.h"

#include <QCheckBox>
#include <QDir>
#include <QMenu>
#include <QTest>

using mainwin_test::Session;

namespace {

QString shotsFolder() { return qEnvironmentVariable("ACESSOS_SHOTS"); }

void save(QWidget& w, const QString& name) {
  QTest::qWait(50);
  const QString file = QDir(shotsFolder()).filePath(name + QStringLiteral(".png"));
  ASSERT_TRUE(w.grab().save(file)) << file.toStdString();
}

class Screenshots : public Session {
 protected:
  void SetUp() override {
    if (shotsFolder().isEmpty()) GTEST_SKIP() << "ACESSOS_SHOTS not set";
    QDir().mkpath(shotsFolder());
    Session::SetUp();
  }
  void shoot(const QString& prefix) {
    TfrmMainForm& w = *window_;
    for (QTreeWidgetItem* r : {row(2), row(6)}) r->setExpanded(true);
    save(w, prefix);
    QTest::mouseClick(w.chbDesativados, Qt::LeftButton, {}, QPoint(6, 8));
    for (QTreeWidgetItem* r : {row(2), row(6), row(8)})
      if (r) r->setExpanded(true);
    save(w, prefix + QStringLiteral("_desativados"));
  }
};

TEST_F(Screenshots, AsAdmin) {
  showAs(1, QStringLiteral("ADMIN"));
  shoot(QStringLiteral("main_admin"));

  window_->TreeUser->setCurrentItem(row(6));
  const QRect rect = window_->TreeUser->visualItemRect(row(6));
  window_->PopupSupervisores->popup(window_->TreeUser->viewport()->mapToGlobal(rect.center()));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window_->PopupSupervisores));
  save(*window_->PopupSupervisores, QStringLiteral("transfer_menu"));
  window_->PopupSupervisores->hide();
}

TEST_F(Screenshots, AsSupervisor) {
  showAs(2, QStringLiteral("SUP1"));
  window_->TreeUser->setCurrentItem(row(7));  // not his to edit: btnEdit disabled
  shoot(QStringLiteral("main_supervisor"));
}

}  // namespace

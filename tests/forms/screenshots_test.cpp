// Grabs the base windows to PNG files when ACESSOS_SHOTS names a folder.
#include "forms/CmCustomDialog.h"
#include "forms/CmSQLMonitorForm.h"
#include "forms/CmSpockForm.h"
#include "support/TestDb.h"

#include "controls/CmCommon.h"
#include "controls/CmStatusBar.h"
#include "platform/Sql.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

namespace {

QString shotsFolder() { return qEnvironmentVariable("ACESSOS_SHOTS"); }

void grab(QWidget& w, const char* name) {
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  QTest::qWait(100);
  const QString file = QDir(shotsFolder()).filePath(QString::fromLatin1(name) + ".png");
  ASSERT_TRUE(w.grab().save(file)) << file.toStdString();
}

void fill(QWidget* area) {
  auto* form = new QFormLayout(area);
  for (const char* label : {"Usuário", "Nome", "Sobrenome"}) {
    auto* e = new QLineEdit;
    SetControlHint(e, QStringLiteral("Informe o campo|Informe o campo %1").arg(label));
    form->addRow(QString::fromUtf8(label), e);
  }
}

}  // namespace

TEST(Screenshots, BaseWindows) {
  if (shotsFolder().isEmpty()) GTEST_SKIP() << "ACESSOS_SHOTS not set";
  QDir().mkpath(shotsFolder());
  TCmFocusController::Instance().SetTracking(true);

  TClsSpockForm form;
  form.SetCaptions(QStringLiteral("Usuário"), QStringLiteral("Usuários"), TKelvoGender::gnMale);
  fill(form.ClientArea());
  form.resize(460, 220);
  form.show();
  form.findChild<QLineEdit*>()->setFocus();
  form.Info->ShowHint(form.findChild<QLineEdit*>());
  grab(form, "spock_form");

  TClsCustomDialog dialog;
  dialog.SetCaption(QStringLiteral("Conexão"));
  fill(dialog.pnArea);
  dialog.resize(380, 180);
  grab(dialog, "custom_dialog");

  testing_support::TempDatabase tmp;
  std::unique_ptr<pf::Database> db = tmp.connect();
  TClsSQLMonitorForm* monitor = TClsSQLMonitorForm::ShowMonitor();
  pf::Sql sql;
  sql.setDatabase(db.get());
  sql.setSql(QStringLiteral(
      "select RDB$RELATION_NAME\nfrom RDB$RELATIONS\nwhere RDB$SYSTEM_FLAG = 1"));
  sql.execQuery();
  for (int i = 0; i < 3 && sql.next(); ++i) {
  }
  sql.close();
  db->defaultTransaction()->commit();
  monitor->CmListView1->setCurrentItem(monitor->CmListView1->topLevelItem(0));
  grab(*monitor, "sql_monitor");
  monitor->close();
}

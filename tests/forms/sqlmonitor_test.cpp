#include "FormsTestSupport.h"

#include "forms/CmSQLMonitorForm.h"
#include "support/TestDb.h"

#include "platform/Sql.h"
#include "platform/Trace.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QPlainTextEdit>
#include <QThread>
#include <QTreeWidget>

using testing_support::TempDatabase;

namespace {

QStringList captions(const TClsSQLMonitorForm& m) {
  QStringList out;
  for (int i = 0; i < m.CmListView1->topLevelItemCount(); ++i)
    out << m.CmListView1->topLevelItem(i)->text(0);
  return out;
}

void select(TClsSQLMonitorForm& m, int row) {
  m.CmListView1->setCurrentItem(m.CmListView1->topLevelItem(row));
}

}  // namespace

TEST(SqlMonitor, LayoutOfTheWindow) {
  TClsSQLMonitorForm m;
  EXPECT_EQ(m.Caption(), QStringLiteral("Kelvo Solutions SQLMonitor"));
  EXPECT_TRUE(m.Sizeable());
  EXPECT_EQ(m.size(), QSize(800, 423));
  EXPECT_EQ(m.CmListView1->headerItem()->text(0), QStringLiteral("Event Text"));
  EXPECT_EQ(m.CmListView1->headerItem()->text(1), QStringLiteral("Timer"));
  EXPECT_EQ(m.CmListView1->columnWidth(0), 600);
  EXPECT_EQ(m.CmListView1->columnWidth(1), 150);
  EXPECT_TRUE(m.CmMemo->isReadOnly());
  EXPECT_FALSE(m.CmMemo->focusPolicy() & Qt::TabFocus);
  EXPECT_EQ(m.Clear1->text(), QStringLiteral("Clear"));
  EXPECT_EQ(m.StayOnTop1->text(), QStringLiteral("Stay On Top"));
}

TEST(SqlMonitor, AMultiLineEventIsOneLineInTheListAndWholeInTheMemo) {
  TClsSQLMonitorForm m;
  const QDateTime at(QDate(2026, 12, 11), QTime(9, 5, 7));
  m.IBSQLMonitorSQL(QStringLiteral("select ID\r\nfrom USUARIO\nwhere ID = 1"), at);
  m.IBSQLMonitorSQL(QStringLiteral("commit"), at.addSecs(61));
  EXPECT_EQ(captions(m), (QStringList{QStringLiteral("select ID  from USUARIO where ID = 1"),
                                      QStringLiteral("commit")}));
  EXPECT_EQ(m.CmListView1->topLevelItem(0)->text(1), QStringLiteral("09:05:07"));
  EXPECT_EQ(m.CmListView1->topLevelItem(1)->text(1), QStringLiteral("09:06:08"));
  select(m, 0);
  EXPECT_EQ(m.CmMemo->toPlainText(), QStringLiteral("select ID\nfrom USUARIO\nwhere ID = 1"));
  select(m, 1);
  EXPECT_EQ(m.CmMemo->toPlainText(), QStringLiteral("commit"));
}

TEST(SqlMonitor, ClearAndALineWithoutTextEmptyEverything) {
  TClsSQLMonitorForm m;
  m.IBSQLMonitorSQL(QStringLiteral("a"), QDateTime::currentDateTime());
  select(m, 0);
  m.Clear1->trigger();
  EXPECT_EQ(m.CmListView1->topLevelItemCount(), 0);
  EXPECT_TRUE(m.CmMemo->toPlainText().isEmpty());
  EXPECT_TRUE(m.EventTexts().isEmpty());

  // A line the text list does not know.
  m.IBSQLMonitorSQL(QStringLiteral("b"), QDateTime::currentDateTime());
  new QTreeWidgetItem(m.CmListView1, QStringList{QStringLiteral("stray")});
  select(m, 0);
  EXPECT_EQ(m.CmMemo->toPlainText(), QStringLiteral("b"));
  select(m, 1);
  EXPECT_EQ(m.CmListView1->topLevelItemCount(), 0);
  EXPECT_TRUE(m.CmMemo->toPlainText().isEmpty());
  EXPECT_TRUE(m.EventTexts().isEmpty());
}

TEST(SqlMonitor, StayOnTopFollowsTheCheckMark) {
  TClsSQLMonitorForm m;
  m.show();
  m.StayOnTop1->trigger();
  EXPECT_TRUE(m.StayOnTop1->isChecked());
  EXPECT_TRUE(m.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(m.isVisible());
  m.StayOnTop1->trigger();
  EXPECT_FALSE(m.windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST(SqlMonitor, ShowsWhatTheDatabaseLayerTracesOnlyWhileOpen) {
  TempDatabase tmp;
  std::unique_ptr<pf::Database> db = tmp.connect();
  pf::Sql sql;
  sql.setDatabase(db.get());
  sql.setSql(QStringLiteral("select 'antes' from RDB$DATABASE"));
  sql.execQuery();

  TClsSQLMonitorForm* m = TClsSQLMonitorForm::ShowMonitor();
  ASSERT_TRUE(m);
  EXPECT_TRUE(m->isVisible());
  EXPECT_TRUE(m->EventTexts().isEmpty());
  sql.setSql(QStringLiteral("select 'durante'\nfrom RDB$DATABASE"));
  sql.execQuery();
  QCoreApplication::processEvents();
  const QStringList texts = m->EventTexts();
  EXPECT_TRUE(texts.contains(QStringLiteral("[Prepare] select 'durante'\nfrom RDB$DATABASE")))
      << texts.join(u'|').toStdString();
  EXPECT_TRUE(texts.contains(QStringLiteral("[Execute] select 'durante'\nfrom RDB$DATABASE")));
  EXPECT_FALSE(texts.join(u' ').contains(QStringLiteral("antes")));
  EXPECT_TRUE(
      captions(*m).contains(QStringLiteral("[Prepare] select 'durante' from RDB$DATABASE")));

  // Closing stops the listening and frees the window.
  QPointer<TClsSQLMonitorForm> guard(m);
  m->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(guard);
  EXPECT_FALSE(pf::Trace::active());
}

TEST(SqlMonitor, EventsOfAnotherThreadArriveThroughTheEventLoop) {
  TClsSQLMonitorForm m;
  std::unique_ptr<QThread> worker(QThread::create(
      [] { pf::Trace::publish(pf::TraceKind::Execute, QStringLiteral("de outra thread")); }));
  worker->start();
  ASSERT_TRUE(worker->wait(10000));
  EXPECT_TRUE(m.EventTexts().isEmpty());
  QCoreApplication::processEvents();
  EXPECT_EQ(m.EventTexts(), QStringList{QStringLiteral("[Execute] de outra thread")});

  // A window gone before its queued event is delivered is simply skipped.
  auto* gone = new TClsSQLMonitorForm;
  worker.reset(QThread::create(
      [] { pf::Trace::publish(pf::TraceKind::Execute, QStringLiteral("tarde")); }));
  worker->start();
  ASSERT_TRUE(worker->wait(10000));
  delete gone;
  QCoreApplication::processEvents();
  EXPECT_EQ(m.EventTexts().size(), 2);
}

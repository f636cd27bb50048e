#include "data/CmSQLGlobals.h"

#include "platform/FormMessages.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

TEST(DataAtual, StartsTodayAndSplitsItsParts) {
  TCmSQLGlobals g;
  EXPECT_EQ(g.DataAtual().Data().date(), QDate::currentDate());
  g.DataAtual().setData(QDateTime(QDate(2026, 4, 30), QTime(0, 0)));
  EXPECT_EQ(g.DataAtual().Dia(), 30);
  EXPECT_EQ(g.DataAtual().Mes(), 4);
  EXPECT_EQ(g.DataAtual().Ano(), 2026);
  EXPECT_EQ(g.CaptionSuffix, QStringLiteral(" - (30/04/2026)"));
}

TEST(DataAtual, ImpossibleRecompositionKeepsTheDateButStillNotifies) {
  TCmSQLGlobals g;
  g.DataAtual().setData(QDateTime(QDate(2026, 4, 10), QTime(0, 0)));
  g.CaptionSuffix = QStringLiteral("stale");
  g.DataAtual().setDia(31);  // April has 30 days
  EXPECT_EQ(g.DataAtual().Data().date(), QDate(2026, 4, 10));
  EXPECT_EQ(g.CaptionSuffix, QStringLiteral(" - (10/04/2026)"));
  g.DataAtual().setMes(2);
  EXPECT_EQ(g.DataAtual().Data().date(), QDate(2026, 2, 10));
  g.DataAtual().setAno(2024);
  g.DataAtual().setDia(29);
  EXPECT_EQ(g.DataAtual().Data().date(), QDate(2024, 2, 29));
}

TEST(DataAtual, ZeroDateOrEarlierGivesNoSuffix) {
  TCmSQLGlobals g;
  for (const QDateTime& d : {QDateTime(QDate(1899, 12, 30), QTime(0, 0)),
                             QDateTime(QDate(1800, 1, 1), QTime(0, 0))}) {
    g.DataAtual().setData(d);
    EXPECT_TRUE(g.CaptionSuffix.isEmpty());
  }
  g.DataAtual().setData(QDateTime(QDate(1899, 12, 30), QTime(6, 0)));  // just after zero
  EXPECT_EQ(g.CaptionSuffix, QStringLiteral(" - (30/12/1899)"));
}

TEST(DataAtual, MaskFormatsAndIsCutAt255) {
  TCmSQLGlobals g;
  g.DataAtual().setMascara(QStringLiteral("yyyy-mm-dd"));
  g.DataAtual().setData(QDateTime(QDate(2026, 1, 2), QTime(0, 0)));
  EXPECT_EQ(g.CaptionSuffix, QStringLiteral(" - (2026-01-02)"));
  g.DataAtual().setMascara(QString(300, u'd'));
  EXPECT_EQ(g.DataAtual().Mascara().size(), 255);
}

namespace {
class Counter : public QWidget {
 public:
  int refreshes = 0;
  bool event(QEvent* e) override {
    if (e->type() == pf::kCaptionRefresh) ++refreshes;
    return QWidget::event(e);
  }
};
}  // namespace

TEST(SQLGlobals, DateChangePostsCaptionRefreshToWindowsWithoutTagOne) {
  int argc = 0;
  QApplication app(argc, nullptr);
  Counter plain, tagged;
  tagged.setProperty("Tag", 1);
  TCmSQLGlobals g;
  g.DataAtual().setData(QDateTime(QDate(2026, 1, 2), QTime(0, 0)));
  QCoreApplication::processEvents();
  EXPECT_EQ(plain.refreshes, 1);
  EXPECT_EQ(tagged.refreshes, 0);
}

TEST(SQLGlobals, DataSetRegistryAndPublishedInstance) {
  auto* g = new TCmSQLGlobals;
  auto* a = reinterpret_cast<TCmDataSet*>(0x10);
  auto* b = reinterpret_cast<TCmDataSet*>(0x20);
  g->RegisterDataSet(a);
  g->RegisterDataSet(b);
  g->RegisterDataSet(a);
  g->UnregisterDataSet(a);  // the first occurrence only
  ASSERT_EQ(g->DataSetCount(), 2);
  EXPECT_EQ(g->DataSets(0), b);
  EXPECT_EQ(g->DataSets(1), a);
  TCmSQLGlobals::Publish(g);
  EXPECT_EQ(TCmSQLGlobals::Instance(), g);
  delete g;
  EXPECT_EQ(TCmSQLGlobals::Instance(), nullptr);
}

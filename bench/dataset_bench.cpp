// Opening and walking 100,000 rows through TCmDataSet against the bare statement,
// Locate over them, and sorting 100,000 memory rows. Every figure is also printed
// as a ratio to the bare statement's walk measured in the same run.

#include "support/TestDb.h"

#include "data/CmDataSet.h"
#include "data/CmMemoryData.h"
#include "platform/Sql.h"

#include <benchmark/benchmark.h>

#include <QRandomGenerator>

#include <cstdio>
#include <utility>
#include <vector>
#include <memory>
#include <string>

namespace {

constexpr int kRows = 100000;

struct Data {
  testing_support::TempDatabase tmp;
  std::unique_ptr<pf::Database> db;
  Data() {
    tmp.exec({"create table T (ID integer not null primary key, NOME varchar(40), "
              "VALOR numeric(15,2), DIA date)",
              QStringLiteral("execute block as declare i integer = 0; begin "
                             "while (i < %1) do begin "
                             "insert into T values (:i, 'NOME ' || :i, :i * 1.5, "
                             "dateadd(mod(:i, 1000) day to date '2000-01-01')); "
                             "i = i + 1; end end")
                  .arg(kRows)});
    db = tmp.connect();
  }
};

Data& data() {
  static Data d;
  return d;
}

const char* const kSelect = "select ID, NOME, VALOR, DIA from T";

void BareStatementWalk(benchmark::State& state) {
  pf::Sql sql;
  sql.setDatabase(data().db.get());
  sql.setSql(kSelect);
  for (auto _ : state) {
    int rows = 0;
    for (sql.execQuery(); !sql.eof(); sql.next()) {
      for (int c = 0; c < sql.fieldCount(); ++c) benchmark::DoNotOptimize(sql.field(c).value());
      ++rows;
    }
    sql.close();
    if (rows != kRows) state.SkipWithError("wrong row count");
  }
}

void CmDataSetOpenWalk(benchmark::State& state) {
  TCmDataSet ds;
  ds.setDatabase(data().db.get());
  ds.setSelectSql(kSelect);
  for (auto _ : state) {
    int rows = 0;
    ds.open();
    const int fields = ds.fieldCount();
    for (ds.first(); !ds.eof(); ds.next()) {
      for (int f = 0; f < fields; ++f) benchmark::DoNotOptimize(ds.fields(f)->value());
      ++rows;
    }
    ds.close();
    if (rows != kRows) state.SkipWithError("wrong row count");
  }
}

void CmDataSetLocate(benchmark::State& state) {
  TCmDataSet ds;
  ds.setDatabase(data().db.get());
  ds.setSelectSql(kSelect);
  ds.open();
  const bool options = state.range(0) != 0;
  const pf::LocateOptions how =
      options ? pf::LocateOption::CaseInsensitive | pf::LocateOption::PartialKey
              : pf::LocateOptions();
  const QString last = options ? QStringLiteral("nome 99999") : QStringLiteral("NOME 99999");
  for (auto _ : state) {
    ds.first();
    if (!ds.locate("NOME", last, how)) state.SkipWithError("not found");
  }
}

void MemorySort(benchmark::State& state) {
  TCmMemoryData table;
  table.addField("NOME", pf::FieldType::String, 20);
  table.addField("VALOR", pf::FieldType::Float);
  table.open();
  QRandomGenerator random(12345);
  for (int i = 0; i < kRows; ++i) {
    table.append();
    if (i % 50 != 0) table.fields(0)->setValue(QString::number(random.generate(), 36));
    table.fields(1)->setValue(random.generateDouble());
    table.post();
  }
  bool descending = false;
  for (auto _ : state) {
    table.sortOnFields(state.range(0) == 0 ? "NOME" : "VALOR", true, descending);
    descending = !descending;
  }
}

BENCHMARK(BareStatementWalk)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(CmDataSetOpenWalk)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(CmDataSetLocate)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(MemorySort)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Remembers each run's time per iteration for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  struct Times {
    double real;
    double cpu;
  };
  std::vector<std::pair<std::string, Times>> times;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.error_occurred) continue;
      std::string name = r.benchmark_name();
      name = name.substr(0, name.find("/min_time"));
      times.emplace_back(name, Times{r.GetAdjustedRealTime(), r.GetAdjustedCPUTime()});
    }
    ConsoleReporter::ReportRuns(runs);
  }
  const Times* find(const std::string& name) const {
    for (const auto& [n, t] : times)
      if (n == name) return &t;
    return nullptr;
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  data();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const RatioReporter::Times* base = reporter.find("BareStatementWalk");
  if (!base || base->real <= 0 || base->cpu <= 0) return 0;
  std::printf("\nRatios to the bare statement walking %d rows (%.1f ms real, %.1f ms CPU):\n",
              kRows, base->real, base->cpu);
  std::printf("  %-24s %10s %8s %10s %8s\n", "", "real ms", "ratio", "CPU ms", "ratio");
  for (const auto& [name, t] : reporter.times)
    std::printf("  %-24s %10.2f %7.2fx %10.2f %7.2fx\n", name.c_str(), t.real,
                t.real / base->real, t.cpu, t.cpu / base->cpu);
  if (const RatioReporter::Times* walk = reporter.find("CmDataSetOpenWalk"))
    std::printf("TCmDataSet open and walk: %.2fx real, %.2fx CPU (goal at most 1.5x)\n",
                walk->real / base->real, walk->cpu / base->cpu);
  benchmark::Shutdown();
  return 0;
}

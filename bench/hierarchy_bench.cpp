// Building the user tree for 10,000 users under 500 supervisors, one statement per
// supervisor, against one plain fetch of the same 10,000 rows in the same run.

#include "BenchSupport.h"
#include "support/UserTables.h"

#include "support/TestDb.h"

#include "app/UserHierarchy.h"
#include "data/CmIBSQL.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

constexpr int kUsers = 10000;  // ADMIN included
constexpr int kSupervisors = 500;

struct Data {
  testing_support::TempDatabase tmp;
  std::unique_ptr<pf::Database> db;
  Data() {
    tmp.exec({testing_support::usuarioTable(),
              "insert into USUARIO values (1, 'ADMIN', '', 'Administrador', 'Sistema', null, "
              "'T', 1, null, null)",
              // Supervisors 2..501 under ADMIN; everyone else spread over them.
              QStringLiteral(
                  "execute block as declare i integer = 2; begin "
                  "while (i <= %1) do begin "
                  "insert into USUARIO values (:i, 'S' || :i, '', 'Sup', 'Nome ' || :i, null, "
                  "'T', 1, 's' || :i || '@x', 'F'); i = i + 1; end "
                  "while (i <= %2) do begin "
                  "insert into USUARIO values (:i, 'U' || :i, '', 'Colab', 'Nome ' || :i, null, "
                  "'F', 2 + mod(:i, %3), null, 'F'); i = i + 1; end end")
                  .arg(kSupervisors + 1)
                  .arg(kUsers)
                  .arg(kSupervisors),
              // As the schema has it: no index on SUPERVISORID.
              "create unique index USUARIO_01 on USUARIO (USUARIO)"});
    db = tmp.connect();
  }
};

Data& data() {
  static Data d;
  return d;
}

int statementsPerBuild = 0;

int countRows(const UserNode* n) {
  int count = 1;
  for (const auto& c : n->children) count += countRows(c.get());
  return count;
}

void BuildUserTree(benchmark::State& state) {
  Data& d = data();
  int rows = 0;
  for (auto _ : state) {
    UserHierarchy h(d.db.get(), d.db->defaultTransaction(), 1);
    h.BuildUserTree();
    statementsPerBuild = h.statementsRun();
    rows = countRows(h.root());
    benchmark::DoNotOptimize(h.root());
  }
  state.counters["statements"] = statementsPerBuild;
  state.counters["rows"] = rows;
}

void PlainFetch(benchmark::State& state) {
  Data& d = data();
  int rows = 0;
  for (auto _ : state) {
    TCmIBSQL sql;
    sql.setDatabase(d.db.get());
    sql.setTransaction(d.db->defaultTransaction());
    sql.ExecSQL(QStringLiteral("select * from USUARIO"));
    rows = 0;
    QString text;
    for (; !sql.eof(); sql.next(), ++rows) {
      text = sql.field(1).asString() + sql.field(3).asString() + sql.field(4).asString();
      benchmark::DoNotOptimize(sql.field(0).asInteger());
    }
    benchmark::DoNotOptimize(text);
  }
  state.counters["statements"] = 1;
  state.counters["rows"] = rows;
}

}  // namespace

BENCHMARK(PlainFetch)->Unit(benchmark::kMillisecond);
BENCHMARK(BuildUserTree)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  bench::RatioReporter reporter;
  reporter.compare("BuildUserTree", "PlainFetch");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("statements per BuildUserTree: %d (plain fetch: 1)\n", statementsPerBuild);
  benchmark::Shutdown();
  return 0;
}

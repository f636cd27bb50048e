// The permission tree of 20 modules with 250 routines each, nested three levels
// (10 top routines, 4 under each, 5 under those): building and loading it, and
// saving it fully checked. Each figure also counts the statements run, and is
// printed as a ratio to a plain fetch of every routine in the same run.
// Each parent routine's children come from a statement of their own; with
// PERMTREE_BENCH_INDEX set, ROTINA gets an index on (MODULOID, CTRL_INDEX_OWNER), which
// shows what those statements cost when the server need not scan the table.

#include "BenchSupport.h"
#include "support/TestDb.h"

#include "app/PermissionTree.h"
#include "app/SharedSettings.h"
#include "data/CmSQLGlobals.h"
#include "platform/Sql.h"
#include "platform/Trace.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <atomic>
#include <memory>

namespace {

constexpr int kModules = 20;
constexpr int kRoutines = 250;

std::atomic<int> executed{0};

class Editor final : public TPermissionEditor {
 public:
  int EditedUserID() const override { return 2; }
  bool EditedUserIsSupervisor() const override { return false; }
  void SetUserFlagsEnabled(bool) override {}
};

struct Data {
  testing_support::TempDatabase tmp;
  std::unique_ptr<pf::Database> db;
  TCmSQLGlobals session;
  Editor editor;
  TPermissionCheckTree view;
  std::unique_ptr<TPermissionTree> model;

  Data() {
    tmp.exec({
        "create table MODULO (ID integer not null primary key, MODULO varchar(30))",
        "create table ROTINA (ID integer not null primary key, MODULOID integer, "
        "CTRL_INDEX integer, CTRL_INDEX_OWNER integer, NOME varchar(255), ATIVO integer, "
        "STATUS integer)",
        "create table USUARIO_MODULO (USUARIOID integer not null, MODULOID integer not null, "
        "TUDO char(1), primary key (USUARIOID, MODULOID))",
        "create table USUARIO_ROTINA (ID integer not null primary key, USUARIOID integer, "
        "ROTINAID integer, STATUS integer)",
        "create generator GEN_USUARIO_ROTINA_ID",
        "create trigger TG_USUARIO_ROTINA for USUARIO_ROTINA active before insert position 0 "
        "as begin if (new.ID is null) then new.ID = gen_id(GEN_USUARIO_ROTINA_ID, 1); end",
    });
    if (qEnvironmentVariableIsSet("PERMTREE_BENCH_INDEX"))
      tmp.exec({"create index ROTINA_OWNER on ROTINA (MODULOID, CTRL_INDEX_OWNER)"});
    tmp.exec({"insert into MODULO values (3, 'USUÁRIOS')",
              QStringLiteral(
                  "execute block as declare m integer = 1; declare n integer = 0; "
                  "declare t integer; declare c integer; declare g integer; "
                  "declare id integer = 0; begin "
                  "while (n < %1) do begin if (m <> 3) then begin "
                  "insert into MODULO values (:m, 'MODULO ' || :m); t = 1; "
                  "while (t <= 10) do begin id = id + 1; "
                  "insert into ROTINA values (:id, :m, :t, 0, 'Rotina ' || :t, 1, 0); c = 1; "
                  "while (c <= 4) do begin id = id + 1; "
                  "insert into ROTINA values (:id, :m, 100 + :t * 10 + :c, :t, 'Sub ' || :c, "
                  "1, 0); g = 1; "
                  "while (g <= 5) do begin id = id + 1; "
                  "insert into ROTINA values (:id, :m, 10000 + (:t * 10 + :c) * 10 + :g, "
                  "100 + :t * 10 + :c, 'Item ' || :g, 1, 0); g = g + 1; end "
                  "c = c + 1; end t = t + 1; end n = n + 1; end m = m + 1; end end")
                  .arg(kModules)});
    db = tmp.connect();
    session.UsuarioID = 1;
    session.ModuloID = 3;
    model = std::make_unique<TPermissionTree>(db.get(), db->defaultTransaction(), &session,
                                              &editor, &view);
  }

  void buildAndLoad() {
    model->TreeLoaded = false;
    model->BuildPermissionTree();
    model->LoadPermissions(2);
  }
};

// Made and dropped inside main: the check tree must go before the application.
std::unique_ptr<Data> instance;

Data& data() { return *instance; }

void countStatements(benchmark::State& state, int before) {
  state.counters["statements"] =
      benchmark::Counter(executed.load() - before, benchmark::Counter::kAvgIterations);
}

void PlainFetchOfRoutines(benchmark::State& state) {
  pf::Sql sql;
  sql.setDatabase(data().db.get());
  sql.setSql(QStringLiteral("select * from ROTINA order by MODULOID, CTRL_INDEX"));
  const int before = executed.load();
  for (auto _ : state) {
    int rows = 0;
    for (sql.execQuery(); !sql.eof(); sql.next(), ++rows)
      for (int c = 0; c < sql.fieldCount(); ++c) benchmark::DoNotOptimize(sql.field(c).value());
    sql.close();
    if (rows != kModules * kRoutines) state.SkipWithError("wrong row count");
  }
  countStatements(state, before);
}

void BuildAndLoadPermissions(benchmark::State& state) {
  Data& d = data();
  const int before = executed.load();
  for (auto _ : state) {
    d.buildAndLoad();
    if (d.model->TREE.recordCount() != kModules * (kRoutines + 1))
      state.SkipWithError("wrong tree size");
  }
  countStatements(state, before);
}

void LoadPermissionsOnly(benchmark::State& state) {
  Data& d = data();
  d.buildAndLoad();
  const int before = executed.load();
  for (auto _ : state) d.model->LoadPermissions(2);
  countStatements(state, before);
}

void SaveFullyCheckedTree(benchmark::State& state) {
  Data& d = data();
  d.buildAndLoad();
  for (int i = 0; i < d.view.topCount(); ++i) d.view.toggle(d.view.top(i));
  pf::Transaction* tr = d.db->defaultTransaction();
  int executedInSaves = 0;
  for (auto _ : state) {
    const int before = executed.load();
    d.model->SavePermissions();
    executedInSaves += executed.load() - before;
    state.PauseTiming();
    tr->rollback();
    tr->startTransaction();
    state.ResumeTiming();
  }
  state.counters["statements"] =
      benchmark::Counter(executedInSaves, benchmark::Counter::kAvgIterations);
}

BENCHMARK(PlainFetchOfRoutines)->Unit(benchmark::kMillisecond);
BENCHMARK(BuildAndLoadPermissions)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadPermissionsOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(SaveFullyCheckedTree)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // The check tree needs widgets, not a screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  InitializeSharedSettings();
  benchmark::Initialize(&argc, argv);
  const int listener = pf::Trace::addListener([](const pf::TraceEvent& e) {
    if (e.kind == pf::TraceKind::Execute) ++executed;
  });
  instance = std::make_unique<Data>();
  bench::RatioReporter reporter;
  for (const char* name : {"BuildAndLoadPermissions", "LoadPermissionsOnly",
                           "SaveFullyCheckedTree"})
    reporter.compare(name, "PlainFetchOfRoutines");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  pf::Trace::removeListener(listener);
  instance.reset();
  return 0;
}

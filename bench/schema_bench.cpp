// Creating a new database to the program's level, and splitting a long script.
// Each figure comes with its ratio to a baseline measured in the same iteration.

#include "app/dtmUserVersion.h"
#include "data/CmIBSQLObj.h"
#include "versioning/CmCreateDataBase.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

namespace {

void dropDatabase(const QString& name) {
  TCmDatabase db;
  db.setDatabaseName(name);
  db.setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=hushvault")});
  db.open();
  db.dropDatabase();
}

// Baseline: an empty database created and dropped.
void BM_CreateDatabaseToLastLevel(benchmark::State& state) {
  QTemporaryDir dir;
  const QString name = QDir(dir.path()).filePath(QStringLiteral("bench.fdb"));
  double full = 0, empty = 0;
  for (auto _ : state) {
    QElapsedTimer t;
    t.start();
    {
      TCmDatabase db;
      db.setDatabaseName(name);
      db.setParams({QStringLiteral("USER 'SYSDBA'"), QStringLiteral("PASSWORD 'hushvault'"),
                    QStringLiteral("PAGE_SIZE 4096")});
      db.createDatabase();
      db.dropDatabase();
    }
    empty += static_cast<double>(t.nsecsElapsed());
    t.restart();
    if (!CreateNewDatabase(name, CreateUserVersion)) state.SkipWithError("creation failed");
    const double ns = static_cast<double>(t.nsecsElapsed());
    full += ns;
    state.SetIterationTime(ns / 1e9);
    dropDatabase(name);
  }
  state.counters["x_empty_create"] = full / empty;
}
BENCHMARK(BM_CreateDatabaseToLastLevel)->UseManualTime()->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// A script of single-line inserts and multi-line procedures under SET TERM.
QStringList longScript(int statements) {
  QStringList lines;
  lines.reserve(statements * 3);
  lines << QStringLiteral("/* generated */");
  for (int i = 0; i < statements; ++i) {
    if (i % 10 == 9) {
      lines << QStringLiteral("set TERM ^ ;")
            << QStringLiteral("create procedure P%1 as").arg(i) << QStringLiteral("begin")
            << QStringLiteral("  insert into T (A) values (%1);").arg(i)
            << QStringLiteral("end^") << QStringLiteral("set TERM ; ^");
    } else {
      lines << QStringLiteral("insert into T (ID, NOME) values (%1, 'nome %1');").arg(i)
            << QString();
    }
  }
  return lines;
}

// Baseline: trimming every line, the least work a split must do.
void BM_ParseScript10000(benchmark::State& state) {
  const QStringList lines = longScript(10000);
  double parse = 0, trim = 0;
  for (auto _ : state) {
    QElapsedTimer t;
    t.start();
    qsizetype chars = 0;
    for (const QString& l : lines) chars += l.trimmed().size();
    benchmark::DoNotOptimize(chars);
    trim += static_cast<double>(t.nsecsElapsed());
    t.restart();
    const QStringList statements = TCmIBSQLObj::ParseScript(lines, QStringLiteral(";"));
    const double ns = static_cast<double>(t.nsecsElapsed());
    parse += ns;
    state.SetIterationTime(ns / 1e9);
    if (statements.size() != 10000) state.SkipWithError("wrong statement count");
  }
  state.counters["statements"] = 10000;
  state.counters["x_trim_lines"] = parse / trim;
}
BENCHMARK(BM_ParseScript10000)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// The Firebird layer against the same work written directly on the OO API.
#include <firebird/Interface.h>
#include <ibase.h>

#include <QDir>
#include <QTemporaryDir>
#include <cstring>
#include <memory>
#include <string>

#include "BenchSupport.h"
#include "platform/Cp1252.h"
#include "platform/Database.h"
#include "platform/Sql.h"
#include "platform/Transaction.h"

namespace {

constexpr int kRows = 100000;
constexpr int kStatements = 10000;

struct Fixture {
  QTemporaryDir dir;
  QString path = QDir(dir.path()).filePath("bench.fdb");
  pf::Database db;
  pf::Transaction tr;

  Fixture() {
    db.setDatabaseName(path);
    db.setParams({"USER 'SYSDBA'", "PAGE_SIZE 8192", "DEFAULT CHARACTER SET WIN1252"});
    db.createDatabase();
    db.close();
    db.setParams({"user_name=SYSDBA", "lc_ctype=WIN1252"});
    tr.setParams({"read_committed", "rec_version", "nowait"});
    tr.setDefaultDatabase(&db);
    db.setDefaultTransaction(&tr);
    db.open();
    pf::Sql sql;
    sql.setDatabase(&db);
    sql.setParamCheck(false);
    for (const char* s :
         {"create table T (ID integer not null primary key, NOME varchar(40), "
          "VALOR numeric(15,2), DIA date, FLAG char(1), QTD integer)",
          "COMMIT",
          "execute block as declare i integer = 0; begin while (i < 100000) do begin "
          "insert into T values (:i, 'Usuário número ' || :i, :i * 1.25, "
          "dateadd(mod(:i, 3650) day to date '2020-01-01'), "
          "iif(mod(:i, 2) = 0, 'T', 'F'), mod(:i, 97)); i = i + 1; end end"}) {
      if (std::strcmp(s, "COMMIT") == 0) {
        tr.commitRetaining();
        continue;
      }
      sql.setSql(QString::fromUtf8(s));
      sql.execQuery();
    }
    tr.commitRetaining();
  }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

const char* kSelect = "select ID, NOME, VALOR, DIA, FLAG, QTD from T";

// What each row is read into, in both versions.
struct Row {
  int id = 0;
  QString nome;
  double valor = 0;
  QDate dia;
  QString flag;
  int qtd = 0;
};

void BM_FetchDirect(benchmark::State& state) {
  Fixture& f = fixture();
  using namespace Firebird;
  IMaster* master = fb_get_master_interface();
  ThrowStatusWrapper status(master->getStatus());
  IAttachment* att = f.db.attachment();
  ITransaction* tra = f.tr.handle();
  for (auto _ : state) {
    IStatement* stmt =
        att->prepare(&status, tra, 0, kSelect, 3, IStatement::PREPARE_PREFETCH_METADATA);
    IMessageMetadata* meta = stmt->getOutputMetadata(&status);
    std::vector<unsigned char> buffer(meta->getMessageLength(&status));
    unsigned off[6], nul[6];
    for (unsigned i = 0; i < 6; ++i) {
      off[i] = meta->getOffset(&status, i);
      nul[i] = meta->getNullOffset(&status, i);
    }
    IResultSet* rs = stmt->openCursor(&status, tra, nullptr, nullptr, meta, 0);
    long rows = 0;
    Row row;
    while (rs->fetchNext(&status, buffer.data()) == IStatus::RESULT_OK) {
      const unsigned char* b = buffer.data();
      auto isNull = [&](int i) { return *reinterpret_cast<const short*>(b + nul[i]) != 0; };
      row.id = *reinterpret_cast<const int*>(b + off[0]);
      if (!isNull(1)) {
        const auto len = *reinterpret_cast<const unsigned short*>(b + off[1]);
        row.nome = pf::fromCp1252(reinterpret_cast<const char*>(b + off[1] + 2), len);
      }
      row.valor = *reinterpret_cast<const ISC_INT64*>(b + off[2]) / 100.0;
      row.dia = QDate::fromJulianDay(*reinterpret_cast<const ISC_DATE*>(b + off[3]) + 2400001);
      row.flag = pf::fromCp1252(reinterpret_cast<const char*>(b + off[4]), 1);
      row.qtd = *reinterpret_cast<const int*>(b + off[5]);
      benchmark::DoNotOptimize(row);
      ++rows;
    }
    rs->close(&status);
    meta->release();
    stmt->free(&status);
    if (rows != kRows) state.SkipWithError("wrong row count");
  }
  status.dispose();
  state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_FetchLayer(benchmark::State& state) {
  Fixture& f = fixture();
  pf::Sql sql;
  sql.setDatabase(&f.db);
  for (auto _ : state) {
    sql.setSql(kSelect);
    sql.execQuery();
    long rows = 0;
    Row row;
    for (; !sql.eof(); sql.next()) {
      row.id = sql.field(0).asInteger();
      row.nome = sql.field(1).asString();
      row.valor = sql.field(2).asDouble();
      row.dia = sql.field(3).asDate();
      row.flag = sql.field(4).asString();
      row.qtd = sql.field(5).asInteger();
      benchmark::DoNotOptimize(row);
      ++rows;
    }
    sql.close();
    if (rows != kRows) state.SkipWithError("wrong row count");
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_PrepareExecuteDirect(benchmark::State& state) {
  Fixture& f = fixture();
  using namespace Firebird;
  IMaster* master = fb_get_master_interface();
  ThrowStatusWrapper status(master->getStatus());
  IAttachment* att = f.db.attachment();
  ITransaction* tra = f.tr.handle();
  for (auto _ : state) {
    for (int i = 0; i < kStatements; ++i) {
      const std::string text = "select NOME from T where ID = " + std::to_string(i);
      IStatement* stmt =
          att->prepare(&status, tra, 0, text.c_str(), 3, IStatement::PREPARE_PREFETCH_METADATA);
      IMessageMetadata* meta = stmt->getOutputMetadata(&status);
      std::vector<unsigned char> buffer(meta->getMessageLength(&status));
      IResultSet* rs = stmt->openCursor(&status, tra, nullptr, nullptr, meta, 0);
      rs->fetchNext(&status, buffer.data());
      rs->close(&status);
      meta->release();
      stmt->free(&status);
    }
  }
  status.dispose();
  state.SetItemsProcessed(state.iterations() * kStatements);
}

void BM_PrepareExecuteLayer(benchmark::State& state) {
  Fixture& f = fixture();
  pf::Sql sql;
  sql.setDatabase(&f.db);
  for (auto _ : state) {
    for (int i = 0; i < kStatements; ++i) {
      sql.setSql(QStringLiteral("select NOME from T where ID = %1").arg(i));
      sql.execQuery();
      benchmark::DoNotOptimize(sql.field(0).asString());
    }
    sql.close();
  }
  state.SetItemsProcessed(state.iterations() * kStatements);
}

}  // namespace

BENCHMARK(BM_FetchDirect)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_FetchLayer)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_PrepareExecuteDirect)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_PrepareExecuteLayer)->Unit(benchmark::kMillisecond)->MinTime(2);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  bench::RatioReporter reporter;
  reporter.compare("BM_FetchLayer", "BM_FetchDirect");
  reporter.compare("BM_PrepareExecuteLayer", "BM_PrepareExecuteDirect");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

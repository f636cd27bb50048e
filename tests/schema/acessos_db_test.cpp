#include "catalogue.h"

#include "app/dtmUserVersion.h"
#include "versioning/CmScriptsSQL.h"

#include "support/TestDb.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using schema_test::column;
using schema_test::scalar;

namespace {

struct ToolRun {
  int code;
  QString out;
  QString err;
};

ToolRun tool(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral(ACESSOS_DB), args);
  EXPECT_TRUE(p.waitForFinished(120000));
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
          QString::fromLocal8Bit(p.readAllStandardOutput()),
          QString::fromLocal8Bit(p.readAllStandardError())};
}

std::unique_ptr<pf::Database> open(const QString& name) {
  auto db = std::make_unique<pf::Database>();
  db->setDatabaseName(name);
  db->setParams({"user_name=SYSDBA", "password=hushvault", "lc_ctype=WIN1252"});
  db->open();
  return db;
}

}  // namespace

TEST(AcessosDb, CreatesTheDemonstrationSet) {
  QTemporaryDir dir;
  const QString name = QDir(dir.path()).filePath("demo.fdb");
  const ToolRun created = tool({"create", name, "--demo"});
  ASSERT_EQ(created.code, 0) << created.err.toStdString();
  EXPECT_TRUE(created.out.contains("COMMON.SQL 1.08"));

  const ToolRun level = tool({"level", name});
  EXPECT_EQ(level.code, 0);
  EXPECT_EQ(level.out, "COMMON.SQL 1.08\n");

  auto db = open(name);
  EXPECT_EQ(column(*db, "select USUARIO from USUARIO where SUPERVISOR = 'T' and ID > 1 "
                        "and SUPERVISORID = 1 order by ID").size(), 5);
  const int collaborators =
      scalar(*db, "select count(*) from USUARIO where SUPERVISOR = 'F'").toInt();
  EXPECT_GE(collaborators, 35);
  EXPECT_LE(collaborators, 45);
  EXPECT_GT(scalar(*db, "select count(*) from USUARIO where DESATIVADO = 'T'").toInt(), 0);
  // Every collaborator answers to one of the supervisors.
  EXPECT_EQ(scalar(*db, "select count(*) from USUARIO U where U.SUPERVISOR = 'F' and not exists "
                        "(select 1 from USUARIO S where S.ID = U.SUPERVISORID and "
                        "S.SUPERVISOR = 'T' and S.ID > 1)"), "0");
  // Supervisors may use the user manager; passwords are upper-case MD5 of "1234".
  EXPECT_EQ(scalar(*db, "select count(*) from USUARIO_MODULO where MODULOID = 3 and TUDO is null"),
            "5");
  EXPECT_EQ(column(*db, "select distinct SENHA from USUARIO where ID > 1 and SENHA is not null"),
            QStringList{"81DC9BDB52D04DC20036DBD8313ED055"});
  // Some choose theirs at the first login.
  EXPECT_GT(scalar(*db, "select count(*) from USUARIO where SENHA is null").toInt(), 1);
  // The catalogue's modules, with routines three levels deep.
  EXPECT_EQ(column(*db, "select ID from MODULO order by ID"),
            QStringList({"1", "3", "8", "9", "10", "12", "13"}));
  EXPECT_EQ(column(*db, "select distinct MODULOID from ROTINA R where exists (select 1 from "
                        "ROTINA P join ROTINA G on G.MODULOID = P.MODULOID and G.CTRL_INDEX = "
                        "P.CTRL_INDEX_OWNER and G.CTRL_INDEX_OWNER = 0 where P.MODULOID = "
                        "R.MODULOID and P.CTRL_INDEX = R.CTRL_INDEX_OWNER) order by 1"),
            QStringList({"1", "8", "9", "10", "12", "13"}));
  EXPECT_EQ(scalar(*db, "select count(*) from ROTINA R where R.CTRL_INDEX_OWNER <> 0 and not "
                        "exists (select 1 from ROTINA P where P.MODULOID = R.MODULOID and "
                        "P.CTRL_INDEX = R.CTRL_INDEX_OWNER)"), "0");
  // Both kinds of module right, both routine statuses.
  EXPECT_EQ(column(*db, "select distinct TUDO from USUARIO_MODULO where MODULOID <> 3 order by 1"),
            QStringList({"N", "S"}));
  EXPECT_EQ(column(*db, "select distinct STATUS from USUARIO_ROTINA order by 1"),
            QStringList({"1", "2"}));
  // Nobody holds a module his supervisor lacks.
  EXPECT_EQ(scalar(*db, "select count(*) from USUARIO_MODULO UM join USUARIO U on U.ID = "
                        "UM.USUARIOID where U.SUPERVISORID > 1 and not exists (select 1 from "
                        "USUARIO_MODULO S where S.USUARIOID = U.SUPERVISORID and S.MODULOID = "
                        "UM.MODULOID)"), "0");

  const ToolRun again = tool({"create", name});
  EXPECT_EQ(again.code, 1);
  EXPECT_TRUE(again.err.contains("já existe")) << again.err.toStdString();
}

TEST(AcessosDb, UpgradesWithABackup) {
  testing_support::TempDatabase tmp;
  {
    TdmUserVersion version;
    version.ScriptsCommon()->Versions().Resize(4);
    ASSERT_TRUE(version.RunAllScripts(tmp.name()));
  }
  const QString backup = QDir(tmp.folder()).filePath("antes.gbk");
  const ToolRun run = tool({"upgrade", tmp.name(), "--backup", backup});
  EXPECT_EQ(run.code, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.contains("Banco de Dados foi atualizado com sucesso."));
  EXPECT_TRUE(QFile::exists(backup));
  EXPECT_EQ(tool({"level", tmp.name()}).out, "COMMON.SQL 1.08\n");
  const ToolRun current = tool({"upgrade", tmp.name()});
  EXPECT_EQ(current.code, 0);
  EXPECT_TRUE(current.out.contains("já está na versão 1.08")) << current.out.toStdString();
}

TEST(AcessosDb, FailuresExitNonZero) {
  testing_support::TempDatabase tmp;
  {
    TdmUserVersion version;
    ASSERT_TRUE(version.RunAllScripts(tmp.name()));
  }
  tmp.exec({"update VERSAO set NUMERO = '1.09' where ID = 1"});
  const ToolRun newer = tool({"upgrade", tmp.name()});
  EXPECT_EQ(newer.code, 1);
  EXPECT_TRUE(newer.out.contains("BD: COMMON.SQL-1.09")) << newer.out.toStdString();

  QTemporaryDir dir;
  const QString absent = QDir(dir.path()).filePath("absent.fdb");
  for (const QStringList& args : {QStringList{"level", absent}, QStringList{"upgrade", absent},
                                  QStringList{"create", dir.path() + "/no/such/dir.fdb"}}) {
    const ToolRun r = tool(args);
    EXPECT_EQ(r.code, 1) << args.join(' ').toStdString();
    EXPECT_FALSE(r.err.isEmpty());
  }
  const ToolRun badBackup = tool({"upgrade", tmp.name(), "--backup"});
  EXPECT_EQ(badBackup.code, 2);
  EXPECT_TRUE(badBackup.err.contains("uso:"));
  EXPECT_EQ(tool({}).code, 2);
  EXPECT_EQ(tool({"create", absent, "--demos"}).code, 2);
}

#include "catalogue.h"

#include "app/dtmUserVersion.h"
#include "versioning/CmBackupAuth.h"
#include "versioning/CmControlVersion.h"
#include "versioning/UpgradeConsent.h"
#include "versioning/CmCreateDataBase.h"
#include "versioning/CmScriptsSQL.h"

#include "support/ScriptedDialogs.h"
#include "support/TestDb.h"

#include "platform/Errors.h"
#include "platform/Sql.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using schema_test::catalogue;
using schema_test::column;
using schema_test::scalar;
using testing_support::ScriptedDialogs;
using testing_support::TempDatabase;

namespace {

const QString kUpdated = QStringLiteral("Banco de Dados foi atualizado com sucesso.");

// Answers the two questions and counts them.
class Consent final : public UpgradeConsent {
 public:
  explicit Consent(bool upgrade = true) : upgrade_(upgrade) {}
  bool AskBackup() override {
    ++asked;
    return false;
  }
  bool ConfirmUpgrade(TCmDatabase& database, bool skipBackup) override {
    ++confirmed;
    EXPECT_TRUE(database.connected());
    EXPECT_TRUE(skipBackup);
    return upgrade_;
  }
  int asked = 0;
  int confirmed = 0;

 private:
  bool upgrade_;
};

// Runs the first `count` common versions on the database: a database at an older level.
void buildToLevel(const TempDatabase& tmp, int count) {
  TdmUserVersion version;
  version.ScriptsCommon()->Versions().Resize(count);
  ASSERT_TRUE(version.RunAllScripts(tmp.name()));
}

QString level(pf::Database& db) {
  return scalar(db, "select NUMERO from VERSAO where ID = 1");
}

struct PrimaryKey {
  const char* table;
  const char* columns;
};

// The schema the common scripts describe at 1.08.
QStringList expectedCatalogue() {
  QStringList out = {
      "TABLE BANCO: ID integer not null, BANCO integer not null, NOME varchar(30)",
      "TABLE CLIENTE: ID integer not null, CODIGO varchar(8), NOME varchar(50), "
      "FANTASIA varchar(50), CNPJ_CPF varchar(15), TIPOPESSOA smallint, IE_RG varchar(20), "
      "RESP varchar(35), RG_RESP varchar(10), CCM varchar(20), ENDERECO varchar(40), "
      "NUMERO varchar(10), COMPLEMENTO varchar(30), BAIRRO varchar(40), CIDADE varchar(40), "
      "UF varchar(2), TEL_DDD varchar(3), CEP varchar(9), FAX_DDD varchar(3), TEL varchar(12), "
      "CEL_DDD varchar(3), FAX varchar(12), CEL varchar(12), IMP_NF char(1), EMAIL varchar(50), "
      "PAGINA varchar(50), SIMPLES varchar(1), OBSERVACOES blob sub_type 1, "
      "PST_ENDERECO varchar(40), PST_NUMERO varchar(10), PST_COMPLEMENTO varchar(30), "
      "PST_BAIRRO varchar(40), PST_CIDADE varchar(40), PST_UF varchar(2), PST_CEP varchar(9), "
      "DESATIVACAO_DATA date, DESATIVACAO_PORID integer",
      "TABLE CONTA_CORRENTE: ID integer not null, BANCO integer not null, "
      "NUM_AGENCIA varchar(10) not null, NUM_CONTA varchar(15) not null, "
      "NOME_AGENCIA varchar(30), ENDERECO_AGENCIA varchar(40), NUMERO_AGENCIA varchar(10), "
      "COMPLEMENTO_AGENCIA varchar(30), BAIRRO_AGENCIA varchar(40), CIDADE_AGENCIA varchar(40), "
      "UF_AGENCIA varchar(2), CEP_AGENCIA varchar(9), GERENTE varchar(40), DDD integer, "
      "TELEFONE varchar(10), CODIGO_CEDENTE varchar(15), CARTEIRA varchar(5), "
      "USA_OUTRO_TITULAR char(1), TITULAR_NOME varchar(50), TITULAR_CNPJ varchar(20), "
      "TITULAR_CCM varchar(20), TITULAR_ENDERECO varchar(40), TITULAR_NUMERO varchar(10), "
      "TITULAR_COMPLEMENTO varchar(30), TITULAR_BAIRRO varchar(40), TITULAR_CIDADE varchar(40), "
      "TITULAR_UF varchar(2), TITULAR_CEP varchar(9), TITULAR_DDD varchar(3), "
      "TITULAR_TEL varchar(10), TITULAR_FAXDDD varchar(3), TITULAR_FAX varchar(10), "
      "TITULAR_EMAIL varchar(255), TITULAR_SITE varchar(255)",
      "TABLE DADOS_EMPRESA: ID integer not null, RAZAO_SOCIAL varchar(50), CNPJ varchar(20), "
      "ENDERECO varchar(40), NUMERO varchar(10), COMPLEMENTO varchar(30), BAIRRO varchar(40), "
      "CIDADE varchar(40), UF varchar(2), CEP varchar(9), DDD varchar(3), TELEFONE varchar(10), "
      "BINARIO blob sub_type 0, BINARIO_EXT varchar(5)",
      "TABLE FORNECEDOR: ID integer not null, NOME varchar(50), CNPJ varchar(20), "
      "INSCRICAO_ESTADUAL varchar(20), TIPO_FORNECEDOR smallint, RESPONSAVEL varchar(50), "
      "RG varchar(20), ENDERECO varchar(50), NUMERO varchar(10), COMPLEMENTO varchar(25), "
      "BAIRRO varchar(30), CIDADE varchar(30), ESTADO varchar(2), CEP varchar(10), "
      "TELEFONEDDD smallint, TELEFONE varchar(10), FAXDDD smallint, FAX varchar(10), "
      "CELULARDDD smallint, CELULAR varchar(10), EMAIL varchar(50), PAGINA varchar(50), "
      "CODIGO varchar(8)",
      "TABLE MODULO: ID integer not null, MODULO varchar(30)",
      "TABLE PARAMETROS: ID integer not null, APELIDO varchar(8), ANO smallint, MES smallint, "
      "USUARIO varchar(10), MODULO varchar(20), PARAMETRO varchar(20), VALOR varchar(100)",
      "TABLE PRODUTO: ID integer not null, UNIDADEID integer, FABRICANTEID integer, "
      "DESCRICAO varchar(50), CUSTO double precision, VALOR double precision, "
      "ESTOQUE double precision, ESTOQUE_MINIMO double precision, TIPO_PRODUTO smallint, "
      "USA_MARG_LUCRO char(1), MARG_LUCRO double precision, PESO_LIQUIDO double precision, "
      "CLASSIFICACAO_FISCAL varchar(16)",
      "TABLE ROTINA: ID integer not null, MODULOID integer, CTRL_INDEX integer, "
      "CTRL_INDEX_OWNER integer, NOME varchar(255), ATIVO integer, STATUS integer",
      "TABLE UNIDADE: ID integer not null, SIGLA varchar(2), TITULO varchar(15)",
      "TABLE USUARIO: ID integer not null, USUARIO varchar(10), SENHA varchar(32), "
      "PRIMEIRO_NOME varchar(20), ULTIMO_NOME varchar(20), OBSERVACAO varchar(255), "
      "SUPERVISOR char(1), SUPERVISORID integer, EMAIL varchar(128), DESATIVADO char(1)",
      "TABLE USUARIO_LOG: ID integer not null, USUARIOID integer, MODULOID integer, DATA date, "
      "HORA time, TABLEID integer, FORMNAME varchar(128), TELA varchar(255), LOG varchar(255)",
      "TABLE USUARIO_MODULO: USUARIOID integer not null, MODULOID integer not null, "
      "TUDO char(1)",
      "TABLE USUARIO_ROTINA: ID integer not null, USUARIOID integer, ROTINAID integer, "
      "STATUS integer",
      "TABLE VERSAO: ID integer not null, SCRIPT varchar(30), NUMERO varchar(10)",
  };
  const PrimaryKey keys[] = {
      {"BANCO", "BANCO"},
      {"CLIENTE", "ID"},
      {"CONTA_CORRENTE", "BANCO,NUM_AGENCIA,NUM_CONTA"},
      {"DADOS_EMPRESA", "ID"},
      {"FORNECEDOR", "ID"},
      {"MODULO", "ID"},
      {"PARAMETROS", "ID"},
      {"PRODUTO", "ID"},
      {"ROTINA", "ID"},
      {"UNIDADE", "ID"},
      {"USUARIO", "ID"},
      {"USUARIO_LOG", "ID"},
      {"USUARIO_MODULO", "USUARIOID,MODULOID"},
      {"USUARIO_ROTINA", "ID"},
      {"VERSAO", "ID"},
  };
  struct ForeignKey {
    const char* name;
    const char* table;
    const char* columns;
    const char* target;
    const char* onDelete;
  } foreign[] = {
      {"FK_CLIENTE_USUARIO", "CLIENTE", "DESATIVACAO_PORID", "USUARIO", "RESTRICT"},
      {"FK_CONTA_CORRENTE_BANCO", "CONTA_CORRENTE", "BANCO", "BANCO", "RESTRICT"},
      {"FK_PRODUTO_FORNECEDOR", "PRODUTO", "FABRICANTEID", "FORNECEDOR", "RESTRICT"},
      {"FK_PRODUTO_UNIDADE", "PRODUTO", "UNIDADEID", "UNIDADE", "RESTRICT"},
      {"FK_USUARIO_LOG_USUARIO", "USUARIO_LOG", "USUARIOID", "USUARIO", "CASCADE"},
  };
  out << "INDEX CLIENTE_01 unique on CLIENTE(CODIGO)";
  for (const ForeignKey& f : foreign)
    out << QStringLiteral("INDEX %1 on %2(%3)").arg(f.name, f.table, f.columns);
  out << "INDEX IXC_FORNECEDOR_CODIGO on FORNECEDOR(CODIGO)"
      << "INDEX IXC_USUARIO_LOG_01 on USUARIO_LOG(FORMNAME,TABLEID,DATA,HORA)";
  for (const PrimaryKey& k : keys)
    out << QStringLiteral("INDEX PK_%1 unique on %1(%2)").arg(k.table, k.columns);
  out << "INDEX USUARIO_01 unique on USUARIO(USUARIO)";
  for (const ForeignKey& f : foreign)
    out << QStringLiteral("CONSTRAINT %1 FOREIGN KEY on %2 index %1 references %3 update "
                          "CASCADE delete %4")
               .arg(f.name, f.table, f.target, f.onDelete);
  for (const PrimaryKey& k : keys)
    out << QStringLiteral("CONSTRAINT PK_%1 PRIMARY KEY on %1 index PK_%1").arg(k.table);
  const char* withId[] = {"BANCO",   "CLIENTE", "CONTA_CORRENTE", "FORNECEDOR",
                          "PARAMETROS", "PRODUTO", "ROTINA", "UNIDADE",
                          "USUARIO", "USUARIO_LOG", "USUARIO_ROTINA"};
  for (const char* t : withId) out << QStringLiteral("GENERATOR GEN_%1_ID").arg(t);
  for (const char* t : withId)
    out << QStringLiteral("TRIGGER TG_%1 on %1 type 1 position 0").arg(t);
  out << "PROCEDURE GETPARAMS(APELIDO varchar(8), USUARIO varchar(10), MODULO varchar(20), "
         "PARAMETRO varchar(20), ANO smallint, MES smallint, out VALOR varchar(100))"
      << "PROCEDURE SETPARAMS(APELIDO varchar(8), USUARIO varchar(10), MODULO varchar(20), "
         "PARAMETRO varchar(20), ANO smallint, MES smallint, VALOR varchar(100))"
      << "FUNCTION LTRIM ib_udf IB_UDF_ltrim" << "FUNCTION STRLEN ib_udf IB_UDF_strlen"
      << "FUNCTION SUBSTR ib_udf IB_UDF_substr";
  return out;
}

}  // namespace

TEST(VersionNumber, DropsDotsAndConverts) {
  const std::pair<const char*, int> cases[] = {
      {"1.05", 105}, {"1.1", 11}, {"1.08", 108}, {"2", 2}, {"1.0.3", 103},
      {"", 0},       {"1.x", 0},  {"beta", 0},
  };
  for (const auto& [text, number] : cases) EXPECT_EQ(VersionNumber(text), number) << text;
  EXPECT_LT(VersionNumber("1.1"), VersionNumber("1.05"));
}

TEST(MergeScripts, CommonFirstThenOwnWithResourcesResolved) {
  TdmUserVersion version;
  version.Scripts()->Versions().Add({"OWN.SQL", {"select 1 from rdb$database;"}, "1.0"});
  TCmScriptsSQL merged;
  version.MergeScripts(merged);
  ASSERT_EQ(merged.Versions().Count(), 10);
  EXPECT_EQ(merged.Versions().Items(0).DisplayName(), QStringLiteral("COMMON.SQL - 1.00"));
  EXPECT_EQ(merged.Versions().Items(8).Version, QStringLiteral("1.08"));
  EXPECT_EQ(merged.Versions().Items(9).DisplayName(), QStringLiteral("OWN.SQL - 1.0"));
  EXPECT_TRUE(merged.Versions().Items(0).Script.contains("create table VERSAO ("));
  EXPECT_TRUE(merged.Versions().Items(8).Script.contains(
      "update VERSAO set NUMERO = '1.08' where ID = 1^"));
  // The containers keep their sources; only the copies are resolved.
  EXPECT_EQ(version.ScriptsCommon()->Versions().Items(0).Script,
            QStringList{"RESOURCEFILE=COMMON_1_00.SQL"});
  EXPECT_EQ(TdmUserVersion::CommonLevel(), QStringLiteral("1.08"));
}

TEST(MergeScripts, ResourceFileRule) {
  EXPECT_EQ(ResolveScriptSource({"select 1;", "RESOURCEFILE=X"}),
            QStringList({"select 1;", "RESOURCEFILE=X"}));
  EXPECT_EQ(ResolveScriptSource({}), QStringList());
  TdmUserVersion loadsResources;
  EXPECT_EQ(ResolveScriptSource({"  RESOURCEFILE=COMMON_1_01.SQL"}),
            QStringList{"  RESOURCEFILE=COMMON_1_01.SQL"});
  EXPECT_EQ(ResolveScriptSource({"RESOURCEFILE=COMMON_1_01.SQL  "}),
            LoadSqlFile("COMMON_1_01.SQL"));
  EXPECT_THROW(ResolveScriptSource({"RESOURCEFILE=NOPE.SQL"}), pf::Error);

  // A missing embedded script reaches the caller of the check.
  ScriptedDialogs dialogs;
  loadsResources.Scripts()->Versions().Add({"OWN.SQL", {"RESOURCEFILE=NOPE.SQL"}, "1.0"});
  EXPECT_THROW(loadsResources.CheckVersion("never-opened.fdb"), pf::Error);
}

class NewDatabase : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new QTemporaryDir;
    name_ = QDir(dir_->path()).filePath("nova.fdb");
    ASSERT_TRUE(CreateNewDatabase(name_, CreateUserVersion));
  }
  static void TearDownTestSuite() {
    try {
      pf::Database db;
      db.setDatabaseName(name_);
      db.setParams({"user_name=SYSDBA", "password=hushvault"});
      db.open();
      db.dropDatabase();
    } catch (...) {
    }
    delete dir_;
  }
  std::unique_ptr<pf::Database> connect() {
    auto db = std::make_unique<pf::Database>();
    db->setDatabaseName(name_);
    db->setParams({"user_name=SYSDBA", "password=hushvault", "lc_ctype=WIN1252"});
    auto* tr = new pf::Transaction(db.get());
    tr->setParams(testing_support::readCommittedParams());
    db->setDefaultTransaction(tr);
    db->open();
    return db;
  }
  static QTemporaryDir* dir_;
  static QString name_;
};

QTemporaryDir* NewDatabase::dir_ = nullptr;
QString NewDatabase::name_;

TEST_F(NewDatabase, CatalogueMatchesTheDefinitions) {
  auto db = connect();
  const QStringList actual = catalogue(*db);
  const QStringList expected = expectedCatalogue();
  for (const QString& line : expected)
    EXPECT_TRUE(actual.contains(line)) << "missing: " << line.toStdString();
  for (const QString& line : actual)
    EXPECT_TRUE(expected.contains(line)) << "extra: " << line.toStdString();
  EXPECT_EQ(db->sqlDialect(), 3);
  EXPECT_EQ(scalar(*db, "select mon$page_size from mon$database"), "4096");
}

TEST_F(NewDatabase, SeedRows) {
  auto db = connect();
  EXPECT_EQ(column(*db, "select ID || '|' || USUARIO || '|' || coalesce(SENHA, '<null>') || "
                        "'|' || PRIMEIRO_NOME || '|' || ULTIMO_NOME || '|' || SUPERVISOR || "
                        "'|' || SUPERVISORID || '|' || coalesce(DESATIVADO, '<null>') "
                        "from USUARIO"),
            QStringList{"1|ADMIN|<null>|Administrador|Sistema|T|1|<null>"});
  EXPECT_EQ(column(*db, "select ID || '|' || MODULO from MODULO"), QStringList{"3|USUÁRIOS"});
  EXPECT_EQ(column(*db, "select USUARIOID || '|' || MODULOID || '|' || TUDO from USUARIO_MODULO"),
            QStringList{"1|3|S"});
  EXPECT_EQ(column(*db, "select ID || '|' || SCRIPT || '|' || NUMERO from VERSAO"),
            QStringList{"1|COMMON.SQL|1.08"});
  EXPECT_EQ(scalar(*db, "select gen_id(GEN_USUARIO_ID, 0) from rdb$database"), "1");
  for (const char* t : {"CLIENTE", "PARAMETROS", "ROTINA", "USUARIO_LOG", "USUARIO_ROTINA",
                        "DADOS_EMPRESA", "BANCO", "PRODUTO"})
    EXPECT_EQ(scalar(*db, QStringLiteral("select count(*) from %1").arg(t)), "0") << t;
}

TEST_F(NewDatabase, ParametersUpdateOrInsertOnAllSixKeys) {
  auto db = connect();
  TCmIBSQL sql;
  sql.setDatabase(db.get());
  auto set = [&](const QVariant& alias, const char* user, const char* key, int year,
                 const char* value) {
    sql.ExecSQL(QStringLiteral("execute procedure SETPARAMS (%1, '%2', 'CAD', '%3', %4, 0, '%5')")
                    .arg(alias.isNull() ? QStringLiteral("null") : "'" + alias.toString() + "'",
                         user, key, QString::number(year), value));
  };
  auto get = [&](const QVariant& alias, const char* user, const char* key, int year) {
    sql.ExecuteProcedure("GETPARAMS", {alias, user, "CAD", key, year, 0});
    return sql.fieldByName("VALOR").isNull() ? QStringLiteral("<null>")
                                             : sql.fieldByName("VALOR").asString();
  };
  set(QString(""), "ADMIN", "ORDEM", 0, "1");
  set(QVariant(), "ADMIN", "ORDEM", 0, "2");   // null alias matches the empty one
  set(QString("LOJA1"), "ADMIN", "ORDEM", 0, "3");
  set(QString("LOJA1"), "ADMIN", "ORDEM", 0, "4");
  set(QString(""), "ADMIN", "ORDEM", 2026, "5");
  set(QString(""), "ANA", "ORDEM", 0, "6");
  EXPECT_EQ(get(QString(""), "ADMIN", "ORDEM", 0), "2");
  EXPECT_EQ(get(QString("LOJA1"), "ADMIN", "ORDEM", 0), "4");
  EXPECT_EQ(get(QString(""), "ADMIN", "ORDEM", 2026), "5");
  EXPECT_EQ(get(QString(""), "ANA", "ORDEM", 0), "6");
  EXPECT_EQ(get(QString(""), "ANA", "OUTRA", 0), "<null>");
  EXPECT_EQ(get(QString("LOJA2"), "ADMIN", "ORDEM", 0), "<null>");
  auto* tr = db->defaultTransaction();
  EXPECT_EQ(scalar(*db, "select count(*) from PARAMETROS", tr), "4");
  EXPECT_EQ(scalar(*db, "select count(*) from PARAMETROS where APELIDO is null", tr), "3");
  db->defaultTransaction()->rollback();
}

TEST_F(NewDatabase, TriggersFillIdsAndStampTheAuditLine) {
  auto db = connect();
  pf::Sql sql;
  sql.setDatabase(db.get());
  sql.setParamCheck(false);
  const char* inserts[] = {
      "insert into UNIDADE (SIGLA) values ('UN')",
      "insert into CLIENTE (NOME) values ('Cliente')",
      "insert into ROTINA (NOME) values ('Rotina')",
      "insert into USUARIO (USUARIO) values ('NOVO')",
      "insert into USUARIO_LOG (USUARIOID, DATA, HORA, LOG) "
      "values (1, '2001-01-01', '01:02:03', 'linha')",
  };
  for (const char* s : inserts) {
    sql.setSql(s);
    sql.execQuery();
  }
  auto* tr = db->defaultTransaction();
  EXPECT_EQ(scalar(*db, "select ID from UNIDADE", tr), "1");
  EXPECT_EQ(scalar(*db, "select ID from USUARIO where USUARIO = 'NOVO'", tr), "2");
  EXPECT_EQ(scalar(*db, "select ID from CLIENTE", tr), "1");
  EXPECT_EQ(scalar(*db, "select count(*) from USUARIO_LOG where ID = 1 and DATA = current_date "
                        "and HORA between dateadd(-1 minute to current_time) and current_time",
                   tr),
            "1");
  // Deleting the user takes his audit lines with him.
  sql.setSql("delete from USUARIO where ID = 1");
  sql.execQuery();
  EXPECT_EQ(scalar(*db, "select count(*) from USUARIO_LOG", tr), "0");
  db->defaultTransaction()->rollback();
}

TEST_F(NewDatabase, FreshDatabasePassesWithoutAnyQuestion) {
  ScriptedDialogs dialogs;
  Consent consent;
  TdmUserVersion version;
  version.setUpgradeConsent(&consent);
  EXPECT_TRUE(version.CheckVersion(name_));
  EXPECT_EQ(consent.asked, 0);
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_FALSE(version.FDataBase()->connected());
}

// Rows at the older level whose values the later scripts must carry over.
void insertOldRows(const TempDatabase& tmp, int count) {
  QStringList rows = {
      "insert into USUARIO (ID, USUARIO, SUPERVISOR, SUPERVISORID) values (2, 'ANA', 'F', 1)",
      "insert into USUARIO_MODULO (USUARIOID, MODULOID) values (2, 1)",
      "insert into BANCO (BANCO, NOME) values (341, 'Banco')",
      "insert into CONTA_CORRENTE (BANCO, NUM_AGENCIA, NUM_CONTA) values (341, '0001', '12345-6')",
  };
  if (count < 3)  // before CLIENTE was restructured
    rows << "insert into CLIENTE (ID, NOME, DOCUMENTO, INSCRICAO_ESTADUAL, RESPONSAVEL, RG, "
            "TELEFONEDDD, TELEFONE, FAXDDD, CELULARDDD, CELULAR, IMPRIMIR_NOTA_FISCAL) values "
            "(7, 'Loja', '12.345.678/0001-90', 'ISENTO', 'Maria', '12.345.678-9X', 11, "
            "'5555-0101', 21, 1234, '9999-0000', 'S')"
         << "insert into CLIENTE (ID, NOME) values (12345, 'Outra')";
  else
    rows << "insert into CLIENTE (ID, CODIGO, NOME) values (7, '00000007', 'Loja')";
  tmp.exec(rows);
}

// The number of common versions the database has run before the upgrade: 1 is 1.00.
class UpgradeFromLevel : public ::testing::TestWithParam<int> {};

TEST_P(UpgradeFromLevel, CarriesTheDataOverToTheLastLevel) {
  const int count = GetParam();
  {
    TempDatabase tmp;
    buildToLevel(tmp, count);
    insertOldRows(tmp, count);
    {
      ScriptedDialogs dialogs;
      dialogs.expectMessage(kUpdated);
      Consent consent;
      TdmUserVersion version;
      version.setUpgradeConsent(&consent);
      EXPECT_TRUE(version.CheckVersion(tmp.name())) << version.LastError().toStdString();
      EXPECT_EQ(consent.asked, 1);
      EXPECT_EQ(consent.confirmed, 1);
    }
    auto db = tmp.connect();
    EXPECT_EQ(level(*db), "1.08");
    QStringList actual = catalogue(*db), expected = expectedCatalogue();
    actual.sort();
    expected.sort();
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(scalar(*db, "select TUDO from USUARIO_MODULO where USUARIOID = 2"),
              count < 8 ? "S" : "");
    EXPECT_EQ(scalar(*db, "select CODIGO_CEDENTE from CONTA_CORRENTE"),
              count < 5 ? "12345-6" : "");
    if (count < 3) {
      EXPECT_EQ(column(*db, "select CODIGO || '|' || CNPJ_CPF || '|' || IE_RG || '|' || RESP || "
                            "'|' || RG_RESP || '|' || TEL_DDD || '|' || TEL || '|' || "
                            "coalesce(FAX_DDD, '') || '|' || CEL_DDD || '|' || CEL || '|' || "
                            "IMP_NF from CLIENTE order by ID"),
                QStringList({"00000007|12.345.678/0001|ISENTO|Maria|12.345.678|11|5555-0101|21|"
                             "123|9999-0000|S",
                             ""}));
      EXPECT_EQ(scalar(*db, "select CODIGO from CLIENTE where ID = 12345"), "00012345");
    }
    // The unique index on CODIGO holds.
    pf::Sql dup;
    dup.setDatabase(db.get());
    dup.setSql("insert into CLIENTE (CODIGO) values ('00000007')");
    EXPECT_THROW(dup.execQuery(), pf::DatabaseError);
  }
}

INSTANTIATE_TEST_SUITE_P(Common, UpgradeFromLevel, ::testing::Range(1, 9),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "From_1_0" + std::to_string(info.param - 1);
                         });

namespace {

// Answers the backup question, ticked or not.
std::function<int(QDialog&)> backupQuestion(bool makeBackup) {
  return [makeBackup](QDialog& d) {
    static_cast<TClsBackupAuth&>(d).chbMakeBackup->setChecked(makeBackup);
    return int(QDialog::Accepted);
  };
}

// Opens the guard (which takes the backup as it shows) and presses the buttons given.
std::function<int(QDialog&)> guard(std::vector<QPushButton* TClsControlVersion::*> presses) {
  return [presses](QDialog& d) {
    auto& g = static_cast<TClsControlVersion&>(d);
    g.show();
    for (auto button : presses) QTest::mouseClick(g.*button, Qt::LeftButton);
    return g.result();
  };
}

}  // namespace

TEST(Upgrade, AcceptedThroughTheDialogs) {
  TempDatabase tmp;
  buildToLevel(tmp, 3);
  ScriptedDialogs dialogs;
  dialogs.expectDialog("ClsBackupAuth", backupQuestion(false))
      .expectDialog("ClsControlVersion", guard({&TClsControlVersion::btnOK}))
      .expectMessage(kUpdated);
  TdmUserVersion version;
  EXPECT_TRUE(version.CheckVersion(tmp.name()));
  auto db = tmp.connect();
  EXPECT_EQ(level(*db), "1.08");
}

TEST(Upgrade, BackupFirstWhenAsked) {
  TempDatabase tmp;
  buildToLevel(tmp, 8);
  ScriptedDialogs dialogs;
  dialogs.expectDialog("ClsBackupAuth", backupQuestion(true))
      .expectDialog("ClsControlVersion", guard({&TClsControlVersion::btnOK}))
      .expectMessage(kUpdated);
  TdmUserVersion version;
  EXPECT_TRUE(version.CheckVersion(tmp.name()));
  const QStringList backups =
      QDir(tmp.folder()).entryList({"test.fdb-*.gbk"}, QDir::Files);
  ASSERT_EQ(backups.size(), 1);
  EXPECT_TRUE(QRegularExpression(R"(^test\.fdb-\d{4}-\d\d-\d\d-\d\d-\d\d\.gbk$)")
                  .match(backups[0]).hasMatch()) << backups[0].toStdString();
}

TEST(Upgrade, OtherConnectionsBlockTheStart) {
  TempDatabase tmp(TempDatabase::Kind::Server);
  buildToLevel(tmp, 8);
  auto other = tmp.connect();
  ScriptedDialogs dialogs;
  dialogs.expectDialog("ClsBackupAuth", backupQuestion(false))
      .expectDialog("ClsControlVersion",
                    guard({&TClsControlVersion::btnOK, &TClsControlVersion::btnCancel}))
      .expectMessage("Existe(m) 1 usuário(s) conectados.")
      .expectMessage("Programa: COMMON.SQL-1.08\r\nBD: COMMON.SQL-1.07");
  TdmUserVersion version;
  EXPECT_FALSE(version.CheckVersion(tmp.name()));
  other->defaultTransaction()->commit();
  other->close();
}

TEST(Upgrade, DeclinedLeavesTheDatabaseUntouched) {
  TempDatabase tmp;
  buildToLevel(tmp, 3);
  QStringList before;
  {
    auto db = tmp.connect();
    before = catalogue(*db);
  }
  ScriptedDialogs dialogs;
  dialogs.expectMessage("Programa: COMMON.SQL-1.08\r\nBD: COMMON.SQL-1.02");
  Consent consent(false);
  TdmUserVersion version;
  version.setUpgradeConsent(&consent);
  EXPECT_FALSE(version.CheckVersion(tmp.name()));
  EXPECT_EQ(consent.confirmed, 1);
  auto db = tmp.connect();
  EXPECT_EQ(catalogue(*db), before);
  EXPECT_EQ(level(*db), "1.02");
}

TEST(Upgrade, NewerDatabaseIsRefused) {
  TempDatabase tmp;
  buildToLevel(tmp, 9);
  tmp.exec({"update VERSAO set NUMERO = '1.09' where ID = 1"});
  ScriptedDialogs dialogs;
  dialogs.expectMessage(
      "A Versão deste programa é incompatível com a versão do banco de dados\r\nAtualize o "
      "programa e tente novamente.\r\n\r\nPrograma: COMMON.SQL-1.08\r\nBD: COMMON.SQL-1.09");
  Consent consent;
  TdmUserVersion version;
  version.setUpgradeConsent(&consent);
  EXPECT_FALSE(version.CheckVersion(tmp.name()));
  EXPECT_EQ(consent.asked, 0);
}

TEST(Upgrade, UnreachableOrWithoutVersionTableFailsQuietly) {
  ScriptedDialogs dialogs;
  TdmUserVersion version;
  QTemporaryDir dir;
  EXPECT_FALSE(version.CheckVersion(QDir(dir.path()).filePath("absent.fdb")));
  EXPECT_FALSE(version.LastError().isEmpty());
  TempDatabase empty;
  EXPECT_FALSE(version.CheckVersion(empty.name()));
  EXPECT_TRUE(dialogs.shown().empty());
}

// A program with a script of its own next to the common ones.
class OwnScripts : public ::testing::Test {
 protected:
  void SetUp() override { buildToLevel(tmp_, 9); }
  void add(const char* version, QStringList script) {
    version_.Scripts()->Versions().Add({"OWN.SQL", std::move(script), version});
  }
  bool check() {
    version_.setUpgradeConsent(&consent_);
    return version_.CheckVersion(tmp_.name());
  }
  TempDatabase tmp_;
  TdmUserVersion version_;
  Consent consent_;
};

TEST_F(OwnScripts, LevelOneDotOneIsBelowOneDotOhFive) {
  tmp_.exec({"create table OWN (A integer)",
             "insert into VERSAO (ID, SCRIPT, NUMERO) values (2, 'OWN.SQL', '1.1')"});
  add("1.0", {"create table OWN (A integer);"});  // 10: not run again
  add("1.05", {"alter table OWN add B integer;",
               "update VERSAO set NUMERO = '1.05' where ID = 2;", "commit;"});
  ScriptedDialogs dialogs;
  dialogs.expectMessage(kUpdated);
  EXPECT_TRUE(check()) << version_.LastError().toStdString();
  auto db = tmp_.connect();
  EXPECT_EQ(scalar(*db, "select NUMERO from VERSAO where ID = 2"), "1.05");
  EXPECT_EQ(
      scalar(*db, "select count(*) from rdb$relation_fields where rdb$relation_name = 'OWN'"),
      "2");
}

TEST_F(OwnScripts, ScriptThatNeverWritesItsRowIsMissing) {
  add("1.0", {"create table OWN (A integer);"});
  ScriptedDialogs dialogs;
  dialogs.expectMessage("\r\n\r\nFalta o script: OWN.SQL-1.0").expectMessage(kUpdated);
  EXPECT_FALSE(check());
  EXPECT_EQ(consent_.asked, 1);
}

TEST_F(OwnScripts, FailingStatementStopsTheRun) {
  add("1.0", {"create table OWN (A integer not null primary key);",
              "insert into VERSAO (ID, SCRIPT, NUMERO) values (2, 'OWN.SQL', '1.0');",
              "commit;", "insert into OWN values (1);", "insert into OWN values (1);",
              "insert into OWN values (2);", "commit;"});
  add("1.1", {"create table OWN2 (A integer);"});
  ScriptedDialogs dialogs;  // no success message
  EXPECT_FALSE(check());
  EXPECT_TRUE(version_.LastError().contains("insert into OWN values (1)"))
      << version_.LastError().toStdString();
  auto db = tmp_.connect();
  EXPECT_EQ(scalar(*db, "select NUMERO from VERSAO where ID = 2"), "1.0");
  EXPECT_EQ(scalar(*db, "select count(*) from OWN"), "0");  // rolled back with its transaction
  EXPECT_EQ(scalar(*db, "select count(*) from rdb$relations where rdb$relation_name = 'OWN2'"),
            "0");
}

TEST(CreateNewDatabase, OnTheServer) {
  QTemporaryDir dir;
  QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                        QFileDevice::WriteOther | QFileDevice::ExeOther);
  const QString file = QDir(dir.path()).filePath("nova.gdb");
  const QString server = testing_support::testServer();
  ASSERT_TRUE(CreateNewDatabase(server, file, CreateUserVersion));
  pf::Database db;
  db.setDatabaseName(server + ":" + file);
  db.setParams({"user_name=SYSDBA", "password=" + testing_support::sysdbaPassword()});
  db.open();
  EXPECT_EQ(level(db), "1.08");
  EXPECT_EQ(scalar(db, "select USUARIO from USUARIO where ID = 1"), "ADMIN");
  EXPECT_EQ(scalar(db, "select MODULO from MODULO where ID = 3"), "USUÁRIOS");
  db.close();
  // The file is there now: the server's refusal reaches the caller.
  EXPECT_THROW(CreateNewDatabase(server, file, CreateUserVersion), pf::DatabaseError);
  db.open();
  db.dropDatabase();
}

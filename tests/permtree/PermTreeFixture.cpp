#include "PermTreeFixture.h"

#include "app/SharedSettings.h"
#include "data/CmIBSQL.h"
#include "platform/Sql.h"

#include <QApplication>

namespace permtree_test {

namespace {

// One QApplication for the binary: the check tree is a widget.
class QtApp final : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "permtree_tests";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
    InitializeSharedSettings();
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] const auto* const kApp = ::testing::AddGlobalTestEnvironment(new QtApp);

QStringList rightsOf(pf::Sql& sql, int user) {
  QStringList out;
  sql.setSql(QStringLiteral("select MODULOID, TUDO from USUARIO_MODULO where USUARIOID = %1 "
                                "order by MODULOID").arg(user));
  for (sql.execQuery(); !sql.eof(); sql.next())
    out << QStringLiteral("M%1:%2").arg(sql.field(0).asInteger()).arg(
               sql.field(1).isNull() ? QStringLiteral("-") : sql.field(1).asString());
  sql.setSql(QStringLiteral("select ROTINAID, STATUS from USUARIO_ROTINA where USUARIOID = %1 "
                                "order by ROTINAID")
                 .arg(user));
  for (sql.execQuery(); !sql.eof(); sql.next())
    out << QStringLiteral("R%1:%2").arg(sql.field(0).asInteger()).arg(sql.field(1).asInteger());
  sql.close();
  return out;
}

}  // namespace

QStringList schema() {
  return {
      "create table MODULO (ID integer not null primary key, MODULO varchar(30))",
      "create table ROTINA (ID integer not null primary key, MODULOID integer, "
      "CTRL_INDEX integer, CTRL_INDEX_OWNER integer, NOME varchar(255), ATIVO integer, "
      "STATUS integer)",
      "create generator GEN_ROTINA_ID",
      "create trigger TG_ROTINA for ROTINA active before insert position 0 as begin "
      "if (new.ID is null) then new.ID = gen_id(GEN_ROTINA_ID, 1); end",
      "create table USUARIO (ID integer not null primary key, USUARIO varchar(10), "
      "SENHA varchar(32), PRIMEIRO_NOME varchar(20), ULTIMO_NOME varchar(20), "
      "OBSERVACAO varchar(255), EMAIL varchar(128), SUPERVISOR char(1), "
      "SUPERVISORID integer, DESATIVADO char(1))",
      "create unique index USUARIO_01 on USUARIO (USUARIO)",
      "create table USUARIO_MODULO (USUARIOID integer not null, MODULOID integer not null, "
      "TUDO char(1), primary key (USUARIOID, MODULOID))",
      "create table USUARIO_ROTINA (ID integer not null primary key, USUARIOID integer, "
      "ROTINAID integer, STATUS integer)",
      "create generator GEN_USUARIO_ROTINA_ID",
      "create trigger TG_USUARIO_ROTINA for USUARIO_ROTINA active before insert position 0 "
      "as begin if (new.ID is null) then new.ID = gen_id(GEN_USUARIO_ROTINA_ID, 1); end",
  };
}

QStringList seed() {
  QStringList s = {
      "insert into MODULO values (3, 'USUÁRIOS')",
      "insert into MODULO values (1, 'CAIXA')",
      "insert into MODULO values (8, 'BALANCO')",
      "insert into MODULO values (9, 'TRAMITE')",
      "insert into MODULO values (15, 'OUTRO')",
      "insert into USUARIO (ID, USUARIO, SUPERVISOR, SUPERVISORID) values (1, 'ADMIN', 'T', 1)",
      "insert into USUARIO (ID, USUARIO, SUPERVISOR, SUPERVISORID) values (2, 'SUP', 'T', 1)",
      "insert into USUARIO (ID, USUARIO, SUPERVISOR, SUPERVISORID) values (3, 'COLAB', 'F', 2)",
      "insert into USUARIO (ID, USUARIO, SUPERVISOR, SUPERVISORID) values (4, 'OUTRO', 'F', 2)",
  };
  struct R {
    int id, modulo, index;
    const char* owner;
    const char* nome;
    int ativo;
  } routines[] = {
      {101, 1, 10, "0", "Cadastros", 1},    {102, 1, 11, "10", "Clientes", 1},
      {103, 1, 12, "11", "Contatos", 1},    {104, 1, 13, "10", "Fornecedores", 1},
      {105, 1, 14, "10", "Inativa", 0},     {106, 1, 20, "0", "Movimento", 1},
      {107, 1, 30, "0", "Antiga", 0},       {108, 1, 40, "null", "Relatórios", 1},
      {201, 8, 1, "0", "Balancete", 1},     {202, 8, 2, "0", "DRE", 1},
      {301, 15, 1, "0", "Rotina X", 1},
  };
  for (const R& r : routines)
    s << QStringLiteral("insert into ROTINA (ID, MODULOID, CTRL_INDEX, CTRL_INDEX_OWNER, NOME, "
                        "ATIVO, STATUS) values (%1, %2, %3, %4, '%5', %6, 0)")
             .arg(r.id).arg(r.modulo).arg(r.index).arg(QString::fromLatin1(r.owner))
             .arg(QString::fromUtf8(r.nome)).arg(r.ativo);
  s << "insert into USUARIO_MODULO values (1, 3, null)"
    << "insert into USUARIO_MODULO values (1, 1, 'S')"
    << "insert into USUARIO_MODULO values (1, 8, 'S')"
    << "insert into USUARIO_MODULO values (2, 3, null)"
    << "insert into USUARIO_MODULO values (2, 1, 'N')"
    << "insert into USUARIO_MODULO values (2, 9, 'S')"
    << "insert into USUARIO_ROTINA (USUARIOID, ROTINAID, STATUS) values (2, 101, 2)"
    << "insert into USUARIO_ROTINA (USUARIOID, ROTINAID, STATUS) values (2, 102, 1)"
    << "insert into USUARIO_ROTINA (USUARIOID, ROTINAID, STATUS) values (2, 106, 1)"
    << "insert into USUARIO_MODULO values (3, 1, 'N')"
    << "insert into USUARIO_MODULO values (3, 15, 'S')"
    << "insert into USUARIO_ROTINA (USUARIOID, ROTINAID, STATUS) values (3, 102, 1)"
    << "insert into USUARIO_MODULO values (4, 8, 'S')";
  return s;
}

void PermTreeTest::SetUp() {
  tmp_.exec(schema());
  tmp_.exec(seed());
  reconnect();
}

void PermTreeTest::TearDown() {
  model_.reset();
  view_.reset();
  db_.reset();
}

void PermTreeTest::reconnect() {
  model_.reset();
  view_.reset();
  db_ = tmp_.connect();
  session_.ModuloID = 3;
  view_ = std::make_unique<TPermissionCheckTree>();
  model_ = std::make_unique<TPermissionTree>(db_.get(), db_->defaultTransaction(), &session_,
                                             &editor_, view_.get());
}

void PermTreeTest::open(int logged, int edited, int rightsOf) {
  session_.UsuarioID = logged;
  editor_.id = edited;
  model_->TreeLoaded = false;
  model_->BuildPermissionTree();
  model_->LoadPermissions(rightsOf ? rightsOf : edited);
}

std::map<QString, QString> PermTreeTest::shape() const {
  std::map<QString, QString> out;
  view_->forEachNode([&](QStandardItem& n) {
    const Qt::CheckState s = n.checkState();
    out[TPermissionTree::NodePath(&n)] =
        QString(s == Qt::Checked ? u'+' : s == Qt::PartiallyChecked ? u'~' : u'-') +
        (n.isEnabled() ? u'e' : u'd');
  });
  return out;
}

QStandardItem* PermTreeTest::node(const QString& path) const {
  QStandardItem* n = nullptr;
  for (const QString& part : path.split(u':')) {
    n = n ? n->child(part.toInt()) : view_->top(part.toInt());
    if (!n) return nullptr;
  }
  return n;
}

QStringList PermTreeTest::stored(int user) {
  pf::Sql sql;
  sql.setDatabase(db_.get());
  sql.setTransaction(db_->defaultTransaction());
  return rightsOf(sql, user);
}

QStringList PermTreeTest::committed(int user) const {
  auto db = tmp_.connect();
  pf::Sql sql;
  sql.setDatabase(db.get());
  return rightsOf(sql, user);
}

}  // namespace permtree_test

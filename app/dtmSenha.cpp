#include "dtmSenha.h"

#include "login/CmDBDataModule.h"

#include "platform/DataSet.h"

#include <QStringList>

TdmSenha* dmSenha = nullptr;

namespace {

QString lines(const QStringList& items) { return items.join(u'\n'); }

TCmDataSet* makeDataSet(const QString& name, QObject* owner) {
  auto* dataSet = new TCmDataSet(owner);
  dataSet->setObjectName(name);
  dataSet->setTableName(name);
  return dataSet;
}

TCmDataSource* makeSource(const QString& name, TCmDataSet* dataSet, QObject* owner) {
  auto* source = new TCmDataSource(owner);
  source->setObjectName(name);
  source->setDataSet(dataSet);
  return source;
}

pf::Field* text(TCmDataSet* dataSet, const QString& name, int size, const QString& label,
                pf::FieldType type = pf::FieldType::String) {
  pf::Field& field = dataSet->addField(name, type, size);
  if (!label.isEmpty()) field.setDisplayLabel(label);
  return &field;
}

pf::Field* integer(TCmDataSet* dataSet, const QString& name) {
  return &dataSet->addField(name, pf::FieldType::Integer);
}

void setUserStatements(TCmDataSet* u) {
  u->setSelectSql(lines({"select * from USUARIO", "ORDER BY ", "  SUPERVISORID , ID"}));
  u->setInsertSql(lines(
      {"insert into USUARIO",
       "  (ID, USUARIO, SENHA, PRIMEIRO_NOME, ULTIMO_NOME, OBSERVACAO, SUPERVISOR, ",
       "   SUPERVISORID, EMAIL, DESATIVADO)", "values",
       "  (:ID, :USUARIO, :SENHA, :PRIMEIRO_NOME, :ULTIMO_NOME, :OBSERVACAO, :SUPERVISOR, ",
       "   :SUPERVISORID, :EMAIL, :DESATIVADO)"}));
  u->setModifySql(lines({"update USUARIO", "set", "  ID = :ID,", "  USUARIO = :USUARIO,",
                         "  SENHA = :SENHA,", "  PRIMEIRO_NOME = :PRIMEIRO_NOME,",
                         "  ULTIMO_NOME = :ULTIMO_NOME,", "  OBSERVACAO = :OBSERVACAO,",
                         "  SUPERVISOR = :SUPERVISOR,", "  SUPERVISORID = :SUPERVISORID,",
                         "  EMAIL = :EMAIL,", "  DESATIVADO = :DESATIVADO", "where",
                         "  ID = :OLD_ID"}));
  u->setDeleteSql(lines({"delete from USUARIO", "where", "  ID = :OLD_ID"}));
  u->setRefreshSql(lines({"Select ", "  ID,", "  USUARIO,", "  SENHA,", "  PRIMEIRO_NOME,",
                          "  ULTIMO_NOME,", "  OBSERVACAO,", "  SUPERVISOR,", "  SUPERVISORID,",
                          "  EMAIL,", "  DESATIVADO", "from USUARIO ", "where", "  ID = :ID"}));
}

void setModuleStatements(TCmDataSet* m) {
  m->setSelectSql(lines({"select * from USUARIO_MODULO", "where", "  USUARIOID = :ID",
                         "order by", "  MODULOID"}));
  m->setInsertSql(lines({"insert into USUARIO_MODULO", "  (USUARIOID, MODULOID)", "values",
                         "  (:USUARIOID, :MODULOID)"}));
  m->setModifySql(lines({"update USUARIO_MODULO", "set", "  USUARIOID = :USUARIOID,",
                         "  MODULOID = :MODULOID", "where", "  USUARIOID = :OLD_USUARIOID and",
                         "  MODULOID = :OLD_MODULOID"}));
  m->setDeleteSql(lines({"delete from USUARIO_MODULO", "where",
                         "  USUARIOID = :OLD_USUARIOID and", "  MODULOID = :OLD_MODULOID"}));
  m->setRefreshSql(lines({"Select ", "  USUARIOID,", "  MODULOID", "from USUARIO_MODULO ",
                          "where", "  USUARIOID = :USUARIOID and", "  MODULOID = :MODULOID"}));
}

}  // namespace

TdmSenha::TdmSenha(QObject* owner)
    : TClsDataModule(owner),
      USUARIO(makeDataSet(QStringLiteral("USUARIO"), this)),
      dsUSUARIO(makeSource(QStringLiteral("dsUSUARIO"), USUARIO, this)),
      USUARIO_MODULO(makeDataSet(QStringLiteral("USUARIO_MODULO"), this)),
      dsUSUARIO_MODULO(makeSource(QStringLiteral("dsUSUARIO_MODULO"), USUARIO_MODULO, this)),
      USUARIOID(integer(USUARIO, QStringLiteral("ID"))),
      USUARIOUSUARIO(text(USUARIO, QStringLiteral("USUARIO"), 10, QStringLiteral("Usuário"))),
      USUARIOSENHA(text(USUARIO, QStringLiteral("SENHA"), 32, QStringLiteral("Senha"))),
      USUARIOPRIMEIRO_NOME(
          text(USUARIO, QStringLiteral("PRIMEIRO_NOME"), 20, QStringLiteral("Primeiro Nome"))),
      USUARIOULTIMO_NOME(
          text(USUARIO, QStringLiteral("ULTIMO_NOME"), 20, QStringLiteral("Ultimo Nome"))),
      USUARIOOBSERVACAO(
          text(USUARIO, QStringLiteral("OBSERVACAO"), 255, QStringLiteral("Observação"))),
      USUARIOSUPERVISOR(text(USUARIO, QStringLiteral("SUPERVISOR"), 1, QString())),
      USUARIOSUPERVISORID(integer(USUARIO, QStringLiteral("SUPERVISORID"))),
      USUARIOEMAIL(text(USUARIO, QStringLiteral("EMAIL"), 128, QStringLiteral("Email"))),
      USUARIOcalcSUPERVISOR(&USUARIO->addField(QStringLiteral("calcSUPERVISOR"),
                                               pf::FieldType::String, 5,
                                               pf::FieldKind::Calculated)),
      USUARIODESATIVADO(text(USUARIO, QStringLiteral("DESATIVADO"), 1,
                             QStringLiteral("Desativado"), pf::FieldType::FixedChar)),
      USUARIO_MODULOUSUARIOID(integer(USUARIO_MODULO, QStringLiteral("USUARIOID"))),
      USUARIO_MODULOMODULOID(integer(USUARIO_MODULO, QStringLiteral("MODULOID"))) {
  setObjectName(QStringLiteral("dmSenha"));
  USUARIOcalcSUPERVISOR->setDisplayLabel(QStringLiteral("Supervisor"));
  setUserStatements(USUARIO);
  USUARIO->onCalcFields = [this](pf::DataSet&) {
    const bool supervisor = USUARIOSUPERVISOR->asString().trimmed() == u"T";
    USUARIOcalcSUPERVISOR->setAsString(supervisor ? QStringLiteral("Sim")
                                                  : QStringLiteral("Não"));
  };
  setModuleStatements(USUARIO_MODULO);
  USUARIO_MODULO->setUniqueKeys({QStringLiteral("MODULOID;USUARIOID")});
  USUARIO_MODULO->setDataSource(dsUSUARIO);
  dmSenha = this;
}

TdmSenha::~TdmSenha() {
  if (dmSenha == this) dmSenha = nullptr;
  // The detail goes first: it listens to the master's data source.
  delete USUARIO_MODULO;
}

void TdmSenha::BindDataSets(pf::Database* database, TCmSQLGlobals* globals) {
  TClsDataModule::BindDataSets(database, globals);
  if (TClsDBDataModule* module = TClsDBDataModule::Instance()) {
    USUARIO->setTransaction(module->trMain);
    USUARIO_MODULO->setTransaction(module->trMain);
  }
}

#include "PermissionTree.h"

#include "app/SharedSettings.h"
#include "data/CmSQLGlobals.h"
#include "platform/Errors.h"

namespace {

constexpr int AdminID = 1;

}  // namespace

TPermissionTree::TPermissionTree(pf::Database* database, pf::Transaction* activeTransaction,
                                 TCmSQLGlobals* session, TPermissionEditor* editor,
                                 TPermissionCheckTree* tree)
    : database_(database),
      transaction_(activeTransaction),
      session_(session),
      editor_(editor),
      tree_(tree) {
  TREE.setObjectName(QStringLiteral("TREE"));
  fId_ = &TREE.addField(QStringLiteral("ID"), pf::FieldType::Integer);
  fPath_ = &TREE.addField(QStringLiteral("PARENTINDEX"), pf::FieldType::String, 100);
  fChildren_ = &TREE.addField(QStringLiteral("CHILDREMCOUNT"), pf::FieldType::Integer);
  fName_ = &TREE.addField(QStringLiteral("NAME"), pf::FieldType::String, 255);
  fChecked_ = &TREE.addField(QStringLiteral("CHECKED"), pf::FieldType::Integer);
  fEnabled_ = &TREE.addField(QStringLiteral("ENABLED"), pf::FieldType::Integer);
  fModulo_ = &TREE.addField(QStringLiteral("MODULOID"), pf::FieldType::Integer);
  TREE.open();
  ROTINA_SUPERVISOR.setObjectName(QStringLiteral("ROTINA_SUPERVISOR"));
  ROTINA_USUARIO.setObjectName(QStringLiteral("ROTINA_USUARIO"));
  defineRights(ROTINA_SUPERVISOR);
  defineRights(ROTINA_USUARIO);
  sql_.setDatabase(database_);
  sql_.setTransaction(transaction_);
}

void TPermissionTree::SetActiveTransaction(pf::Transaction* transaction) {
  transaction_ = transaction;
  sql_.close();
  sql_.setTransaction(transaction);
}

void TPermissionTree::defineRights(TCmMemoryData& table) {
  table.addField(QStringLiteral("ROTINAID"), pf::FieldType::Integer);
  table.addField(QStringLiteral("USUARIOID"), pf::FieldType::Integer);
  table.addField(QStringLiteral("MODULOID"), pf::FieldType::Integer);
  table.addField(QStringLiteral("TUDO"), pf::FieldType::String, 1);
  table.addField(QStringLiteral("STATUS"), pf::FieldType::Integer);
  table.open();
}

void TPermissionTree::appendTreeRow(int id, int moduloId, const QString& path,
                                    const QString& name) {
  TREE.append();
  fId_->setValue(id);
  fPath_->setValue(path);
  fChildren_->setValue(0);
  fName_->setValue(name);
  fChecked_->setValue(0);
  fEnabled_->setValue(0);
  fModulo_->setValue(moduloId);
  TREE.post();
  pathRows_.insert(path, TREE.recNo());
}

void TPermissionTree::setChildCount(int recNo, int count) {
  TREE.setRecNo(recNo);
  TREE.edit();
  fChildren_->setValue(count);
  TREE.post();
  TREE.last();
}

bool TPermissionTree::LocatePath(const QString& path) {
  const auto it = pathRows_.constFind(path);
  if (it == pathRows_.constEnd()) return false;
  TREE.setRecNo(*it);
  return true;
}

void TPermissionTree::BuildPermissionTree() {
  TREE.emptyTable();
  pathRows_.clear();
  dataErrors_.clear();
  ModuleRowCount = 0;
  // Modules are told apart by id: two modules may carry the same name.
  sql_.ExecSQL(QStringLiteral(
      "select M.MODULO, M.ID as INDEXMODULO, R.* from MODULO M left outer join ROTINA R "
      "on ( R.MODULOID = M.ID )where ( M.ID <> 3 ) order by M.MODULO, M.ID, R.CTRL_INDEX"));
  struct ModuleRow {
    int id;
    int recNo;
    int topRoutines;
  };
  QList<ModuleRow> modules;
  int p = -1, q = -1;
  bool first = true;
  QVariant previous;
  for (; !sql_.eof(); sql_.next()) {
    const QVariant moduleId = sql_.field(QStringLiteral("INDEXMODULO")).value();
    if (first || moduleId != previous) {
      first = false;
      previous = moduleId;
      ++p;
      q = -1;
      const int id = moduleId.toInt();
      appendTreeRow(0, id, QString::number(p), KelvoModules(id).Name);
      modules.append({id, TREE.recNo(), 0});
    }
    const int routineId = sql_.field(QStringLiteral("ID")).asInteger();
    if (routineId <= 0) continue;
    if (sql_.field(QStringLiteral("CTRL_INDEX_OWNER")).asInteger() != 0) continue;
    if (sql_.field(QStringLiteral("ATIVO")).asInteger() != 1) continue;
    ++q;
    ++modules.last().topRoutines;
    const QString path = QString::number(p) + u':' + QString::number(q);
    const int routineModule = sql_.field(QStringLiteral("MODULOID")).asInteger();
    appendTreeRow(routineId, routineModule, path, sql_.field(QStringLiteral("NOME")).asString());
    const int row = TREE.recNo();
    const pf::SqlField index = sql_.field(QStringLiteral("CTRL_INDEX"));
    if (index.isNull()) continue;
    ancestors_ = {index.asInteger()};
    const int n = AddChildRoutines(routineModule, index.asInteger(), path);
    if (n > 0) setChildCount(row, n);
  }
  sql_.close();
  ancestors_.clear();
  for (const ModuleRow& m : modules)
    if (m.id > 0 && m.topRoutines > 0) setChildCount(m.recNo, m.topRoutines);
  ModuleRowCount = p + 1;
}

int TPermissionTree::AddChildRoutines(int moduloId, int parentIndex, const QString& parentPath) {
  TCmIBSQL sql;
  sql.setDatabase(database_);
  sql.setTransaction(transaction_);
  sql.ExecSQL(QStringLiteral("select * from ROTINA where (MODULOID = %1 and CTRL_INDEX_OWNER "
                             "= %2) and ( ATIVO = 1 )  order by CTRL_INDEX, NOME")
                  .arg(moduloId)
                  .arg(parentIndex));
  int k = 0;
  for (; !sql.eof(); sql.next()) {
    const int id = sql.field(QStringLiteral("ID")).asInteger();
    if (id <= 0) continue;
    const pf::SqlField index = sql.field(QStringLiteral("CTRL_INDEX"));
    const QString name = sql.field(QStringLiteral("NOME")).asString();
    if (!index.isNull() && ancestors_.contains(index.asInteger())) {
      dataErrors_ << QStringLiteral(
                         "A rotina \"%1\" (ID %2) do módulo %3 leva de volta a si mesma pelo "
                         "vínculo CTRL_INDEX_OWNER %4 e foi deixada fora da árvore.")
                         .arg(name)
                         .arg(id)
                         .arg(moduloId)
                         .arg(parentIndex);
      continue;
    }
    const QString path = parentPath + u':' + QString::number(k++);
    appendTreeRow(id, sql.field(QStringLiteral("MODULOID")).asInteger(), path, name);
    if (index.isNull()) continue;
    const int row = TREE.recNo();
    ancestors_.append(index.asInteger());
    const int n = AddChildRoutines(moduloId, index.asInteger(), path);
    ancestors_.removeLast();
    if (n > 0) setChildCount(row, n);
  }
  return k;
}

QString TPermissionTree::NodePath(const QStandardItem* node) {
  QStringList parts;
  for (; node; node = node->parent()) parts.prepend(QString::number(node->row()));
  return parts.join(u':');
}

void TPermissionTree::loadRights(TCmMemoryData& table, Rights& index, int fromUser,
                                 int asUser) {
  sql_.ExecSQL(QStringLiteral("select * from USUARIO_MODULO where USUARIOID = %1")
                   .arg(fromUser));
  for (; !sql_.eof(); sql_.next()) {
    const QString tudo = sql_.field(QStringLiteral("TUDO")).asString().trimmed();
    const int moduloId = sql_.field(QStringLiteral("MODULOID")).asInteger();
    const int status = tudo == u"S" ? 1 : 2;
    table.append();
    table.fieldByName(QStringLiteral("ROTINAID"))->setValue(0);
    table.fieldByName(QStringLiteral("USUARIOID"))->setValue(asUser);
    table.fieldByName(QStringLiteral("MODULOID"))->setValue(moduloId);
    table.fieldByName(QStringLiteral("TUDO"))->setValue(tudo);
    table.fieldByName(QStringLiteral("STATUS"))->setValue(status);
    table.post();
    index.modules.insert(moduloId, status);
  }
  sql_.ExecSQL(QStringLiteral("Select * from USUARIO_ROTINA where USUARIOID = %1")
                   .arg(fromUser));
  for (; !sql_.eof(); sql_.next()) {
    const int rotinaId = sql_.field(QStringLiteral("ROTINAID")).asInteger();
    const int status = sql_.field(QStringLiteral("STATUS")).asInteger();
    table.append();
    table.fieldByName(QStringLiteral("ROTINAID"))->setValue(rotinaId);
    table.fieldByName(QStringLiteral("USUARIOID"))->setValue(asUser);
    table.fieldByName(QStringLiteral("MODULOID"))->setValue(0);
    table.fieldByName(QStringLiteral("TUDO"))->setValue(QStringLiteral("N"));
    table.fieldByName(QStringLiteral("STATUS"))->setValue(status);
    table.post();
    index.routines.insert(rotinaId, status);
  }
  sql_.close();
}

void TPermissionTree::LoadGranterRights() {
  ROTINA_SUPERVISOR.emptyTable();
  granter_ = {};
  loadRights(ROTINA_SUPERVISOR, granter_, session_->UsuarioID, session_->UsuarioID);
}

void TPermissionTree::LoadUserRights(int usuarioId) {
  ROTINA_USUARIO.emptyTable();
  user_ = {};
  loadRights(ROTINA_USUARIO, user_, usuarioId, editor_->EditedUserID());
}

int TPermissionTree::routineState(const Rights& rights, int routineId, int moduloId,
                                  bool zeroIsNone) {
  const auto it = rights.routines.constFind(routineId);
  if (it != rights.routines.constEnd() && (!zeroIsNone || *it != 0)) return *it;
  return rights.modules.value(moduloId) == 1 ? 1 : 0;
}

int TPermissionTree::CanGrant() const {
  const int logged = session_->UsuarioID;
  if (editor_->EditedUserID() == logged) return 0;
  if (logged == AdminID) return 1;
  const int id = fId_->asInteger();
  if (id > 0) return routineState(granter_, id, fModulo_->asInteger(), true);
  return granter_.modules.value(fModulo_->asInteger());
}

int TPermissionTree::GrantedState() const {
  const int id = fId_->asInteger();
  if (id > 0) return routineState(user_, id, fModulo_->asInteger(), false);
  return user_.modules.value(fModulo_->asInteger());
}

void TPermissionTree::LoadPermissions(int usuarioId) {
  ROTINA_SUPERVISOR.emptyTable();
  tree_->clearNodes();
  LoadGranterRights();
  LoadUserRights(usuarioId);
  const int logged = session_->UsuarioID;
  const bool adminOnHimself = logged == AdminID && editor_->EditedUserID() == AdminID;
  for (TREE.first(); !TREE.eof(); TREE.next()) {
    const int enabled = adminOnHimself ? 0 : CanGrant();
    const int checked = adminOnHimself ? 1 : GrantedState();
    TREE.edit();
    fEnabled_->setValue(enabled);
    fChecked_->setValue(checked);
    TREE.post();
  }
  TreeLoaded = true;
  for (int i = 0; i < ModuleRowCount; ++i) createNodes(nullptr, QString::number(i));
  tree_->collapseAll();
  editor_->SetUserFlagsEnabled(editor_->EditedUserID() != logged);
}

// Every node is created with its state at once; a node whose path has no row stays
// blank, without ids and disabled.
void TPermissionTree::createNodes(QStandardItem* parent, const QString& path) {
  if (!LocatePath(path)) {
    tree_->appendNode(parent, QString(), Qt::Unchecked, 0, 0, 0);
    return;
  }
  const int children = fChildren_->asInteger();
  QStandardItem* node = tree_->appendNode(
      parent, fName_->asString(), TPermissionCheckTree::stateOf(fChecked_->asInteger()),
      fEnabled_->asInteger(), fId_->asInteger(), fModulo_->asInteger());
  for (int k = 0; k < children; ++k) createNodes(node, path + u':' + QString::number(k));
}

void TPermissionTree::SavePermissions() {
  // An unloaded tree would store no rights at all.
  if (!TreeLoaded) throw pf::Error(QStringLiteral("The permission tree is not loaded"));
  const int id = editor_->EditedUserID();
  if (id == AdminID) return;
  sql_.ExecSQL(QStringLiteral("delete from USUARIO_MODULO where USUARIOID = %1").arg(id));
  sql_.ExecSQL(QStringLiteral("delete from USUARIO_ROTINA where USUARIOID = %1").arg(id));
  if (editor_->EditedUserIsSupervisor())
    sql_.ExecSQL(QStringLiteral("insert into USUARIO_MODULO ( USUARIOID, MODULOID ) values "
                                "(%1 ,%2 )")
                     .arg(id)
                     .arg(session_->ModuloID));
  TCmIBSQL routine, module;
  for (TCmIBSQL* s : {&routine, &module}) {
    s->setDatabase(database_);
    s->setTransaction(transaction_);
  }
  routine.setSql(QStringLiteral("insert into USUARIO_ROTINA ( USUARIOID, ROTINAID, STATUS ) "
                                "values ( :USUARIOID, :ROTINAID, :STATUS )"));
  module.setSql(QStringLiteral("insert into USUARIO_MODULO ( USUARIOID, MODULOID, TUDO ) "
                               "values ( :USUARIOID, :MODULOID, :TUDO )"));
  tree_->forEachNode([&](QStandardItem& node) {
    const Qt::CheckState state = TPermissionCheckTree::state(node);
    if (state == Qt::Unchecked) return;
    const bool all = state == Qt::Checked;
    if (TPermissionCheckTree::routineId(node) > 0) {
      routine.param(QStringLiteral("USUARIOID")).setInteger(id);
      routine.param(QStringLiteral("ROTINAID")).setInteger(TPermissionCheckTree::routineId(node));
      routine.param(QStringLiteral("STATUS")).setInteger(all ? 1 : 2);
      routine.execQuery();
    } else if (TPermissionCheckTree::moduleId(node) > 0) {
      module.param(QStringLiteral("USUARIOID")).setInteger(id);
      module.param(QStringLiteral("MODULOID")).setInteger(TPermissionCheckTree::moduleId(node));
      module.param(QStringLiteral("TUDO")).setString(all ? QStringLiteral("S")
                                                         : QStringLiteral("N"));
      module.execQuery();
    }
  });
}

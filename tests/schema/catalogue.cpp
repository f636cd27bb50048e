#include "catalogue.h"

#include "support/TestDb.h"

#include "platform/Sql.h"
#include "platform/Transaction.h"

#include <map>

namespace schema_test {

namespace {

QString typeName(int type, int subType, int length) {
  switch (type) {
    case 7: return QStringLiteral("smallint");
    case 8: return QStringLiteral("integer");
    case 10: return QStringLiteral("float");
    case 16: return QStringLiteral("bigint");
    case 27: return QStringLiteral("double precision");
    case 12: return QStringLiteral("date");
    case 13: return QStringLiteral("time");
    case 35: return QStringLiteral("timestamp");
    case 14: return QStringLiteral("char(%1)").arg(length);
    case 37: return QStringLiteral("varchar(%1)").arg(length);
    case 40: return QStringLiteral("cstring(%1)").arg(length);
    case 261: return QStringLiteral("blob sub_type %1").arg(subType);
    default: return QStringLiteral("type%1").arg(type);
  }
}

template <typename Row>
void each(pf::Database& db, const QString& text, Row&& row, pf::Transaction* given = nullptr) {
  pf::Transaction own;
  own.setParams(testing_support::readCommittedParams());
  own.setDefaultDatabase(&db);
  pf::Sql sql;
  sql.setDatabase(&db);
  sql.setTransaction(given ? given : &own);
  sql.setSql(text);
  sql.execQuery();
  for (; !sql.eof(); sql.next()) row(sql);
  sql.close();
  if (own.inTransaction()) own.commit();
}

}  // namespace

QStringList column(pf::Database& db, const QString& text, pf::Transaction* tr) {
  QStringList out;
  each(db, text, [&](pf::Sql& s) { out << s.field(0).asString(); }, tr);
  return out;
}

QString scalar(pf::Database& db, const QString& text, pf::Transaction* tr) {
  return column(db, text, tr).value(0);
}

QStringList catalogue(pf::Database& db) {
  QStringList out;
  std::map<QString, QStringList> tables;
  each(db,
       "select trim(rf.rdb$relation_name), trim(rf.rdb$field_name), f.rdb$field_type, "
       "coalesce(f.rdb$field_sub_type, 0), coalesce(f.rdb$character_length, 0), "
       "coalesce(rf.rdb$null_flag, f.rdb$null_flag, 0) "
       "from rdb$relation_fields rf "
       "join rdb$fields f on f.rdb$field_name = rf.rdb$field_source "
       "join rdb$relations r on r.rdb$relation_name = rf.rdb$relation_name "
       "where coalesce(r.rdb$system_flag, 0) = 0 "
       "order by rf.rdb$relation_name, rf.rdb$field_position",
       [&](pf::Sql& s) {
         tables[s.field(0).asString()]
             << s.field(1).asString() + u' ' +
                    typeName(s.field(2).asInteger(), s.field(3).asInteger(),
                             s.field(4).asInteger()) +
                    (s.field(5).asInteger() ? QStringLiteral(" not null") : QString());
       });
  for (const auto& [name, columns] : tables)
    out << QStringLiteral("TABLE %1: %2").arg(name, columns.join(QStringLiteral(", ")));

  std::map<QString, QStringList> indexColumns;
  std::map<QString, QString> indexHead;
  each(db,
       "select trim(i.rdb$index_name), trim(i.rdb$relation_name), coalesce(i.rdb$unique_flag, 0), "
       "trim(s.rdb$field_name) from rdb$indices i "
       "join rdb$index_segments s on s.rdb$index_name = i.rdb$index_name "
       "where coalesce(i.rdb$system_flag, 0) = 0 "
       "order by i.rdb$index_name, s.rdb$field_position",
       [&](pf::Sql& s) {
         const QString name = s.field(0).asString();
         indexHead[name] = QStringLiteral("INDEX %1 %2on %3")
                               .arg(name, s.field(2).asInteger() ? "unique " : "",
                                    s.field(1).asString());
         indexColumns[name] << s.field(3).asString();
       });
  for (const auto& [name, head] : indexHead)
    out << head + u'(' + indexColumns[name].join(u',') + u')';

  each(db,
       "select trim(c.rdb$constraint_name), trim(c.rdb$constraint_type), "
       "trim(c.rdb$relation_name), trim(c.rdb$index_name), trim(uc.rdb$relation_name), "
       "trim(rc.rdb$update_rule), trim(rc.rdb$delete_rule) "
       "from rdb$relation_constraints c "
       "left join rdb$ref_constraints rc on rc.rdb$constraint_name = c.rdb$constraint_name "
       "left join rdb$relation_constraints uc on uc.rdb$constraint_name = rc.rdb$const_name_uq "
       "join rdb$relations r on r.rdb$relation_name = c.rdb$relation_name "
       "where c.rdb$constraint_type in ('PRIMARY KEY', 'FOREIGN KEY', 'UNIQUE') "
       "and coalesce(r.rdb$system_flag, 0) = 0 order by 1",
       [&](pf::Sql& s) {
         QString line = QStringLiteral("CONSTRAINT %1 %2 on %3 index %4")
                            .arg(s.field(0).asString(), s.field(1).asString(),
                                 s.field(2).asString(), s.field(3).asString());
         if (!s.field(4).isNull())
           line += QStringLiteral(" references %1 update %2 delete %3")
                       .arg(s.field(4).asString(), s.field(5).asString(), s.field(6).asString());
         out << line;
       });

  for (const QString& g : column(db, "select trim(rdb$generator_name) from rdb$generators "
                                     "where coalesce(rdb$system_flag, 0) = 0 order by 1"))
    out << QStringLiteral("GENERATOR ") + g;

  each(db,
       "select trim(rdb$trigger_name), trim(rdb$relation_name), rdb$trigger_type, "
       "rdb$trigger_sequence, coalesce(rdb$trigger_inactive, 0) from rdb$triggers "
       "where coalesce(rdb$system_flag, 0) = 0 order by 1",
       [&](pf::Sql& s) {
         out << QStringLiteral("TRIGGER %1 on %2 type %3 position %4%5")
                    .arg(s.field(0).asString(), s.field(1).asString())
                    .arg(s.field(2).asInteger())
                    .arg(s.field(3).asInteger())
                    .arg(s.field(4).asInteger() ? " inactive" : "");
       });

  std::map<QString, QStringList> params;
  each(db,
       "select trim(p.rdb$procedure_name), p.rdb$parameter_type, trim(p.rdb$parameter_name), "
       "f.rdb$field_type, coalesce(f.rdb$field_sub_type, 0), "
       "coalesce(f.rdb$character_length, 0) from rdb$procedure_parameters p "
       "join rdb$fields f on f.rdb$field_name = p.rdb$field_source "
       "order by p.rdb$procedure_name, p.rdb$parameter_type, p.rdb$parameter_number",
       [&](pf::Sql& s) {
         params[s.field(0).asString()]
             << (s.field(1).asInteger() ? QStringLiteral("out ") : QString()) +
                    s.field(2).asString() + u' ' +
                    typeName(s.field(3).asInteger(), s.field(4).asInteger(),
                             s.field(5).asInteger());
       });
  for (const auto& [name, list] : params)
    out << QStringLiteral("PROCEDURE %1(%2)").arg(name, list.join(QStringLiteral(", ")));

  each(db,
       "select trim(rdb$function_name), trim(rdb$module_name), trim(rdb$entrypoint) "
       "from rdb$functions where coalesce(rdb$system_flag, 0) = 0 order by 1",
       [&](pf::Sql& s) {
         out << QStringLiteral("FUNCTION %1 %2 %3")
                    .arg(s.field(0).asString(), s.field(1).asString(), s.field(2).asString());
       });
  return out;
}

}  // namespace schema_test

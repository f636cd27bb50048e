#pragma once

#include <QString>
#include <QStringList>

namespace pf {

// SQL text with its named parameters (:NAME) replaced by '?' markers.
struct ParsedSql {
  QString text;
  // Upper-cased parameter name of each marker, in order; names may repeat.
  QStringList positions;
  // Distinct names in order of first appearance.
  QStringList names;
};

// Finds :NAME parameters outside string literals, quoted identifiers and comments.
// Names are case-insensitive; a repeated name is one parameter bound at each place.
ParsedSql parseNamedParams(const QString& sql);

}  // namespace pf

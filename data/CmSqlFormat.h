#pragma once

#include "platform/DataSet.h"

#include <QString>
#include <QVariant>

// Kind of a value written as an SQL literal. Ordinals above svTime stand for an
// unsupported kind and give the literal 0.
enum TSqlValueKind { svString, svInteger, svFloat, svDate, svTime };

// A value typed in the program's regional format, as a literal for dialect 3.
// A value that does not convert shows an error and ends the operation silently
// (pf::Abort). A null value (not an empty text) is a programming error.
QString FormatValueSql(const QVariant& value, TSqlValueKind kind);

// The value of a field, or `value` when it is not "@", as a literal of the field's type.
QString FormatFieldSql(const pf::Field& field, const QString& value);

#pragma once

#include <QByteArray>
#include <QString>

namespace pf {

// Windows-1252, the program's single-byte code page. Characters it lacks become '?'.
QByteArray toCp1252(QStringView text);
QString fromCp1252(const char* data, qsizetype size);
inline QString fromCp1252(const QByteArray& bytes) {
  return fromCp1252(bytes.constData(), bytes.size());
}

}  // namespace pf

#include "MemoryData.h"

#include "Errors.h"

#include <QDateTime>

#include <algorithm>

namespace pf {

namespace {

bool isNullValue(const QVariant& v) { return !v.isValid() || v.isNull(); }

// -1, 0 or 1; a null sorts before every value.
int compareValues(const Field& f, const QVariant& a, const QVariant& b, bool caseInsensitive) {
  const bool na = isNullValue(a);
  const bool nb = isNullValue(b);
  if (na || nb) return na == nb ? 0 : na ? -1 : 1;
  if (f.isString()) {
    const Qt::CaseSensitivity cs = caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
    // Texts are read in place: converting each one for every comparison is costly.
    const auto text = [](const QVariant& v) {
      return v.typeId() == QMetaType::QString ? *static_cast<const QString*>(v.constData())
                                              : v.toString();
    };
    const int c = text(a).compare(text(b), cs);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  switch (f.dataType()) {
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::LargeInt: {
      const qint64 x = a.toLongLong(), y = b.toLongLong();
      return x < y ? -1 : x > y ? 1 : 0;
    }
    case FieldType::Float:
    case FieldType::Currency:
    case FieldType::BCD: {
      const double x = a.toDouble(), y = b.toDouble();
      return x < y ? -1 : x > y ? 1 : 0;
    }
    case FieldType::Date: return a.toDate() < b.toDate() ? -1 : a.toDate() > b.toDate() ? 1 : 0;
    case FieldType::Time: return a.toTime() < b.toTime() ? -1 : a.toTime() > b.toTime() ? 1 : 0;
    case FieldType::DateTime: {
      const QDateTime x = a.toDateTime(), y = b.toDateTime();
      return x < y ? -1 : x > y ? 1 : 0;
    }
    case FieldType::Boolean: return int(a.toBool()) - int(b.toBool());
    default: {
      const QByteArray x = a.toByteArray(), y = b.toByteArray();
      return x < y ? -1 : x > y ? 1 : 0;
    }
  }
}

}  // namespace

void MemoryData::internalOpen() {
  if (fieldCount() == 0) throw Error(QStringLiteral("Memory table has no fields"));
}

void MemoryData::emptyTable() {
  checkActive();
  cancel();
  clearRecords();
  dataEvent(DataEvent::DataSetChange);
}

void MemoryData::sortOnFields(const QString& fieldNames, bool caseInsensitive, bool descending) {
  checkBrowseMode();
  std::vector<const Field*> keys;
  for (const QString& name : fieldNames.split(u';', Qt::SkipEmptyParts))
    keys.push_back(fieldByName(name.trimmed()));
  if (keys.empty()) return;
  // Keys taken out once: case-folded texts compare as plain ones.
  const int rows = recordCount();
  const size_t width = keys.size();
  std::vector<QVariant> sortKeys(static_cast<size_t>(rows) * width);
  for (int r = 0; r < rows; ++r) {
    for (size_t k = 0; k < width; ++k) {
      const QVariant& v = recordValues(r)[keys[k]->index()];
      sortKeys[r * width + k] = caseInsensitive && keys[k]->isString() && !isNullValue(v)
                                    ? QVariant(v.toString().toCaseFolded())
                                    : v;
    }
  }
  std::vector<int> order(static_cast<size_t>(rows));
  for (int r = 0; r < rows; ++r) order[r] = r;
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    for (size_t k = 0; k < width; ++k) {
      const int c = compareValues(*keys[k], sortKeys[a * width + k], sortKeys[b * width + k],
                                  false);
      if (c != 0) return descending ? c > 0 : c < 0;
    }
    return false;
  });
  reorderRecords(order);
  setInitialPosition();
  dataEvent(DataEvent::DataSetChange);
}

}  // namespace pf

#include "Cp1252.h"

#include <array>

namespace pf {
namespace {

// 0x80..0x9F; 0 marks the five bytes the code page leaves undefined (they map to C1 controls).
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char encodeOne(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  if (c >= 0x80 && c <= 0x9F) {  // undefined bytes travel as themselves
    const auto v = kHigh[c - 0x80];
    if (v == 0) return static_cast<char>(c);
  }
  for (size_t i = 0; i < kHigh.size(); ++i)
    if (kHigh[i] == c && c != 0) return static_cast<char>(0x80 + i);
  return '?';
}

}  // namespace

QByteArray toCp1252(QStringView text) {
  QByteArray out(text.size(), Qt::Uninitialized);
  char* p = out.data();
  for (const QChar ch : text) *p++ = encodeOne(ch.unicode());
  return out;
}

QString fromCp1252(const char* data, qsizetype size) {
  QString out(size, Qt::Uninitialized);
  QChar* p = out.data();
  for (qsizetype i = 0; i < size; ++i) {
    const auto b = static_cast<unsigned char>(data[i]);
    char16_t c = b;
    if (b >= 0x80 && b <= 0x9F && kHigh[b - 0x80] != 0) c = kHigh[b - 0x80];
    p[i] = QChar(c);
  }
  return out;
}

}  // namespace pf

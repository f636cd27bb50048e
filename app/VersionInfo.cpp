#include "VersionInfo.h"

#include "VersionNote.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace {

constexpr std::uint32_t kNoteSection = 7;          // SHT_NOTE
constexpr qint64 kMaxNoteSection = 1 << 20;        // notes are tiny; refuse anything huge
constexpr std::uint64_t kMaxSections = 1 << 20;

// Reads integers of the file's byte order out of a buffer, failing on short data.
class Reader {
 public:
  Reader(const QByteArray& data, bool bigEndian) : data_(data), bigEndian_(bigEndian) {}

  bool has(std::uint64_t offset, std::uint64_t size) const {
    return offset <= std::uint64_t(data_.size()) && size <= std::uint64_t(data_.size()) - offset;
  }
  std::uint64_t get(std::uint64_t offset, int size) const {
    std::uint64_t value = 0;
    for (int i = 0; i < size; ++i) {
      const auto byte = std::uint8_t(data_[qsizetype(offset) + (bigEndian_ ? i : size - 1 - i)]);
      value = value << 8 | byte;
    }
    return value;
  }

 private:
  const QByteArray& data_;
  bool bigEndian_;
};

QByteArray readAt(QFile& file, std::uint64_t offset, std::uint64_t size) {
  if (offset > std::uint64_t(file.size()) || size > std::uint64_t(file.size()) - offset)
    return {};
  if (!file.seek(qint64(offset))) return {};
  QByteArray bytes = file.read(qint64(size));
  return std::uint64_t(bytes.size()) == size ? bytes : QByteArray();
}

std::optional<FileVersion> findNote(const QByteArray& notes, bool bigEndian,
                                    std::uint64_t align) {
  const Reader r(notes, bigEndian);
  const auto aligned = [align](std::uint64_t n) { return (n + align - 1) / align * align; };
  std::uint64_t at = 0;
  while (r.has(at, 12)) {
    const std::uint64_t nameSize = r.get(at, 4);
    const std::uint64_t descSize = r.get(at + 4, 4);
    const std::uint64_t type = r.get(at + 8, 4);
    const std::uint64_t name = at + 12;
    const std::uint64_t desc = name + aligned(nameSize);
    if (!r.has(name, aligned(nameSize)) || !r.has(desc, descSize)) return std::nullopt;
    if (nameSize == sizeof(kelvo::kVersionNoteName) && type == kelvo::kVersionNoteType &&
        descSize == 16 &&
        std::memcmp(notes.constData() + name, kelvo::kVersionNoteName, nameSize) == 0) {
      FileVersion v;
      for (int i = 0; i < 4; ++i) v.parts[i] = std::uint32_t(r.get(desc + 4 * i, 4));
      return v;
    }
    at = desc + aligned(descSize);
  }
  return std::nullopt;
}

}  // namespace

QString FileVersion::toString() const {
  return QStringLiteral("%1.%2.%3.%4").arg(parts[0]).arg(parts[1]).arg(parts[2]).arg(parts[3]);
}

std::optional<FileVersion> readFileVersion(const QString& path) {
  // A device or pipe could block or never end.
  if (!QFileInfo(path).isFile()) return std::nullopt;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;

  const QByteArray header = file.read(64);
  if (header.size() < 52 || !header.startsWith("\x7f" "ELF")) return std::nullopt;
  const char elfClass = header[4], byteOrder = header[5];
  if ((elfClass != 1 && elfClass != 2) || (byteOrder != 1 && byteOrder != 2))
    return std::nullopt;
  const bool is64 = elfClass == 2, bigEndian = byteOrder == 2;
  if (is64 && header.size() < 64) return std::nullopt;
  const Reader h(header, bigEndian);

  const std::uint64_t tableAt = is64 ? h.get(0x28, 8) : h.get(0x20, 4);
  const std::uint64_t entrySize = h.get(is64 ? 0x3A : 0x2E, 2);
  std::uint64_t count = h.get(is64 ? 0x3C : 0x30, 2);
  const std::uint64_t minEntry = is64 ? 64 : 40;
  if (tableAt == 0 || entrySize < minEntry) return std::nullopt;

  const QByteArray first = readAt(file, tableAt, entrySize);
  if (first.isEmpty()) return std::nullopt;
  // More than 0xff00 sections: the count is the first entry's size.
  if (count == 0) count = Reader(first, bigEndian).get(is64 ? 32 : 20, is64 ? 8 : 4);
  if (count == 0 || count > kMaxSections) return std::nullopt;

  const QByteArray table = readAt(file, tableAt, count * entrySize);
  if (table.isEmpty()) return std::nullopt;
  const Reader t(table, bigEndian);
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint64_t e = i * entrySize;
    if (t.get(e + 4, 4) != kNoteSection) continue;
    const std::uint64_t offset = is64 ? t.get(e + 24, 8) : t.get(e + 16, 4);
    const std::uint64_t size = is64 ? t.get(e + 32, 8) : t.get(e + 20, 4);
    const std::uint64_t align = is64 ? t.get(e + 48, 8) : t.get(e + 32, 4);
    if (size == 0 || size > std::uint64_t(kMaxNoteSection)) continue;
    const QByteArray notes = readAt(file, offset, size);
    if (notes.isEmpty()) continue;
    if (auto v = findNote(notes, bigEndian, align == 8 ? 8 : 4)) return v;
  }
  return std::nullopt;
}

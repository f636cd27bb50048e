#include "IniFile.h"

#include "Cp1252.h"
#include "Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#define SI_NO_CONVERSION  // bytes stay as they are: the text is Windows-1252
#define SI_IMPLEMENTATION  // the templates are instantiated with our own comparison
#include <SimpleIni.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

namespace pf {
namespace {

// Windows-1252 letters fold too, not only A to Z.
unsigned char foldCp1252(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
  switch (c) {
    case 0x8A: return 0x9A;  // Š
    case 0x8C: return 0x9C;  // Œ
    case 0x8E: return 0x9E;  // Ž
    case 0x9F: return 0xFF;  // Ÿ
    default: return c;
  }
}

struct Cp1252NoCase {
  bool operator()(const char* left, const char* right) const {
    for (; *left && *right; ++left, ++right) {
      const int cmp = foldCp1252(static_cast<unsigned char>(*left)) -
                      foldCp1252(static_cast<unsigned char>(*right));
      if (cmp != 0) return cmp < 0;
    }
    return *right != 0;
  }
};

using Ini = CSimpleIniTempl<char, Cp1252NoCase, SI_ConvertA<char>>;

void configure(Ini& ini) {
  ini.SetUnicode(false);
  ini.SetMultiKey(true);  // duplicates stay in the file; the first one is read
  ini.SetMultiLine(false);
  ini.SetSpaces(false);
  ini.SetQuotes(false);
}

// A file that is missing or unreadable reads as empty.
void load(Ini& ini, const QString& path) {
  configure(ini);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return;
  const QByteArray data = file.readAll();
  ini.LoadData(data.constData(), static_cast<size_t>(data.size()));
}

[[noreturn]] void failWrite(const QString& path) {
  throw Error(QStringLiteral("Unable to write to %1").arg(path));
}

void save(Ini& ini, const QString& path) {
  std::string text;
  if (ini.Save(text) < 0) failWrite(path);
  QByteArray out;
  out.reserve(static_cast<qsizetype>(text.size() + text.size() / 16));
  for (const char c : text) {
    if (c == '\n') out.append('\r');
    out.append(c);
  }
  const QString dir = QFileInfo(path).absolutePath();
  if (!QDir().mkpath(dir)) failWrite(path);
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) failWrite(path);
  if (file.write(out) != out.size()) {
    file.cancelWriting();
    failWrite(path);
  }
  if (!file.commit()) failWrite(path);
}

QByteArray bytes(const QString& text) { return toCp1252(text); }

QString cleanValue(const QString& value) {
  static const QRegularExpression breaks(QStringLiteral("[\r\n]+"));
  QString out = value;
  out.replace(breaks, QStringLiteral(" "));
  return out;
}

// Loaded entries of one kind, in file order, each name once.
QStringList ordered(Ini::TNamesDepend names) {
  names.sort(Ini::Entry::LoadOrder());
  QStringList out;
  std::vector<std::string> seen;
  for (const auto& entry : names) {
    const char* item = entry.pItem;
    const bool dup = std::any_of(seen.begin(), seen.end(), [&](const std::string& s) {
      return !Cp1252NoCase()(s.c_str(), item) && !Cp1252NoCase()(item, s.c_str());
    });
    if (dup) continue;
    seen.emplace_back(item);
    out << fromCp1252(item, static_cast<qsizetype>(std::strlen(item)));
  }
  return out;
}

bool parseInteger(QString text, int* value) {
  text = text.trimmed();
  bool negative = false;
  if (text.startsWith(u'-') || text.startsWith(u'+')) {
    negative = text.startsWith(u'-');
    text.remove(0, 1);
  }
  int base = 10;
  if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
    base = 16;
    text.remove(0, 2);
  } else if (text.startsWith(u'$')) {
    base = 16;
    text.remove(0, 1);
  }
  if (text.isEmpty() || text.front().isSpace()) return false;
  bool ok = false;
  const qlonglong n = text.toLongLong(&ok, base);
  if (!ok) return false;
  const qlonglong signedValue = negative ? -n : n;
  if (base == 10 && (signedValue < INT_MIN || signedValue > INT_MAX)) return false;
  if (base == 16 && n > 0xFFFFFFFFLL) return false;
  *value = static_cast<int>(signedValue);
  return true;
}

}  // namespace

IniFile::IniFile(QString path) : path_(std::move(path)) {}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& defaultValue) const {
  Ini ini;
  load(ini, path_);
  const char* raw = ini.GetValue(bytes(section).constData(), bytes(key).constData(), nullptr);
  if (!raw) return defaultValue;
  QString value = fromCp1252(raw, static_cast<qsizetype>(std::strlen(raw)));
  if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
      value.back() == value.front())
    value = value.mid(1, value.size() - 2);
  return value;
}

int IniFile::readInteger(const QString& section, const QString& key, int defaultValue) const {
  const QString text = readString(section, key);
  int value = 0;
  return parseInteger(text, &value) ? value : defaultValue;
}

bool IniFile::readBool(const QString& section, const QString& key, bool defaultValue) const {
  return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
  Ini ini;
  load(ini, path_);
  const QByteArray sectionName = bytes(section);
  // An existing key keeps its spelling, as the profile functions keep it.
  std::string keyName = bytes(key).toStdString();
  Ini::TNamesDepend names;
  if (ini.GetAllKeys(sectionName.constData(), names)) {
    for (const auto& entry : names) {
      if (!Cp1252NoCase()(entry.pItem, keyName.c_str()) &&
          !Cp1252NoCase()(keyName.c_str(), entry.pItem)) {
        keyName = entry.pItem;
        break;
      }
    }
  }
  if (ini.SetValue(sectionName.constData(), keyName.c_str(),
                   bytes(cleanValue(value)).constData(), nullptr, true) < 0)
    failWrite(path_);
  save(ini, path_);
}

void IniFile::writeInteger(const QString& section, const QString& key, int value) {
  writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value) {
  writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QStringList IniFile::sections() const {
  Ini ini;
  load(ini, path_);
  Ini::TNamesDepend names;
  ini.GetAllSections(names);
  return ordered(names);
}

QStringList IniFile::keys(const QString& section) const {
  Ini ini;
  load(ini, path_);
  Ini::TNamesDepend names;
  ini.GetAllKeys(bytes(section).constData(), names);
  return ordered(names);
}

bool IniFile::sectionExists(const QString& section) const { return !keys(section).isEmpty(); }

bool IniFile::keyExists(const QString& section, const QString& key) const {
  Ini ini;
  load(ini, path_);
  return ini.GetValue(bytes(section).constData(), bytes(key).constData(), nullptr) != nullptr;
}

void IniFile::eraseSection(const QString& section) {
  Ini ini;
  load(ini, path_);
  if (ini.Delete(bytes(section).constData(), nullptr)) save(ini, path_);
}

void IniFile::deleteKey(const QString& section, const QString& key) {
  Ini ini;
  load(ini, path_);
  if (ini.Delete(bytes(section).constData(), bytes(key).constData())) save(ini, path_);
}

}  // namespace pf

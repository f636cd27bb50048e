#pragma once

#include <QString>
#include <QStringList>

namespace pf {

// An INI file that behaves like the Windows profile functions: every call reads the file
// afresh, every write goes to disk at once, section and key names are case-insensitive,
// text is stored in Windows-1252 and everything else in the file is kept. A missing file
// reads as empty; the first write creates it with its missing folders. Writes throw
// pf::Error when the file cannot be written.
class IniFile final {
 public:
  explicit IniFile(QString path);

  const QString& fileName() const { return path_; }

  // A value wrapped in matching quotes is returned without them.
  QString readString(const QString& section, const QString& key,
                     const QString& defaultValue = QString()) const;
  // Decimal, or hexadecimal with "0x" or "$"; anything else gives the default.
  int readInteger(const QString& section, const QString& key, int defaultValue = 0) const;
  // A number other than 0 is true.
  bool readBool(const QString& section, const QString& key, bool defaultValue = false) const;

  // Line breaks cannot live in a profile value: each run of them is stored as one blank.
  void writeString(const QString& section, const QString& key, const QString& value);
  void writeInteger(const QString& section, const QString& key, int value);
  void writeBool(const QString& section, const QString& key, bool value);

  // In file order.
  QStringList sections() const;
  QStringList keys(const QString& section) const;
  // A section without keys counts as absent, as with the profile functions.
  bool sectionExists(const QString& section) const;
  bool keyExists(const QString& section, const QString& key) const;

  void eraseSection(const QString& section);
  void deleteKey(const QString& section, const QString& key);

 private:
  QString path_;
};

}  // namespace pf

#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QWidget;

// Keeps its form's position, size and state in a section of an INI file: restored
// when the form is shown, saved when it is hidden or destroyed. Inactive until the
// form activates it.
class TKelvoFormStorage : public QObject {
  Q_OBJECT
 public:
  explicit TKelvoFormStorage(QWidget* form);
  ~TKelvoFormStorage() override;

  bool Active() const { return active_; }
  void SetActive(bool value) { active_ = value; }
  const QString& IniFileName() const { return iniFileName_; }
  void SetIniFileName(const QString& name) { iniFileName_ = name; }
  const QString& IniSection() const { return iniSection_; }
  void SetIniSection(const QString& section) { iniSection_ = section; }

  void SaveFormPlacement();
  void RestoreFormPlacement();

  // The program's folder and file name with the extension ".INI", or what the
  // installed naming routine answers.
  static QString DefaultIniFileName();
  // The program file's folder and name with its extension replaced by ".INI".
  static QString IniFileNameFor(const QString& programPath);
  using NamingRoutine = std::function<QString()>;
  static void SetNamingRoutine(NamingRoutine routine);
  static const NamingRoutine& InstalledNamingRoutine();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void saveQuietly();

  QPointer<QWidget> form_;
  bool active_ = false;
  QString iniFileName_;
  QString iniSection_;
};

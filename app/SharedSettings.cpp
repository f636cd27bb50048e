#include "SharedSettings.h"

#include "controls/CmCommon.h"

#include "platform/FormatSettings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>

#include <array>

namespace {

std::array<TKelvoModule, KelvoModuleCount>& catalogue() {
  static std::array<TKelvoModule, KelvoModuleCount> modules;
  return modules;
}

int& hintHidePause() {
  static int pause = 0;
  return pause;
}

// The controller follows the focus once the application object exists: now, or when it
// is constructed.
void switchFocusControllerOn() {
  qAddPreRoutine([] { TCmFocusController::Instance().SetTracking(true); });
}

QStringList firstThreeLetters(const QStringList& names) {
  QStringList out;
  for (const QString& name : names) out << name.left(3);
  return out;
}

void setBrowserEmulation() {
#ifdef Q_OS_WIN
  const QSettings installed(
      QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer"),
      QSettings::NativeFormat);
  const int value =
      BrowserEmulationValue(installed.value(QStringLiteral("svcVersion")).toString(),
                            installed.value(QStringLiteral("Version")).toString());
  QSettings emulation(QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Internet "
                                     "Explorer\\Main\\FeatureControl\\"
                                     "FEATURE_BROWSER_EMULATION"),
                      QSettings::NativeFormat);
  const QString exe = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
  emulation.setValue(exe, value);
#endif
  // Elsewhere there is no embedded system browser that reads the value.
}

}  // namespace

const TKelvoModule& KelvoModules(int moduleId) {
  static const TKelvoModule empty;
  if (moduleId < 1 || moduleId > KelvoModuleCount) return empty;
  return catalogue()[static_cast<size_t>(moduleId - 1)];
}

int HintHidePause() { return hintHidePause(); }

int BrowserEmulationValue(const QString& svcVersion, const QString& version) {
  QString text = svcVersion.trimmed();
  if (text.isEmpty()) text = version;
  const qsizetype dot = text.indexOf(u'.');
  if (dot > 0) text = text.left(dot);
  bool ok = false;
  int major = text.trimmed().toInt(&ok);
  if (!ok) major = 0;
  if (major >= 11) return 11000;
  switch (major) {
    case 10: return 10000;
    case 9: return 9000;
    case 8: return 8000;
    default: return 7000;
  }
}

void InitializeSharedSettings() {
  switchFocusControllerOn();

  pf::FormatSettings& fs = pf::formatSettings();
  pf::setFixedConventions(fs);
  // Qt's own editors and conversions follow the same conventions.
  QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));

  fs.longMonthNames = {
      QStringLiteral("Janeiro"),  QStringLiteral("Fevereiro"), QStringLiteral("Março"),
      QStringLiteral("Abril"),    QStringLiteral("Maio"),      QStringLiteral("Junho"),
      QStringLiteral("Julho"),    QStringLiteral("Agosto"),    QStringLiteral("Setembro"),
      QStringLiteral("Outubro"),  QStringLiteral("Novembro"),  QStringLiteral("Dezembro")};
  fs.shortMonthNames = firstThreeLetters(fs.longMonthNames);
  fs.longDayNames = {QStringLiteral("domingo"),       QStringLiteral("segunda-feira"),
                     QStringLiteral("terça-feira"),   QStringLiteral("quarta-feira"),
                     QStringLiteral("quinta-feira"),  QStringLiteral("sexta-feira"),
                     QStringLiteral("sábado")};

  auto& modules = catalogue();
  modules.fill(TKelvoModule{});
  const struct {
    int id;
    const char16_t* name;
    const char16_t* exe;
  } rows[] = {
      {1, u"Kelvo Caixa", u"Caixa.exe"},
      {3, u"Kelvo Acessos", u"Acessos.exe"},
      {8, u"Kelvo Balanço", u"Balanco.exe"},
      {9, u"Kelvo Trâmite Free", u"Tramite.exe"},
      {10, u"Kelvo Trâmite Móvel", u"Movel.exe"},
      {12, u"Kelvo Agenda", u"Agenda.exe"},
      {13, u"Kelvo Notas", u"Notas.exe"},
  };
  for (const auto& row : rows)
    modules[static_cast<size_t>(row.id - 1)] =
        TKelvoModule{QString::fromUtf16(row.name), QString::fromUtf16(row.exe)};

  fs.shortDayNames = firstThreeLetters(fs.longDayNames);
  hintHidePause() = 100000;
  setBrowserEmulation();
}

#pragma once
// The suite's module catalogue and the conventions every program of the suite fixes at
// start, whatever the workstation's regional settings are.

#include <QString>

// One program of the suite.
struct TKelvoModule {
  QString Name;
  QString Executable;
};

constexpr int KelvoModuleCount = 20;

// The catalogue entry of a module id; ids without a program, and ids outside 1 to 20,
// answer an empty entry.
const TKelvoModule& KelvoModules(int moduleId);

// Runs once, before the application object exists.
void InitializeSharedSettings();

// How long a hint stays visible, in milliseconds.
int HintHidePause();

// The browser-emulation value for the installed browser: "svcVersion", trimmed, or
// "Version" when that is empty.
int BrowserEmulationValue(const QString& svcVersion, const QString& version);

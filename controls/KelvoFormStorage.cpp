#include "KelvoFormStorage.h"

#include "platform/Errors.h"
#include "platform/IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

TKelvoFormStorage::NamingRoutine& namingRoutine() {
  static TKelvoFormStorage::NamingRoutine routine;
  return routine;
}

constexpr int kStateNormal = 0;
constexpr int kStateMaximized = 2;

}  // namespace

TKelvoFormStorage::TKelvoFormStorage(QWidget* form) : QObject(form), form_(form) {
  const bool wasActive = active_;
  iniFileName_ = DefaultIniFileName();
  active_ = wasActive;
  form->installEventFilter(this);
}

TKelvoFormStorage::~TKelvoFormStorage() = default;

QString TKelvoFormStorage::DefaultIniFileName() {
  if (namingRoutine()) return namingRoutine()();
  return IniFileNameFor(QCoreApplication::applicationFilePath());
}

QString TKelvoFormStorage::IniFileNameFor(const QString& programPath) {
  const QFileInfo program(programPath);
  return QDir(program.path()).filePath(program.completeBaseName() + QStringLiteral(".INI"));
}

const TKelvoFormStorage::NamingRoutine& TKelvoFormStorage::InstalledNamingRoutine() {
  return namingRoutine();
}

void TKelvoFormStorage::SetNamingRoutine(NamingRoutine routine) {
  namingRoutine() = std::move(routine);
}

void TKelvoFormStorage::SaveFormPlacement() {
  if (!form_ || iniFileName_.isEmpty() || iniSection_.isEmpty()) return;
  const bool maximized = form_->isMaximized();
  const QRect normal = maximized ? form_->normalGeometry() : form_->geometry();
  const QPoint pos = maximized ? normal.topLeft() : form_->pos();
  pf::IniFile ini(iniFileName_);
  ini.writeInteger(iniSection_, QStringLiteral("Left"), pos.x());
  ini.writeInteger(iniSection_, QStringLiteral("Top"), pos.y());
  ini.writeInteger(iniSection_, QStringLiteral("Width"), normal.width());
  ini.writeInteger(iniSection_, QStringLiteral("Height"), normal.height());
  ini.writeInteger(iniSection_, QStringLiteral("State"),
                   maximized ? kStateMaximized : kStateNormal);
}

void TKelvoFormStorage::RestoreFormPlacement() {
  if (!form_ || iniFileName_.isEmpty() || iniSection_.isEmpty()) return;
  pf::IniFile ini(iniFileName_);
  if (!ini.sectionExists(iniSection_)) return;
  const int left = ini.readInteger(iniSection_, QStringLiteral("Left"), form_->x());
  const int top = ini.readInteger(iniSection_, QStringLiteral("Top"), form_->y());
  const int width = ini.readInteger(iniSection_, QStringLiteral("Width"), form_->width());
  const int height = ini.readInteger(iniSection_, QStringLiteral("Height"), form_->height());
  // A fixed-size form keeps its size; only a sizeable one takes the stored one.
  const bool sizeable = form_->minimumSize() != form_->maximumSize();
  if (sizeable && width > 0 && height > 0) form_->resize(width, height);
  QPoint pos(left, top);
  // A placement saved on a screen that is gone would put the form out of reach.
  if (QScreen* screen = QGuiApplication::screenAt(pos + QPoint(8, 8)); !screen) {
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
      const QRect area = primary->availableGeometry();
      pos = area.center() - QPoint(form_->width() / 2, form_->height() / 2);
    }
  }
  form_->move(pos);
  if (ini.readInteger(iniSection_, QStringLiteral("State"), kStateNormal) == kStateMaximized)
    form_->setWindowState(form_->windowState() | Qt::WindowMaximized);
}

void TKelvoFormStorage::saveQuietly() {
  // Closing a window must not fail because its placement could not be written.
  try {
    SaveFormPlacement();
  } catch (const pf::Error&) {
  }
}

bool TKelvoFormStorage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == form_ && active_ && !event->spontaneous()) {
    if (event->type() == QEvent::Show) RestoreFormPlacement();
    else if (event->type() == QEvent::Hide) saveQuietly();
  }
  return false;
}

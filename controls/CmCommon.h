#pragma once
// Shared pieces of the control library: hints, the arrow-on-button message and the
// process-wide focus controller.

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QString>

#include <vector>

class QWidget;
class TCmStatusBar;

// A control's hint is "short|long": the short part is the tool tip, the long part
// goes to the status bar.
QString GetShortHint(const QString& hint);
QString GetLongHint(const QString& hint);
void SetControlHint(QWidget* control, const QString& hint);
QString ControlHint(const QWidget* control);

// Virtual-key codes of the arrow keys, as the forms receive them.
constexpr quint16 kVkLeft = 0x25;
constexpr quint16 kVkUp = 0x26;
constexpr quint16 kVkRight = 0x27;
constexpr quint16 kVkDown = 0x28;

// Posted to a form when an arrow key is pressed on a focused push button.
class TArrowOnButtonEvent final : public QEvent {
 public:
  explicit TArrowOnButtonEvent(quint32 key);
  quint32 key() const { return key_; }

 private:
  quint32 key_;
};

// Turns arrow keys on push buttons into TArrowOnButtonEvent and, while tracking is
// on, shows the focused control's hint in the status bar of its form.
class TCmFocusController final : public QObject {
  Q_OBJECT
 public:
  // The one instance; created on first use with the application object.
  static TCmFocusController& Instance();

  void SetTracking(bool on);
  bool Tracking() const { return static_cast<bool>(tracking_); }

  // Puts the controller's key filter in front of the application's other filters.
  void InstallFilter();

  void RegisterStatusBar(TCmStatusBar* bar);
  void UnregisterStatusBar(TCmStatusBar* bar);

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TCmFocusController();
  void activeControlChanged(QWidget* now);

  std::vector<TCmStatusBar*> statusBars_;
  QMetaObject::Connection tracking_;
};

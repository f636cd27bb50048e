#pragma once
// The check for a newer version of the program, run once per start on a thread of its own.
//
// The update host comes from connection.ini beside the program, section [AUTOUPDATE],
// key HOST: "host", "host:port" or a full "http://host:port" base address. Without it
// no request is made. The updater is "Auto.exe" beside the program.

#include <QDateTime>
#include <QPointer>
#include <QString>
#include <QThread>

#include <atomic>
#include <functional>

class QWidget;

// Starts a program without waiting for it. There is no elevation request here: the
// updater raises its own rights if it needs them.
bool RunElevated(QWidget* owner, const QString& file, const QString& arguments);

// The configured update host, empty when none is set.
QString UpdateHost(const QString& programFolder);

// What a check needs beyond the address, with the program's defaults.
struct UpdateCheckOptions {
  QString programFolder;          // empty: the program's folder
  int connectTimeoutMs = 180;
  int transferTimeoutMs = 10000;  // the whole request, connection included
  // Starts the updater; RunElevated without an owner window and arguments by default.
  std::function<bool(const QString& file)> startUpdater;
  // Set when the program is shutting down: the check ends without a question.
  const std::atomic<bool>* stop = nullptr;
};

// One check, created for it and freed after it.
class TCmAutoUpdateWarning final {
 public:
  TCmAutoUpdateWarning(QString url, int moduleId, std::atomic<bool>* closeForUpdate,
                       UpdateCheckOptions options = {});

  // Fetches the list, asks when this module has a newer version, starts the updater
  // on yes and sets the flag. Every failure ends it silently.
  void CheckUpdate();
  // True when the version on offer sorts after the version of the executable's file.
  bool IsNewerVersion(const QString& executable, const QString& offered) const;

 private:
  bool stopping() const { return options_.stop && options_.stop->load(); }

  QString url_;
  int moduleId_;
  std::atomic<bool>* closeForUpdate_;
  UpdateCheckOptions options_;
};

// The address of the update list on a host, asked for at `now`.
QString UpdateAddress(const QString& host, const QDateTime& now);

// The work of the update thread: one check of module `moduleId` against `host`.
void CheckForUpdate(std::atomic<bool>* closeForUpdate, int moduleId, const QString& host,
                    UpdateCheckOptions options = {});

// The update thread: runs its work one step below normal priority and frees itself when
// done. When the work has set the flag, `shutdown` runs on the user-interface thread;
// by default it ends the application's event loops. The main window starts it once when
// first shown, with its CheckForUpdate as the work and its CloseForUpdate flag, and calls
// cancelAndWait() on the pointer, if still set, when it goes.
class TThreadAutoUpdate final : public QThread {
  Q_OBJECT
 public:
  using Work = std::function<void(const std::atomic<bool>& stop)>;

  TThreadAutoUpdate(std::atomic<bool>* closeForUpdate, Work work,
                    std::function<void()> shutdown = {});
  ~TThreadAutoUpdate() override;

  // Creates the thread and starts it.
  static QPointer<TThreadAutoUpdate> Start(std::atomic<bool>* closeForUpdate, Work work,
                                           std::function<void()> shutdown = {});

  // For the program's end: asks the work to stop and waits for it, answering any
  // question it has pending with no.
  void cancelAndWait();

 protected:
  void run() override;

 private:
  void finishedOnUiThread();

  std::atomic<bool>* closeForUpdate_;
  Work work_;
  std::function<void()> shutdown_;
  std::atomic<bool> stop_{false};
};

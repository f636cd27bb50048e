#include "AutoUpdate.h"

#include "VersionInfo.h"

#include "platform/Dialogs.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QXmlStreamReader>

#define SI_NO_CONVERSION  // only the narrow reader is needed
#include <SimpleIni.h>
#include <curl/curl.h>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <optional>
#include <vector>

namespace {

const QString kUpdater = QStringLiteral("Auto.exe");
constexpr qsizetype kMaxBody = 4 << 20;  // the list is a few kilobytes

QString programFolderOr(const QString& folder) {
  return folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
}

struct Download {
  QByteArray body;
  const std::atomic<bool>* stop = nullptr;
};

size_t collect(char* data, size_t size, size_t count, void* user) {
  auto* d = static_cast<Download*>(user);
  const size_t n = size * count;
  if (d->body.size() + qsizetype(n) > kMaxBody) return 0;  // aborts the transfer
  d->body.append(data, qsizetype(n));
  return n;
}

int progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* d = static_cast<Download*>(user);
  return d->stop && d->stop->load() ? 1 : 0;
}

// One plain GET; nothing on any failure, HTTP errors and redirects included.
std::optional<QByteArray> httpGet(const QString& url, const UpdateCheckOptions& o) {
  CURL* curl = curl_easy_init();
  if (!curl) return std::nullopt;
  Download d;
  d.stop = o.stop;
  const QByteArray address = url.toUtf8();
  curl_easy_setopt(curl, CURLOPT_URL, address.constData());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_PROXY, "");  // no proxy, not even from the environment
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(o.connectTimeoutMs));
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, long(o.transferTimeoutMs));
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &d);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, progress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &d);
  const CURLcode rc = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_cleanup(curl);
  if (rc != CURLE_OK || status < 200 || status > 299) return std::nullopt;
  return d.body;
}

struct Entry {
  int codigo = 0;
  QString versao;
  QString executavel;
};

// The whole list, or nothing when the document is not well-formed.
std::optional<std::vector<Entry>> parseList(const QByteArray& body) {
  QXmlStreamReader xml(body);
  std::vector<Entry> entries;
  if (!xml.readNextStartElement()) return std::nullopt;
  while (xml.readNextStartElement()) {
    Entry e;
    while (xml.readNextStartElement()) {
      const auto name = xml.name();
      if (name == u"codigo" || name == u"versao" || name == u"executavel") {
        const QString text =
            xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        if (name == u"codigo") {
          bool ok = false;
          e.codigo = text.toInt(&ok, 10);
          if (!ok) e.codigo = 0;
        } else if (name == u"versao") {
          e.versao = text;
        } else {
          e.executavel = text;
        }
      } else {
        xml.skipCurrentElement();
      }
    }
    entries.push_back(e);
  }
  // Anything after the root element still has to be well-formed.
  while (!xml.atEnd()) xml.readNext();
  if (xml.hasError()) return std::nullopt;
  return entries;
}

// Four numbers: the text before each of the first three dots, then the rest. A part
// that is not a number counts as 0, and a missing dot leaves its part 0.
QString paddedVersion(const QString& version) {
  QString rest = version;
  int parts[4] = {};
  const auto number = [](const QString& text) {
    bool ok = false;
    const int n = text.toInt(&ok, 10);
    return ok ? n : 0;
  };
  for (int i = 0; i < 3; ++i) {
    const qsizetype dot = rest.indexOf(u'.');
    if (dot < 0) continue;
    parts[i] = number(rest.left(dot));
    rest = rest.mid(dot + 1);
  }
  parts[3] = number(rest);
  return QString::asprintf("%4.4d.%4.4d.%4.4d.%4.4d", parts[0], parts[1], parts[2], parts[3]);
}

// Message boxes belong to the user-interface thread; the check waits for the answer.
pf::MsgButton askOnUiThread(const std::atomic<bool>* stop, const pf::MessageRequest& request) {
  const auto ask = [&] {
    return stop && stop->load() ? pf::MsgButton::No : pf::dialogs().message(request);
  };
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() == app->thread()) return ask();
  pf::MsgButton answer = pf::MsgButton::No;
  QMetaObject::invokeMethod(app, [&] { answer = ask(); }, Qt::BlockingQueuedConnection);
  return answer;
}

// Linux ignores thread priorities for ordinary threads; a nice value one higher is the
// same step down.
void lowerThisThreadsPriority() {
  const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
  errno = 0;
  const int nice = ::getpriority(PRIO_PROCESS, tid);
  if (errno == 0 && nice < 19) ::setpriority(PRIO_PROCESS, tid, nice + 1);
}

}  // namespace

bool RunElevated(QWidget* /*owner*/, const QString& file, const QString& arguments) {
  return QProcess::startDetached(file, QProcess::splitCommand(arguments),
                                 QFileInfo(file).absolutePath());
}

QString UpdateHost(const QString& programFolder) {
  const QString ini = QDir(programFolderOr(programFolder)).filePath("connection.ini");
  CSimpleIniA file;
  if (file.LoadFile(QFile::encodeName(ini).constData()) < 0) return {};
  return QString::fromUtf8(file.GetValue("AUTOUPDATE", "HOST", "")).trimmed();
}

QString UpdateAddress(const QString& host, const QDateTime& now) {
  QString base = host.trimmed();
  while (base.endsWith(u'/')) base.chop(1);
  if (!base.contains(QLatin1String("://"))) base.prepend(QLatin1String("http://"));
  return base + QLatin1String("/autoupdate/autoupdate.xml?date=") +
         now.toString(QStringLiteral("yyyyMMddHHmmss"));
}

TCmAutoUpdateWarning::TCmAutoUpdateWarning(QString url, int moduleId,
                                           std::atomic<bool>* closeForUpdate,
                                           UpdateCheckOptions options)
    : url_(std::move(url)),
      moduleId_(moduleId),
      closeForUpdate_(closeForUpdate),
      options_(std::move(options)) {
  options_.programFolder = programFolderOr(options_.programFolder);
}

bool TCmAutoUpdateWarning::IsNewerVersion(const QString& executable,
                                          const QString& offered) const {
  const auto version = readFileVersion(QDir(options_.programFolder).filePath(executable));
  if (!version) return false;
  return paddedVersion(offered) > paddedVersion(version->toString());
}

void TCmAutoUpdateWarning::CheckUpdate() {
  const QString updater = QDir(options_.programFolder).filePath(kUpdater);
  if (!QFileInfo::exists(updater)) return;
  const auto body = httpGet(url_, options_);
  if (!body || body->isEmpty()) return;
  const auto entries = parseList(*body);
  if (!entries) return;

  const Entry* found = nullptr;
  for (const Entry& e : *entries) {
    if (!e.versao.isEmpty() && e.codigo == moduleId_ && IsNewerVersion(e.executavel, e.versao)) {
      found = &e;
      break;
    }
  }
  if (!found || stopping()) return;

  const pf::MessageRequest question{
      pf::MsgKind::Confirmation, QStringLiteral("Aviso para atualização automática"),
      QStringLiteral("Uma nova versão (") + found->versao +
          QStringLiteral(") deste software está disponivel para download.\n"
                         "Deseja atualizar agora?"),
      {pf::MsgButton::Yes, pf::MsgButton::No}};
  if (askOnUiThread(options_.stop, question) != pf::MsgButton::Yes) return;

  askOnUiThread(options_.stop, {pf::MsgKind::Warning,
                                QStringLiteral("Aviso de encerramento de sistema"),
                                QStringLiteral("O sistema será encerrado agora para "
                                               "atualização automática."),
                                {pf::MsgButton::Ok}});
  if (options_.startUpdater)
    options_.startUpdater(updater);
  else
    RunElevated(nullptr, updater, QString());
  // The program closes even when the updater could not be started.
  if (closeForUpdate_) closeForUpdate_->store(true);
}

void CheckForUpdate(std::atomic<bool>* closeForUpdate, int moduleId, const QString& host,
                    UpdateCheckOptions options) {
  if (host.trimmed().isEmpty()) return;
  TCmAutoUpdateWarning warning(UpdateAddress(host, QDateTime::currentDateTime()), moduleId,
                               closeForUpdate, std::move(options));
  warning.CheckUpdate();
}

TThreadAutoUpdate::TThreadAutoUpdate(std::atomic<bool>* closeForUpdate, Work work,
                                     std::function<void()> shutdown)
    : closeForUpdate_(closeForUpdate), work_(std::move(work)), shutdown_(std::move(shutdown)) {
  if (!shutdown_) shutdown_ = [] { QCoreApplication::exit(0); };
  // Runs on the thread this object lives in: the user-interface thread.
  connect(this, &QThread::finished, this, &TThreadAutoUpdate::finishedOnUiThread);
  connect(this, &QThread::finished, this, &QObject::deleteLater);
}

TThreadAutoUpdate::~TThreadAutoUpdate() {
  if (isRunning()) cancelAndWait();
}

QPointer<TThreadAutoUpdate> TThreadAutoUpdate::Start(std::atomic<bool>* closeForUpdate,
                                                     Work work, std::function<void()> shutdown) {
  // Not thread-safe, so done here before any transfer.
  static std::once_flag curlReady;
  std::call_once(curlReady, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  QPointer<TThreadAutoUpdate> thread =
      new TThreadAutoUpdate(closeForUpdate, std::move(work), std::move(shutdown));
  thread->start(QThread::LowPriority);
  return thread;
}

void TThreadAutoUpdate::cancelAndWait() {
  stop_.store(true);
  // A question posted by the work is answered here, with no, while we wait.
  while (!wait(QDeadlineTimer(20)))
    if (QCoreApplication* app = QCoreApplication::instance())
      QCoreApplication::sendPostedEvents(app, QEvent::MetaCall);
}

void TThreadAutoUpdate::run() {
  lowerThisThreadsPriority();
  if (work_) work_(stop_);
}

void TThreadAutoUpdate::finishedOnUiThread() {
  if (!stop_.load() && closeForUpdate_ && closeForUpdate_->load()) shutdown_();
}

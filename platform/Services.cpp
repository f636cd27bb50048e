#include "Services.h"

#include <ibase.h>

#include <QFile>
#include <vector>

#include "Cp1252.h"
#include "Errors.h"
#include "FbApi.h"
#include "Trace.h"

namespace pf {

BackupService::~BackupService() {
  try {
    detach();
  } catch (...) {
  }
}

void BackupService::attach() {
  if (service_) return;
  fb::Xpb spb(Firebird::IXpbBuilder::SPB_ATTACH);
  if (!userName.isEmpty()) spb.string(isc_spb_user_name, toCp1252(userName));
  if (!password.isEmpty()) spb.string(isc_spb_password, toCp1252(password));
  const QString name = serverName.isEmpty() ? QStringLiteral("service_mgr")
                                            : serverName + QStringLiteral(":service_mgr");
  Trace::note(TraceKind::Service, [&] { return QStringLiteral("Attach ") + name; });
  fb::Status status;
  service_ = fb::provider()->attachServiceManager(&status, name.toUtf8().constData(), spb.length(),
                                                  spb.buffer());
  if (status.failed()) {
    service_ = nullptr;
    status.check();
  }
}

void BackupService::detach() {
  if (!service_) return;
  fb::Status status;
  service_->detach(&status);
  if (status.failed()) service_->release();
  service_ = nullptr;
  eof_ = true;
}

void BackupService::serviceStart() {
  if (!service_) throw Error(QStringLiteral("Service not attached"));
  if (databaseName.isEmpty()) throw Error(QStringLiteral("Backup needs a database name"));
  if (backupFile.isEmpty()) throw Error(QStringLiteral("Backup needs a backup file"));
  fb::Xpb spb(Firebird::IXpbBuilder::SPB_START);
  spb.tag(isc_action_svc_backup);
  spb.string(isc_spb_dbname, QFile::encodeName(databaseName));
  spb.string(isc_spb_bkp_file, QFile::encodeName(backupFile));
  if (verbose) spb.tag(isc_spb_verbose);
  Trace::note(TraceKind::Service,
              [&] { return QStringLiteral("Backup %1 to %2").arg(databaseName, backupFile); });
  fb::Status status;
  service_->start(&status, spb.length(), spb.buffer());
  status.check();
  eof_ = false;
}

QString BackupService::getNextLine() {
  if (!service_ || eof_) return {};
  const unsigned char items[] = {isc_info_svc_line};
  std::vector<unsigned char> buffer(8192);
  fb::Status status;
  service_->query(&status, 0, nullptr, sizeof items, items, static_cast<unsigned>(buffer.size()),
                  buffer.data());
  status.check();
  QString line;
  bool gotLine = false;
  for (size_t i = 0; i < buffer.size() && buffer[i] != isc_info_end;) {
    const unsigned char item = buffer[i++];
    if (item == isc_info_svc_line) {
      const unsigned length = buffer[i] | (buffer[i + 1] << 8);
      i += 2;
      line = QString::fromUtf8(reinterpret_cast<const char*>(&buffer[i]), length);
      gotLine = length > 0;
      i += length;
    } else if (item == isc_info_truncated || item == isc_info_data_not_ready) {
      gotLine = true;
    } else {
      break;
    }
  }
  if (!gotLine)
    eof_ = true;
  else
    Trace::note(TraceKind::Service, [&] { return line; });
  return line;
}

}  // namespace pf

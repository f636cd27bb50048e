#include "Trace.h"

#include <QMutex>

#include <map>

namespace pf {

std::atomic<int> Trace::listeners_{0};

namespace {
QMutex& mutex() {
  static QMutex m;
  return m;
}
std::map<int, Trace::Listener>& registry() {
  static std::map<int, Trace::Listener> r;
  return r;
}
int nextId = 1;
}  // namespace

int Trace::addListener(Listener listener) {
  QMutexLocker lock(&mutex());
  const int id = nextId++;
  registry().emplace(id, std::move(listener));
  listeners_.store(static_cast<int>(registry().size()));
  return id;
}

void Trace::removeListener(int id) {
  QMutexLocker lock(&mutex());
  registry().erase(id);
  listeners_.store(static_cast<int>(registry().size()));
}

void Trace::publish(TraceKind kind, const QString& text) {
  std::map<int, Listener> copy;
  {
    QMutexLocker lock(&mutex());
    copy = registry();
  }
  const TraceEvent event{kind, text, QDateTime::currentDateTime()};
  for (auto& [id, listener] : copy) listener(event);
}

QString traceKindName(TraceKind kind) {
  switch (kind) {
    case TraceKind::Prepare: return QStringLiteral("Prepare");
    case TraceKind::Execute: return QStringLiteral("Execute");
    case TraceKind::Fetch: return QStringLiteral("Fetch");
    case TraceKind::Error: return QStringLiteral("Error");
    case TraceKind::Connect: return QStringLiteral("Connect");
    case TraceKind::Transaction: return QStringLiteral("Transaction");
    case TraceKind::Service: return QStringLiteral("Service");
  }
  return {};
}

}  // namespace pf

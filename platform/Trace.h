#pragma once

#include <QDateTime>
#include <QString>

#include <atomic>
#include <functional>

namespace pf {

enum class TraceKind { Prepare, Execute, Fetch, Error, Connect, Transaction, Service };

struct TraceEvent {
  TraceKind kind;
  QString text;
  QDateTime time;
};

// Publishes database events to listeners (the SQL monitor). Costs one atomic load
// per call site while nobody listens.
class Trace {
 public:
  using Listener = std::function<void(const TraceEvent&)>;

  static bool active() { return listeners_.load(std::memory_order_relaxed) > 0; }
  static int addListener(Listener listener);
  static void removeListener(int id);
  static void publish(TraceKind kind, const QString& text);

  // Publishes only when somebody listens; the text is built only then.
  template <typename MakeText>
  static void note(TraceKind kind, MakeText&& makeText) {
    if (active()) publish(kind, makeText());
  }

 private:
  static std::atomic<int> listeners_;
};

QString traceKindName(TraceKind kind);

}  // namespace pf

#include "CmAppGlobals.h"

#include "platform/Errors.h"

#include <QtGlobal>

int ApplicationModuleId = 0;
TVersionClass VersionClass;
QObject* CurrentVersion = nullptr;

namespace {

TExceptionHandler& installedHandler() {
  static TExceptionHandler handler;
  return handler;
}

}  // namespace

void setApplicationExceptionHandler(TExceptionHandler handler) {
  installedHandler() = std::move(handler);
}

bool hasApplicationExceptionHandler() { return static_cast<bool>(installedHandler()); }

QString exceptionMessage(std::exception_ptr error) {
  if (!error) return QString();
  try {
    std::rethrow_exception(error);
  } catch (const pf::DatabaseError& e) {
    return e.message();
  } catch (const pf::Error& e) {
    return e.message();
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  } catch (...) {
    return QStringLiteral("Erro desconhecido.");
  }
}

void handleApplicationException(std::exception_ptr error) noexcept {
  if (!error) return;
  try {
    // A copy: the handler may replace itself while it runs.
    const TExceptionHandler handler = installedHandler();
    if (handler) {
      handler(error);
      return;
    }
  } catch (...) {
    qWarning("The exception handler failed: %s", qUtf8Printable(exceptionMessage(
                                                      std::current_exception())));
  }
  qWarning("Unhandled exception: %s", qUtf8Printable(exceptionMessage(error)));
}

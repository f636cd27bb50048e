#include "FbApi.h"

#include "Cp1252.h"
#include "Errors.h"
#include "Trace.h"

#include <ibase.h>

#include <vector>

namespace pf::fb {

Firebird::IMaster* master() {
  static Firebird::IMaster* m = Firebird::fb_get_master_interface();
  return m;
}

Firebird::IUtil* util() {
  static Firebird::IUtil* u = master()->getUtilInterface();
  return u;
}

Firebird::IProvider* provider() {
  // Kept for the life of the process.
  static Firebird::IProvider* p = master()->getDispatcher();
  return p;
}

void raise(Firebird::IStatus* status) {
  char text[2048];
  util()->formatStatus(text, sizeof text, status);
  QString message = fromCp1252(text, static_cast<qsizetype>(qstrnlen(text, sizeof text)));

  std::vector<long> codes;
  const intptr_t* errors = status->getErrors();
  for (const intptr_t* p = errors; *p != isc_arg_end;) {
    const intptr_t kind = *p++;
    if (kind == isc_arg_gds) codes.push_back(static_cast<long>(*p));
    p += (kind == isc_arg_cstring) ? 2 : 1;
  }

  const int sqlCode = static_cast<int>(isc_sqlcode(errors));
  char state[FB_SQLSTATE_SIZE] = {};
  fb_sqlstate(state, errors);
  const long gds = codes.empty() ? 0 : codes.front();
  Trace::note(TraceKind::Error, [&] { return message; });
  throw DatabaseError(message, sqlCode, gds, QString::fromLatin1(state), std::move(codes));
}

Xpb::Xpb(unsigned kind, const unsigned char* buffer, unsigned length)
    : builder_(util()->getXpbBuilder(&status_, kind, buffer, length)) {
  status_.check();
}

void Xpb::tag(unsigned char tag) {
  builder_->insertTag(&status_, tag);
  status_.check();
}

void Xpb::integer(unsigned char tag, int value) {
  builder_->insertInt(&status_, tag, value);
  status_.check();
}

void Xpb::string(unsigned char tag, const QByteArray& value) {
  builder_->insertBytes(&status_, tag, value.constData(), static_cast<unsigned>(value.size()));
  status_.check();
}

unsigned Xpb::length() {
  const unsigned n = builder_->getBufferLength(&status_);
  status_.check();
  return n;
}

const unsigned char* Xpb::buffer() {
  const unsigned char* b = builder_->getBuffer(&status_);
  status_.check();
  return b;
}

int charsetId(const QString& name) {
  const QString n = name.trimmed().toUpper();
  if (n.isEmpty() || n == u"NONE") return 0;
  if (n == u"OCTETS" || n == u"BINARY") return 1;
  if (n == u"ASCII") return 2;
  if (n == u"UNICODE_FSS") return 3;
  if (n == u"UTF8" || n == u"UTF-8") return 4;
  if (n == u"ISO8859_1") return 21;
  if (n == u"WIN1252") return 53;
  return 0;
}

}  // namespace pf::fb

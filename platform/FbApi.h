#pragma once
// Internal helpers over the Firebird OO API: the process-wide master, status
// objects and parameter-buffer builders with their ownership made explicit.

#include <firebird/Interface.h>

#include <QString>

namespace pf::fb {

Firebird::IMaster* master();
Firebird::IUtil* util();
Firebird::IProvider* provider();

// Throws DatabaseError from a status vector holding an error.
[[noreturn]] void raise(Firebird::IStatus* status);

// An IStatus (disposable) with a checking wrapper; check() throws on error.
class Status {
 public:
  Status() : status_(master()->getStatus()), wrapper_(status_) {}
  ~Status() { status_->dispose(); }
  Status(const Status&) = delete;
  Status& operator=(const Status&) = delete;

  Firebird::CheckStatusWrapper* operator&() { return &wrapper_; }
  Firebird::CheckStatusWrapper* get() { return &wrapper_; }
  bool failed() const { return (status_->getState() & Firebird::IStatus::STATE_ERRORS) != 0; }
  void check() {
    if (failed()) raise(status_);
  }
  void clear() { wrapper_.clearException(); }

 private:
  Firebird::IStatus* status_;
  Firebird::CheckStatusWrapper wrapper_;
};

// Reference-counted interfaces (attachment, transaction, statement, ...).
template <typename T>
class Ref {
 public:
  Ref() = default;
  explicit Ref(T* p) : p_(p) {}
  ~Ref() { reset(); }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  Ref(Ref&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  Ref& operator=(Ref&& o) noexcept {
    if (this != &o) {
      reset();
      p_ = o.p_;
      o.p_ = nullptr;
    }
    return *this;
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // After a successful commit/detach/free the interface is gone: forget it.
  void forget() { p_ = nullptr; }
  void reset(T* p = nullptr) {
    if (p_) p_->release();
    p_ = p;
  }

 private:
  T* p_ = nullptr;
};

// A parameter-buffer builder (DPB, TPB, SPB), disposed on destruction.
class Xpb {
 public:
  explicit Xpb(unsigned kind, const unsigned char* buffer = nullptr, unsigned length = 0);
  ~Xpb() { builder_->dispose(); }
  Xpb(const Xpb&) = delete;
  Xpb& operator=(const Xpb&) = delete;

  void tag(unsigned char tag);
  void integer(unsigned char tag, int value);
  void string(unsigned char tag, const QByteArray& value);
  unsigned length();
  const unsigned char* buffer();

 private:
  Status status_;
  Firebird::IXpbBuilder* builder_;
};

// Firebird's character set ids for the connection's lc_ctype.
int charsetId(const QString& name);

}  // namespace pf::fb

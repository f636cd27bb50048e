#include "UpdateFixtures.h"

#include <QFile>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace update_fixtures {

namespace {

class Writer {
 public:
  explicit Writer(bool bigEndian) : big_(bigEndian) {}
  void put(std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) {
      const int shift = 8 * (big_ ? size - 1 - i : i);
      bytes.append(char((value >> shift) & 0xff));
    }
  }
  void pad(int align) {
    while (bytes.size() % align) bytes.append('\0');
  }
  QByteArray bytes;

 private:
  bool big_;
};

void note(Writer& w, const QByteArray& name, std::uint32_t type, const QByteArray& desc) {
  w.put(name.size() + 1, 4);
  w.put(desc.size(), 4);
  w.put(type, 4);
  w.bytes.append(name).append('\0');
  w.pad(4);
  w.bytes.append(desc);
  w.pad(4);
}

}  // namespace

QByteArray elfFile(const ElfLayout& s) {
  const int headerSize = s.is64 ? 64 : 52;
  const int entrySize = s.is64 ? 64 : 40;

  Writer notes(s.bigEndian);
  if (s.otherNoteFirst) note(notes, "GNU", 3, QByteArray(20, '\x5a'));
  Writer desc(s.bigEndian);
  for (std::uint32_t part : s.version) desc.put(part, 4);
  note(notes, s.noteName, s.noteType, desc.bytes);

  const std::uint64_t notesAt = headerSize;
  const std::uint64_t tableAt = notesAt + notes.bytes.size();
  const int sections = s.withNote ? 2 : 1;

  Writer w(s.bigEndian);
  w.bytes.append("\x7f" "ELF", 4);
  w.bytes.append(char(s.is64 ? 2 : 1)).append(char(s.bigEndian ? 2 : 1)).append(char(1));
  w.pad(16);
  w.put(2, 2);                           // executable
  w.put(s.is64 ? 62 : 3, 2);             // machine
  w.put(1, 4);                           // version
  w.put(0, s.is64 ? 8 : 4);              // entry
  w.put(0, s.is64 ? 8 : 4);              // program headers
  w.put(tableAt, s.is64 ? 8 : 4);        // section headers
  w.put(0, 4);                           // flags
  w.put(headerSize, 2);
  w.put(0, 2);
  w.put(0, 2);
  w.put(entrySize, 2);
  w.put(sections, 2);
  w.put(0, 2);                           // no section names
  w.bytes.append(notes.bytes);

  const auto section = [&](std::uint32_t type, std::uint64_t offset, std::uint64_t size) {
    const int word = s.is64 ? 8 : 4;
    w.put(0, 4);
    w.put(type, 4);
    w.put(type ? 2 : 0, word);           // allocated
    w.put(0, word);
    w.put(offset, word);
    w.put(size, word);
    w.put(0, 4);
    w.put(0, 4);
    w.put(type ? 4 : 0, word);           // alignment
    w.put(0, word);
  };
  section(0, 0, 0);
  if (s.withNote) section(7, s.noteOffset ? s.noteOffset : notesAt, notes.bytes.size());
  return w.bytes;
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
    throw std::runtime_error("cannot write " + path.toStdString());
}

namespace {

int listenOnLoopback(int backlog, int* port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), len) != 0 ||
      ::listen(fd, backlog) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
    throw std::runtime_error("cannot listen on 127.0.0.1");
  *port = ntohs(a.sin_port);
  return fd;
}

bool readable(int fd, int ms) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, ms) > 0;
}

void sendAll(int fd, const QByteArray& bytes) {
  qsizetype sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent),
                             MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += n;
  }
}

constexpr auto kLifetime = std::chrono::seconds(30);  // ends by itself in any case

}  // namespace

LocalHttpServer::LocalHttpServer(QByteArray body, Mode mode, int status)
    : body_(std::move(body)), mode_(mode), status_(status) {
  listener_ = listenOnLoopback(8, &port_);
  thread_ = std::thread([this] { serve(); });
}

LocalHttpServer::~LocalHttpServer() {
  stop_.store(true);
  thread_.join();
  ::close(listener_);
}

QString LocalHttpServer::host() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }

QByteArray LocalHttpServer::lastTarget() const {
  std::lock_guard lock(mutex_);
  return lastTarget_;
}

void LocalHttpServer::serve() {
  const auto end = std::chrono::steady_clock::now() + kLifetime;
  const auto running = [&] { return !stop_.load() && std::chrono::steady_clock::now() < end; };
  while (running()) {
    if (!readable(listener_, 20)) continue;
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    QByteArray request;
    while (running() && !request.contains("\r\n\r\n")) {
      if (!readable(fd, 20)) continue;
      char buffer[4096];
      const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      request.append(buffer, n);
    }
    ++requests_;
    {
      std::lock_guard lock(mutex_);
      const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
      lastTarget_ = words.size() > 1 ? words[1] : QByteArray();
    }
    if (mode_ == Mode::Reply) {
      sendAll(fd, "HTTP/1.1 " + QByteArray::number(status_) +
                      " X\r\nContent-Type: text/xml\r\nConnection: close\r\nContent-Length: " +
                      QByteArray::number(body_.size()) + "\r\n\r\n" + body_);
    } else if (mode_ == Mode::Silent) {
      // Holds the connection until the client gives up.
      while (running()) {
        if (!readable(fd, 20)) continue;
        char c;
        if (::recv(fd, &c, 1, 0) <= 0) break;
      }
    }
    ::close(fd);
  }
}

FullBacklog::FullBacklog() {
  listener_ = listenOnLoopback(0, &port_);
  // With a backlog of 0 the queue takes one connection; this one fills it.
  filler_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(quint16(port_));
  if (::connect(filler_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
    throw std::runtime_error("cannot fill the backlog");
}

FullBacklog::~FullBacklog() {
  ::close(filler_);
  ::close(listener_);
}

QString FullBacklog::host() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }

}  // namespace update_fixtures

#pragma once
// Small fixtures for the update check: ELF files with a chosen version note, and an HTTP
// server on 127.0.0.1 that answers as a test tells it to.

#include <QByteArray>
#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

namespace update_fixtures {

struct ElfLayout {
  bool is64 = true;
  bool bigEndian = false;
  std::array<std::uint32_t, 4> version{1, 0, 0, 12};
  bool withNote = true;
  QByteArray noteName = "Kelvo";
  std::uint32_t noteType = 1;
  bool otherNoteFirst = false;       // a foreign note ahead of ours in the same section
  std::uint64_t noteOffset = 0;      // 0: where the data really is
};

// The bytes of a minimal ELF file: header, one note section, the section table.
QByteArray elfFile(const ElfLayout& layout = {});
void writeFile(const QString& path, const QByteArray& bytes);

class LocalHttpServer {
 public:
  enum class Mode {
    Reply,    // status line, headers and body
    Silent,   // reads the request and never answers
    Hangup,   // closes the connection without a word
  };

  explicit LocalHttpServer(QByteArray body = {}, Mode mode = Mode::Reply, int status = 200);
  ~LocalHttpServer();

  QString host() const;  // "127.0.0.1:port"
  int requests() const { return requests_.load(); }
  QByteArray lastTarget() const;

 private:
  void serve();

  QByteArray body_;
  Mode mode_;
  int status_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0};
  mutable std::mutex mutex_;
  QByteArray lastTarget_;
  std::thread thread_;
};

// A port that accepts nothing: its accept queue is full, so connecting hangs.
class FullBacklog {
 public:
  FullBacklog();
  ~FullBacklog();
  QString host() const;

 private:
  int listener_ = -1;
  int filler_ = -1;
  int port_ = 0;
};

}  // namespace update_fixtures

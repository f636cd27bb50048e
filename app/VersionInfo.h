#pragma once
// Reads the file version that suite executables carry (see VersionNote.h).

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

struct FileVersion {
  std::array<std::uint32_t, 4> parts{};  // major, minor, release, build
  // "major.minor.release.build"
  QString toString() const;
};

// The version note of an ELF file read with plain file I/O. Nothing for a missing
// file, anything but a regular file, a file that is not ELF, a damaged one, or one
// without the note.
std::optional<FileVersion> readFileVersion(const QString& path);

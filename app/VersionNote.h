#pragma once
// The file version of a suite executable, kept in an ELF note that readFileVersion()
// finds in any such file. An executable gets it by linking one source that says
// KELVO_VERSION_NOTE(1, 0, 0, 12); the build's acessos_version_note() writes that source.

#include <cstdint>

namespace kelvo {

inline constexpr char kVersionNoteName[] = "Kelvo";
inline constexpr std::uint32_t kVersionNoteType = 1;

// Laid out as an ELF note: name size, descriptor size, type, name padded to 4 bytes,
// then the descriptor: major, minor, release and build.
struct VersionNote {
  std::uint32_t nameSize;
  std::uint32_t descSize;
  std::uint32_t type;
  char name[8];
  std::uint32_t version[4];
};
static_assert(sizeof(VersionNote) == 36);

}  // namespace kelvo

#define KELVO_VERSION_NOTE(major, minor, release, build)                                 \
  [[gnu::section(".note.kelvo.version"), gnu::used, gnu::aligned(4)]]                    \
  const kelvo::VersionNote kelvoVersionNote = {sizeof(kelvo::kVersionNoteName), 16,      \
                                               kelvo::kVersionNoteType, "Kelvo",         \
                                               {major, minor, release, build}}

// What the walk saw of a file or folder, kept beside the texts the list shows:
// the synchronisation refuses to replace or delete a file that no longer
// matches it, and the age comparison orders the exact instants behind the
// stamps.
#pragma once

#include <sys/stat.h>

#include <cstdint>

namespace zweiblick {

struct FileFacts {
  int64_t size = -1;    // -1: nothing is known (no file, or a row not from a walk)
  int64_t mtimeNs = 0;  // modification time, nanoseconds since the epoch
  uint64_t inode = 0;
  uint64_t device = 0;

  bool Known() const { return size >= 0; }
  // The modification time in whole seconds, rounded down (also before 1970).
  int64_t MtimeSeconds() const {
    int64_t s = mtimeNs / 1000000000;
    return mtimeNs % 1000000000 < 0 ? s - 1 : s;
  }
};

inline FileFacts FactsOf(const struct stat& st) {
  FileFacts f;
  f.size = static_cast<int64_t>(st.st_size);
  f.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  f.inode = static_cast<uint64_t>(st.st_ino);
  f.device = static_cast<uint64_t>(st.st_dev);
  return f;
}

}  // namespace zweiblick

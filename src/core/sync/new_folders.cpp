#include "sync/new_folders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "reading/path_helpers.h"

namespace zweiblick {

mode_t SourceFolders::ModeAt(size_t depth) const {
  constexpr mode_t kPrivate = S_IRWXU;
  // Through links, as the walk read the source; only when a folder is made.
  int dir = open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  size_t start = 0;
  for (size_t level = 0; dir >= 0 && level <= depth; ++level) {
    size_t end = rel_.find(kSep, start);
    if (end == std::string::npos) {  // the source lies less deep
      close(dir);
      return kPrivate;
    }
    int next =
        openat(dir, rel_.substr(start, end - start).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    close(dir);
    dir = next;
    start = end + 1;
  }
  struct stat st {};
  bool seen = dir >= 0 && fstat(dir, &st) == 0;
  if (dir >= 0) close(dir);
  return seen ? (st.st_mode & 0777) | kPrivate : kPrivate;
}

}  // namespace zweiblick

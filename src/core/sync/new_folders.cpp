// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/new_folders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/descriptors.h"
#include "platform/fd.h"
#include "reading/path_helpers.h"

namespace zweiblick {

mode_t SourceFolders::ModeAt(size_t depth) const {
  constexpr mode_t kPrivate = S_IRWXU;
  // Through links, as the walk read the source; only when a folder is made.
  Fd dir(OpenWaiting([&] { return open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
  size_t start = 0;
  for (size_t level = 0; dir.ok() && level <= depth; ++level) {
    size_t end = rel_.find(kSep, start);
    if (end == std::string::npos) return kPrivate;  // the source lies less deep
    const std::string part = rel_.substr(start, end - start);
    dir = Fd(OpenWaiting(
        [&] { return openat(dir.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
    start = end + 1;
  }
  struct stat st {};
  bool seen = dir.ok() && fstat(dir.get(), &st) == 0;
  return seen ? (st.st_mode & 0777) | kPrivate : kPrivate;
}

}  // namespace zweiblick

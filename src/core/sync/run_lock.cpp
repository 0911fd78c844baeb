// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/run_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "files/file_facts.h"

namespace zweiblick {
namespace {

Fd OpenFolder(const std::string& path) {
  return Fd(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

struct Wanted {
  std::string path;  // resolved; empty when unknown
  bool exclusive;
  size_t side;  // the index in `folders` that asked for it first
  Fd fd;
};

}  // namespace

bool RunLock::Take(const std::vector<std::string>& folders, std::string& busy) {
  held_.clear();
  std::vector<Wanted> wanted;
  // Within one process two descriptors of the same folder exclude each other
  // too: each folder is locked once, exclusively where any side writes it.
  auto want = [&](Fd fd, std::string path, bool exclusive, size_t side) {
    if (!path.empty()) {
      for (Wanted& w : wanted)
        if (w.path == path) {
          if (exclusive && !w.exclusive) w = {std::move(path), true, side, std::move(fd)};
          return;
        }
    }
    wanted.push_back({std::move(path), exclusive, side, std::move(fd)});
  };
  for (size_t side = 0; side < folders.size(); ++side) {
    if (folders[side].empty()) continue;
    Fd fd = OpenFolder(folders[side]);
    if (!fd.ok()) continue;  // a side that is not there is not written
    std::string path = KernelPath(fd.get());
    want(std::move(fd), path, true, side);
    // Every folder above, up to "/".
    while (path.size() > 1) {
      size_t slash = path.find_last_of('/');
      path.resize(slash == 0 ? 1 : slash);
      Fd above = OpenFolder(path);
      if (above.ok()) want(std::move(above), path, false, side);
    }
  }
  // From the root down, so that two runs meet first where they overlap.
  std::stable_sort(wanted.begin(), wanted.end(),
                   [](const Wanted& a, const Wanted& b) { return a.path < b.path; });
  for (Wanted& w : wanted) {
    int result, error = 0;
    do {
      result = flock(w.fd.get(), (w.exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
      error = result != 0 ? errno : 0;
    } while (error == EINTR);
    if (result != 0) {
      if (error == EWOULDBLOCK) {
        busy = folders[w.side];
        held_.clear();
        return false;
      }
      continue;  // ENOLCK, EOPNOTSUPP...: no lock to be had there
    }
    held_.push_back(std::move(w.fd));
  }
  return true;
}

}  // namespace zweiblick

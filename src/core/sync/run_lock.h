// SPDX-License-Identifier: GPL-3.0-or-later
// One run at a time over a folder: two runs writing the same folder would
// take each other's new copies for old versions and move them to the trash.
#pragma once

#include <string>
#include <vector>

#include "platform/fd.h"

namespace zweiblick {

// Holds, for each folder a run may write, an exclusive flock on the folder
// and a shared one on each folder above it, so that a run over a folder and
// one over a folder below it exclude each other while siblings do not. The
// kernel drops the locks when the process ends, a crash too.
class RunLock {
 public:
  RunLock() = default;
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;

  // Locks `folders` (those that exist; an ancestor that cannot be opened is
  // passed over). False when another run holds one of them or a folder above
  // or below one of them: `busy` is then that one of `folders`, and nothing
  // stays locked. A file system that has no locks to give is no refusal.
  bool Take(const std::vector<std::string>& folders, std::string& busy);

 private:
  std::vector<Fd> held_;
};

}  // namespace zweiblick

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/descriptors.h"

#include <dirent.h>
#include <sys/resource.h>
#include <time.h>

#include <algorithm>

namespace zweiblick {

void RaiseDescriptorLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
  limit.rlim_cur = limit.rlim_max;
  setrlimit(RLIMIT_NOFILE, &limit);  // refused, the soft limit stays: the budget follows it
}

int FreeDescriptors() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
  constexpr rlim_t kMost = 1 << 20;
  int left = static_cast<int>(std::min(limit.rlim_cur, kMost));
  // Counted where the kernel lists them (without /proc: all taken to be
  // free); the listing's own descriptor is listed too, and closed again.
  DIR* listing = opendir("/proc/self/fd");
  if (!listing) return errno == ENOENT ? left : 0;
  for (dirent* e; (e = readdir(listing));)
    if (e->d_name[0] != '.') --left;
  closedir(listing);
  return std::max(left + 1, 0);
}

bool AwaitDescriptor(int attempt) {
  // 1 ms at first, then 10 ms: the copies in flight close theirs within
  // milliseconds; 6,000 waits of 10 ms are about a minute.
  if (attempt >= 6000) return false;
  timespec pause{0, std::min(attempt + 1, 10) * 1000000L};
  nanosleep(&pause, nullptr);
  return true;
}

}  // namespace zweiblick

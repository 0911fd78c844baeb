// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/far_away.h"

#include <linux/magic.h>
#include <sys/vfs.h>

#include <cstdlib>

#include "platform/worker_pool.h"

namespace zweiblick {

bool NetworkOrFuse(unsigned long type) {
  switch (type) {
    case FUSE_SUPER_MAGIC:  // fuseblk and fuse.* alike
    case NFS_SUPER_MAGIC:
    case SMB_SUPER_MAGIC:
    case 0xFF534D42:  // CIFS
    case 0xFE534D42:  // SMB2
      return true;
    default:
      return false;
  }
}

bool FarAway(const std::string& folder) {
  struct statfs fs {};
  return statfs(folder.c_str(), &fs) == 0 && NetworkOrFuse(static_cast<unsigned long>(fs.f_type));
}

bool InodesLast(int fd) {
  struct statfs fs {};
  if (fstatfs(fd, &fs) != 0) return false;
  const auto type = static_cast<unsigned long>(fs.f_type);
  return type != MSDOS_SUPER_MAGIC && type != 0x2011BAB0 /* exFAT */ && !NetworkOrFuse(type);
}

int WorkerCount(bool farAway, int near) {
  if (std::getenv("ZWEIBLICK_WORKERS")) return DefaultWorkerCount();
  return farAway ? 32 : near;
}

}  // namespace zweiblick

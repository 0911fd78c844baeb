// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/file_facts.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "files/file_identity.h"
#include "platform/far_away.h"
#include "platform/fd.h"

namespace zweiblick {

#ifndef STATX_MNT_ID_UNIQUE
#define STATX_MNT_ID_UNIQUE 0x4000U  // Linux 6.8: never used again for another mount
#endif

namespace {

uint64_t MountAt(int dir, const char* path, int flags) {
  struct statx st {};
  if (statx(dir, path, flags, STATX_MNT_ID | STATX_MNT_ID_UNIQUE, &st) != 0) return 0;
  return st.stx_mask & (STATX_MNT_ID | STATX_MNT_ID_UNIQUE) ? st.stx_mnt_id : 0;
}

}  // namespace

std::string KernelPath(int fd) {
  char buf[PATH_MAX];
  std::string link = "/proc/self/fd/" + std::to_string(fd);
  ssize_t n = readlink(link.c_str(), buf, sizeof buf);
  if (n <= 0 || n >= static_cast<ssize_t>(sizeof buf) || buf[0] != '/') return {};
  return std::string(buf, static_cast<size_t>(n));
}

uint64_t MountOf(const char* path) {
  return MountAt(AT_FDCWD, path, 0);
}

FolderIdentity IdentityOf(const std::string& path, const FileFacts& facts) {
  FolderIdentity id;
  id.facts = facts;
  Fd fd(open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!fd.ok()) return id;
  id.mount = MountAt(fd.get(), "", AT_EMPTY_PATH);
  id.kernelPath = KernelPath(fd.get());
  return id;
}

bool SameFolder(const FolderIdentity& seen, int fd) {
  // One call for the device, the inode and the mount: a run asks this at
  // every change of folder, on both sides.
  if (!seen.facts.Known()) return false;
  FileIdentity now;
  uint64_t mount = 0;
  struct statx sx {};
  const bool told =
      statx(fd, "", AT_EMPTY_PATH, STATX_INO | STATX_MNT_ID | STATX_MNT_ID_UNIQUE, &sx) == 0;
  if (told && (sx.stx_mask & (STATX_MNT_ID | STATX_MNT_ID_UNIQUE))) mount = sx.stx_mnt_id;
  if (told && (sx.stx_mask & STATX_INO)) {
    now.device = static_cast<uint64_t>(makedev(sx.stx_dev_major, sx.stx_dev_minor));
    now.inode = sx.stx_ino;
  } else {
    // A kernel or sandbox without statx, or a file system that did not say
    // the inode: fstat tells the device and inode.
    struct stat st {};
    if (fstat(fd, &st) != 0) return false;
    now = FileIdentity::Of(st);
  }
  const FileIdentity was = FileIdentity::Seen(seen.facts);
  if (now.device != was.device) return false;
  if (seen.mount != 0 && mount != seen.mount) return false;
  if (Same(now, was, kSameInode, true)) return true;
  // Without a mount id another stick mounted in its place could not be told apart.
  return seen.mount != 0 && !InodesLast(fd) && !seen.kernelPath.empty() &&
         KernelPath(fd) == seen.kernelPath;
}

std::string RealPath(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (!real) return {};
  std::string out = real;
  free(real);
  return out;
}

int MakeFolders(const std::string& path) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '/') continue;
    std::string part = path.substr(0, i);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return errno;
  }
  return 0;
}

}  // namespace zweiblick

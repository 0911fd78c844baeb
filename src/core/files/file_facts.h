// SPDX-License-Identifier: GPL-3.0-or-later
// What the walk saw of a file or folder, kept beside the texts the list shows:
// the synchronisation refuses to replace or delete a file that no longer
// matches it, and the age comparison orders the exact instants behind the
// stamps.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>

namespace zweiblick {

struct FileFacts {
  int64_t size = -1;  // -1: nothing is known (no file, or a row not from a walk)
  // Modification time: seconds since the epoch and the nanoseconds within that
  // second (nanoseconds alone would end in the year 2262).
  int64_t mtimeSec = 0;
  int32_t mtimeNsec = 0;
  uint64_t inode = 0;
  uint64_t device = 0;

  bool Known() const { return size >= 0; }
  bool SameTime(const FileFacts& o) const {
    return mtimeSec == o.mtimeSec && mtimeNsec == o.mtimeNsec;
  }
};

// The mount that holds `path` (0 when the kernel cannot tell). A device and
// inode do not tell two sticks apart that come into the same place one after
// the other (a FAT root is always inode 1, FUSE reuses its device numbers);
// the mount does, as the kernel numbers every mount anew.
uint64_t MountOf(const char* path);

// A chosen folder as its filling found it: a run writes only into that very
// folder, never into another one mounted or made in its place.
struct FolderIdentity {
  FileFacts facts;     // device and inode (not Known(): the folder did not exist)
  uint64_t mount = 0;  // the mount that held it (MountOf; 0: the kernel cannot tell)
  // The path the kernel gives the open folder: below the same mount the
  // same folder, where its inode number does not last.
  std::string kernelPath;
};
// The path the kernel knows an open file or folder by; empty where /proc is missing.
std::string KernelPath(int fd);

// The path with every link, "." and ".." resolved, as the kernel names the
// file; empty where it cannot be resolved.
std::string RealPath(const std::string& path);

// Makes every missing folder of `path`, private to the user (the home trash,
// the state folder). Returns 0 or an error number.
int MakeFolders(const std::string& path);

FolderIdentity IdentityOf(const std::string& path, const FileFacts& facts);

// Whether the open folder `fd` is the one `seen` describes. Where inode
// numbers last, the device and inode tell; elsewhere (FAT, exFAT, FUSE) a
// folder the kernel forgot comes back with a new number, and the same mount
// and the same path below it tell instead.
bool SameFolder(const FolderIdentity& seen, int fd);

inline FileFacts FactsOf(const struct stat& st) {
  FileFacts f;
  f.size = static_cast<int64_t>(st.st_size);
  f.mtimeSec = static_cast<int64_t>(st.st_mtim.tv_sec);
  f.mtimeNsec = static_cast<int32_t>(st.st_mtim.tv_nsec);
  f.inode = static_cast<uint64_t>(st.st_ino);
  f.device = static_cast<uint64_t>(st.st_dev);
  return f;
}

}  // namespace zweiblick

// SPDX-License-Identifier: GPL-3.0-or-later
// Who a file is and what state it was in, as the walk saw it or as a look
// now sees it, and the named levels of "the same file": each check of the
// synchronisation says which one it means. Where inode numbers do not last
// (FAT, exFAT, FUSE and network file systems) a file that nothing held open
// comes back with another number, so there a level falls back to what the
// file's content stamp and kind tell.
#pragma once

#include <sys/stat.h>

#include <cstdint>

#include "files/file_facts.h"

namespace zweiblick {

struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  uint32_t mode = 0;  // kind and bits (0 where the walk's facts do not tell)
  uint32_t owner = 0, group = 0;
  int64_t size = -1;
  int64_t mtimeSec = 0, ctimeSec = 0;
  int32_t mtimeNsec = 0, ctimeNsec = 0;

  static FileIdentity Of(const struct stat& st);
  // What the walk saw: device, inode, size and modification time only.
  static FileIdentity Seen(const FileFacts& facts);
};

// What two identities must share to be "the same file".
enum Aspect : unsigned {
  kDevice = 1u << 0,
  kInode = 1u << 1,
  kKind = 1u << 2,  // the whole mode: kind and permission bits
  kOwnerGroup = 1u << 3,
  kSize = 1u << 4,
  kMtime = 1u << 5,         // to the nanosecond
  kCtime = 1u << 6,         // any change at all: data, bits, owner, names
  kStamp = kSize | kMtime,  // the content stamp
};

// A level of sameness: the aspects compared where inode numbers last, and
// those compared where they do not.
struct Sameness {
  unsigned lasting;
  unsigned fleeting;
};

// The very file in the very state: device, inode, size and time, wherever it
// lies (two walks' views of one row).
inline constexpr Sameness kExact{kDevice | kInode | kStamp, kDevice | kInode | kStamp};
// The file the walk saw: exact where inodes last, else the same content stamp
// (and then not the device either: FUSE reuses device numbers).
inline constexpr Sameness kAsSeen{kDevice | kInode | kStamp, kStamp};
// The file a copy put in place, looked up by its name in the folder it was
// put in (the folder tells the device): its kind and content stamp, and its
// inode where that lasts.
inline constexpr Sameness kAsPlaced{kKind | kInode | kStamp, kKind | kStamp};
// A second name of the file: the same inode where inodes last (the file may
// have changed since through either name), else its kind and content stamp.
inline constexpr Sameness kSecondName{kDevice | kInode, kKind | kStamp};
// An open file nobody wrote to or changed since: its content stamp and its
// change time (the descriptor tells who it is).
inline constexpr Sameness kUntouched{kStamp | kCtime, kStamp | kCtime};
// The file a copy relied on, untouched in any way: who it is (the device
// always, the inode where it lasts), its kind, bits, owner and group, content
// stamp and change time.
inline constexpr Sameness kAsRelied{kDevice | kInode | kKind | kOwnerGroup | kStamp | kCtime,
                                    kDevice | kKind | kOwnerGroup | kStamp | kCtime};
// One folder: the same device and inode. Where inodes do not last the mount
// and the kernel's path tell instead (SameFolder).
inline constexpr Sameness kSameInode{kDevice | kInode, kDevice | kInode};

// Whether `now` and `was` are the same file at `level`, on a file system
// where inode numbers last or not (InodesLast).
bool Same(const FileIdentity& now, const FileIdentity& was, Sameness level, bool inodesLast);
inline bool Same(const struct stat& now, const struct stat& was, Sameness level, bool inodesLast) {
  return Same(FileIdentity::Of(now), FileIdentity::Of(was), level, inodesLast);
}
// The same, on the file system of the open `fd`: whether inodes last there is
// asked only when what tells where they do not agrees and the rest does not.
// For the levels whose fleeting aspects lie within the lasting ones.
bool SameOn(int fd, const FileIdentity& now, const FileIdentity& was, Sameness level);

}  // namespace zweiblick

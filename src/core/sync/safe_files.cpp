// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/safe_files.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <future>
#include <system_error>
#include <utility>
#include <vector>

#include "files/file_identity.h"
#include "platform/descriptors.h"
#include "platform/far_away.h"
#include "platform/fd.h"
#include "reading/path_helpers.h"
#include "sync/copy_bytes.h"
#include "sync/extended_attributes.h"
#include "sync/temporary_files.h"

namespace zweiblick {
namespace {

// Splits a relative name into its folders and its file name. Empty parts, "."
// and ".." are refused: a name must not lead out of its folder.
bool Split(const std::string& rel, std::vector<std::string>& folders, std::string& name) {
  folders.clear();
  size_t start = 0;
  for (;;) {
    size_t end = rel.find(kSep, start);
    std::string part =
        rel.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part.empty() || part == "." || part == "..") return false;
    if (end == std::string::npos) {
      name = part;
      return true;
    }
    folders.push_back(part);
    start = end + 1;
  }
}

// Whether the entry is still as it was seen: the file the walk saw (kAsSeen)
// where it saw its facts, else the same time stamp, or still absent when it
// did not exist. `found`, when given, receives what is there now (a link
// itself, not its target); it stays all zero when nothing is.
int CheckUnchanged(int dir, const std::string& name, const SeenFile& seen,
                   struct stat* found = nullptr) {
  struct stat st {};
  if (fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    // Gone since, or never there: nothing of it can be lost.
    return errno == ENOENT ? 0 : errno;
  }
  if (found) *found = st;
  if (!seen.existed) return kChangedSinceRead;  // appeared since (a dangling link too)
  // The folders were read through links; so is the time stamp compared.
  if (S_ISLNK(st.st_mode) && fstatat(dir, name.c_str(), &st, 0) != 0) return kChangedSinceRead;
  // An edit within the second of the stamp, or a file put in its place.
  if (seen.facts.Known())
    return SameOn(dir, FileIdentity::Of(st), FileIdentity::Seen(seen.facts), kAsSeen)
               ? 0
               : kChangedSinceRead;
  if (StampText(st.st_mtim.tv_sec) != seen.stamp) return kChangedSinceRead;
  return 0;
}

// Where a file system cannot keep a mode or a time (FAT, FUSE drivers without
// permissions), the copy stands without it; any other error fails the copy.
bool Unsupported(int error) {
  return error == ENOSYS || error == EPERM || error == ENOTSUP || error == EOPNOTSUPP;
}

// A file the running user may not write, or one with no write bit at all
// (which root could write over anyway), is write-protected: it is neither
// replaced nor deleted.
bool WriteProtected(int dir, const char* name, const struct stat& st) {
  if (!S_ISREG(st.st_mode)) return false;
  if ((st.st_mode & 0222) == 0) return true;
  return faccessat(dir, name, W_OK, AT_EACCESS) != 0 && errno == EACCES;
}

// Gives the new file the permission bits, owner and group of the destination
// it replaces. Returns 0 or an error number.
int KeepPermissions(int out, const struct stat& replaced) {
  mode_t mode = replaced.st_mode & 07777;
  struct stat now {};
  if (fstat(out, &now) == 0 && (now.st_uid != replaced.st_uid || now.st_gid != replaced.st_gid) &&
      fchown(out, replaced.st_uid, replaced.st_gid) != 0) {
    // An ordinary user may keep the group at most; the setuid and setgid
    // bits were meant for the old owner and group only.
    fchown(out, static_cast<uid_t>(-1), replaced.st_gid);
    mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
  }
  if (CopyMetadataCalls().setMode(out, mode) != 0 && !Unsupported(errno)) return errno;
  return 0;
}

// A source's state by its name (or of the open file, for ""), read through
// links as the walk read it, from the file system rather than a cache.
int FreshStateAt(int dir, const char* name, struct stat& st) {
  struct statx now {};
  int flags = AT_STATX_FORCE_SYNC | (*name ? 0 : AT_EMPTY_PATH);
  if (statx(dir, name, flags, STATX_BASIC_STATS, &now) != 0) return errno;
  st = {};
  st.st_dev = makedev(now.stx_dev_major, now.stx_dev_minor);
  st.st_ino = now.stx_ino;
  st.st_mode = now.stx_mode;
  st.st_uid = now.stx_uid;
  st.st_gid = now.stx_gid;
  st.st_size = static_cast<off_t>(now.stx_size);
  st.st_atim = {now.stx_atime.tv_sec, now.stx_atime.tv_nsec};
  st.st_mtim = {now.stx_mtime.tv_sec, now.stx_mtime.tv_nsec};
  st.st_ctim = {now.stx_ctime.tv_sec, now.stx_ctime.tv_nsec};
  return 0;
}

// Whether the open source is still as it was when its copy began: another
// program that rewrites it meanwhile leaves a torn copy.
int SourceUnchanged(int in, const struct stat& before) {
  struct stat now {};
  if (int e = FreshStateAt(in, "", now)) return e;
  return Same(now, before, kUntouched, /*inodesLast=*/true) ? 0 : kChangedSinceRead;
}

int64_t Nanoseconds(const timespec& t) {
  return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// A copy's time is kept when it is the source's, or at most two seconds older
// (FAT keeps every other second, exFAT hundredths): never newer.
bool TimeKept(const timespec& copy, const timespec& source) {
  int64_t behind = Nanoseconds(source) - Nanoseconds(copy);
  return behind >= 0 && behind < 2000000000;
}

// Some file systems set the time anew on a rename (fusefat: to now, while the
// kernel's cache still shows the old one: it is asked for afresh). A copy that
// looks newer than its source would be copied back over a later edit of the
// source by the next age comparison: the time is set once more and checked.
// When it still does not hold (a time the file system cannot store: FAT takes
// 1973 for 2101), the copy is made to look as old as FAT allows, so the next
// comparison copies it again, never back, and the row fails.
int KeepTime(int dir, const std::string& name, const timespec times[2]) {
  const timespec& source = times[1];
  for (int attempt = 0;; ++attempt) {
    struct statx now {};
    if (statx(dir, name.c_str(), AT_SYMLINK_NOFOLLOW | AT_STATX_FORCE_SYNC, STATX_MTIME, &now) != 0)
      return errno;
    if (TimeKept({now.stx_mtime.tv_sec, now.stx_mtime.tv_nsec}, source)) return 0;
    if (attempt == 1) break;
    // Both times: fusefat does not take UTIME_OMIT.
    if (utimensat(dir, name.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) break;
  }
  timespec old[2] = {{315619200, 0}, {315619200, 0}};  // 1980-01-02
  utimensat(dir, name.c_str(), old, AT_SYMLINK_NOFOLLOW);
  return kTimeNotKept;
}

// Whether each file written on the file system of `folder` is synced before
// it is put in place. Where inodes do not last (FAT, exFAT, FUSE and network
// file systems) a stick pulled out or a connection lost leaves renamed files
// whose data never arrived.
bool SyncEachFile(int folder) {
  return !InodesLast(folder);
}

// Whether dir/name is still the file that was put in place as `was` there.
bool StillThere(int dir, const std::string& name, const struct stat& was) {
  struct stat now {};
  return was.st_mode != 0 && fstatat(dir, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
         SameOn(dir, FileIdentity::Of(now), FileIdentity::Of(was), kAsPlaced);
}

// Whether dir/name is a second name of the file `was` (a hard link to it).
bool LinkOf(int dir, const std::string& name, const struct stat& was, bool inodesLast) {
  struct stat now {};
  if (fstatat(dir, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0) return false;
  return Same(now, was, kSecondName, inodesLast);
}

}  // namespace

MetadataCalls& CopyMetadataCalls() {
  static MetadataCalls calls;
  return calls;
}

bool DurableRun::WritesTo(const SideFolder& side, int folder) {
  const auto [device, inode] = side.WriteFolderId();
  std::unique_lock lock(mutex_);
  auto found = disks_.find(device);
  if (found == disks_.end()) {
    // Looked at without the lock: a wait for a descriptor must not hold up
    // the other threads' writes.
    lock.unlock();
    Disk disk;
    disk.fd = Fd(  // syncfs wants it open
        OpenWaiting([&] { return openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
    disk.eachFile = SyncEachFile(folder);
    // The chosen folder's own file system is named by the chosen folder; one
    // mounted below it by the folder where the run first wrote to it.
    struct stat root {};
    bool onRoot = stat(side.Root().c_str(), &root) == 0 && root.st_dev == device;
    disk.folder = onRoot ? side.Root() : side.WriteFolder();
    lock.lock();
    found = disks_.try_emplace(device, std::move(disk)).first;  // the first thread's stays
  }
  const bool eachFile = found->second.eachFile;
  if (!swept_.insert({device, inode}).second) return eachFile;
  lock.unlock();
  RemoveOldTemporaryFiles(folder);
  return eachFile;
}

void DurableRun::Made(const SideFolder& side) {
  std::lock_guard lock(mutex_);
  swept_.insert(side.WriteFolderId());
}

std::vector<UnsafeFolder> DurableRun::Finish() {
  std::lock_guard lock(mutex_);
  std::vector<UnsafeFolder> unsafe;
  for (auto& [device, disk] : disks_) {
    if (!disk.fd.ok()) {
      unsafe.push_back({disk.folder, EBADF});
    } else if (syncfs(disk.fd.get()) != 0) {
      const int error = errno;  // before the folder's name is copied
      unsafe.push_back({disk.folder, error});
    }
  }
  disks_.clear();
  return unsafe;
}

int SideFolder::Parent(const std::string& rel, Reach reach, int& folder, std::string& name,
                       const SourceFolders* like, std::vector<std::string>* made) {
  std::vector<std::string> folders;
  if (!Split(rel, folders, name)) return rel.empty() ? ENOENT : EPERM;
  LastFolder& slot = reach == Reach::kRead ? read_ : write_;
  std::string_view wanted = std::string_view(rel).substr(0, rel.size() - name.size());
  if (slot.Holds(wanted)) {
    folder = slot.get();
    return 0;
  }
  slot.Forget();
  // Only a path: a far disk is not asked to open a folder that is never read.
  const int flags = O_PATH | O_DIRECTORY | O_CLOEXEC | (reach == Reach::kRead ? 0 : O_NOFOLLOW);
  Fd dir;
  if (int e = OpenRoot(dir)) return e;
  size_t end = 0;  // of the folder at `depth` in rel
  for (size_t depth = 0; depth < folders.size(); ++depth) {
    const std::string& part = folders[depth];
    end += (depth ? 1 : 0) + part.size();
    auto openNext = [&] {
      return OpenWaiting([&] { return openat(dir.get(), part.c_str(), flags); });
    };
    // A folder that is there already gives EEXIST, whatever else would fail.
    auto make = [&] {
      mode_t mode = like ? like->ModeAt(depth) : S_IRWXU;
      if (mkdirat(dir.get(), part.c_str(), mode) == 0) {
        if (made) made->push_back(rel.substr(0, end));
        return 0;
      }
      return errno == EEXIST ? 0 : errno;
    };
    const bool create = reach == Reach::kCreate;
    if (create && makeFirst_)
      if (int e = make()) return e;
    Fd next(openNext());
    if (!next.ok() && errno == ENOENT && create && !makeFirst_) {
      if (int e = make()) return e;
      next = Fd(openNext());
    }
    if (!next.ok()) return errno;
    dir = std::move(next);
  }
  if (reach != Reach::kRead) {
    struct stat st {};
    if (fstat(dir.get(), &st) != 0) return errno;
    writeId_ = {st.st_dev, st.st_ino};
  }
  slot.Keep(wanted, std::move(dir));
  folder = slot.get();
  return 0;
}

int SideFolder::OpenRoot(Fd& fd) const {
  // A folder that did not exist when the side was read is not taken for it,
  // even when one appears by that name since.
  if (!seen_.facts.Known()) return ENOENT;
  Fd root(OpenWaiting([&] { return open(root_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC); }));
  if (!root.ok()) return errno;
  if (!SameFolder(seen_, root.get())) return kNotTheFolderRead;
  fd = std::move(root);
  return 0;
}

int PrepareTarget(SideFolder& side, const std::string& rel, const SideFolder& from,
                  const std::string& fromRel, std::vector<std::string>* made) {
  int folder = -1;
  std::string name;
  SourceFolders like(from.Root(), fromRel);
  return side.Parent(rel, Reach::kCreate, folder, name, &like, made);
}

namespace {

// Puts the finished copy in place. Where nothing is replaced, a file that
// another program created under the name since the last look is not
// overwritten (file systems without RENAME_NOREPLACE get a plain rename).
int Rename(int dir, const std::string& tmp, const std::string& name, bool replaces) {
  if (replaces) return renameat(dir, tmp.c_str(), dir, name.c_str()) == 0 ? 0 : errno;
  const int e = MoveNoReplace(dir, tmp.c_str(), dir, name.c_str());
  return e == EEXIST ? kChangedSinceRead : e;
}

// File systems that have no hard links, or will not make one here (FAT,
// exFAT, many FUSE and network file systems; a file of another user under
// protected_hardlinks).
bool NoHardLink(int error) {
  return error == EPERM || error == ENOTSUP || error == EOPNOTSUPP || error == ENOSYS ||
         error == EMLINK || error == EINVAL;
}

}  // namespace

// The old version gets its second name in the trash first (a hard link), and one rename then puts
// the new version in place: the name never goes missing, and at every moment the old version is at
// its place or in the trash. An exchange of the two names (RENAME_EXCHANGE) would leave the old
// version under a temporary name for a moment, which an interruption then removes as a leftover
// copy. Without hard links the old version is renamed into the trash and the new one takes its name
// by the very next call: for that one call the name is missing, while the old version is already in
// the trash with its .trashinfo.
int ReplaceKeepingOld(int dir, const std::string& tmp, const std::string& name,
                      const TrashSlot& slot, Trash& trash, bool linked, const struct stat& old) {
  if (slot.forGood) return Rename(dir, tmp, name, true);
  const char* inTrash = slot.name.c_str();
  const int linkError = linked ? 0 : Trash::Link(dir, name, slot);
  if (linkError == 0) {
    Trash::Placing(slot);
    if (renameat(dir, tmp.c_str(), dir, name.c_str()) == 0) {
      Trash::Settle(slot);
      trash.CountMoved(slot);
      return 0;
    }
    int e = errno;
    unlinkat(slot.files, inTrash, 0);  // the old version is still in its place
    Trash::Abandon(slot);
    return e;
  }
  if (!NoHardLink(linkError)) {
    Trash::Abandon(slot);
    return linkError;
  }
  if (int e = trash.MoveNoReplaceKeepingTime(dir, name.c_str(), slot.files, inTrash, old)) {
    Trash::Abandon(slot);
    return e;
  }
  int e = Rename(dir, tmp, name, false);
  // The old version goes back; where even that fails it stays in the trash,
  // listed, restorable and counted: the account and the undo know it is there.
  if (e != 0 && trash.MoveNoReplaceKeepingTime(slot.files, inTrash, dir, name.c_str(), old) == 0) {
    Trash::Abandon(slot);
    return e;
  }
  Trash::Settle(slot);
  trash.CountMoved(slot);
  return e;
}

PreparedCopy::~PreparedCopy() {
  if (!tmp.empty() && dir.ok()) unlinkat(dir.get(), tmp.c_str(), 0);
  EndUnfinishedCopy(unfinished);
  // Only the second name, while it is the old version: that stays in its place.
  if (linkedToTrash && LinkOf(slot.files, slot.name, old, InodesLast(slot.files)))
    unlinkat(slot.files, slot.name.c_str(), 0);
  if (reserved) Trash::Abandon(slot);
}

namespace {

// Puts a new file (no destination was there) in place without ever replacing
// one that another program created since: by a rename that refuses to
// replace, else by a hard link (which never replaces; the temporary name is
// then removed off the window's thread), else by a last look and a rename.
int PutNew(PreparedCopy& copy, const SeenFile& destination, WriteHabits::Disk& disk,
           const std::function<void(PreparedCopy&)>& unlinkLater) {
  using Knows = WriteHabits::Knows;
  const int dir = copy.dir.get();
  const char* tmp = copy.tmp.c_str();
  const char* name = copy.name.c_str();
  if (disk.renameNoReplace != Knows::kNo) {
    if (renameat2(dir, tmp, dir, name, RENAME_NOREPLACE) == 0) {
      disk.renameNoReplace = Knows::kYes;
      copy.tmp.clear();
      return 0;
    }
    if (errno == EEXIST) return kChangedSinceRead;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    disk.renameNoReplace = Knows::kNo;
  }
  if (disk.linkNoReplace != Knows::kNo) {
    if (linkat(dir, tmp, dir, name, 0) == 0) {
      disk.linkNoReplace = Knows::kYes;
      unlinkLater(copy);  // the copy is in place; its second name is a leftover
      return 0;
    }
    if (errno == EEXIST) return kChangedSinceRead;
    if (!NoHardLink(errno)) return errno;
    disk.linkNoReplace = Knows::kNo;
  }
  if (int e = CheckUnchanged(dir, copy.name, destination)) return e;
  if (renameat(dir, tmp, dir, name) != 0) return errno;
  copy.tmp.clear();
  return 0;
}

// Some file systems set the time anew on a rename: looked at until one
// rename there is seen to keep it.
int TimeAfterPut(const PreparedCopy& copy, int dir, const std::string& name,
                 WriteHabits::Disk& disk) {
  if (copy.timeHeld && disk.renameKeepsTime) return 0;
  struct statx after {};
  bool kept = statx(dir, name.c_str(), AT_SYMLINK_NOFOLLOW | AT_STATX_FORCE_SYNC, STATX_MTIME,
                    &after) == 0 &&
              TimeKept({after.stx_mtime.tv_sec, after.stx_mtime.tv_nsec}, copy.times[1]);
  if (kept) {
    disk.renameKeepsTime = true;
    return 0;
  }
  return KeepTime(dir, name, copy.times);
}

}  // namespace

namespace {

// The source as it is now, opened: a regular file still, and not put back to
// an older version since it was read.
int OpenSourceNow(SideFolder& src, const std::string& srcRel, const SeenFile& source,
                  PreparedCopy& copy) {
  int srcDir = -1;
  std::string srcName;
  if (int e = src.Parent(srcRel, Reach::kRead, srcDir, srcName)) return e;
  // Opening a device has effects of its own (a watchdog reboots the machine):
  // something that is no file is not even opened.
  struct stat seen {};
  if (fstatat(srcDir, srcName.c_str(), &seen, 0) != 0) return errno;
  if (!S_ISREG(seen.st_mode)) return EINVAL;
  copy.in = Fd(OpenWaiting([&] {
    return openat(srcDir, srcName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  }));
  if (!copy.in.ok()) return errno;
  struct stat& st = copy.source;
  if (int e = FreshStateAt(copy.in.get(), "", st)) return e;
  if (!S_ISREG(st.st_mode)) return EINVAL;  // never read a FIFO or a device
  // A source put back to an older version since it was read (an old archive
  // unpacked over it) is no longer the newer file the row was marked for; one
  // saved again since is newer still, and is copied.
  if (source.facts.Known() &&
      (st.st_mtim.tv_sec < source.facts.mtimeSec ||
       (st.st_mtim.tv_sec == source.facts.mtimeSec && st.st_mtim.tv_nsec < source.facts.mtimeNsec)))
    return kChangedSinceRead;
  return 0;
}

// The destination still as the walk saw it, and one that may be replaced.
int CheckDestinationAsSeen(SideFolder& dst, const std::string& dstRel, const SeenFile& destination,
                           PreparedCopy& copy, int& dstDir) {
  if (int e = dst.Parent(dstRel, Reach::kWrite, dstDir, copy.name)) return e;
  // A file that appeared where none was seen is found when the copy is put
  // in place: that never replaces.
  if (destination.existed)
    if (int e = CheckUnchanged(dstDir, copy.name, destination, &copy.old)) return e;
  if (S_ISREG(copy.old.st_mode) && WriteProtected(dstDir, copy.name.c_str(), copy.old))
    return EACCES;
  return 0;
}

// Creates the copy under a fresh temporary name in copy.dir.
int CreateTemporary(PreparedCopy& copy, mode_t createMode, Fd& out) {
  for (int attempt = 0; attempt < 100 && !out.ok(); ++attempt) {
    std::string tmp = TemporaryName();
    // Known before it exists: a signal that comes while it is being created
    // must find it. The name is a fresh temporary name, never a user's file.
    EndUnfinishedCopy(copy.unfinished);
    copy.unfinished = BeginUnfinishedCopy(copy.dir.get(), tmp);
    out = Fd(OpenWaiting([&] {
      return openat(copy.dir.get(), tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                    createMode);
    }));
    if (out.ok()) {
      copy.tmp = tmp;
    } else if (errno != EEXIST) {
      int error = errno;
      EndUnfinishedCopy(std::exchange(copy.unfinished, -1));
      return error;
    }
  }
  if (!out.ok()) {
    EndUnfinishedCopy(std::exchange(copy.unfinished, -1));
    return EEXIST;
  }
  return 0;
}

// Writes the source's bytes, attributes and time into `out`, and the bits,
// owner and ACL of the destination it replaces; on the disk where each file
// is synced.
int WriteCopy(PreparedCopy& copy, Fd& out, int dstDir, bool replaces, bool syncEach) {
  const struct stat& st = copy.source;
  copy.times[0] = st.st_atim;
  copy.times[1] = st.st_mtim;
  int e = CopyBytes(copy.in.get(), out.get(), st.st_size);
  if (!e) e = SourceUnchanged(copy.in.get(), st);
  if (!e) e = CopyUserAttributes(copy.in.get(), out.get());
  if (!e && replaces) e = KeepPermissions(out.get(), copy.old);
  if (!e && replaces) e = KeepAccessAcl(out.get(), dstDir, copy.name);
  // A copy that cannot take its source's time would look newer than the
  // source, and the next age comparison would copy it back over a later edit:
  // it fails before it replaces anything.
  if (!e && CopyMetadataCalls().setTimes(out.get(), copy.times) != 0)
    e = Unsupported(errno) ? kTimeNotKept : errno;
  if (!e && syncEach && fsync(out.get()) != 0) e = errno;
  // A rename over a file makes ext4 and btrfs write the new file's data
  // first, on the calling thread: the window's, at the copy's turn. Begun
  // here, on the thread that wrote it, the rename finds it under way. Only
  // a start, so only the disk's own failures fail the copy (before anything
  // is replaced); a call refused (a sandbox's EPERM) changes nothing, and
  // the run's syncfs is what makes the copy durable either way.
  if (!e && replaces && !syncEach && sync_file_range(out.get(), 0, 0, SYNC_FILE_RANGE_WRITE) != 0 &&
      (errno == EIO || errno == ENOSPC || errno == EDQUOT))
    e = errno;
  if (!e) {
    // Whether the file system kept the time it was given; what a rename
    // does to it is found out where the copy is put in place.
    // The reply to setting them carried what it stored: no need to ask again.
    copy.timeHeld =
        fstat(out.get(), &copy.placedAs) == 0 && TimeKept(copy.placedAs.st_mtim, copy.times[1]);
  }
  if (int closed = out.Close(); !e) e = closed;
  return e;
}

}  // namespace

int PrepareCopy(SideFolder& src, const std::string& srcRel, const SeenFile& source, SideFolder& dst,
                const std::string& dstRel, const SeenFile& destination, DurableRun& run,
                PreparedCopy& copy) {
  if (int e = OpenSourceNow(src, srcRel, source, copy)) return e;
  int dstDir = -1;
  if (int e = CheckDestinationAsSeen(dst, dstRel, destination, copy, dstDir)) return e;
  const bool replaces = S_ISREG(copy.old.st_mode);
  const bool syncEach = run.WritesTo(dst, dstDir);
  // Its own descriptor: the side's folder moves on to the next copies' folders.
  copy.dir = Fd(OpenWaiting([&] { return fcntl(dstDir, F_DUPFD_CLOEXEC, 0); }));
  if (!copy.dir.ok()) return errno;
  copy.dirId = dst.WriteFolderId();
  // A new file is created with the source's bits, which the kernel limits by
  // the umask (or the folder's default ACL); never setuid, setgid or sticky.
  // One that replaces a destination stays private until it takes that one's.
  const mode_t createMode = replaces ? 0600 : copy.source.st_mode & 0777;
  Fd out;
  if (int e = CreateTemporary(copy, createMode, out)) return e;
  return WriteCopy(copy, out, dstDir, replaces, syncEach);
}

int ReserveAhead(PreparedCopy& copy, const std::string& where, Trash& trash) {
  if (!S_ISREG(copy.old.st_mode)) return 0;
  int e = trash.Reserve(copy.dir.get(), copy.name, where, copy.slot, false, &copy.linkedToTrash,
                        &copy.old);
  copy.reserved = e == 0;
  if (e == kTrashNotAsked) return 0;  // the window's thread asks at the copy's turn
  // The link changed its ctime: what the copy's turn compares with. Any
  // other change since the copy looked (its bits made private) stays seen.
  struct stat now {};
  if (copy.linkedToTrash &&
      fstatat(copy.dir.get(), copy.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0) {
    struct stat was = copy.old;
    was.st_ctim = now.st_ctim;
    if (Same(now, was, kAsRelied, /*inodesLast=*/true)) copy.old = now;
  }
  return e;
}

// Runs `look` on a thread of its own, or when there is none to be had where
// its result is asked for.
template <class Look>
std::future<std::invoke_result_t<Look>> Beside(Look look) {
  try {
    return std::async(std::launch::async, std::move(look));
  } catch (const std::system_error&) {
    return std::async(std::launch::deferred, std::move(look));
  }
}

namespace {

bool InodesLastOn(WriteHabits::Disk& disk, int dir) {
  if (disk.inodesLast == WriteHabits::Knows::kNotYet)
    disk.inodesLast = InodesLast(dir) ? WriteHabits::Knows::kYes : WriteHabits::Knows::kNo;
  return disk.inodesLast == WriteHabits::Knows::kYes;
}

// What a look at the destination saw: the reason it is not as seen, and what is there.
struct DestinationSeen {
  int error = 0;
  struct stat there {};
};

// Where each look may wait for the wire (inodes do not last on network
// and FUSE file systems, nor on FAT, where two threads more cost little
// beside a sync of every file), the looks at the version to be replaced and
// at its second name in the trash go out beside the looks at the source and
// at the folder: one round trip where there were two. What they see
// counts only once the folder has proved to be the copy's.
struct LooksAhead {
  std::future<DestinationSeen> destination;
  std::future<bool> link;
};

LooksAhead StartLooksAhead(PreparedCopy& copy, const SeenFile& destination) {
  LooksAhead looks;
  looks.destination = Beside([&copy, &destination] {
    DestinationSeen seen;
    seen.error = CheckUnchanged(copy.dir.get(), copy.name, destination, &seen.there);
    return seen;
  });
  if (copy.linkedToTrash)
    looks.link =
        Beside([&copy] { return LinkOf(copy.slot.files, copy.slot.name, copy.old, false); });
  return looks;
}

// Whether the source is still as the copy read it (another version saved
// since is copied anew), and the destination's folder as this thread reaches
// it, which checks that the chosen folder is still the one read, the one the
// copy is in.
bool StillAsPrepared(const PreparedCopy& copy, SideFolder& src, const std::string& srcRel,
                     SideFolder& dst, const std::string& dstRel, int& dstDir,
                     std::string& dstName) {
  int srcDir = -1;
  std::string srcName;
  struct stat now {};
  if (src.Parent(srcRel, Reach::kRead, srcDir, srcName) != 0 ||
      FreshStateAt(srcDir, srcName.c_str(), now) != 0 ||
      !Same(now, copy.source, kAsRelied, /*inodesLast=*/true))
    return false;
  return dst.Parent(dstRel, Reach::kWrite, dstDir, dstName) == 0 &&
         dst.WriteFolderId() == copy.dirId;
}

// The version to be replaced, as the walk saw it and as the copy saw it (its
// bits, owner, ACL).
int CheckOldAsSeen(const PreparedCopy& copy, int dstDir, const std::string& dstName,
                   const SeenFile& destination, LooksAhead& looks, bool inodesLast) {
  DestinationSeen seen;
  const bool early = looks.destination.valid() && dstName == copy.name;
  if (early) seen = looks.destination.get();
  // Looked at anew through the folder as reached when the early look could
  // not tell (a handle the server no longer knows: ESTALE).
  if (!early || (seen.error != 0 && seen.error != kChangedSinceRead)) {
    seen = DestinationSeen{};
    seen.error = CheckUnchanged(dstDir, dstName, destination, &seen.there);
  }
  if (seen.error) return seen.error;
  return Same(seen.there, copy.old, kAsRelied, inodesLast) ? 0 : kPreparedCopyStale;
}

// The old version's name in the trash may be gone since (the trash emptied):
// then a place anew, and the old version's name there then. Something else
// under the slot's names is left alone.
void ForgetGoneTrashName(PreparedCopy& copy, LooksAhead& looks, bool inodesLast) {
  if (!copy.linkedToTrash ||
      (looks.link.valid() ? looks.link.get()
                          : LinkOf(copy.slot.files, copy.slot.name, copy.old, inodesLast)))
    return;
  copy.linkedToTrash = false;
  struct stat gone {};
  if (fstatat(copy.slot.files, copy.slot.name.c_str(), &gone, AT_SYMLINK_NOFOLLOW) != 0)
    Trash::Abandon(copy.slot);
  else
    Trash::Settle(copy.slot);
  copy.reserved = false;
}

// Replaces the destination, still as seen, by the copy; its old version goes
// to the trash (or, where the user said so, for good).
int ReplaceAsSeen(PreparedCopy& copy, SideFolder& dst, int dstDir, const std::string& dstName,
                  const SeenFile& destination, Trash& trash, LooksAhead& looks, bool inodesLast) {
  if (int e = CheckOldAsSeen(copy, dstDir, dstName, destination, looks, inodesLast)) return e;
  ForgetGoneTrashName(copy, looks, inodesLast);
  if (!copy.reserved) {
    // The old version's place in the trash: that may ask the user whether
    // to replace for good, so the destination is looked at once more after.
    if (int r = trash.Reserve(dstDir, dstName, dst.WriteFolder(), copy.slot)) return r;
    copy.reserved = true;
    if (int c = CheckUnchanged(dstDir, dstName, destination)) return c;
  }
  copy.reserved = false;  // from here on the replacement looks after the slot
  const bool linked = std::exchange(copy.linkedToTrash, false);
  if (int e = ReplaceKeepingOld(dstDir, copy.tmp, dstName, copy.slot, trash, linked, copy.old))
    return e;
  copy.tmp.clear();
  return 0;
}

}  // namespace

int CommitCopy(PreparedCopy& copy, SideFolder& src, const std::string& srcRel, SideFolder& dst,
               const std::string& dstRel, const SeenFile& destination, Trash& trash,
               WriteHabits& habits, const std::function<void(PreparedCopy&)>& unlinkLater) {
  WriteHabits::Disk& disk = habits.disks[copy.dirId.first];
  const bool inodesLast = InodesLastOn(disk, copy.dir.get());
  const bool replaces = !copy.placed && S_ISREG(copy.old.st_mode);
  LooksAhead looks;
  if (replaces && !inodesLast) looks = StartLooksAhead(copy, destination);
  int dstDir = -1;
  std::string dstName;
  if (!StillAsPrepared(copy, src, srcRel, dst, dstRel, dstDir, dstName)) return kPreparedCopyStale;
  // Put in place ahead, its time seen to then. Another program that wrote
  // to it, put its own file there or removed it since makes the row fail;
  // looked at where that costs no round trip (on a network or FUSE file
  // system one per row would double a first copy, and see the cache only).
  if (copy.placed) {
    // Unlooked at, it stands as it was put there (placedAs stays empty
    // where that could not be seen).
    if (!inodesLast) {
      copy.placedUnlooked = true;
      return 0;
    }
    if (StillThere(copy.dir.get(), copy.name, copy.placedAs)) return 0;
    copy.inPlace = false;  // what stands there now is another program's
    return kChangedSinceRead;
  }
  if (!replaces) {
    // Nothing to replace (a link there is not replaced either).
    if (int e = PutNew(copy, destination, disk, unlinkLater)) return e;
  } else if (int e =
                 ReplaceAsSeen(copy, dst, dstDir, dstName, destination, trash, looks, inodesLast)) {
    return e;
  }
  copy.inPlace = true;
  return TimeAfterPut(copy, dstDir, dstName, disk);
}

int PlaceNew(PreparedCopy& copy, const SeenFile& destination, WriteHabits::Disk& disk) {
  // Its second name goes at once: this is not the window's thread.
  auto unlinkNow = [](PreparedCopy& c) {
    unlinkat(c.dir.get(), c.tmp.c_str(), 0);  // a leftover is swept by a later run
    c.tmp.clear();
  };
  if (int e = PutNew(copy, destination, disk, unlinkNow)) return e;
  copy.placed = copy.inPlace = true;
  // As the temporary file was, unless its time had to be looked after.
  const bool looked = !copy.timeHeld || !disk.renameKeepsTime;
  int e = TimeAfterPut(copy, copy.dir.get(), copy.name, disk);
  if (looked &&
      fstatat(copy.dir.get(), copy.name.c_str(), &copy.placedAs, AT_SYMLINK_NOFOLLOW) != 0)
    copy.placedAs = {};  // not taken back, then
  return e;
}

void WithdrawPlaced(PreparedCopy& copy) {
  if (!std::exchange(copy.placed, false)) return;
  copy.inPlace = false;
  // A copy that could not be looked at once placed stays: it is a complete
  // copy of its source, with the source's time.
  if (StillThere(copy.dir.get(), copy.name, copy.placedAs))
    unlinkat(copy.dir.get(), copy.name.c_str(), 0);
}

int DeleteBeneath(SideFolder& side, const std::string& rel, const SeenFile& target, DurableRun& run,
                  Trash& trash) {
  int dir = -1;
  std::string name;
  if (int e = side.Parent(rel, Reach::kWrite, dir, name)) return e;
  struct stat st {};
  if (fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
    return errno == ENOENT ? 0 : errno;    // gone already: what the user asked for
  if (S_ISDIR(st.st_mode)) return EISDIR;  // folders are never deleted
  if (int e = CheckUnchanged(dir, name, target)) return e;
  if (WriteProtected(dir, name.c_str(), st)) return EACCES;
  run.WritesTo(side, dir);
  // The place in the trash (or the user's Yes to deleting for good) first,
  // and the last look at the file after it.
  TrashSlot slot;
  if (int e = trash.Reserve(dir, name, side.WriteFolder(), slot)) return e;
  if (int e = CheckUnchanged(dir, name, target)) {
    Trash::Abandon(slot);
    return e;
  }
  return trash.Move(dir, name, slot, st);
}

}  // namespace zweiblick

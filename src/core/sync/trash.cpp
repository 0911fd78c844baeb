// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/trash.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "files/file_facts.h"
#include "files/file_identity.h"
#include "platform/descriptors.h"
#include "platform/far_away.h"
#include "sync/home_trash_path.h"
#include "sync/run_identity.h"
#include "sync/trash_leftovers.h"

namespace zweiblick {
namespace {

constexpr const auto& kInfoSuffix = kTrashInfoSuffix;
constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW;

// What a signal handler may read of a reservation not yet used: a place is
// taken, its names written, then its info folder published; the info folder
// is taken back before the place is freed.
struct Pending {
  std::atomic<bool> taken{false};
  std::atomic<int> info{-1};
  int files = -1;
  std::atomic<int> folder{-1};  // where the file stands, once it is linked into the trash
  bool inodesLast = true;       // on the trash's file system
  char name[NAME_MAX + 1];
  char infoName[NAME_MAX + 1];
  char original[NAME_MAX + 1];
};
constexpr int kPendingPlaces = 1024;
Pending pending[kPendingPlaces];

void Copy(char (&to)[NAME_MAX + 1], const std::string& from) {
  size_t n = std::min(from.size(), sizeof to - 1);
  std::memcpy(to, from.data(), n);
  to[n] = '\0';
}

// -1 when every place is taken: that reservation is not taken back then.
int Register(int info, int files, const std::string& name, int folder, const std::string& original,
             bool inodesLast) {
  if (name.size() + (sizeof kInfoSuffix - 1) > NAME_MAX || original.size() > NAME_MAX) return -1;
  for (int i = 0; i < kPendingPlaces; ++i) {
    Pending& p = pending[i];
    if (p.taken.exchange(true)) continue;
    p.files = files;
    p.folder.store(folder);
    p.inodesLast = inodesLast;
    Copy(p.name, name);
    Copy(p.infoName, name + kInfoSuffix);
    Copy(p.original, original);
    p.info.store(info);
    return i;
  }
  return -1;
}

// The mount an open folder belongs to; 0 when the kernel cannot tell. The
// plain id, the one /proc/self/mountinfo shows.
uint64_t MountId(int fd, const char* name = "") {
  struct statx st {};
  int flags = *name ? AT_SYMLINK_NOFOLLOW : AT_EMPTY_PATH;
  if (statx(fd, name, flags, STATX_MNT_ID, &st) != 0 || !(st.stx_mask & STATX_MNT_ID)) return 0;
  return st.stx_mnt_id;
}

// Opens the folder `name` in `parent`, never through a link, making it
// (private) when it is missing.
int OpenOrMake(int parent, const char* name, Fd& out) {
  out = Fd(OpenWaiting([&] { return openat(parent, name, kDirFlags); }));
  if (!out.ok() && errno == ENOENT) {
    if (mkdirat(parent, name, 0700) != 0 && errno != EEXIST) return errno;
    out = Fd(OpenWaiting([&] { return openat(parent, name, kDirFlags); }));
  }
  return out.ok() ? 0 : errno;
}

// Whether the file system of `fd` stores a folder's permission bits: asked
// by setting the bits it shows (a no-op where it does), which FAT and exFAT
// drivers refuse or forget. A folder of a mount without permissions shows
// the mount's bits, which no chmod changes.
bool KeepsModes(int fd, const struct stat& st) {
  const mode_t wanted = (st.st_mode & 07777) ^ S_IXOTH;
  if (fchmod(fd, wanted) != 0) return false;
  struct stat now {};
  const bool kept = fstat(fd, &now) == 0 && (now.st_mode & 07777) == wanted;
  if (kept && fchmod(fd, st.st_mode & 07777) != 0) return true;  // stays changed: still refused
  return kept;
}

// Whether an open folder of a trash is this user's alone: another user who
// owns or may look into files/ or info/ would read and remove what the run
// puts there, old versions of private files among them. One of ours that
// others may enter is refused too, unless its file system keeps no modes of
// its own (FAT, exFAT: the mount gives every entry the same, 0777 often):
// there the trash is no more open than the files it takes.
int Private(int fd) {
  struct stat st {};
  if (fstat(fd, &st) != 0) return errno;
  if (st.st_uid != geteuid()) return EPERM;
  if ((st.st_mode & 077) == 0) return 0;
  return KeepsModes(fd, st) ? EPERM : 0;
}

// files/ and info/ of the trash folder `trash`.
int OpenParts(int trash, Fd& files, Fd& info) {
  if (int e = OpenOrMake(trash, "files", files)) return e;
  if (int e = OpenOrMake(trash, "info", info)) return e;
  if (int e = Private(files.get())) return e;
  return Private(info.get());
}

// A trash folder of this user below a top folder: a link, a folder of another
// user (planted on a shared stick) or no folder is not taken.
int OpenOwn(int parent, const char* name, Fd& trash, Fd& files, Fd& info) {
  if (int e = OpenOrMake(parent, name, trash)) return e;
  struct stat st {};
  if (fstat(trash.get(), &st) != 0) return errno;
  if (st.st_uid != geteuid()) return EPERM;
  return OpenParts(trash.get(), files, info);
}

// The top folder of the file system of `folder`: up from it, one ".." at a
// time (never a link), while the mount stays the same (the device, where the
// kernel does not tell mounts apart). The folders on the way are only passed,
// not opened for reading: an ordinary user may pass a folder of mode 0711.
// `top` is such a path-only descriptor, good for *at() calls below it.
int TopFolder(int folder, Fd& top) {
  uint64_t mount = MountId(folder);
  Fd cur(OpenWaiting([&] { return openat(folder, ".", O_PATH | O_DIRECTORY | O_CLOEXEC); }));
  if (!cur.ok()) return errno;
  for (;;) {
    struct stat here {
    }, up{};
    if (fstat(cur.get(), &here) != 0) return errno;
    Fd parent(
        OpenWaiting([&] { return openat(cur.get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC); }));
    if (!parent.ok()) return errno;
    if (fstat(parent.get(), &up) != 0) return errno;
    bool same = up.st_dev == here.st_dev && (mount == 0 || MountId(parent.get()) == mount);
    if ((up.st_dev == here.st_dev && up.st_ino == here.st_ino) || !same) break;
    cur = std::move(parent);
  }
  top = std::move(cur);
  return 0;
}

// The nearest folder of `path` that exists, opened (through links: the
// user's own choice of where the home trash lives).
Fd NearestExisting(std::string path) {
  for (;;) {
    Fd fd(OpenWaiting([&] { return open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
    if (fd.ok() || errno != ENOENT) return fd;
    size_t slash = path.rfind('/');
    if (slash == std::string::npos || path.empty()) return Fd();
    path = slash == 0 ? "/" : path.substr(0, slash);
  }
}

// A name for the trash: the file's own, then "name.2.ext", "name.3.ext", ...,
// shortened where the .trashinfo's name would be too long for the disk.
std::string Candidate(const std::string& name, int n) {
  size_t dot = name.rfind('.');
  if (dot == 0 || dot == std::string::npos) dot = name.size();
  std::string stem = name.substr(0, dot), ext = name.substr(dot);
  std::string number = n == 1 ? "" : "." + std::to_string(n);
  size_t room = NAME_MAX - (sizeof kInfoSuffix - 1) - number.size();
  if (ext.size() > room / 2) ext.clear();
  if (stem.size() + ext.size() > room) {
    stem.resize(room - ext.size());
    // Never cut a character of UTF-8 in two.
    while (!stem.empty() && (static_cast<unsigned char>(stem.back()) & 0xC0) == 0x80)
      stem.pop_back();
    if (!stem.empty() && static_cast<unsigned char>(stem.back()) >= 0xC0) stem.pop_back();
  }
  return stem + number + ext;
}

// The numbers a name in the trash may take, and those tried one by one
// before the ones after them are searched for.
constexpr int kMaxNumber = 100000, kTriedInTurn = 4;

// The number after the last taken one of `name`'s in info/, where they run
// from 1 up and `taken` is: the trash of a pair synchronised every week holds
// its names many times over, and each look is a search of the folder (on a
// stick, of all of it). Doubling, then halving, takes about 2·log2(n) looks
// instead of n. A gap may be passed over; the tries from there on still look.
int AfterTaken(int info, const std::string& name, int taken) {
  auto isTaken = [&](int n) {
    struct stat st {};
    return fstatat(info, (Candidate(name, n) + kInfoSuffix).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
  };
  int lo = taken, hi = 2 * taken;  // lo is taken, hi not known to be
  while (hi < kMaxNumber && isTaken(hi)) {
    lo = hi;
    hi = std::min(2 * hi, kMaxNumber);
  }
  while (hi - lo > 1) {
    const int mid = lo + (hi - lo) / 2;
    (isTaken(mid) ? lo : hi) = mid;
  }
  return hi;
}

bool Unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

// Whether files/candidate, just linked, is the file the caller examined:
// another run may have put its copy in that place since. Where inode numbers
// do not last, a second name has a number of its own (sshfs numbers names,
// not files): its kind and content stamp tell then.
bool SameAsExamined(int files, const std::string& candidate, const struct stat& examined,
                    bool inodesLast) {
  struct stat linked {};
  if (fstatat(files, candidate.c_str(), &linked, AT_SYMLINK_NOFOLLOW) != 0) return false;
  return inodesLast ? Same(linked, examined, kExact, true)
                    : Same(linked, examined, kSecondName, false);
}

// 0 when files/candidate is taken (by anything, a link too), ENOENT when it
// is free, else why it cannot be looked at.
int Free(int files, const std::string& candidate) {
  struct stat taken {};
  return fstatat(files, candidate.c_str(), &taken, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}

// Where a file manager restores folder/name to: the absolute path, or below a
// trash's top folder the path from there, so a stick mounted elsewhere next
// time still restores into itself.
std::string RestorePath(int folder, const std::string& name, const std::string& where,
                        const std::string& top) {
  std::string folderPath = KernelPath(folder);
  if (folderPath.empty()) folderPath = where;
  while (folderPath.size() > 1 && folderPath.back() == '/') folderPath.pop_back();
  std::string path = (folderPath == "/" ? "" : folderPath) + "/" + name;
  if (!top.empty()) {
    std::string prefix = top == "/" ? "/" : top + "/";
    if (path.compare(0, prefix.size(), prefix) == 0) path = path.substr(prefix.size());
  }
  return path;
}

// Writes the .trashinfo on the disk before the file moves: a trashed file
// without its .trashinfo is listed by no trash tool and is as good as lost.
// What could not be written is removed again.
int WriteInfo(Fd& out, int info, const std::string& infoName, const std::string& text) {
  int e = WriteAll(out.get(), text);
  if (!e && fsync(out.get()) != 0) e = errno;
  if (int closed = out.Close(); !e) e = closed;
  if (!e && fsync(info) != 0 && errno != EINVAL) e = errno;
  if (e) unlinkat(info, infoName.c_str(), 0);
  return e;
}

// Whether files/candidate is free for the file to be moved there, looked at
// once its .trashinfo reserves the name: a file without its .trashinfo
// (another program's leftover) is not overwritten, the .trashinfo goes again
// and `taken` tells; a files/ that cannot be looked into ends the search.
int FreeForMove(int files, int info, const std::string& candidate, const std::string& infoName,
                bool& taken) {
  int look = Free(files, candidate);
  if (look == ENOENT) return 0;
  unlinkat(info, infoName.c_str(), 0);
  taken = look == 0;
  return taken ? 0 : look;
}

// The place `name` in the trash's files/ and info/, registered so that an
// interruption takes it back (with folder/original's second name there, for
// a folder >= 0).
TrashSlot SlotAt(int files, int info, const std::string& name, int folder,
                 const std::string& original, bool inodesLast) {
  TrashSlot made;
  made.files = files;
  made.info = info;
  made.name = name;
  made.pending = Register(info, files, name, folder, original, inodesLast);
  return made;
}

// The home trash at `home`, made where it is missing.
int OpenHomeTrash(const std::string& home, Fd& trash, Fd& files, Fd& info) {
  if (int e = MakeFolders(home)) return e;
  trash = Fd(OpenWaiting([&] { return open(home.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
  if (!trash.ok()) return errno;
  return OpenParts(trash.get(), files, info);
}

// The trash below the top folder of the file system of `folder`, and that
// top folder with its path.
int OpenTopTrash(int folder, Fd& top, std::string& topPath, Fd& trash, Fd& files, Fd& info) {
  if (int e = TopFolder(folder, top)) return e;
  const std::string uid = std::to_string(geteuid());
  // $topdir/.Trash, made by an administrator for all users: only a real
  // folder with the sticky bit, so no user can take another one's.
  struct stat shared {};
  Fd dotTrash;
  if (fstatat(top.get(), ".Trash", &shared, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(shared.st_mode) &&
      (shared.st_mode & S_ISVTX))
    dotTrash = Fd(OpenWaiting([&] { return openat(top.get(), ".Trash", kDirFlags); }));
  int e = dotTrash.ok() ? OpenOwn(dotTrash.get(), uid.c_str(), trash, files, info) : ENOENT;
  if (e) e = OpenOwn(top.get(), (".Trash-" + uid).c_str(), trash, files, info);
  topPath = KernelPath(top.get());
  return e;
}

// Gives folder/name its second name at the place `made`, which the
// .trashinfo reserves. `taken`: another file holds that place (the search goes
// on, the reservation is taken back). A second name that is not the file the
// caller examined is removed again: that file changed since.
int LinkIntoPlace(int folder, const std::string& name, TrashSlot& made, bool& linked,
                  const struct stat* examined, bool inodesLast, bool& taken) {
  const char* candidate = made.name.c_str();
  if (linkat(folder, name.c_str(), made.files, candidate, 0) == 0) {
    linked = true;
  } else {
    int look = errno == EEXIST ? 0 : Free(made.files, made.name);
    if (look != ENOENT) {
      Trash::Abandon(made);  // taken, as above; no hard link here: looked at
      taken = look == 0;
      return look;
    }
  }
  if (linked && examined && !SameAsExamined(made.files, made.name, *examined, inodesLast)) {
    unlinkat(made.files, candidate, 0);  // only the name just made
    linked = false;
    Trash::Abandon(made);
    return kChangedSinceRead;
  }
  return 0;
}

}  // namespace

std::string EscapedTrashPath(const std::string& path) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if (Unreserved(c) || c == '/') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::string TrashInfoText(const std::string& path, time_t when, const std::string& run) {
  struct tm local {};
  char date[32] = "";
  if (localtime_r(&when, &local)) strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
  return "[Trash Info]\nPath=" + EscapedTrashPath(path) + "\nDeletionDate=" + date + "\n" +
         kTrashRunKey + run + "\n";
}

int MoveNoReplace(int fromDir, const char* from, int toDir, const char* to) {
  if (renameat2(fromDir, from, toDir, to, RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  return renameat(fromDir, from, toDir, to) == 0 ? 0 : errno;
}

int Trash::MoveKeepingTime(int fromDir, const char* from, int toDir, const char* to,
                           const struct stat& was, const std::function<int()>& move) {
  bool look = false;
  {
    std::lock_guard lock(mutex_);
    look = !keepTime_.count(was.st_dev);
  }
  if (int e = move()) return e;
  if (!look) return 0;
  // What the disk holds, not what the kernel's cache remembers.
  struct statx now {};
  if (statx(toDir, to, AT_SYMLINK_NOFOLLOW | AT_STATX_FORCE_SYNC, STATX_MTIME, &now) != 0)
    return 0;  // moved; a time it cannot be asked for cannot be mended either
  if (now.stx_mtime.tv_sec == was.st_mtim.tv_sec && now.stx_mtime.tv_nsec == was.st_mtim.tv_nsec) {
    std::lock_guard lock(mutex_);
    keepTime_.insert(was.st_dev);
    return 0;
  }
  // The move is done either way: a time that cannot be set again is the
  // file system's own, and what the journal then sees of the file. Both
  // times: fusefat takes a lone modification time after a rename as "now".
  const timespec times[2] = {was.st_atim, was.st_mtim};
  (void)utimensat(toDir, to, times, AT_SYMLINK_NOFOLLOW);
  return 0;
}

int Trash::MoveNoReplaceKeepingTime(int fromDir, const char* from, int toDir, const char* to,
                                    const struct stat& was) {
  return MoveKeepingTime(fromDir, from, toDir, to, was,
                         [&] { return MoveNoReplace(fromDir, from, toDir, to); });
}

Trash::Trash(bool enabled, AskForGood ask)
    : enabled_(enabled), ask_(std::move(ask)), run_(ThisRun()) {
  static std::atomic<int> made{0};
  instance_ = ++made;
}

Trash::Can& Trash::For(int folder, const struct stat& st) {
  const uint64_t mount = MountId(folder);
  auto found = cans_.find({st.st_dev, mount});
  if (found != cans_.end()) return found->second;
  Can& can = cans_[{st.st_dev, mount}];
  if (!enabled_) {
    can.forGood = true;
    return can;
  }
  // The home trash serves the files of its own mount; a rename cannot leave a mount.
  std::string home = HomeTrashPath();
  Fd nearest = home.empty() ? Fd() : NearestExisting(home);
  struct stat homeSt {};
  if (nearest.ok() && fstat(nearest.get(), &homeSt) == 0 && homeSt.st_dev == st.st_dev &&
      MountId(nearest.get()) == mount)
    can.error = OpenHomeTrash(home, can.folder, can.files, can.info);
  else
    can.error = OpenTopTrash(folder, can.top, can.topPath, can.folder, can.files, can.info);
  // The trash must lie on the file's own mount: nothing is copied to trash it.
  struct stat in {};
  if (!can.error && (fstat(can.files.get(), &in) != 0 || in.st_dev != st.st_dev ||
                     MountId(can.files.get()) != mount))
    can.error = EXDEV;
  if (can.error) {
    can.folder = Fd();
    can.files = Fd();
    can.info = Fd();
  } else {
    can.inodesLast = InodesLast(can.files.get());
    SweepGoneRuns(can.folder.get(), can.files.get(), can.info.get(), can.top.get(), run_);
  }
  return can;
}

void Trash::Open(int folder) {
  struct stat st {};
  if (fstat(folder, &st) != 0) return;
  std::lock_guard lock(mutex_);
  For(folder, st);
}

// The trash of folder's file system, asked about where it has none and may
// ask.
int Trash::Place(int folder, const std::string& where, bool mayAsk, Spot& at) {
  struct stat st {};
  if (fstat(folder, &st) != 0) return errno;
  std::unique_lock lock(mutex_);
  Can& can = For(folder, st);  // stays where it is in the map while others are added
  if (can.error && !can.forGood && !can.asked) {
    if (!mayAsk) return kTrashNotAsked;
    can.asked = true;
    // Not held while the box is open: copies written ahead go on meanwhile.
    lock.unlock();
    bool yes = ask_ && ask_(where);
    lock.lock();
    can.forGood = yes;
  }
  at.forGood = can.forGood;
  if (can.forGood) return 0;
  if (can.error) return kNoTrash;
  if (!can.recordTried) {
    can.recordTried = true;
    can.record = WriteRunRecord(can.folder.get(), run_, instance_);
  }
  at.files = can.files.get();
  at.info = can.info.get();
  at.top = can.topPath;
  at.inodesLast = can.inodesLast;
  return 0;
}

int Trash::Reserve(int folder, const std::string& name, const std::string& where, TrashSlot& slot,
                   bool mayAsk, bool* linked, const struct stat* examined) {
  slot = TrashSlot{};
  if (linked) *linked = false;
  Spot at;
  if (int e = Place(folder, where, mayAsk, at)) return e;
  const int files = at.files, info = at.info;
  if (at.forGood) {
    slot.forGood = true;
    return 0;
  }
  std::string text = TrashInfoText(RestorePath(folder, name, where, at.top), time(nullptr), run_);
  for (int n = 1; n < kMaxNumber; ++n) {
    std::string candidate = Candidate(name, n);
    std::string infoName = candidate + kInfoSuffix;
    Fd out(OpenWaiting([&] {
      return openat(info, infoName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                    0600);
    }));
    if (!out.ok()) {
      if (errno != EEXIST) return errno;
      if (n == kTriedInTurn) {
        // At the bound every look found a name taken: on in turn, then.
        const int after = AfterTaken(info, name, n);
        if (after < kMaxNumber) n = after - 1;
      }
      continue;
    }
    // Asked for, the hard link comes after the .trashinfo and looks at the
    // name in the same call: on a far disk each call in the trash's folder
    // waits for the one before.
    bool taken = false;
    if (!linked)
      if (int e = FreeForMove(files, info, candidate, infoName, taken); e || taken) {
        if (taken) continue;
        return e;
      }
    if (int e = WriteInfo(out, info, infoName, text)) return e;
    // From here an interruption takes the place back, with the link about to be made.
    TrashSlot made = SlotAt(files, info, candidate, linked ? folder : -1, name, at.inodesLast);
    if (linked)
      if (int e = LinkIntoPlace(folder, name, made, *linked, examined, at.inodesLast, taken);
          e || taken) {
        if (taken) continue;
        return e;
      }
    slot = made;
    return 0;
  }
  return EEXIST;
}

void Trash::Placing(const TrashSlot& slot) {
  if (slot.pending >= 0 && slot.pending < kPendingPlaces) pending[slot.pending].folder.store(-1);
}

void Trash::Settle(const TrashSlot& slot) {
  if (slot.pending < 0 || slot.pending >= kPendingPlaces) return;
  pending[slot.pending].info.store(-1);
  pending[slot.pending].taken.store(false);
}

void Trash::Abandon(const TrashSlot& slot) {
  if (slot.forGood || slot.info < 0) return;
  Settle(slot);
  unlinkat(slot.info, (slot.name + kInfoSuffix).c_str(), 0);
}

void TakeBackUnusedReservations() {
  for (Pending& p : pending) {
    int info = p.info.exchange(-1);
    if (info < 0) continue;
    struct stat inTrash {
    }, inPlace{};
    if (fstatat(p.files, p.name, &inTrash, AT_SYMLINK_NOFOLLOW) == 0) {
      // There: moved into the trash, unless it is a second name of the file
      // that still stands in its place (no rename over that place has begun).
      const int folder = p.folder.load();
      if (folder < 0 || fstatat(folder, p.original, &inPlace, AT_SYMLINK_NOFOLLOW) != 0 ||
          inPlace.st_dev != inTrash.st_dev || !Same(inPlace, inTrash, kSecondName, p.inodesLast) ||
          unlinkat(p.files, p.name, 0) != 0)
        continue;
    } else if (errno != ENOENT) {
      continue;  // cannot tell: the .trashinfo stays, the file may be there
    }
    unlinkat(info, p.infoName, 0);
  }
}

int Trash::Link(int folder, const std::string& name, const TrashSlot& slot) {
  // Marked before the link is made: a link an interruption finds beside the
  // file still in its place is taken back with the .trashinfo.
  if (slot.pending >= 0 && slot.pending < kPendingPlaces && name == pending[slot.pending].original)
    pending[slot.pending].folder.store(folder);
  return linkat(folder, name.c_str(), slot.files, slot.name.c_str(), 0) == 0 ? 0 : errno;
}

Trash::~Trash() {
  for (auto& [mount, can] : cans_) {
    if (can.record.empty()) continue;
    // A place still reserved (a slot nobody settled) is left to the sweep of
    // the next run; a record that cannot be removed costs that run a read of
    // the .trashinfo files, nothing else.
    bool reserved = false;
    for (Pending& p : pending) reserved = reserved || p.info.load() == can.info.get();
    if (!reserved) unlinkat(can.folder.get(), can.record.c_str(), 0);
  }
}

int Trash::Move(int folder, const std::string& name, const TrashSlot& slot,
                const struct stat& was) {
  if (slot.forGood) {
    if (unlinkat(folder, name.c_str(), 0) != 0) return errno;
    Kept(slot);
    return 0;
  }
  int e = MoveNoReplaceKeepingTime(folder, name.c_str(), slot.files, slot.name.c_str(), was);
  if (e == 0) {
    Settle(slot);
    CountMoved(slot);
  }
  if (e) Abandon(slot);
  return e;
}

void Trash::CountMoved(const TrashSlot& slot) {
  ++moved_;
  Kept(slot);
}

void Trash::Kept(const TrashSlot& slot) {
  if (!keepTrashed_) return;
  TrashedFile t;
  t.forGood = slot.forGood;
  if (!slot.forGood) {
    t.name = slot.name;
    struct stat st {};
    if (fstatat(slot.files, slot.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
      t.facts = FactsOf(st);
  }
  std::lock_guard lock(mutex_);
  if (!slot.forGood) {
    auto known = paths_.find(slot.files);
    if (known == paths_.end()) known = paths_.emplace(slot.files, KernelPath(slot.files)).first;
    t.files = known->second;
  }
  trashed_.push_back(std::move(t));
}

std::vector<TrashedFile> Trash::TakeTrashed() {
  std::lock_guard lock(mutex_);
  return std::exchange(trashed_, {});
}

bool IsTrashFolderName(const char* name) {
  if (std::strncmp(name, ".Trash", 6) != 0) return false;
  if (name[6] == '\0') return true;
  // A user's number as it is written: "0", or without a leading zero.
  if (name[6] != '-' || name[7] == '\0' || (name[7] == '0' && name[8] != '\0')) return false;
  for (const char* c = name + 7; *c != '\0'; ++c)
    if (*c < '0' || *c > '9') return false;
  return true;
}

}  // namespace zweiblick

// SPDX-License-Identifier: GPL-3.0-or-later
// File operations of the synchronisation that cannot lose data: they stay below
// the chosen folder, never follow a link on the way, never replace or delete a
// file that changed since the folders were read, and replace a destination only
// once its new contents are complete.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "files/file_facts.h"
#include "platform/fd.h"
#include "sync/new_folders.h"
#include "sync/trash.h"

namespace zweiblick {

// What the caller saw of a file when the folders were read.
struct SeenFile {
  bool existed = false;
  std::string stamp;  // its time stamp then, when it existed
  FileFacts facts;    // its size, exact time and inode then, where the walk saw it
};

// kChangedSinceRead (-1, sync/trash.h): a file changed (or appeared) since
// it was seen, or a source while it was copied.
// Returned when a chosen folder is no longer the folder that was read: another
// file system is mounted in its place, or the folder was made anew.
inline constexpr int kNotTheFolderRead = -3;
// Returned when a copy could not be given its source's modification time and
// would look newer than its source.
inline constexpr int kTimeNotKept = -2;
// kNoTrash (-4, sync/trash.h): a file system without a trash, where nobody
// agreed to delete and replace for good.

// The calls that set a copy's permission bits and times. Tests put in ones
// that refuse, as the drivers of some file systems do.
struct MetadataCalls {
  int (*setMode)(int fd, mode_t mode) = ::fchmod;
  int (*setTimes)(int fd, const timespec times[2]) = ::futimens;
};
MetadataCalls& CopyMetadataCalls();

class SideFolder;

// A file system the run wrote to that could not make its data durable.
struct UnsafeFolder {
  std::string folder;  // the chosen folder, or the first folder written on it below that
  int error = 0;
};

// Remembers the file systems written to, so the run can make them durable once,
// and the folders written to, so each is cleared of old temporary files once.
// Used by the threads that write copies ahead and the window's at once.
class DurableRun {
 public:
  DurableRun() = default;
  DurableRun(const DurableRun&) = delete;
  DurableRun& operator=(const DurableRun&) = delete;
  ~DurableRun() { Finish(); }
  // The run writes to `folder`, the open folder of `side` last entered for
  // writing. Returns whether a copy there is synced on its own before its
  // rename: on removable and network file systems.
  bool WritesTo(const SideFolder& side, int folder);
  // The folder of `side` last entered for writing was made by this run: it
  // holds no old temporary files to clear.
  void Made(const SideFolder& side);
  // One syncfs for every file system written to; those that failed.
  std::vector<UnsafeFolder> Finish();

 private:
  struct Disk {
    Fd fd;  // open since before the first write, so syncfs reports what came after
    std::string folder;
    bool eachFile = false;
  };
  mutable std::mutex mutex_;
  std::map<dev_t, Disk> disks_;
  std::set<std::pair<dev_t, ino_t>> swept_;
};

// How a file below a chosen folder is reached.
enum class Reach {
  kRead,    // through links, as the walk found it
  kWrite,   // never through a link
  kCreate,  // never through a link, making the missing folders
};

// One chosen folder. Folders below it are entered one level at a time; for
// writing and deleting without following links, so nothing is ever changed
// through a link or outside the folder. The last folder entered for reading
// and for writing stays open: the rows of one folder follow each other, and
// most files are then found by their name alone.
class SideFolder {
 public:
  // `seen`: the chosen folder as the filling found it. A side is only
  // entered while its folder is still that one. `makeFirst`: a folder to be
  // made (kCreate) is made before it is looked for, not after; for a far
  // disk, where the look is a round trip the folder's other names wait for.
  SideFolder(std::string root, FolderIdentity seen, bool makeFirst = false)
      : root_(std::move(root)), seen_(std::move(seen)), makeFirst_(makeFirst) {}
  SideFolder(const SideFolder&) = delete;
  SideFolder& operator=(const SideFolder&) = delete;
  const std::string& Root() const { return root_; }
  // The folder last entered for writing, as a path.
  std::string WriteFolder() const { return root_ + write_.Folder(); }
  // Opens the folder that holds rel (kept open by this object) and sets `name`
  // to the file's own name. Folders made (kCreate) take their bits from `like`
  // and are added to `made` (relative names, the upper ones first).
  int Parent(const std::string& rel, Reach reach, int& folder, std::string& name,
             const SourceFolders* like = nullptr, std::vector<std::string>* made = nullptr);
  // The device and inode of the folder last entered for writing.
  std::pair<dev_t, ino_t> WriteFolderId() const { return writeId_; }

 private:
  int OpenRoot(Fd& fd) const;

  std::string root_;
  FolderIdentity seen_;
  LastFolder read_, write_;
  std::pair<dev_t, ino_t> writeId_{};
  bool makeFirst_ = false;
};

// Creates the missing folders of root + rel up to the file's own folder,
// without following links, each with the bits of the folder at its place
// above from/fromRel, the file to be copied there. The chosen folder itself is
// never created: when it is gone (a stick pulled out), the copy fails rather
// than go to the disk below. Returns 0 or an error number.
int PrepareTarget(SideFolder& side, const std::string& rel, const SideFolder& from,
                  const std::string& fromRel, std::vector<std::string>* made = nullptr);

// A copy written before its turn: the complete temporary file beside its
// destination, and what it was made from, so that its turn can tell whether
// anything it relied on has changed since. Removes its temporary file (and
// gives up its place in the trash) unless it was put in place.
struct PreparedCopy {
  PreparedCopy() = default;
  PreparedCopy(const PreparedCopy&) = delete;
  PreparedCopy& operator=(const PreparedCopy&) = delete;
  ~PreparedCopy();

  Fd in;                  // the source, open
  struct stat source {};  // and its state when it was read
  Fd dir;                 // the destination's folder
  std::pair<dev_t, ino_t> dirId{};
  std::string name, tmp;  // the destination's name there, the temporary file's
  int unfinished = -1;    // as known to the signal handlers
  struct stat old {};     // the destination then (st_mode 0: there was none)
  timespec times[2]{};    // the source's times, given to the copy
  bool timeHeld = false;  // the temporary file showed the source's time
  TrashSlot slot;         // the old version's place in the trash, when reserved ahead
  bool reserved = false;
  bool linkedToTrash = false;  // the old version has its name in the trash too
  bool placed = false;         // put in place ahead of its turn (PlaceNew)
  // The copy has taken the destination's name, also where its row fails
  // after that (a time the file system would not hold): the run's undo must
  // know of it.
  bool inPlace = false;
  struct stat placedAs {};  // the copy as written, and as put in place
  // Its turn took it as placedAs says, without a look: on a far disk that
  // look is a round trip, and at the end of a run the rows still to be
  // recorded would wait for it one by one.
  bool placedUnlooked = false;
};

// What the window's thread has learnt about the file systems a run writes to:
// so that no call is made whose answer is already known.
struct WriteHabits {
  enum class Knows { kNotYet, kYes, kNo };
  struct Disk {
    Knows renameNoReplace = Knows::kNotYet;  // renameat2 with RENAME_NOREPLACE
    Knows linkNoReplace = Knows::kNotYet;    // linkat, which never replaces either
    bool renameKeepsTime = false;            // a renamed copy was seen to keep its time
    Knows inodesLast = Knows::kNotYet;       // a file keeps its inode number while not open
  };
  std::map<dev_t, Disk> disks;
};

// Returned by CommitCopy when something the prepared copy relied on has
// changed since (the source, the destination, its folder): the copy is to be
// made anew, as if it had never been written ahead.
inline constexpr int kPreparedCopyStale = -5;

// A copy of src/srcRel (read through links) to dst/dstRel is made in two
// halves: PrepareCopy, on any thread, writes the complete temporary file in
// the destination folder, with the source's modification time and user.*
// attributes, keeping holes; a replaced destination's permission bits, ACL,
// owner and group, or for a new file the source's bits less the umask, never
// setuid, setgid or sticky (and its folder's default ACL). A write-protected
// destination is not replaced. On failure the destination is as it was.
int PrepareCopy(SideFolder& src, const std::string& srcRel, const SeenFile& source, SideFolder& dst,
                const std::string& dstRel, const SeenFile& destination, DurableRun& run,
                PreparedCopy& copy);
// For a prepared copy that replaces a file: reserves the old version's place
// in the trash where that needs no question, on any thread, and gives it its
// name there too where the file system has hard links (so that its turn
// takes one rename). Both are taken back when the copy is not put in place.
// `where`: the destination's folder as a path (SideFolder::WriteFolder).
int ReserveAhead(PreparedCopy& copy, const std::string& where, Trash& trash);

// The second half, on the window's thread: checks that the source and the
// destination are still as the copy and the walk saw them, and puts the copy
// in place. Returns 0, an error number, or kPreparedCopyStale. `unlinkLater`
// takes a name the copy no longer needs (a temporary second name of the
// copy), to be removed off this thread.
int CommitCopy(PreparedCopy& copy, SideFolder& src, const std::string& srcRel, SideFolder& dst,
               const std::string& dstRel, const SeenFile& destination, Trash& trash,
               WriteHabits& habits, const std::function<void(PreparedCopy&)>& unlinkLater);

// A prepared copy with nothing in its place put there ahead of its turn, on
// any thread: never replacing a file that appeared since, and with its time
// seen to. The copy is then marked placed: CommitCopy only checks it, and
// WithdrawPlaced takes it back when its row does not have its turn.
int PlaceNew(PreparedCopy& copy, const SeenFile& destination, WriteHabits::Disk& disk);
// Removes a copy PlaceNew put in place, unless something else took its name since.
void WithdrawPlaced(PreparedCopy& copy);

// Moves side/rel into `trash` (a link goes as the link, never its target;
// never a folder, never a write-protected file).
// Puts the finished copy dir/tmp in place of dir/name, whose old version goes
// to the place `slot` reserved for it in the trash (or, for a slot for good,
// is replaced). The name never goes missing where the file system has hard
// links; a file put under the name since the old version left is not
// replaced. `linked`: the old version has its name in the trash already.
// `old`: the old version as last looked at. Returns 0, an error number or
// kChangedSinceRead.
int ReplaceKeepingOld(int dir, const std::string& tmp, const std::string& name,
                      const TrashSlot& slot, Trash& trash, bool linked, const struct stat& old);

int DeleteBeneath(SideFolder& side, const std::string& rel, const SeenFile& target, DurableRun& run,
                  Trash& trash);

}  // namespace zweiblick

// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's trash (freedesktop.org layout), where the synchronisation puts
// every file it deletes or replaces: the home trash for files on the home
// trash's own file system, $topdir/.Trash/$uid or $topdir/.Trash-$uid on
// others (a stick, a second disk). A file gets there by a rename on its own
// file system, relative to folders already open, never through a link; it is
// never copied to another file system.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "files/file_facts.h"
#include "platform/fd.h"

namespace zweiblick {

// Returned when a file changed (or appeared) since it was seen, or a source
// while it was copied.
inline constexpr int kChangedSinceRead = -1;
// Returned when a file system has no trash to be had (no writable top folder,
// a share that refuses) and nobody agreed to delete for good there.
inline constexpr int kNoTrash = -4;
// Returned by a Reserve that may not ask where it would have to.
inline constexpr int kTrashNotAsked = -6;

// ".Trash" and ".Trash-<uid>", the trash folders at the top of a file
// system: the files the runs put there are no files of the tree.
bool IsTrashFolderName(const char* name);

// A place reserved in a trash for one file: its .trashinfo is written and on
// the disk; the file still has to be moved (or linked) to files/name.
struct TrashSlot {
  bool forGood = false;  // no trash: the file is deleted (replaced) for good
  int files = -1;        // the trash's open files/ folder
  int info = -1;         // and its info/ folder
  std::string name;      // the file's name in files/, and name + ".trashinfo" in info/
  int pending = -1;      // its place among the reservations an interruption takes back
};

// A file a run moved into a trash (or deleted for good), for the run's journal.
struct TrashedFile {
  bool forGood = false;  // deleted (or replaced) for good: nothing to restore
  std::string files;     // the path of the trash's files/ folder (empty: not to be told)
  std::string name;      // its name there
  FileFacts facts;       // as it lies there
};

class Trash {
 public:
  // Asked once per file system without a trash, with the folder of the first
  // file concerned: whether to delete and replace for good there. Without it
  // (an unattended run) such files fail with kNoTrash.
  using AskForGood = std::function<bool(const std::string& folder)>;

  // `enabled` false: everything is deleted and replaced for good.
  explicit Trash(bool enabled = true, AskForGood ask = {});
  // Its record in every trash it reserved places in goes, unless a place is
  // still reserved.
  ~Trash();
  Trash(const Trash&) = delete;
  Trash& operator=(const Trash&) = delete;

  // Reserves a place for folder/name (folder: an open folder, `where`: its
  // path as the user knows it, for the question). Returns 0 or an error
  // number (kNoTrash). It may ask and it syncs: callers reserve before their
  // last look at the file, so that an edit made meanwhile is seen. Any
  // thread may reserve; only the window's may ask: without `mayAsk` a file
  // system still to be asked about gives kTrashNotAsked. `linked`, when
  // given, tells whether the file was given its name in the trash as well (a
  // hard link, where the file system has them), so that moving it there is
  // left to one rename over its old name; that name goes with the slot.
  // `examined`, with `linked`: what the caller saw of the file; a link to
  // anything else (another run's copy put there since) is undone.
  int Reserve(int folder, const std::string& name, const std::string& where, TrashSlot& slot,
              bool mayAsk = true, bool* linked = nullptr, const struct stat* examined = nullptr);
  // Finds or makes the trash for files in `folder` (an open folder) before
  // the first file needs it: on a far disk that takes a dozen round trips.
  // The first look at a trash takes back the places that killed runs
  // reserved there and never used.
  void Open(int folder);
  // Gives folder/name its second name in the slot's place (a hard link), for
  // a file that one rename over its name will then move there. Returns 0 or
  // an error number.
  static int Link(int folder, const std::string& name, const TrashSlot& slot);
  // A rename over the name of the slot's linked file begins: from here an
  // interruption no longer takes that link for a second name of the file in
  // its place (where inode numbers do not last, a copy with the same size
  // and time would pass for it).
  static void Placing(const TrashSlot& slot);
  // Removes the .trashinfo of a slot whose file did not get there.
  static void Abandon(const TrashSlot& slot);
  // The slot's file is in the trash now (or the slot is given up without its
  // .trashinfo being removed): an interruption leaves it alone.
  static void Settle(const TrashSlot& slot);

  // Moves folder/name to the place reserved for it (deletes it for good, for
  // such a slot). Returns 0 or an error number; on failure the file is where
  // it was and the slot is abandoned. `was`: the file as the caller last looked at it.
  int Move(int folder, const std::string& name, const TrashSlot& slot, const struct stat& was);

  // Moves as `move` does (a rename of fromDir/from to toDir/to; 0 or an
  // error number), and gives the file back its modification time where the
  // file system wrote its own: fusefat writes the time of a rename onto the
  // disk, and a file that went into the trash and back would look edited.
  // `was`: the file as the caller last looked at it, whose times it keeps.
  // Once a move on a file system kept the time, nothing more is looked at there.
  int MoveKeepingTime(int fromDir, const char* from, int toDir, const char* to,
                      const struct stat& was, const std::function<int()>& move);
  int MoveNoReplaceKeepingTime(int fromDir, const char* from, int toDir, const char* to,
                               const struct stat& was);

  // The files this run put into a trash.
  int Moved() const { return moved_; }
  // The slot's file is in the trash now, moved there by its caller.
  void CountMoved(const TrashSlot& slot);
  // From now on every file moved into a trash (or deleted for good) is kept
  // until TakeTrashed hands it out: a run that keeps a journal asks after
  // each of its operations what that put into the trash.
  void KeepTrashed() { keepTrashed_ = true; }
  std::vector<TrashedFile> TakeTrashed();

 private:
  struct Can {
    int error = 0;  // why this file system has no trash (0: it has one)
    bool forGood = false;
    bool asked = false;
    Fd folder;  // the trash's own folder, which holds files/ and info/
    Fd files, info;
    Fd top;                  // the top folder of a trash below $topdir, for relative paths
    std::string topPath;     // its path, empty for the home trash
    bool inodesLast = true;  // on the trash's file system
    bool recordTried = false;
    std::string record;  // the name of this run's record beside files/ and info/
  };
  Can& For(int folder, const struct stat& st);
  // Where a file of a folder goes: for good, or into files/ and info/ of a
  // trash whose top folder's path is `top` (empty for the home trash).
  struct Spot {
    bool forGood = false;  // the user said to delete for good
    int files = -1, info = -1;
    std::string top;
    bool inodesLast = true;  // on the trash's file system
  };
  int Place(int folder, const std::string& where, bool mayAsk, Spot& at);

  bool enabled_;
  AskForGood ask_;
  std::string run_;   // this run, as its .trashinfo files and records name it
  int instance_;      // this trash among those of the process
  std::mutex mutex_;  // over cans_: copies written ahead reserve their places too
  // By file system and mount (0 where the kernel does not tell mounts
  // apart): one file system mounted twice has a trash at each mount.
  std::map<std::pair<dev_t, uint64_t>, Can> cans_;
  int moved_ = 0;
  bool keepTrashed_ = false;
  std::vector<TrashedFile> trashed_;  // under mutex_
  std::map<int, std::string> paths_;  // the path of each files/ folder, by its descriptor
  std::set<dev_t> keepTime_;          // file systems whose renames keep times; under mutex_
  void Kept(const TrashSlot& slot);
};

// Safe in a signal handler: takes back every reservation of this process
// whose file has not got there: its .trashinfo, and the old version's second
// name in files/ while the old version still stands in its place. The trash
// then lists only files that really left their place.
void TakeBackUnusedReservations();

// Renames without replacing what is there (a plain rename on file systems
// that cannot tell). Returns 0 or an error number.
int MoveNoReplace(int fromDir, const char* from, int toDir, const char* to);

// The text of a .trashinfo for the file at `path` (absolute, or relative to
// the trash's top folder), deleted at `when` by the run `run` (see ThisRun).
std::string TrashInfoText(const std::string& path, time_t when, const std::string& run);

// The path percent-encoded as a URL path: every byte except the unreserved
// ones and "/".
std::string EscapedTrashPath(const std::string& path);

}  // namespace zweiblick

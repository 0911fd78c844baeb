// SPDX-License-Identifier: GPL-3.0-or-later
// Copies written ahead of their turn by a few threads, in the order the run
// will reach their rows and a bounded number of files and bytes ahead, so that
// on a far disk many file operations are in flight at once: one thread per
// destination folder, since a folder takes one new name at a time. A copy
// that replaces a file is put in place by the window's thread at its turn,
// after the checks, one at a time (its old version has its place in the
// trash, and its name there, by then); a new file is put in place ahead,
// never over a file that appeared since, and only counted at its turn.
// Whatever was written, linked or put in place ahead for a row that is never
// reached is removed again.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/worker_pool.h"
#include "sync/copy_queue.h"
#include "sync/safe_files.h"

namespace zweiblick {

struct ChosenFolders;
class RunReporter;

// One copy of a row, as the row says it at the moment it is asked.
struct CopyRequest {
  bool toRight = true;  // from the left folder to the right one
  std::string srcRel, dstRel;
  SeenFile source, destination;
  bool operator==(const CopyRequest& o) const;
};

class CopiesAhead {
 public:
  // The copy that row `row` asks for now; false for a row that copies nothing.
  using RowCopy = std::function<bool(int row, CopyRequest& copy)>;

  // The rows are reached from `lastRow` up to row 1. A copy onto a far disk
  // waits for a dozen round trips, one after another: many threads keep such
  // a disk busy. On a near disk two write fastest: more only contend in the
  // file system for its inodes; the others wait for the syncs of the places
  // in the trash.
  CopiesAhead(const ChosenFolders& folders, DurableRun& disk, Trash& trash, RunReporter& run,
              int lastRow, RowCopy rowCopy);
  // Finish must have run.
  ~CopiesAhead();
  CopiesAhead(const CopiesAhead&) = delete;
  CopiesAhead& operator=(const CopiesAhead&) = delete;

  // Row `row` is the one the run carries out next: the copies up to the
  // bounds below it are being written.
  void Reached(int row);
  // Carries out one copy at its turn, on the window's thread, with `src` and
  // `dst` the run's own sides. Returns 0 or an error number; `inPlace` tells
  // whether the copy stands at the destination's name, a failed one too;
  // `placedAs` is the copy as it stands where that is known without a look
  // (st_mode 0 otherwise).
  int Copy(int row, const CopyRequest& copy, SideFolder& src, SideFolder& dst, bool& inPlace,
           struct stat& placedAs);
  // Waits for the threads (serving the window meanwhile), removes the copies
  // written ahead and not used, and the folders made for them alone.
  void Finish(SideFolder& left, SideFolder& right);

 private:
  struct Task;
  struct Sides;
  void Post(Task& task, bool first);
  void Run(WorkerPool::Job job, bool first);
  void RunQueued(int worker);
  // Writes the task's copy and reserves its old version's place in the
  // trash; publishes the task once both are done.
  void Prepare(Task& task, int worker);
  // The copy alone; true where its old version still wants its place, in
  // `where`, the copy's folder.
  bool Write(Task& task, int worker, std::string& where);
  void UnlinkLater(PreparedCopy& copy);
  void Drop(std::unique_ptr<Task> task);
  void OpenTrash(const CopyRequest& r);
  int Commit(PreparedCopy& ready, const CopyRequest& copy, SideFolder& src, SideFolder& dst);
  void AwaitDrained();

  DurableRun& disk_;
  Trash& trash_;
  RunReporter& run_;
  RowCopy rowCopy_;
  int cursor_;                     // the next row to look at for a copy to write ahead
  const bool farLeft_, farRight_;  // on a network or FUSE file system
  const bool far_;                 // either side
  const int descriptors_;          // what the threads and the copies ahead may keep open
  const int workers_;
  size_t maxFiles_;
  int64_t bytesAhead_ = 0;
  std::deque<std::unique_ptr<Task>> ahead_;  // in the order of their turns
  std::vector<std::unique_ptr<Task>> unused_;
  std::set<std::string> reached_[2];  // folders on the way to copies that had their turn
  WriteHabits habits_;
  std::vector<std::unique_ptr<Sides>> sides_;  // each thread's own
  // Copies to write ahead, not yet begun; its turns waiting are the copies
  // ahead that replace a file on a far side, not yet had their turn.
  CopyQueue queue_;
  bool FarDestination(const CopyRequest& r) const { return r.toRight ? farRight_ : farLeft_; }
  bool trashOpened_ = false;
  std::atomic<int> pending_{0};
  std::atomic<int> urgent_{0};  // jobs the window's thread waits for, not yet begun
  std::atomic<bool> drained_{true};
  WorkerPool pool_;  // last: its threads end first
};

}  // namespace zweiblick

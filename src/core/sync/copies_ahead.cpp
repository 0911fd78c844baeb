// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/copies_ahead.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <utility>

#include "files/file_identity.h"
#include "platform/descriptors.h"
#include "platform/far_away.h"
#include "platform/run_reporter.h"
#include "reading/chosen_folders.h"
#include "reading/path_helpers.h"
#include "sync/temporary_files.h"

namespace zweiblick {
namespace {

bool SameSeen(const SeenFile& a, const SeenFile& b) {
  return a.existed == b.existed && a.stamp == b.stamp &&
         Same(FileIdentity::Seen(a.facts), FileIdentity::Seen(b.facts), kExact, true);
}

// Far disks gain from many copies in flight, in many folders at once; the
// bounds keep what was written for rows not yet reached small.
constexpr int64_t kBytesAhead = 64 << 20;

// On a near disk: the threads in all, and those of them that write. The
// others reserve the places in the trash, each waiting for two syncs: 1,000
// files replaced on ext4 took 0.54-0.69 s with 2 threads doing both, 0.49-0.58 s
// with 8, and 0.33-0.47 s so.
constexpr int kNearThreads = 8, kNearWriters = 2;

int WritersOf(bool far, int threads) {
  return far ? threads : std::min(threads, kNearWriters);
}

// What the copies ahead keep open stays within two thirds of the descriptors
// free when the run begins; the rest is the window's thread's and the
// program's. A thread that writes holds up to ten at once (the four folders
// its sides keep open, a copy's source, folder and temporary file, and the
// few of a folder made or an ACL looked at on the way): the threads take at
// most half of the share. A copy waiting for its turn holds two, its source
// and its folder.
constexpr int kPerThread = 10, kPerCopy = 2;

int ThreadsWithin(int descriptors, int wanted) {
  return std::clamp(descriptors / (2 * kPerThread), 1, wanted);
}

size_t CopiesWithin(int descriptors, int threads, size_t wanted) {
  return std::clamp<size_t>(
      static_cast<size_t>(std::max(descriptors - threads * kPerThread, 0) / kPerCopy), 1, wanted);
}

// The folder a copy writes in, and on which side.
std::pair<bool, std::string> FolderOf(const CopyRequest& r) {
  size_t end = r.dstRel.rfind(kSep);
  return {r.toRight, end == std::string::npos ? std::string() : r.dstRel.substr(0, end)};
}

}  // namespace

bool CopyRequest::operator==(const CopyRequest& o) const {
  return toRight == o.toRight && srcRel == o.srcRel && dstRel == o.dstRel &&
         SameSeen(source, o.source) && SameSeen(destination, o.destination);
}

struct CopiesAhead::Task {
  CopyRequest request;
  int64_t bytes = 0;
  HandOver ready;
  // Written by the thread that prepares the copy until it publishes `ready`.
  std::unique_ptr<PreparedCopy> copy = std::make_unique<PreparedCopy>();
  int row = 0;
  int error = 0;
  bool ahead = true;              // written before its turn; a new file is then put in place too
  std::vector<std::string> made;  // folders made on the way, the upper ones first
};

struct CopiesAhead::Sides {
  SideFolder left, right;
  WriteHabits habits;
  // Folders on a far side are made before they are looked for where the
  // other side is near: asking the near source for a folder's bits costs
  // little, and every folder made is then one round trip shorter.
  Sides(const ChosenFolders& f, bool farLeft, bool farRight)
      : left(f.LeftFolder, f.LeftFolderId, farLeft && !farRight),
        right(f.RightFolder, f.RightFolderId, farRight && !farLeft) {}
};

CopiesAhead::CopiesAhead(const ChosenFolders& folders, DurableRun& disk, Trash& trash,
                         RunReporter& run, int lastRow, RowCopy rowCopy)
    : disk_(disk),
      trash_(trash),
      run_(run),
      rowCopy_(std::move(rowCopy)),
      cursor_(lastRow),
      farLeft_(FarAway(folders.LeftFolder)),
      farRight_(FarAway(folders.RightFolder)),
      far_(farLeft_ || farRight_),
      descriptors_(FreeDescriptors() * 2 / 3),
      workers_(ThreadsWithin(descriptors_, WorkerCount(far_, kNearThreads))),
      maxFiles_(
          CopiesWithin(descriptors_, workers_,
                       static_cast<size_t>(std::clamp(32 * WritersOf(far_, workers_), 8, 512)))),
      queue_(WritersOf(far_, workers_)),
      pool_(workers_) {
  for (int i = 0; i < workers_; ++i)
    sides_.push_back(std::make_unique<Sides>(folders, farLeft_, farRight_));
}

CopiesAhead::~CopiesAhead() = default;

void CopiesAhead::Run(WorkerPool::Job job, bool first) {
  drained_.store(false);
  pending_.fetch_add(1);
  if (first) urgent_.fetch_add(1);
  WorkerPool::Job counted = [this, first, job = std::move(job)](int worker) {
    if (first) urgent_.fetch_sub(1);
    job(worker);
    if (pending_.fetch_sub(1) == 1) {
      drained_.store(true);
      pool_.Notify(drained_);
    }
  };
  if (first)
    pool_.PostFirst({std::move(counted)});
  else
    pool_.Post(std::move(counted));
}

void CopiesAhead::AwaitDrained() {
  // The flag is set anew before each look: a job that ends between a look
  // and the wait sets it again, so the wait neither misses it nor spins.
  for (;;) {
    drained_.store(false);
    if (pending_.load() == 0) return;
    if (!pool_.WaitFor(drained_, std::chrono::milliseconds(20))) run_.HandleEventsWhileWaiting();
  }
}

void CopiesAhead::Post(Task& task, bool first) {
  if (first) {
    // Awaited by the window's thread: at once, whoever writes in its folder.
    Run([this, &task](int worker) { Prepare(task, worker); }, true);
    return;
  }
  queue_.Add(FolderOf(task.request), [this, &task](int worker) { Prepare(task, worker); });
  Run([this](int worker) { RunQueued(worker); }, false);
}

// The turn of a file replaced on a far disk waits for two looks at the wire,
// each behind the requests of the copies being written: while such turns are
// to come, a quarter of the threads write, and the others are free for the
// turns (CopyQueue::TurnsWaiting).
void CopiesAhead::RunQueued(int worker) {
  // A job the window's thread waits for (a turn, a copy made now) goes
  // first; the queue is taken up again behind it.
  if (!queue_.Take(worker, [this] { return urgent_.load() > 0; }))
    Run([this](int next) { RunQueued(next); }, false);
}

void CopiesAhead::Prepare(Task& task, int worker) {
  // Its place in the trash is reserved in the order the copies began (so
  // roughly of their turns), a few at a time: on a far disk they all wait for
  // the trash's two folders, and the copy whose turn comes first would
  // otherwise wait for all the others.
  auto ticket = std::make_shared<CopyQueue::Ticket>(
      far_ && task.ahead && task.request.destination.existed ? queue_.Draw() : CopyQueue::Ticket());
  std::string where;
  if (!Write(task, worker, where)) {
    task.ready.Publish(pool_);
    return;
  }
  auto reserve = [this, &task, ticket, where](int) {
    if (ticket->Drawn()) queue_.AwaitGate(*ticket);
    // A run that has ended reserves nothing more either.
    task.error = queue_.Stopped() ? ECANCELED : ReserveAhead(*task.copy, where, trash_);
    task.ready.Publish(pool_);
  };
  // On a near disk the place waits for two syncs, each a commit of the
  // disk's journal: on a thread of its own, so that the writers go on, and
  // the journal commits the places reserved meanwhile together.
  if (far_)
    reserve(worker);
  else
    Run(reserve, !task.ahead);
}

bool CopiesAhead::Write(Task& task, int worker, std::string& where) {
  // A run that has ended writes nothing more.
  if (queue_.Stopped()) {
    task.error = ECANCELED;
    return false;
  }
  Sides& sides = *sides_[static_cast<size_t>(worker)];
  const CopyRequest& r = task.request;
  SideFolder& src = r.toRight ? sides.left : sides.right;
  SideFolder& dst = r.toRight ? sides.right : sides.left;
  // A folder that could not be made fails the copy with the file system's
  // own reason (a full disk), not with the folder missing after it.
  task.error = PrepareTarget(dst, r.dstRel, src, r.srcRel, &task.made);
  if (task.error != 0) return false;
  if (!task.made.empty()) disk_.Made(dst);
  task.error =
      PrepareCopy(src, r.srcRel, r.source, dst, r.dstRel, r.destination, disk_, *task.copy);
  if (task.error != 0) return false;
  if (task.copy->old.st_mode == 0) {
    if (task.ahead)
      task.error = PlaceNew(*task.copy, r.destination, sides.habits.disks[task.copy->dirId.first]);
    return false;
  }
  where = dst.WriteFolder();
  return true;
}

void CopiesAhead::Reached(int row) {
  cursor_ = std::min(cursor_, row);
  while (cursor_ >= 1 && ahead_.size() < maxFiles_ &&
         (ahead_.empty() || bytesAhead_ < kBytesAhead)) {
    auto task = std::make_unique<Task>();
    task->row = cursor_;
    if (rowCopy_(cursor_--, task->request)) {
      task->bytes = std::max<int64_t>(task->request.source.facts.size, 0);
      bytesAhead_ += task->bytes;
      if (task->request.destination.existed) {
        if (FarDestination(task->request)) queue_.TurnsWaiting(+1);
        if (!trashOpened_) OpenTrash(task->request);
      }
      Post(*task, false);
      ahead_.push_back(std::move(task));
    }
  }
  if (cursor_ < 1) queue_.AllQueued();
}

// The trash the first replaced file goes to is found or made beside its copy.
void CopiesAhead::OpenTrash(const CopyRequest& r) {
  trashOpened_ = true;
  Run(
      [this, r](int worker) {
        Sides& sides = *sides_[static_cast<size_t>(worker)];
        int dir = -1;
        std::string name;
        if ((r.toRight ? sides.right : sides.left).Parent(r.dstRel, Reach::kWrite, dir, name) == 0)
          trash_.Open(dir);
      },
      true);
}

void CopiesAhead::Drop(std::unique_ptr<Task> task) {
  bytesAhead_ -= task->bytes;
  // Its names are free again before any later copy may want them.
  task->ready.Await(pool_, run_);
  WithdrawPlaced(*task->copy);
  task->copy.reset();
  unused_.push_back(std::move(task));
}

void CopiesAhead::UnlinkLater(PreparedCopy& copy) {
  auto dir = std::make_shared<Fd>(std::move(copy.dir));
  std::string tmp = std::exchange(copy.tmp, {});
  int unfinished = std::exchange(copy.unfinished, -1);
  Run(
      [dir, tmp, unfinished](int) {
        unlinkat(dir->get(), tmp.c_str(), 0);
        EndUnfinishedCopy(unfinished);
      },
      true);
}

int CopiesAhead::Commit(PreparedCopy& ready, const CopyRequest& copy, SideFolder& src,
                        SideFolder& dst) {
  int e = 0;
  auto commit = [&] {
    e = CommitCopy(ready, src, copy.srcRel, dst, copy.dstRel, copy.destination, trash_, habits_,
                   [this](PreparedCopy& c) { UnlinkLater(c); });
  };
  // On a far disk each call of the turn waits for the wire, and a few of them
  // are a pause one notices: they are made on a thread of the pool while the
  // window stays alive. Not where the turn may have to ask about the trash.
  if (!far_ || !(ready.placed || ready.reserved || !S_ISREG(ready.old.st_mode))) {
    commit();
    return e;
  }
  HandOver done;
  Run(
      [&](int) {
        commit();
        done.Publish(pool_);
      },
      true);
  done.Await(pool_, run_);
  return e;
}

int CopiesAhead::Copy(int row, const CopyRequest& copy, SideFolder& src, SideFolder& dst,
                      bool& inPlace, struct stat& placedAs) {
  inPlace = false;
  placedAs = {};
  // The folders on the way stay, as they would had the copy been made only now.
  for (size_t p = copy.dstRel.find(kSep); p != std::string::npos; p = copy.dstRel.find(kSep, p + 1))
    reached_[copy.toRight ? 1 : 0].insert(copy.dstRel.substr(0, p));
  // Copies of rows passed over, and one written for this row as it was
  // before it changed, go before anything is made now.
  std::unique_ptr<Task> task;
  while (!ahead_.empty() && ahead_.front()->row >= row) {
    std::unique_ptr<Task> front = std::move(ahead_.front());
    ahead_.pop_front();
    if (front->request.destination.existed && FarDestination(front->request))
      queue_.TurnsWaiting(-1);
    if (front->row == row && front->request == copy) {
      bytesAhead_ -= front->bytes;
      task = std::move(front);
    } else {
      Drop(std::move(front));
    }
  }
  int e = kPreparedCopyStale;
  if (task) {
    task->ready.Await(pool_, run_);
    PreparedCopy& ready = *task->copy;
    // Put in place, but its time would not hold: the failure of its turn.
    if (ready.placed && task->error) {
      inPlace = ready.inPlace;
      return task->error;
    }
    // A copy that failed ahead is made again now: at its turn the source or
    // the destination may be as it should be, or fail otherwise.
    if (task->error == 0) e = Commit(ready, copy, src, dst);
    if (e == kPreparedCopyStale) WithdrawPlaced(ready);
    inPlace = ready.inPlace;
    if (ready.placedUnlooked) placedAs = ready.placedAs;
    task.reset();  // a temporary file not put in place goes; the folders made stay
  }
  if (e != kPreparedCopyStale) return e;
  // Made now, as on one thread; on a thread of the pool, so the window stays alive.
  Task now;
  now.request = copy;
  now.ahead = false;
  Post(now, true);
  now.ready.Await(pool_, run_);
  if (now.error) return now.error;
  e = Commit(*now.copy, copy, src, dst);
  inPlace = now.copy->inPlace;
  // Changed once more in the moment between: as if while it was copied.
  return e == kPreparedCopyStale ? kChangedSinceRead : e;
}

void CopiesAhead::Finish(SideFolder& left, SideFolder& right) {
  queue_.Stop();
  AwaitDrained();
  for (auto& task : ahead_) unused_.push_back(std::move(task));
  ahead_.clear();
  // What was written and put in place for rows never reached goes on the
  // threads (on a far disk each is a round trip or two), then the folders
  // made for them alone, the deepest first; one that holds anything stays.
  std::vector<std::pair<int, std::string>> made;
  for (auto& owned : unused_) {
    for (const std::string& folder : owned->made)
      if (!reached_[owned->request.toRight ? 1 : 0].count(folder))
        made.emplace_back(owned->request.toRight ? 1 : 0, folder);
    std::shared_ptr<Task> task(std::move(owned));
    Run(
        [task](int) {
          if (!task->copy) return;
          WithdrawPlaced(*task->copy);
          task->copy.reset();
        },
        false);
  }
  unused_.clear();
  AwaitDrained();
  std::sort(made.begin(), made.end(),
            [](const auto& a, const auto& b) { return a.second.size() > b.second.size(); });
  for (const auto& [side, folder] : made) {
    SideFolder& s = side == 1 ? right : left;
    int dir = -1;
    std::string name;
    if (s.Parent(folder, Reach::kWrite, dir, name) == 0) unlinkat(dir, name.c_str(), AT_REMOVEDIR);
  }
}

}  // namespace zweiblick

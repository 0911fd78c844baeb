#include "sync/copies_ahead.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <utility>

#include "platform/run_reporter.h"
#include "reading/chosen_folders.h"
#include "reading/path_helpers.h"
#include "sync/temporary_files.h"

namespace zweiblick {
namespace {

bool SameSeen(const SeenFile& a, const SeenFile& b) {
  return a.existed == b.existed && a.stamp == b.stamp && a.facts.size == b.facts.size &&
         a.facts.SameTime(b.facts) && a.facts.inode == b.facts.inode &&
         a.facts.device == b.facts.device;
}

// Far disks gain from many copies in flight; the bounds keep the temporary
// files of rows not yet reached few and small.
constexpr int64_t kBytesAhead = 64 << 20;

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
  int error = 0;
  std::vector<std::string> made;  // folders made on the way, the upper ones first
};

struct CopiesAhead::Sides {
  SideFolder left, right;
  explicit Sides(const ChosenFolders& f)
      : left(f.LeftFolder, f.LeftFolderFacts, f.LeftFolderMount),
        right(f.RightFolder, f.RightFolderFacts, f.RightFolderMount) {}
};

CopiesAhead::CopiesAhead(const ChosenFolders& folders, DurableRun& disk, Trash& trash,
                         RunReporter& run, int workers, int lastRow, RowCopy rowCopy)
    : folders_(folders),
      disk_(disk),
      trash_(trash),
      run_(run),
      rowCopy_(std::move(rowCopy)),
      cursor_(lastRow),
      maxFiles_(static_cast<size_t>(std::clamp(4 * workers, 8, 64))),
      pool_(workers) {
  for (int i = 0; i < workers; ++i) sides_.push_back(std::make_unique<Sides>(folders));
}

CopiesAhead::~CopiesAhead() = default;

void CopiesAhead::JobDone() {
  if (pending_.fetch_sub(1) == 1) {
    drained_.store(true);
    pool_.Notify(drained_);
  }
}

void CopiesAhead::Post(Task& task, bool first) {
  drained_.store(false);
  pending_.fetch_add(1);
  WorkerPool::Job job = [this, &task](int worker) {
    Prepare(task, worker);
    task.ready.Publish(pool_);
    JobDone();
  };
  if (first)
    pool_.PostFirst({std::move(job)});
  else
    pool_.Post(std::move(job));
}

void CopiesAhead::Prepare(Task& task, int worker) {
  // A run that has ended writes nothing more.
  if (stopping_.load()) {
    task.error = ECANCELED;
    return;
  }
  Sides& sides = *sides_[static_cast<size_t>(worker)];
  const CopyRequest& r = task.request;
  SideFolder& src = r.toRight ? sides.left : sides.right;
  SideFolder& dst = r.toRight ? sides.right : sides.left;
  // Its failure shows in the copy that follows.
  PrepareTarget(dst, r.dstRel, src, r.srcRel, &task.made);
  task.error = PrepareCopy(src, r.srcRel, r.source, dst, r.dstRel, r.destination, disk_, &trash_,
                           *task.copy);
}

void CopiesAhead::Reached(int row) {
  cursor_ = std::min(cursor_, row);
  while (cursor_ >= 1 && ahead_.size() < maxFiles_ &&
         (ahead_.empty() || bytesAhead_ < kBytesAhead)) {
    auto task = std::make_unique<Task>();
    if (rowCopy_(cursor_--, task->request)) {
      task->bytes = std::max<int64_t>(task->request.source.facts.size, 0);
      bytesAhead_ += task->bytes;
      Post(*task, false);
      ahead_.push_back(std::move(task));
    }
  }
}

void CopiesAhead::Drop(std::unique_ptr<Task> task) {
  bytesAhead_ -= task->bytes;
  unused_.push_back(std::move(task));
}

void CopiesAhead::UnlinkLater(PreparedCopy& copy) {
  auto dir = std::make_shared<Fd>(std::move(copy.dir));
  std::string tmp = std::exchange(copy.tmp, {});
  int unfinished = std::exchange(copy.unfinished, -1);
  drained_.store(false);
  pending_.fetch_add(1);
  pool_.PostFirst({[this, dir, tmp, unfinished](int) {
    unlinkat(dir->get(), tmp.c_str(), 0);
    EndUnfinishedCopy(unfinished);
    JobDone();
  }});
}

int CopiesAhead::Copy(const CopyRequest& copy, SideFolder& src, SideFolder& dst) {
  // The folders on the way stay, as they would had the copy been made only now.
  for (size_t p = copy.dstRel.find(kSep); p != std::string::npos; p = copy.dstRel.find(kSep, p + 1))
    reached_[copy.toRight ? 1 : 0].insert(copy.dstRel.substr(0, p));
  std::unique_ptr<Task> task;
  auto match = std::find_if(ahead_.begin(), ahead_.end(),
                            [&](const std::unique_ptr<Task>& t) { return t->request == copy; });
  if (match != ahead_.end()) {
    // Rows passed over were changed since they were looked at: their copies go.
    while (ahead_.begin() != match) {
      Drop(std::move(ahead_.front()));
      ahead_.pop_front();
    }
    task = std::move(ahead_.front());
    ahead_.pop_front();
    bytesAhead_ -= task->bytes;
  }
  auto unlinkLater = [this](PreparedCopy& c) { UnlinkLater(c); };
  int e = kPreparedCopyStale;
  if (task) {
    task->ready.Await(pool_, run_);
    // A copy that failed ahead is made again now: at its turn the source or
    // the destination may be as it should be, or fail otherwise.
    if (task->error == 0)
      e = CommitCopy(*task->copy, src, copy.srcRel, dst, copy.dstRel, copy.destination, trash_,
                     habits_, unlinkLater);
    task.reset();  // a temporary file not put in place goes; the folders made stay
  }
  if (e != kPreparedCopyStale) return e;
  // Made now, as on one thread; on a thread of the pool, so the window stays alive.
  Task now;
  now.request = copy;
  Post(now, true);
  now.ready.Await(pool_, run_);
  if (now.error) return now.error;
  e = CommitCopy(*now.copy, src, copy.srcRel, dst, copy.dstRel, copy.destination, trash_, habits_,
                 unlinkLater);
  // Changed once more in the moment between: as if while it was copied.
  return e == kPreparedCopyStale ? kChangedSinceRead : e;
}

void CopiesAhead::Finish(SideFolder& left, SideFolder& right) {
  stopping_.store(true);
  while (pending_.load() != 0)
    if (!pool_.WaitFor(drained_, std::chrono::milliseconds(20))) run_.HandleEventsWhileWaiting();
  for (auto& task : ahead_) unused_.push_back(std::move(task));
  ahead_.clear();
  // The temporary files first, then the folders made for rows never reached,
  // the deepest first; one that holds anything stays.
  std::vector<std::pair<int, std::string>> made;
  for (auto& task : unused_) {
    for (const std::string& folder : task->made)
      if (!reached_[task->request.toRight ? 1 : 0].count(folder))
        made.emplace_back(task->request.toRight ? 1 : 0, folder);
    task.reset();
  }
  unused_.clear();
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "comparison/pair_verdicts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <optional>
#include <string_view>
#include <utility>

#include "comparison/file_contents.h"
#include "list/comparison_list.h"
#include "platform/fd.h"
#include "platform/run_reporter.h"
#include "reading/chosen_folders.h"
#include "reading/path_helpers.h"

namespace zweiblick {
namespace {

// Keeps the chosen folder of one side open and opens every file by its path
// below it. Opening each file's folder first (and closing it after the last
// file there) cost an openat and a close per folder, more than the kernel's
// lookup of the folders' names in the path: a tenth fewer system calls and
// about a tenth less processor time for the bench's 100,000 small pairs.
class SideRoot {
 public:
  explicit SideRoot(const std::string& root) : root_(root) {}
  SideRoot(const SideRoot&) = delete;
  SideRoot& operator=(const SideRoot&) = delete;
  // The file root + rel as the chosen folder and the path below it; 0 or the
  // error of opening a folder. A path the kernel takes no more whole
  // (PATH_MAX) is named in its own folder, opened for it, as the walk met it.
  int Resolve(std::string_view rel, FileRef& ref) {
    if (!rootFd_.ok()) rootFd_ = Fd(open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!rootFd_.ok()) return errno;
    int dir = rootFd_.get();
    size_t slash = rel.rfind(kSep);
    if (rel.size() >= PATH_MAX && slash != std::string_view::npos) {
      folder_ = Fd(openat(dir, std::string(rel.substr(0, slash)).c_str(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC));
      if (!folder_.ok()) return errno;
      dir = folder_.get();
      rel.remove_prefix(slash + 1);
    }
    name_ = rel;
    ref = FileRef{dir, name_.c_str()};
    return 0;
  }

 private:
  const std::string& root_;
  Fd rootFd_;
  Fd folder_;  // of the last file with a long path
  std::string name_;
};

}  // namespace

// A pair of this size takes long enough to be worth a worker of its own.
constexpr off_t kLargePair = 1 << 20;

// Compares pairs on one worker, with that worker's chosen folders and buffers.
class PairComparer {
 public:
  PairComparer(const std::string& leftRoot, const std::string& rightRoot)
      : left_(leftRoot), right_(rightRoot) {}

  // `beforeLongRead` is called when the pair turns out large, before its
  // contents are read. `sameSizeSeen`: the walk saw both files with one size.
  template <class BeforeLongRead>
  PairVerdict Compare(std::string_view leftName, std::string_view rightName, bool sameSizeSeen,
                      BeforeLongRead&& beforeLongRead) {
    if (sameSizeSeen) {
      std::optional<PairVerdict> v = CompareOpened(leftName, rightName, beforeLongRead);
      if (v) return *v;
    }
    return CompareLooked(leftName, rightName, beforeLongRead);
  }

 private:
  static PairVerdict Failed(bool isLeft, int error) {
    return PairVerdict{PairVerdict::kFailed, isLeft, error};
  }

  // A pair the walk saw with one size is mostly read: both files are opened
  // first and then asked what they are by fstat, which spares the kernel a
  // path lookup per file. Opened without blocking and never read unless it
  // is a regular file, something else put in a file's place meanwhile does no
  // harm. Nothing when a file cannot be opened: the looks before opening then
  // tell what it is (a file of another size now is no failure).
  template <class BeforeLongRead>
  std::optional<PairVerdict> CompareOpened(std::string_view leftName, std::string_view rightName,
                                           BeforeLongRead& beforeLongRead) {
    FileRef l{}, r{};
    if (left_.Resolve(leftName, l) != 0) return std::nullopt;
    Fd lf(openat(l.dir, l.name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!lf.ok()) return std::nullopt;
    if (right_.Resolve(rightName, r) != 0) return std::nullopt;
    Fd rf(openat(r.dir, r.name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!rf.ok()) return std::nullopt;
    struct stat ls {
    }, rs{};
    if (fstat(lf.get(), &ls) != 0) return Failed(true, errno);
    if (fstat(rf.get(), &rs) != 0) return Failed(false, errno);
    if (!S_ISREG(ls.st_mode)) return Failed(true, EINVAL);
    if (!S_ISREG(rs.st_mode)) return Failed(false, EINVAL);
    if (ls.st_size < rs.st_size) return PairVerdict{PairVerdict::kLeftShorter};
    if (ls.st_size > rs.st_size) return PairVerdict{PairVerdict::kLeftLonger};
    if (ls.st_size >= kLargePair) beforeLongRead();
    return Verdict(
        contents_.Compare(std::move(lf), std::move(rf), static_cast<uint64_t>(ls.st_size)));
  }

  static PairVerdict Verdict(const ContentsResult& result) {
    if (result.kind == ContentsResult::kEqual) return {PairVerdict::kEqual};
    if (result.kind == ContentsResult::kDiffer) return {PairVerdict::kDiffer};
    return Failed(result.leftFailed, result.error);
  }

  // Looks at both files before it opens them: sizes that differ need no opening.
  template <class BeforeLongRead>
  PairVerdict CompareLooked(std::string_view leftName, std::string_view rightName,
                            BeforeLongRead& beforeLongRead) {
    auto failed = Failed;
    FileRef l{}, r{};
    struct stat ls {
    }, rs{};
    if (int e = left_.Resolve(leftName, l)) return failed(true, e);
    if (fstatat(l.dir, l.name, &ls, 0) != 0) return failed(true, errno);
    if (int e = right_.Resolve(rightName, r)) return failed(false, e);
    if (fstatat(r.dir, r.name, &rs, 0) != 0) return failed(false, errno);
    // Something that is no file now (a FIFO, a device) is never opened.
    if (!S_ISREG(ls.st_mode)) return failed(true, EINVAL);
    if (!S_ISREG(rs.st_mode)) return failed(false, EINVAL);
    if (ls.st_size < rs.st_size) return {PairVerdict::kLeftShorter};
    if (ls.st_size > rs.st_size) return {PairVerdict::kLeftLonger};
    if (ls.st_size >= kLargePair) beforeLongRead();
    return Verdict(contents_.Compare(l, r, static_cast<uint64_t>(ls.st_size)));
  }

  SideRoot left_, right_;
  ContentsComparer contents_;
};

PairVerdicts::PairVerdicts(const ComparisonList& list, const ChosenFolders& folders,
                           RunReporter& run, std::function<bool(int)> wanted)
    : list_(list), run_(run), wanted_(std::move(wanted)), pool_(DefaultWorkerCount()) {
  for (int i = 0; i < pool_.Size(); ++i)
    comparers_.push_back(std::make_unique<PairComparer>(folders.LeftFolder, folders.RightFolder));
}

PairVerdicts::~PairVerdicts() = default;

PairVerdict PairVerdicts::Take(int row) {
  // Refilled in batches, so that busy workers are not woken for every row.
  if (next_ <= row + kAhead / 2) {
    Run run;
    for (; next_ <= list_.Count() && next_ <= row + kAhead; ++next_) {
      if (Pending* p = Add(next_)) run.push_back(p);
      if (run.size() == kRun) PostNew(std::exchange(run, Run()));
    }
    if (!run.empty()) PostNew(std::move(run));
  }
  Pending& p = pending_.front();  // the rows with two files come in order
  // A verdict not there yet is awaited with the rest of its run: woken once
  // per run, the window's thread does not sleep and wake (a futex each way)
  // for every row while a worker is just ahead of it.
  if (!p.done.Ready() && p.runLast != nullptr) p.runLast->done.Await(pool_, run_);
  p.done.Await(pool_, run_);
  PairVerdict v = p.verdict;
  pending_.pop_front();
  return v;
}

PairVerdicts::Pending* PairVerdicts::Add(int row) {
  std::string_view left = list_.View(row, kLeftNameColumn);
  std::string_view right = list_.View(row, kRightNameColumn);
  if (left.empty() || right.empty() || (wanted_ && !wanted_(row))) return nullptr;
  Pending& p = pending_.emplace_back();
  p.left = left;
  p.right = right;
  const FileFacts &lf = list_.Facts(row, true), &rf = list_.Facts(row, false);
  p.sameSize = lf.Known() && rf.Known() && lf.size == rf.size;
  return &p;
}

void PairVerdicts::PostNew(Run run) {
  for (Pending* p : run) p->runLast = run.back();
  Post(std::move(run), 0);
}

void PairVerdicts::Post(Run run, size_t from, bool first) {
  WorkerPool::Job job = [this, run = std::move(run), from](int worker) mutable {
    for (size_t i = from; i < run.size(); ++i) {
      Pending& p = *run[i];
      // A large pair hands the rest of its run back to the pool before its
      // contents are read, so that idle workers take the pairs after it
      // meanwhile: large files are then compared side by side on every worker.
      // (Handed back after the read, the rest went to this same worker, which
      // was free first, and large files were compared one after another.)
      bool handedBack = false;
      p.verdict =
          comparers_[static_cast<size_t>(worker)]->Compare(p.left, p.right, p.sameSize, [&] {
            if (i + 1 == run.size()) return;
            Post(std::move(run), i + 1, true);  // before later runs: these rows come first
            handedBack = true;
          });
      // After this the window's thread may drop `p`, and a handed-back run
      // belongs to another job.
      p.done.Publish(pool_);
      if (handedBack) return;
    }
  };
  if (first)
    pool_.PostFirst({std::move(job)});
  else
    pool_.Post(std::move(job));
}

}  // namespace zweiblick

#include "comparison/compare_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "comparison/file_contents.h"
#include "mainwindow/main_window.h"
#include "platform/worker_pool.h"
#include "reading/access_error.h"
#include "reading/path_helpers.h"
#include "sync/markers.h"

namespace zweiblick {
namespace {

// Keeps the folder of the last file of one side open. Rows of one folder follow
// each other, so most files are then found by their own name instead of by
// their whole path, which spares the kernel most of its path lookups.
class FolderCache {
 public:
  FolderCache() = default;
  FolderCache(const FolderCache&) = delete;
  FolderCache& operator=(const FolderCache&) = delete;
  ~FolderCache() {
    if (fd_ >= 0) close(fd_);
  }
  // The file root + rel as its folder and name; 0 or the error of opening the folder.
  int Resolve(const std::string& root, std::string_view rel, FileRef& ref) {
    size_t slash = rel.rfind(kSep);
    std::string_view folder =
        slash == std::string_view::npos ? std::string_view() : rel.substr(0, slash);
    if (fd_ < 0 || folder != folder_ || root != root_) {
      if (fd_ >= 0) close(fd_);
      root_ = root;
      folder_ = folder;
      fd_ = open((root + folder_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (fd_ < 0) return errno;
    }
    name_ = rel.substr(slash == std::string_view::npos ? 0 : slash + 1);
    ref = FileRef{fd_, name_.c_str()};
    return 0;
  }

 private:
  int fd_ = -1;
  std::string root_, folder_, name_;
};

// What a worker found out about one pair of files.
struct PairVerdict {
  enum Kind { kLeftShorter, kLeftLonger, kEqual, kDiffer, kFailed } kind = kEqual;
  bool leftFailed = false;  // for kFailed: which file, and the system's error number
  int error = 0;
};

// Compares pairs on one worker, with that worker's open folders and buffers.
class PairComparer {
 public:
  PairComparer(const std::string& leftRoot, const std::string& rightRoot)
      : leftRoot_(leftRoot), rightRoot_(rightRoot) {}

  PairVerdict Compare(std::string_view leftName, std::string_view rightName) {
    auto failed = [](bool isLeft, int error) {
      return PairVerdict{PairVerdict::kFailed, isLeft, error};
    };
    FileRef l{}, r{};
    struct stat ls {
    }, rs{};
    if (int e = left_.Resolve(leftRoot_, leftName, l)) return failed(true, e);
    if (fstatat(l.dir, l.name, &ls, 0) != 0) return failed(true, errno);
    if (int e = right_.Resolve(rightRoot_, rightName, r)) return failed(false, e);
    if (fstatat(r.dir, r.name, &rs, 0) != 0) return failed(false, errno);
    // Something that is no file now (a FIFO, a device) is never opened.
    if (!S_ISREG(ls.st_mode)) return failed(true, EINVAL);
    if (!S_ISREG(rs.st_mode)) return failed(false, EINVAL);
    if (ls.st_size < rs.st_size) return {PairVerdict::kLeftShorter};
    if (ls.st_size > rs.st_size) return {PairVerdict::kLeftLonger};
    ContentsResult result = contents_.Compare(l, r, static_cast<uint64_t>(ls.st_size));
    if (result.kind == ContentsResult::kEqual) return {PairVerdict::kEqual};
    if (result.kind == ContentsResult::kDiffer) return {PairVerdict::kDiffer};
    return failed(result.leftFailed, result.error);
  }

 private:
  const std::string& leftRoot_;
  const std::string& rightRoot_;
  FolderCache left_, right_;
  ContentsComparer contents_;
};

// The binary comparison of the rows with two files. Workers compare the pairs
// of the next rows ahead; the window's thread takes the verdicts in row order,
// so markers, counts and messages come exactly as from one thread.
class BinaryRows {
 public:
  BinaryRows(MainWindow& w, CompareCounts& counts)
      : w_(w), c_(counts), list_(w.Liste()), pool_(DefaultWorkerCount()) {
    for (int i = 0; i < pool_.Size(); ++i)
      comparers_.push_back(std::make_unique<PairComparer>(w.LeftFolder, w.RightFolder));
  }

  const char* Marker(int row) {
    // Refilled in batches, so that busy workers are not woken for every row.
    if (next_ <= row + kAhead / 2)
      for (; next_ <= list_.Count() && next_ <= row + kAhead; ++next_) Post(next_);
    Pending& p = pending_.front();  // the rows with two files come in order
    AwaitServingEvents(pool_, p.ready, w_.Port());
    PairVerdict v = p.verdict;
    pending_.pop_front();
    switch (v.kind) {
      case PairVerdict::kLeftShorter:
        return ++c_.lengthDiffers, kMarkLeftShorter;
      case PairVerdict::kLeftLonger:
        return ++c_.lengthDiffers, kMarkLeftLonger;
      case PairVerdict::kEqual:
        return ++c_.identical, kMarkEqual;
      case PairVerdict::kDiffer:
        return ++c_.sameLengthDiffers, kMarkContentsDiffer;
      case PairVerdict::kFailed:
        break;
    }
    std::string_view name = list_.View(row, v.leftFailed ? kLeftNameColumn : kRightNameColumn);
    return Unreadable((v.leftFailed ? w_.LeftFolder : w_.RightFolder) + std::string(name), v.error);
  }

 private:
  // Enough rows ahead to keep every worker busy with small files.
  static constexpr int kAhead = 256;
  struct Pending {
    std::string left, right;
    PairVerdict verdict;
    std::atomic<bool> ready{false};
  };

  void Post(int row) {
    std::string_view left = list_.View(row, kLeftNameColumn);
    std::string_view right = list_.View(row, kRightNameColumn);
    if (left.empty() || right.empty()) return;
    Pending& p = pending_.emplace_back();
    p.left = left;
    p.right = right;
    pool_.Post([this, &p](int worker) {
      p.verdict = comparers_[static_cast<size_t>(worker)]->Compare(p.left, p.right);
      p.ready.store(true);
      pool_.Notify(p.ready);
    });
  }

  // A file that vanished since the folders were read now exists on one side
  // only, and is marked and counted so. One that exists but cannot be read is
  // not known to be identical: it is marked as differing. Either way the user is
  // told once which file it was, and the row is never called identical.
  const char* Unreadable(const std::string& path, int error) {
    if (reported_.insert(path).second) ReportAccessError(w_, error, path);
    if (error == ENOENT || error == ENOTDIR) return ++c_.orphans, kMarkOrphan;
    return ++c_.sameLengthDiffers, kMarkContentsDiffer;
  }

  MainWindow& w_;
  CompareCounts& c_;
  const ComparisonList& list_;
  int next_ = 1;  // the first row not yet handed to the workers
  std::set<std::string> reported_;
  std::deque<Pending> pending_;                           // stays in place while workers fill it
  std::vector<std::unique_ptr<PairComparer>> comparers_;  // one per worker
  WorkerPool pool_;  // ends first: no job outlives what it writes
};

// No file is opened: the stamps the filling stored are compared as texts.
const char* AgeMarker(std::string_view leftStamp, std::string_view rightStamp, CompareCounts& c) {
  int order = leftStamp.substr(0, 16).compare(rightStamp.substr(0, 16));
  if (order < 0) return ++c.ageDiffers, kMarkCopyLeft;
  if (order > 0) return ++c.ageDiffers, kMarkCopyRight;
  return ++c.sameAge, kMarkEqual;
}

}  // namespace

std::string CompareSummary(bool binary, const CompareCounts& c) {
  const std::string cr = "\r";
  std::string text = std::string(binary ? "Ergebnis des Binärvergleichs von "
                                        : "Ergebnis des Versionsvergleichs von ") +
                     std::to_string(c.total) + " Dateien:" + cr + cr;
  auto line = [&](int count, const char* what) {
    if (count != 0) text += std::to_string(count) + what + cr;
  };
  if (c.total == (binary ? c.identical : c.sameAge))
    return text + "Beide Verzeichnisse sind vollkommen identisch!" + cr;
  line(c.orphans, " Dateien sind verwaist.");
  if (binary) {
    line(c.lengthDiffers, " Dateien haben eine unterschiedliche Länge.");
    line(c.sameLengthDiffers, " Dateien sind zwar gleich groß, aber nicht identisch.");
    line(c.identical, " Dateien sind absolut identisch.");
  } else {
    line(c.ageDiffers, " Dateien haben ein unterschiedliches Alter.");
    line(c.sameAge, " Dateien haben ein gleiches Alter.");
  }
  return text;
}

void CompareFiles(MainWindow& w, bool binary) {
  MainWindow::Operation op(w);
  if (!op) return;
  w.EnableCompareButton(false);
  const std::string mode = binary ? "Binär" : "Alters";
  w.SetStatus(2, mode + "vergleich läuft ...");
  ComparisonList& list = w.Liste();
  CompareCounts counts;
  counts.total = list.Count();
  std::optional<BinaryRows> pairs;
  if (binary) pairs.emplace(w, counts);
  for (int i = 1; i <= counts.total; ++i) {
    std::string_view left = list.View(i, kLeftNameColumn);
    std::string_view right = list.View(i, kRightNameColumn);
    const char* marker;
    if (left.empty()) {
      ++counts.orphans;
      marker = binary ? kMarkOrphan : kMarkRightOnly;
    } else if (right.empty()) {
      ++counts.orphans;
      marker = binary ? kMarkOrphan : kMarkLeftOnly;
    } else if (binary) {
      marker = pairs->Marker(i);
    } else {
      marker = AgeMarker(list.View(i, kLeftStampColumn), list.View(i, kRightStampColumn), counts);
    }
    list.SetText(i, kMarkerColumn, marker);
    w.SetProgress(static_cast<float>(static_cast<double>(i) * 100.0 / counts.total));
    if (i % 8 == 0) w.YieldUnlessFast();
  }
  if (!(w.BatchActive && (w.BatchEnd || w.BatchSync))) {
    w.SetStatus(2, mode + "vergleich fertig!");
    w.Port().ShowMessage(CompareSummary(binary, counts), MsgIcon::kInformation, MsgButtons::kOk);
  }
  w.SetProgress(0);
  w.EnableCompareButton(true);
}

}  // namespace zweiblick

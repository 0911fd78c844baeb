#include "comparison/compare_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <set>

#include "comparison/file_contents.h"
#include "comparison/time_tolerance.h"
#include "mainwindow/main_window.h"
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

class RowComparer {
 public:
  RowComparer(MainWindow& w, CompareCounts& counts) : w_(w), c_(counts) {}

  const char* Binary(std::string_view leftName, std::string_view rightName) {
    FileRef l{}, r{};
    struct stat ls {
    }, rs{};
    auto leftPath = [&] { return w_.LeftFolder + std::string(leftName); };
    auto rightPath = [&] { return w_.RightFolder + std::string(rightName); };
    if (int e = left_.Resolve(w_.LeftFolder, leftName, l)) return Unreadable(leftPath(), e);
    if (fstatat(l.dir, l.name, &ls, 0) != 0) return Unreadable(leftPath(), errno);
    if (int e = right_.Resolve(w_.RightFolder, rightName, r)) return Unreadable(rightPath(), e);
    if (fstatat(r.dir, r.name, &rs, 0) != 0) return Unreadable(rightPath(), errno);
    // Something that is no file now (a FIFO, a device) is never opened.
    if (!S_ISREG(ls.st_mode)) return Unreadable(leftPath(), EINVAL);
    if (!S_ISREG(rs.st_mode)) return Unreadable(rightPath(), EINVAL);
    if (ls.st_size < rs.st_size) return ++c_.lengthDiffers, kMarkLeftShorter;
    if (ls.st_size > rs.st_size) return ++c_.lengthDiffers, kMarkLeftLonger;
    ContentsResult result = comparer_.Compare(l, r, static_cast<uint64_t>(ls.st_size),
                                              [this] { w_.YieldUnlessFast(); });
    if (result.kind == ContentsResult::kEqual) return ++c_.identical, kMarkEqual;
    if (result.kind == ContentsResult::kDiffer) return ++c_.sameLengthDiffers, kMarkContentsDiffer;
    return Unreadable(result.leftFailed ? leftPath() : rightPath(), result.error);
  }

  const char* Age(std::string_view leftStamp, std::string_view rightStamp) {
    if (tolerance_ < 0) tolerance_ = AgeTolerance(w_.LeftFolder, w_.RightFolder);
    int order = CompareStamps(leftStamp, rightStamp, tolerance_);
    if (order < 0) return ++c_.ageDiffers, kMarkCopyLeft;
    if (order > 0) return ++c_.ageDiffers, kMarkCopyRight;
    return ++c_.sameAge, kMarkEqual;
  }

 private:
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
  ContentsComparer comparer_;
  FolderCache left_, right_;
  std::set<std::string> reported_;
  int tolerance_ = -1;  // found at the first pair: FAT keeps times in 2-second steps
};

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
  RowComparer compare(w, counts);
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
      marker = compare.Binary(left, right);
    } else {
      marker = compare.Age(list.View(i, kLeftStampColumn), list.View(i, kRightStampColumn));
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "comparison/compare_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "comparison/pair_verdicts.h"
#include "comparison/time_tolerance.h"
#include "list/comparison_list.h"
#include "platform/run_reporter.h"
#include "platform/worker_pool.h"
#include "reading/access_error.h"
#include "reading/chosen_folders.h"
#include "sync/markers.h"

namespace zweiblick {
namespace {

class RowComparer {
 public:
  RowComparer(const ComparisonList& list, const ChosenFolders& folders, RunReporter& run,
              CompareCounts& counts)
      : list_(list), folders_(folders), run_(run), c_(counts) {}

  const char* Binary(int row) {
    if (!pairs_) pairs_.emplace(list_, folders_, run_);
    PairVerdict v = pairs_->Take(row);
    if (v.kind == PairVerdict::kLeftShorter) return ++c_.lengthDiffers, kMarkLeftShorter;
    if (v.kind == PairVerdict::kLeftLonger) return ++c_.lengthDiffers, kMarkLeftLonger;
    if (v.kind == PairVerdict::kEqual) return ++c_.identical, kMarkEqual;
    if (v.kind == PairVerdict::kDiffer) return ++c_.sameLengthDiffers, kMarkContentsDiffer;
    if (v.leftFailed)
      return Unreadable(folders_.LeftFolder + list_.Text(row, kLeftNameColumn), v.error);
    return Unreadable(folders_.RightFolder + list_.Text(row, kRightNameColumn), v.error);
  }

  const char* Age(int row) {
    // The stamps are local time, which runs backwards once a year and has
    // only four digits for the year: the instants behind them decide.
    const ComparisonList& list = list_;
    const FileFacts& l = list.Facts(row, true);
    const FileFacts& r = list.Facts(row, false);
    int order;
    if (l.Known() && r.Known()) {
      bool fat = OnFat(row, true, l) || OnFat(row, false, r);
      order = CompareAges(l, r, fat ? kFatTimeStep : 0);
    } else {
      // The probe asks the file systems, which may hang: not on the window's thread.
      if (folderTolerance_ < 0)
        RunServingEvents(
            [&] { folderTolerance_ = AgeTolerance(folders_.LeftFolder, folders_.RightFolder); },
            run_);
      order = CompareStamps(list.View(row, kLeftStampColumn), list.View(row, kRightStampColumn),
                            folderTolerance_);
    }
    if (order < 0) return ++c_.ageDiffers, kMarkCopyLeft;
    if (order > 0) return ++c_.ageDiffers, kMarkCopyRight;
    return ++c_.sameAge, kMarkEqual;
  }

 private:
  // Whether the row's file of one side, seen by the walk as `facts`, lies on FAT: asked
  // once for each device of a side, off the window's thread (the probe may
  // hang). An answer is kept only while the file is still on the device the
  // walk saw it on; for a file gone since, the next file on it asks again.
  bool OnFat(int row, bool left, const FileFacts& facts) {
    const std::pair<bool, uint64_t> key{left, facts.device};
    if (auto known = onFat_.find(key); known != onFat_.end()) return known->second;
    const std::string path = left ? folders_.LeftFolder + list_.Text(row, kLeftNameColumn)
                                  : folders_.RightFolder + list_.Text(row, kRightNameColumn);
    bool fat = false, kept = false;
    RunServingEvents(
        [&] {
          struct stat st {};
          fat = OnFatFileSystem(path);
          kept = stat(path.c_str(), &st) == 0 && static_cast<uint64_t>(st.st_dev) == facts.device;
        },
        run_);
    if (kept) onFat_.emplace(key, fat);
    return fat;
  }

  // A file that vanished since the folders were read now exists on one side
  // only, and is marked and counted so. One that exists but cannot be read is
  // not known to be identical: it is marked as differing. Either way the user is
  // told once which file it was, and the row is never called identical.
  const char* Unreadable(const std::string& path, int error) {
    if (reported_.insert(path).second) ReportAccessError(run_, error, path);
    if (error == ENOENT || error == ENOTDIR) return ++c_.orphans, kMarkOrphan;
    return ++c_.sameLengthDiffers, kMarkContentsDiffer;
  }

  const ComparisonList& list_;
  const ChosenFolders& folders_;
  RunReporter& run_;
  CompareCounts& c_;
  std::optional<PairVerdicts> pairs_;  // started by the first pair
  std::set<std::string> reported_;
  int folderTolerance_ = -1;  // by the chosen folders, found at the first row that needs it
  // Whether each device of each side is FAT. A stick may be mounted below a
  // chosen folder on the normal disk, so the folders do not tell.
  std::map<std::pair<bool, uint64_t>, bool> onFat_;
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

void CompareFiles(ComparisonList& list, const ChosenFolders& folders, RunReporter& run,
                  const BatchSwitches& batch, bool binary, const std::function<void()>& marked) {
  run.EnableCompareButton(false);
  const std::string mode = binary ? "Binär" : "Alters";
  run.SetStatus(2, mode + "vergleich läuft ...");
  CompareCounts counts;
  counts.total = list.Count();
  RowComparer compare(list, folders, run, counts);
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
      marker = compare.Binary(i);
    } else {
      marker = compare.Age(i);
    }
    list.SetText(i, kMarkerColumn, marker);
    run.SetProgress(static_cast<float>(static_cast<double>(i) * 100.0 / counts.total));
    if (i % 8 == 0) {
      run.YieldUnlessFast();
      if (run.StopRequested()) {
        for (int r = i + 1; r <= counts.total; ++r) list.SetText(r, kMarkerColumn, kMarkNone);
        run.SetStatus(2, mode + kStatusCompareStopped);
        break;
      }
    }
  }
  if (marked) marked();
  if (!run.StopRequested() && !(batch.BatchActive && (batch.BatchEnd || batch.BatchSync))) {
    run.SetStatus(2, mode + "vergleich fertig!");
    run.ShowMessage(CompareSummary(binary, counts), MsgIcon::kInformation, MsgButtons::kOk);
  }
  run.SetProgress(0);
  run.EnableCompareButton(true);
}

}  // namespace zweiblick

// SPDX-License-Identifier: GPL-3.0-or-later
#include "comparison/compare_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "comparison/changes_since.h"
#include "comparison/pair_verdicts.h"
#include "comparison/time_tolerance.h"
#include "list/comparison_list.h"
#include "list/markers.h"
#include "platform/run_reporter.h"
#include "platform/worker_pool.h"
#include "reading/access_error.h"
#include "reading/chosen_folders.h"

namespace zweiblick {
namespace {

class RowComparer {
 public:
  // `only`: the one row to be compared, when not all are.
  RowComparer(const ComparisonList& list, const ChosenFolders& folders, RunReporter& run,
              CompareCounts& counts, int only = 0)
      : list_(list), folders_(folders), run_(run), c_(counts), only_(only) {}

  const char* Binary(int row) {
    if (!pairs_ && only_ > 0)
      pairs_.emplace(list_, folders_, run_, [only = only_](int r) { return r == only; });
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

  // The row as the comparison by changes sees it, before contents are read.
  ChangeVerdict ChangeOf(int row, const RecordMatch& match) {
    const ComparisonList& list = list_;
    std::string_view left = list.View(row, kLeftNameColumn);
    std::string_view right = list.View(row, kRightNameColumn);
    const RecordedFile* rec = match.Of(row);
    auto side = [&](bool isLeft, std::string_view name) {
      const FileFacts& now = list.Facts(row, isLeft);
      bool fat = rec && !name.empty() && now.Known() && OnFat(row, isLeft, now);
      return SideChangeOf(name, now, rec, isLeft, fat);
    };
    return DecideChange(side(true, left), side(false, right), match.HoldDeletions());
  }

  // The contents of a pair changed on both sides, which decide between "=" and "][".
  ChangeVerdict Contents(int row, ChangeVerdict v, const std::vector<char>& wanted) {
    if (!pairs_)
      pairs_.emplace(list_, folders_, run_,
                     [&wanted](int r) { return wanted[static_cast<size_t>(r - 1)] != 0; });
    PairVerdict p = pairs_->Take(row);
    if (p.kind != PairVerdict::kFailed) return WithContents(v, p.kind == PairVerdict::kEqual);
    const std::string path = p.leftFailed
                                 ? folders_.LeftFolder + list_.Text(row, kLeftNameColumn)
                                 : folders_.RightFolder + list_.Text(row, kRightNameColumn);
    if (reported_.insert(path).second) ReportAccessError(run_, p.error, path);
    return {kMarkSkip, RowChange::kUnreadable};
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
  int only_;
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

namespace {

void CountChange(ChangeCounts& c, RowChange change, const ComparisonList& list, int row) {
  switch (change) {
    case RowChange::kUnchanged:
    case RowChange::kLeftRenamed:
    case RowChange::kRightRenamed:
      ++c.unchanged;
      break;
    case RowChange::kLeftNew:
    case RowChange::kLeftChanged:
      ++c.leftChanged;
      break;
    case RowChange::kRightNew:
    case RowChange::kRightChanged:
      ++c.rightChanged;
      break;
    case RowChange::kLeftDeleted:
      ++c.leftDeleted;
      break;
    case RowChange::kRightDeleted:
      ++c.rightDeleted;
      break;
    case RowChange::kLeftDeletedRightChanged:
    case RowChange::kRightDeletedLeftChanged:
      ++c.copiedBack;
      break;
    case RowChange::kBothChangedEqual:
    case RowChange::kBothNewEqual:
      ++c.sameChange;
      break;
    case RowChange::kBothChangedConflict:
    case RowChange::kBothNewConflict: {
      std::string_view name = list.View(row, kLeftNameColumn);
      c.conflicts.emplace_back(name.empty() ? list.View(row, kRightNameColumn) : name);
      break;
    }
    case RowChange::kLeftDeletedHeld:
    case RowChange::kRightDeletedHeld:
      ++c.held;
      break;
    case RowChange::kUnreadable:
      ++c.unreadable;
      break;
    case RowChange::kNone:
      break;
  }
}

enum class Mode { kBinary, kAge, kChanges };

// `match` for the comparison by changes; `note` says why a comparison by
// changes compares by age instead.
void CompareRows(ComparisonList& list, const ChosenFolders& folders, RunReporter& run,
                 const BatchSwitches& batch, Mode mode, const RecordMatch* match,
                 const std::string& note, const std::function<void()>& marked) {
  run.EnableCompareButton(false);
  const bool binary = mode == Mode::kBinary;
  const std::string word = binary ? "Binär" : match || !note.empty() ? "Änderungs" : "Alters";
  run.SetStatus(2, word + "vergleich läuft ...");
  CompareCounts counts;
  ChangeCounts changes;
  counts.total = changes.total = list.Count();
  RowComparer compare(list, folders, run, counts);
  // What changed is known from the record for every row at once; only the
  // pairs changed on both sides are read, on the workers, ahead of the rows.
  std::vector<ChangeVerdict> verdicts;
  std::vector<char> wanted;
  if (match) {
    verdicts.reserve(static_cast<size_t>(counts.total));
    wanted.assign(static_cast<size_t>(counts.total), 0);
    for (int i = 1; i <= counts.total; ++i) {
      verdicts.push_back(compare.ChangeOf(i, *match));
      wanted[static_cast<size_t>(i - 1)] = verdicts.back().needsContents;
    }
  }
  for (int i = 1; i <= counts.total; ++i) {
    std::string_view left = list.View(i, kLeftNameColumn);
    std::string_view right = list.View(i, kRightNameColumn);
    const char* marker;
    RowChange change = RowChange::kNone;
    if (match) {
      ChangeVerdict v = verdicts[static_cast<size_t>(i - 1)];
      if (v.needsContents) v = compare.Contents(i, v, wanted);
      marker = v.marker;
      change = v.change;
      CountChange(changes, change, list, i);
    } else if (left.empty()) {
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
    list.SetChange(i, change);
    run.SetProgress(static_cast<float>(static_cast<double>(i) * 100.0 / counts.total));
    if (i % 8 == 0) {
      run.YieldUnlessFast();
      if (run.StopRequested()) {
        for (int r = i + 1; r <= counts.total; ++r) {
          list.SetText(r, kMarkerColumn, kMarkNone);
          list.SetChange(r, RowChange::kNone);
        }
        run.SetStatus(2, word + kStatusCompareStopped);
        break;
      }
    }
  }
  if (marked) marked();
  const bool quiet = batch.BatchActive && (batch.BatchEnd || batch.BatchSync);
  // Unattended, the conflicts are still told, without a box to wait for.
  if (!run.StopRequested() && quiet && !changes.conflicts.empty()) run.Note(ConflictLines(changes));
  if (!run.StopRequested() && !quiet) {
    run.SetStatus(2, word + "vergleich fertig!");
    std::string summary;
    if (match)
      summary = ChangeSummary(changes, *match);
    else if (!note.empty())
      summary = note +
                "\rEs wurde daher nach dem Alter verglichen; dabei wird nichts gelöscht.\r\r" +
                CompareSummary(false, counts);
    else
      summary = CompareSummary(binary, counts);
    run.ShowMessage(summary, MsgIcon::kInformation, MsgButtons::kOk);
  } else if (!note.empty() && !run.StopRequested()) {
    run.Note(note + " Es wurde daher nach dem Alter verglichen.");
  }
  run.SetProgress(0);
  run.EnableCompareButton(true);
}

// The record of the two folders chosen the other way round, as this pair's;
// where it cannot serve, why not (or that there is none).
LoadedRecord Mirrored(LoadedRecord other, ChangeBasis& basis) {
  if (other.state != LoadedRecord::State::kRecord) {
    if (other.state == LoadedRecord::State::kNone) return other;
    other.problem += " (Die beiden Ordner waren beim letzten Abgleich vertauscht.)";
    return other;
  }
  LoadedRecord mirrored;
  mirrored.state = LoadedRecord::State::kRecord;
  mirrored.files.Reserve(other.files.size());
  basis.carried.reserve(other.files.size());
  for (const auto& [key, f] : other.files) {
    RecordedFile m{f.rightName, f.leftName, f.right, f.left};
    basis.carried.emplace_back(key, m);
    mirrored.files.Add(key, std::move(m));
  }
  return mirrored;
}

}  // namespace

LoadedRecord LoadChangeRecord(RecordStore& store, const std::string& pairKey,
                              const std::string& swappedKey, ChangeBasis& basis, RunReporter& run) {
  LoadedRecord record;
  if (pairKey.empty()) {
    record.state = LoadedRecord::State::kUnreadable;
    record.problem = "Der Datenträger eines der beiden Ordner lässt sich nicht bestimmen.";
    return record;
  }
  // A million files take a moment to read: the window goes on meanwhile.
  RunServingEvents([&] { record = store.Load(pairKey); }, run);
  if (record.state == LoadedRecord::State::kNone && !swappedKey.empty() && swappedKey != pairKey) {
    RunServingEvents([&] { record = Mirrored(store.Load(swappedKey), basis); }, run);
    if (record.state == LoadedRecord::State::kRecord) basis.formerKey = swappedKey;
  }
  return record;
}

void CompareRowAgain(ComparisonList& list, const ChosenFolders& folders, RunReporter& run, int row,
                     bool binary, const RecordMatch* match) {
  std::vector<char> wanted(static_cast<size_t>(list.Count()), 0);  // outlives the comparer
  wanted[static_cast<size_t>(row - 1)] = 1;
  CompareCounts unused;
  RowComparer compare(list, folders, run, unused, row);
  ChangeVerdict v{nullptr, RowChange::kNone};
  if (match) {
    v = compare.ChangeOf(row, *match);
    if (v.needsContents) v = compare.Contents(row, v, wanted);
  } else {
    v.marker = binary ? compare.Binary(row) : compare.Age(row);
  }
  list.SetText(row, kMarkerColumn, v.marker);
  list.SetChange(row, v.change);
}

void CompareFiles(ComparisonList& list, const ChosenFolders& folders, RunReporter& run,
                  const BatchSwitches& batch, bool binary, const std::function<void()>& marked) {
  CompareRows(list, folders, run, batch, binary ? Mode::kBinary : Mode::kAge, nullptr, {}, marked);
}

void CompareByChanges(ComparisonList& list, const ChosenFolders& folders, RunReporter& run,
                      const BatchSwitches& batch, RecordStore& store, const std::string& pairKey,
                      const std::string& swappedKey, ChangeBasis& basis,
                      const std::function<void()>& marked) {
  basis = ChangeBasis{pairKey, true, {}, {}, {}};
  LoadedRecord record = LoadChangeRecord(store, pairKey, swappedKey, basis, run);
  basis.fresh = record.state != LoadedRecord::State::kRecord;
  if (record.state != LoadedRecord::State::kRecord) {
    CompareRows(list, folders, run, batch, Mode::kAge, nullptr, record.problem, marked);
    return;
  }
  RecordMatch match(record.files, list);
  basis.goneOnBoth = match.GoneOnBoth(record.files);
  CompareRows(list, folders, run, batch, Mode::kChanges, &match, {}, marked);
}

}  // namespace zweiblick

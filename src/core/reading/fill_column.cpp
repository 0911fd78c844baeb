// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/fill_column.h"

#include <string_view>
#include <vector>

#include "list/row_count_text.h"
#include "platform/run_reporter.h"
#include "reading/path_helpers.h"
#include "reading/walk_folder_tree.h"

namespace zweiblick {
namespace {

// Finds the row a right file belongs to. On a file system that tells letter
// case apart, "a.txt" and "A.txt" are two files: pairing one with the other's
// row would let a synchronisation copy one over a different one. So a right file
// takes the row whose left name is exactly its own; otherwise the first row that
// matches ignoring case, has no right file yet and is not exactly the name of
// another file of this folder. Where every name has one spelling this is simply
// the first row that matches.
//
// The rows taken exactly are taken as the walk meets their files; the other
// files wait for the end of the walk, for a file met later may be exactly
// the name a row was about to be matched by. By then every file named exactly
// like a row's left name sits on that row, so "the name of another file of
// this folder" is a row whose two names are that name.
class RightMatcher {
 public:
  explicit RightMatcher(const ComparisonList& list) : list_(list) {}

  int Exact(std::string_view rel) const {
    int exact = 0;
    list_.ForEachMatch(rel, [&](int pos) {
      if (list_.View(pos, kLeftNameColumn) != rel) return true;
      exact = pos;
      return false;
    });
    return exact;
  }

  // After the walk, for a file that has no exact row.
  int Free(std::string_view rel) const {
    int free = 0;
    list_.ForEachMatch(rel, [&](int pos) {
      std::string_view left = list_.View(pos, kLeftNameColumn);
      if (list_.View(pos, kRightNameColumn).empty() && !IsRightName(left)) {
        free = pos;
        return false;
      }
      return true;
    });
    return free;
  }

 private:
  bool IsRightName(std::string_view name) const {
    bool found = false;
    list_.ForEachMatch(name, [&](int pos) {
      found = list_.View(pos, kLeftNameColumn) == name && list_.View(pos, kRightNameColumn) == name;
      return !found;
    });
    return found;
  }

  const ComparisonList& list_;
};

// Enters the files into the list as the walk hands them over.
class Entering final : public FoundSink {
 public:
  Entering(ComparisonList& list, RunReporter& run, size_t start, bool isLeft)
      : list_(list), run_(run), start_(start), isLeft_(isLeft), matcher_(list) {}

  void Found(std::string& path, const FileFacts& facts) override {
    if (run_.StopRequested()) return;  // the walk ends at its next folder
    std::string_view rel = std::string_view(path).substr(start_);
    if (isLeft_) {
      int r = list_.Add(list_.Count() + 1, rel);
      Enter(r, kLeftStampColumn, true, facts);
    } else if (int r = matcher_.Exact(rel); r != 0) {
      list_.SetText(r, kRightNameColumn, rel);
      Enter(r, kRightStampColumn, false, facts);
    } else {
      waiting_.push_back(
          {static_cast<uint32_t>(waitingNames_.size()), static_cast<uint32_t>(rel.size()), facts});
      waitingNames_ += rel;
    }
    if (++count_ % 64 == 0) run_.YieldUnlessFast();
  }

  // The right files without an exact row, in the walk's order.
  void EnterWaiting() {
    size_t n = waiting_.size();
    for (size_t i = 0; i < n && !run_.StopRequested(); ++i) {
      run_.SetProgress(static_cast<float>(static_cast<double>(i + 1) * 50.0 / n + 50.0));
      const Waiting& w = waiting_[i];
      std::string_view rel = std::string_view(waitingNames_).substr(w.offset, w.size);
      int r = matcher_.Free(rel);
      if (r == 0) r = list_.Add(list_.Count() + 1, "");
      list_.SetText(r, kRightNameColumn, rel);
      Enter(r, kRightStampColumn, false, w.facts);
      if ((i + 1) % 64 == 0) run_.YieldUnlessFast();
    }
  }

 private:
  void Enter(int row, int stampColumn, bool left, const FileFacts& facts) {
    list_.SetText(row, stampColumn, StampText(facts.mtimeSec, stamp_));
    list_.SetFacts(row, left, facts);
  }

  struct Waiting {
    uint32_t offset;
    uint32_t size;
    FileFacts facts;
  };
  ComparisonList& list_;
  RunReporter& run_;
  size_t start_;
  bool isLeft_;
  RightMatcher matcher_;
  StampChars stamp_;
  std::vector<Waiting> waiting_;
  std::string waitingNames_;
  size_t count_ = 0;
};

// A filling stopped halfway would leave a column that looks complete to the
// comparison and the synchronisation: the list goes back to what it was
// before, with the right column empty. The rows the filling appended are
// the last ones (the list is not sorted meanwhile); the others had no right
// name since the filling emptied them.
void Undo(ComparisonList& list, ChosenFolders& folders, const ChosenFolders& before, int rowsBefore,
          bool isLeft) {
  folders = before;
  if (isLeft) {
    list.Clear();
    list.SetHeader(kLeftNameColumn, kHeaderLeftInitial);
  } else {
    for (int r = list.Count(); r > rowsBefore; --r) list.Remove(r);
    for (int r = 1; r <= rowsBefore; ++r)
      if (!list.View(r, kRightNameColumn).empty()) {
        list.SetText(r, kRightNameColumn, "");
        list.SetText(r, kRightStampColumn, "");
      }
  }
  list.SetHeader(kRightNameColumn, kHeaderRightInitial);
}

}  // namespace

bool FillColumn(ComparisonList& list, ChosenFolders& folders, RunReporter& run,
                const std::string& folderPath, bool isLeft, bool keepSide) {
  if (list.Count() == 0 && !keepSide) isLeft = true;
  std::string path = WithTrailingBackslash(folderPath);
  run.EnableCompareButton(false);
  run.ShowBusyPointer(true);
  run.SetStatus(2, "");
  list.SetSorted(false);
  const ChosenFolders before = folders;
  const int rowsBefore = list.Count();
  if (isLeft) {
    folders.LeftFolder = path;
    list.SetHeader(kLeftNameColumn, path);
    list.SetHeader(kRightNameColumn, "Zweiter Ordner");
    list.Clear();
  } else {
    folders.RightFolder = path;
    list.SetHeader(kRightNameColumn, path);
    for (int r = 1; r <= list.Count(); ++r) {
      list.SetText(r, kRightNameColumn, "");
      list.SetText(r, kMarkerColumn, "");
      list.SetFailure(r, "");
    }
  }
  run.SetProgress(25);
  run.SetStatus(2, kStatusWalking);
  // Before the walk: a stick swapped during it is not taken for the one read.
  FolderIdentity seen = IdentityOf(path, {});
  size_t start = path.size();  // the relative name begins right after the folder path
  // The lookups of column 1 are built at the first file the walk hands over,
  // while the workers read on: they give way to this thread.
  Entering entering(list, run, start, isLeft);
  FileFacts facts = WalkFolderTree(entering, run, path, folders.Filter, folders.OwnFiles);
  FolderIdentity& id = isLeft ? folders.LeftFolderId : folders.RightFolderId;
  id = seen;
  id.facts = facts;
  run.SetProgress(50);
  run.SetStatus(2, kStatusEntering);
  entering.EnterWaiting();
  if (run.StopRequested()) {
    Undo(list, folders, before, rowsBefore, isLeft);
    run.SetStatus(2, kStatusFillStopped);
  } else {
    run.SetStatus(2, kStatusEntered);
  }
  list.SetSorted(true);
  run.ShowBusyPointer(false);
  run.SetProgress(0);
  run.EnableCompareButton(true);
  return !isLeft;
}

}  // namespace zweiblick

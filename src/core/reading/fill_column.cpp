// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/fill_column.h"

#include <string_view>
#include <unordered_set>

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
class RightMatcher {
 public:
  RightMatcher(const ComparisonList& list, const std::vector<FoundFile>& found, size_t start)
      : list_(list), found_(found), start_(start) {}

  int Row(std::string_view rel) {
    const ComparisonList& list = list_;
    int exact = 0, free = 0;
    list.ForEachMatch(rel, [&](int pos) {
      std::string_view left = list.View(pos, kLeftNameColumn);
      if (left == rel) {
        exact = pos;
        return false;
      }
      if (free == 0 && list.View(pos, kRightNameColumn).empty() && !IsRightName(left)) free = pos;
      return true;
    });
    return exact != 0 ? exact : free;
  }

 private:
  bool IsRightName(std::string_view name) {
    if (names_.empty()) {  // built only when names clash
      for (size_t i = 1; i < found_.size(); ++i)
        names_.insert(std::string_view(found_[i].path).substr(start_));
    }
    return names_.count(name) > 0;
  }

  const ComparisonList& list_;
  const std::vector<FoundFile>& found_;
  size_t start_;
  std::unordered_set<std::string_view> names_;
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

bool FillColumn(ComparisonList& list, ChosenFolders& folders, std::vector<FoundFile>& foundFiles,
                RunReporter& run, const std::string& folderPath, bool isLeft, bool keepSide) {
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
  foundFiles.assign(1, FoundFile{});
  run.SetProgress(25);
  run.SetStatus(2, kStatusWalking);
  // Before the walk: a stick swapped during it is not taken for the one read.
  FolderIdentity seen = IdentityOf(path, {});
  FileFacts facts = WalkFolderTree(foundFiles, run, path, folders.Filter, folders.OwnFiles);
  FolderIdentity& id = isLeft ? folders.LeftFolderId : folders.RightFolderId;
  id = seen;
  id.facts = facts;
  run.SetProgress(50);
  size_t start = path.size();  // the relative name begins right after the folder path
  run.SetStatus(2, kStatusEntering);
  int n = run.StopRequested() ? 0 : static_cast<int>(foundFiles.size()) - 1;
  RightMatcher matcher(list, foundFiles, start);
  StampChars stamp;
  for (int i = 1; i <= n; ++i) {
    run.SetProgress(static_cast<float>(static_cast<double>(i) * 50.0 / n + 50.0));
    const FoundFile& file = foundFiles[i];
    std::string_view rel = std::string_view(file.path).substr(start);
    if (isLeft) {
      list.Add(i, std::string(rel));
      list.SetText(i, kLeftStampColumn, StampText(file.facts.mtimeSec, stamp));
      list.SetFacts(i, true, file.facts);
    } else {
      int r = matcher.Row(rel);
      if (r == 0) r = list.Add(list.Count() + 1, "");
      list.SetText(r, kRightNameColumn, rel);
      list.SetText(r, kRightStampColumn, StampText(file.facts.mtimeSec, stamp));
      list.SetFacts(r, false, file.facts);
    }
    if (i % 64 == 0) {
      run.YieldUnlessFast();
      if (run.StopRequested()) break;
    }
  }
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

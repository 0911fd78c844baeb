#include "reading/fill_column.h"

#include <string_view>
#include <unordered_set>

#include "mainwindow/main_window.h"
#include "reading/path_helpers.h"
#include "reading/walk_folder_tree.h"

namespace zweiblick {
namespace {

std::string RowCountText(int count) {
  return std::to_string(count) + (count == 1 ? " Datei" : " Dateien");
}

// Finds the row a right file belongs to. On a file system that tells letter
// case apart, "a.txt" and "A.txt" are two files: pairing one with the other's
// row would let a synchronisation copy one over a different one. So a right file
// takes the row whose left name is exactly its own; otherwise the first row that
// matches ignoring case, has no right file yet and is not exactly the name of
// another file of this folder. Where every name has one spelling this is simply
// the first row that matches.
class RightMatcher {
 public:
  RightMatcher(const MainWindow& w, size_t start) : w_(w), start_(start) {}

  int Row(std::string_view rel) {
    const ComparisonList& list = w_.Liste();
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
      for (size_t i = 1; i < w_.FoundFiles.size(); ++i)
        names_.insert(std::string_view(w_.FoundFiles[i].path).substr(start_));
    }
    return names_.count(name) > 0;
  }

  const MainWindow& w_;
  size_t start_;
  std::unordered_set<std::string_view> names_;
};

}  // namespace

void FillColumn(MainWindow& w, const std::string& folderPath, bool isLeft) {
  bool compareNow = false;
  {
    MainWindow::Operation op(w);
    if (!op) return;
    ComparisonList& list = w.Liste();
    if (list.Count() == 0) isLeft = true;
    std::string path = WithTrailingBackslash(folderPath);
    w.EnableCompareButton(false);
    w.Port().ShowBusyPointer(true);
    w.SetStatus(1, "");
    w.SetStatus(2, "");
    list.SetSorted(false);
    if (isLeft) {
      w.LeftFolder = path;
      list.SetHeader(kLeftNameColumn, path);
      list.SetHeader(kRightNameColumn, "Zweiter Ordner");
      w.ClearList();
    } else {
      w.RightFolder = path;
      list.SetHeader(kRightNameColumn, path);
      for (int r = 1; r <= list.Count(); ++r) {
        list.SetText(r, kRightNameColumn, "");
        list.SetText(r, kMarkerColumn, "");
      }
    }
    w.FoundFiles.assign(1, FoundFile{});
    w.SetProgress(25);
    w.SetStatus(2, kStatusWalking);
    (isLeft ? w.LeftFolderFacts : w.RightFolderFacts) = WalkFolderTree(w, path);
    w.SetProgress(50);
    size_t start = path.size();  // the relative name begins right after the folder path
    w.SetStatus(2, kStatusEntering);
    int n = static_cast<int>(w.FoundFiles.size()) - 1;
    RightMatcher matcher(w, start);
    for (int i = 1; i <= n; ++i) {
      w.SetProgress(static_cast<float>(static_cast<double>(i) * 50.0 / n + 50.0));
      const FoundFile& file = w.FoundFiles[i];
      std::string rel = file.path.substr(start);
      if (isLeft) {
        list.Add(i, std::move(rel));
        list.SetText(i, kLeftStampColumn, StampText(file.facts.mtimeSec));
        list.SetFacts(i, true, file.facts);
      } else {
        int r = matcher.Row(rel);
        if (r == 0) r = list.Add(list.Count() + 1, "");
        list.SetText(r, kRightNameColumn, rel);
        list.SetText(r, kRightStampColumn, StampText(file.facts.mtimeSec));
        list.SetFacts(r, false, file.facts);
      }
      if (i % 64 == 0) w.YieldUnlessFast();
    }
    w.SetStatus(2, kStatusEntered);
    w.SetStatus(1, RowCountText(list.Count()));
    list.SetSorted(true);
    w.Port().ShowBusyPointer(false);
    w.SetProgress(0);
    w.EnableCompareButton(true);
    compareNow = w.SofortStart() && !isLeft && !w.BatchActive;
  }
  if (compareNow) w.CompareAfterFilling();
}

}  // namespace zweiblick

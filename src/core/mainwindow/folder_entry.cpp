// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/folder_entry.h"

#include <sys/stat.h>

#include "mainwindow/main_window.h"
#include "reading/nested_folders.h"
#include "reading/path_helpers.h"

namespace zweiblick {
namespace {

// Fills the column unless the folder would pair with the left one while one
// lies in the other: a synchronisation would copy one into the other, one
// level deeper at every run. A left filling starts over and is never refused.
void FillUnlessNested(MainWindow& w, const std::string& path, bool isLeft) {
  if (!isLeft && w.Liste().Count() > 0) {
    const std::string& left = w.Folders().LeftFolder;
    std::string text = NestedFolderText(NestingOf(left, path), left, WithTrailingBackslash(path));
    if (!text.empty()) {
      w.Report().ShowMessage(text, MsgIcon::kNone, MsgButtons::kOk);
      return;
    }
  }
  w.FillColumn(path, isLeft);
}

}  // namespace

void DropOnList(MainWindow& w, const std::vector<std::string>& names, int x, int firstColumnWidth) {
  if (names.empty()) return;
  auto refuse = [&](const char* text) {
    w.Report().ShowMessage(text, MsgIcon::kNone, MsgButtons::kOk);
  };
  if (names.size() >= 2) return refuse(kDropOnlyOne);
  const std::string& name = names.front();
  struct stat st {};
  // A name that vanished between drag and drop is no folder either.
  if (stat(name.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return refuse(kDropNoFiles);
  if (name.find('?') != std::string::npos) return refuse(kDropBadName);
  FillUnlessNested(w, name, x < firstColumnWidth);
}

void AskForFolder(MainWindow& w, bool isLeft) {
  // The filling would ignore the folder chosen during a long operation: no dialog then.
  if (w.Busy()) return;
  std::string path = TrimAtNul(w.Window().BrowseForFolder(kFolderPrompt));
  if (!path.empty()) FillUnlessNested(w, path, isLeft);
}

std::string NestedFolderText(FolderNesting nesting, const std::string& leftFolder,
                             const std::string& rightFolder) {
  auto inside = [](const std::string& inner, const std::string& outer) {
    return "Der Ordner '" + inner + "'\rliegt im Ordner '" + outer +
           "'.\r\rIneinander liegende Ordner lassen sich nicht vergleichen.";
  };
  switch (nesting) {
    case FolderNesting::kSame:
      return "Der Ordner '" + rightFolder + "'\rist derselbe wie der Ordner '" + leftFolder +
             "' der linken Spalte.\r\rEin Ordner lässt sich nicht mit sich selbst vergleichen.";
    case FolderNesting::kFirstInsideSecond:
      return inside(leftFolder, rightFolder);
    case FolderNesting::kSecondInsideFirst:
      return inside(rightFolder, leftFolder);
    case FolderNesting::kApart:
      break;
  }
  return {};
}

std::string TrimAtNul(const std::string& text) {
  return text.substr(0, text.find('\0'));
}

}  // namespace zweiblick

#include "mainwindow/folder_entry.h"

#include <sys/stat.h>

#include "mainwindow/main_window.h"
#include "reading/fill_column.h"

namespace zweiblick {

void DropOnList(MainWindow& w, const std::vector<std::string>& names, int x, int firstColumnWidth) {
  if (names.empty()) return;
  auto refuse = [&](const char* text) {
    w.Port().ShowMessage(text, MsgIcon::kNone, MsgButtons::kOk);
  };
  if (names.size() >= 2) return refuse(kDropOnlyOne);
  const std::string& name = names.front();
  struct stat st {};
  // A name that vanished between drag and drop is no folder either.
  if (stat(name.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return refuse(kDropNoFiles);
  if (name.find('?') != std::string::npos) return refuse(kDropBadName);
  FillColumn(w, name, x < firstColumnWidth);
}

void AskForFolder(MainWindow& w, bool isLeft) {
  // The filling would ignore the folder chosen during a long operation: no dialog then.
  if (w.Busy()) return;
  std::string path = TrimAtNul(w.Port().BrowseForFolder(kFolderPrompt));
  if (!path.empty()) FillColumn(w, path, isLeft);
}

std::string TrimAtNul(const std::string& text) {
  return text.substr(0, text.find('\0'));
}

}  // namespace zweiblick

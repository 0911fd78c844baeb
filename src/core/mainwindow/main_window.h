// The logic of the main window Form1: start-up, command dispatch, the coupling of
// its options, the list events and the state the operations share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "layout/modresize_app.h"
#include "list/comparison_list.h"
#include "platform/window_port.h"
#include "reading/file_facts.h"

namespace zweiblick {

// Indexes of the Btn control array (there is no element 6).
enum BtnIndex : int {
  kBtnLeftFolder = 0,
  kBtnRightFolder = 1,
  kBtnHelp = 2,
  kBtnClipboard = 3,
  kBtnSaveParams = 4,
  kBtnLoadParams = 5,
  kBtnSync = 7,
  kBtnCompare = 8,
  kBtnEnd = 9,
  kBtnInfo = 10,
};

// One file found by the walk: its full path and what its attributes said, so
// that entering it needs no second look at the disk.
struct FoundFile {
  std::string path;
  FileFacts facts;
};

class MainWindow {
 public:
  explicit MainWindow(WindowPort& port);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Events of the window.
  void Load(const std::string& commandLine);
  void BtnClick(int index);
  void CompModeOptClick(int index);
  void ColumnClick(int column);
  void ListMouseDown(int button);
  void ListClick();
  // The keyboard's menu key (or Shift+F10) on the list: the popup, as after a right click.
  void ListMenuKey();
  void PopupItemClick(int index);
  void ToolTipCheckClick(bool checked);
  void MyTopMostChkClick(bool checked);
  void SetSofortStart(bool checked) { sofortStart_ = checked; }
  void SetSpeed(bool checked) { speed_ = checked; }
  void Resize(bool minimised);
  // The immediate comparison after the right column is filled.
  void CompareAfterFilling();
  void Unload();

  // Shared helpers of the long operations.
  void ClearList();
  void SetStatus(int panel, const std::string& text);
  void EnableCompareButton(bool enabled);
  void SetProgress(float value) { port_.ShowProgress(value); }
  // The yield of the long loops: skipped while the speed option is checked,
  // read afresh at every call so that checking it during a run takes effect at once.
  void YieldUnlessFast();
  void YieldAlways() { port_.YieldToEventLoop(); }

  // Option values as the window shows them.
  bool SofortStart() const { return sofortStart_; }
  bool Speed() const { return speed_; }
  bool ToolTips() const { return toolTips_; }
  bool TopMost() const { return topMost_; }
  bool BinaryCompareSelected() const { return compModeBinary_; }
  bool SyncButtonEnabled() const { return syncEnabled_; }
  bool CompareButtonEnabled() const { return compareEnabled_; }
  // Selects CompModeOpt(index) from code, with the effect of a click.
  void SelectCompMode(int index);
  // Checks ToolTipCheck from code, with the effect of a click.
  void SetToolTipCheck(bool checked);

  ComparisonList& Liste() { return liste_; }
  const ComparisonList& Liste() const { return liste_; }
  WindowPort& Port() { return port_; }

  int SortColumn() const { return sortColumn_; }
  int LastMouseButton() const { return lastMouseButton_; }

  // Only one long operation (filling, comparison, synchronisation, clipboard copy,
  // popup action, sorting) runs at a time: a second one that arrives during a
  // yield of the first is ignored, so no operation finds its rows moved or gone.
  // Once the window is closed none starts any more: the program is ending.
  bool Busy() const { return busy_; }
  class Operation {
   public:
    explicit Operation(MainWindow& w) : w_(w), acquired_(!w.busy_ && !w.unloaded_) {
      if (acquired_) w.busy_ = true;
    }
    ~Operation() {
      if (acquired_) w_.busy_ = false;
    }
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;
    explicit operator bool() const { return acquired_; }

   private:
    MainWindow& w_;
    bool acquired_;
  };

  // Module-level state shared by the operations.
  std::string LeftFolder;
  std::string RightFolder;
  // Element 0 is always present, empty and never read; the walk appends from 1 on.
  std::vector<FoundFile> FoundFiles{FoundFile{}};
  // The chosen folders as their fillings found them (device and inode; not
  // Known() when the folder did not exist): a run writes only into the folder
  // that was read, never into another one mounted in its place.
  FileFacts LeftFolderFacts;
  FileFacts RightFolderFacts;
  bool BatchActive = false;
  bool BatchBinaryCompare = false;
  bool BatchAgeCompare = false;
  bool BatchSync = false;
  bool BatchClipboard = false;
  bool BatchEnd = false;
  // The synchronisation also carries out the proposals "? -->" and "? <--".
  bool BatchProposals = false;
  std::string IniFileName;

 private:
  void RestorePosition();

  WindowPort& port_;
  ModresizeApp layout_;
  ComparisonList liste_;
  int sortColumn_ = 0;
  int lastMouseButton_ = 0;
  bool sofortStart_ = false;
  bool speed_ = false;
  bool toolTips_ = false;
  bool topMost_ = false;
  bool compModeBinary_ = true;
  bool syncEnabled_ = true;
  bool compareEnabled_ = true;
  bool busy_ = false;
  bool unloaded_ = false;
};

}  // namespace zweiblick

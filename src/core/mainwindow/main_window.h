// SPDX-License-Identifier: GPL-3.0-or-later
// The logic of the main window Form1: start-up, command dispatch, the coupling of
// its options, the list events and the state the operations share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "batch/batch_steps.h"
#include "comparison/changes_since.h"
#include "layout/modresize_app.h"
#include "list/comparison_list.h"
#include "mainwindow/panel_one.h"
#include "platform/batch_switches.h"
#include "platform/run_reporter.h"
#include "platform/window_port.h"
#include "reading/chosen_folders.h"
#include "reading/walk_folder_tree.h"
#include "record/pair_record.h"
#include "sync/synchronize_folders.h"
#include "sync/undo_run.h"

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
  kBtnCompare = kCompareButtonIndex,
  kBtnEnd = 9,
  kBtnInfo = 10,
};

// The mouse button pressed on the list, with the numbers the old desktop gave them.
enum class MouseButton : int { kNone = 0, kLeft = 1, kRight = 2, kMiddle = 4 };

// Owns the state the operations share (the chosen folders, the files the walk
// collects, the batch switches) and hands each operation what it uses.
class MainWindow : public BatchSteps {
 public:
  // A window on the desktop.
  explicit MainWindow(DesktopPort& port);
  // Without a window: what a run reports goes to `report`, and the window's
  // dressing (caption, options, tool tips, placement) is nowhere.
  explicit MainWindow(ReportPort& report);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Events of the window.
  void Load(const std::string& commandLine);
  void BtnClick(int index);
  void CompModeOptClick(int index);
  void ColumnClick(int column);
  void ListMouseDown(MouseButton button);
  void ListClick();
  // The keyboard's menu key (or Shift+F10) on the list: the popup, as after a right click.
  void ListMenuKey();
  void PopupItemClick(int index);
  void ToolTipCheckClick(bool checked);
  void MyTopMostChkClick(bool checked);
  void SetSofortStart(bool checked) { sofortStart_ = checked; }
  void SetSpeed(bool checked) { speed_ = checked; }
  // "Nur &Unterschiede zeigen": hides the rows marked "=" from the view at
  // once, also while an operation runs (no row moves, every row is still
  // carried out).
  void DiffOnlyCheckClick(bool checked);
  // Panel 1 tells how many rows are shown while some are hidden. The front end
  // calls it whenever it has shown the list anew.
  void ShowShownCount();
  void Resize(bool minimised);
  // The immediate comparison after the right column is filled.
  void CompareAfterFilling();
  void Unload();

  // The long operations, one at a time (see Operation); each does nothing
  // while another one runs.
  void FillColumn(const std::string& folderPath, bool isLeft) override;
  void CompareFiles(bool binary);
  // The comparison by changes since the last recorded run of the pair.
  void CompareByChanges();
  // The comparison the option buttons select.
  void CompareSelected() override;
  // F5: reads both chosen folders again, each into its own column, and
  // repeats the last comparison (none before the first one). After a run
  // the list shows what is left to do; the sides never swap.
  void ReadPairAgain();
  SyncTally SynchronizeFolders(bool proposals = false) override;
  // Ctrl+Z: undoes the last run of the chosen pair, then reads the pair again.
  void UndoLastRun();
  bool UndoLastRun(const std::string& leftFolder, const std::string& rightFolder) override;
  // Whether the chosen pair has a run to undo; its button shows while it has.
  bool CanUndo() const;
  const UndoTally& LastUndo() const { return lastUndo_; }
  // The marker of row `row`, whose files were written outside a run (and
  // whose facts are theirs now), by the comparison that marked the list, as it
  // would mark the row now. False, and nothing done, while another operation
  // runs.
  bool CompareRowAgain(int row);
  void CopyListToClipboard() override;

  void ClearList();
  // "&Ende" and the batch step "Ende": ends the process at once, without the
  // unload handling; while an operation runs, stops it at its next yield and
  // ends as soon as it has returned.
  void EndProcess() override;
  // Escape: a running filling, comparison or synchronisation stops at its next
  // yield. A stopped filling leaves the list as it was before it.
  void StopOperation();
  // Whether the last operation was stopped (Escape, or the program ends).
  bool LastOperationStopped() const override { return lastStopped_; }

  // Option values as the window shows them.
  bool ToolTips() const { return toolTips_; }
  bool BinaryCompareSelected() const { return compMode_ == kCompModeBinary; }
  int CompModeSelected() const { return compMode_; }
  bool CompareButtonEnabled() const { return run_.CompareButtonEnabled(); }
  // Selects CompModeOpt(index) from code, with the effect of a click.
  void SelectCompMode(int index) override;
  // Checks ToolTipCheck from code, with the effect of a click.
  void SetToolTipCheck(bool checked);

  ComparisonList& Liste() { return liste_; }
  const ComparisonList& Liste() const { return liste_; }
  ReportPort& Report() override { return report_; }
  WindowPort& Window() { return window_; }
  RunReporter& Run() { return run_; }
  const ChosenFolders& Folders() const { return folders_; }
  // What the walks leave out, from a control file; the list's frame tells it.
  void SetNameFilter(NameFilter filter) override;
  // Set only by the batch mode.
  BatchSwitches& Batch() override { return batch_; }
  const BatchSwitches& Batch() const { return batch_; }

  int SortColumn() const { return sortColumn_; }
  MouseButton LastMouseButton() const { return lastMouseButton_; }

  // Only one long operation (filling, comparison, synchronisation, clipboard copy,
  // popup action, sorting) runs at a time: a second one that arrives during a
  // yield of the first is ignored, so no operation finds its rows moved or gone.
  // Once the window is closed none starts any more: the program is ending.
  bool Busy() const { return busy_; }
  // The program ends: "&Ende" was pressed, or the window was closed. No
  // operation starts any more, and the front end does not go on into its
  // event loop (or leaves it).
  bool Ending() const override { return ending_; }
  class Operation {
   public:
    explicit Operation(MainWindow& w) : w_(w), acquired_(!w.busy_ && !w.ending_) {
      if (!acquired_) return;
      w.busy_ = true;
      w.run_.ClearStop();  // an Escape before this operation is not meant for it
    }
    ~Operation() {
      if (!acquired_) return;
      w_.busy_ = false;
      w_.lastStopped_ = w_.run_.StopRequested();
      if (w_.endAfterOperation_) w_.EndProcess();
    }
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;
    explicit operator bool() const { return acquired_; }

   private:
    MainWindow& w_;
    bool acquired_;
  };

  // The control file the batch mode reads from; the last one named.
  std::string IniFileName;
  std::string& IniFile() override { return IniFileName; }

 private:
  MainWindow(ReportPort& report, WindowPort& window);
  void RestorePosition();
  void RestoreSize();
  // Panel 1 while a filling, comparison or synchronisation runs, and after it.
  void ShowRunning();
  void ShowPanelOne();
  // `swapped`: the key of the two folders the other way round.
  std::string PairKey(bool swapped = false) const;
  // `keepSide`: the right folder goes into the right column even while the
  // list is empty (a left folder without files). True when it filled the
  // right column.
  bool FillSide(const std::string& folderPath, bool isLeft, bool keepSide);

  ReportPort& report_;
  WindowPort& window_;
  bool speed_ = false;
  RunReporter run_{report_, speed_};
  ModresizeApp layout_;
  ComparisonList liste_;
  ChosenFolders folders_;
  BatchSwitches batch_;
  int sortColumn_ = 0;
  MouseButton lastMouseButton_ = MouseButton::kNone;
  bool sofortStart_ = false;
  bool toolTips_ = false;
  int compMode_ = kCompModeBinary;
  // The comparison that ran last, as a CompModeOpt index; -1 before the first.
  int lastComparison_ = -1;
  // Where the record of every pair is kept; the user's state folder.
  RecordStore record_{RecordStore::DefaultPath()};
  UndoTally lastUndo_;
  void ShowUndoButton();
  // What the last comparison by changes found, for the runs after it; reset
  // by every other reading or comparison.
  ChangeBasis changeBasis_;
  bool busy_ = false;
  bool ending_ = false;
  bool endAfterOperation_ = false;
  bool lastStopped_ = false;
  PanelOne panelOne_;
};

}  // namespace zweiblick

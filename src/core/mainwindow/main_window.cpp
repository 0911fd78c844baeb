// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/main_window.h"

#include <unistd.h>

#include <cstdlib>

#include "batch/start_batch_mode.h"
#include "comparison/changes_since.h"
#include "comparison/compare_files.h"
#include "export/copy_list_to_clipboard.h"
#include "help/online_help.h"
#include "layout/modresize_app.h"
#include "list/markers.h"
#include "list/row_count_text.h"
#include "mainwindow/captions.h"
#include "mainwindow/folder_entry.h"
#include "mainwindow/screen_reader_texts.h"
#include "mainwindow/window_options.h"
#include "reading/fill_column.h"
#include "record/pair_record.h"
#include "record/side_identity.h"
#include "settings/app_settings.h"
#include "sync/failure_reason.h"
#include "sync/home_trash_path.h"
#include "sync/run_journal.h"
#include "sync/run_record.h"
#include "sync/synchronize_folders.h"
#include "sync/temporary_files.h"
#include "sync/trash.h"

namespace zweiblick {
namespace {

// The names a run gives what it keeps below a folder: the temporary files of
// copies under way and the trash folders. The walk never lists them.
bool OwnDotName(const char* name) {
  return IsTemporaryName(name) || IsTrashFolderName(name);
}

// A chosen folder as the kernel names it, without the separator at its end:
// what the journal names a run's folders by.
std::string RealFolder(const std::string& folder) {
  std::string out = RealPath(folder);
  if (out.empty()) out = folder;
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

std::string PairKeyOfFolders(const std::string& left, const std::string& right) {
  if (left.empty() || right.empty()) return {};
  SideIdentity l = SideIdentityOf(left), r = SideIdentityOf(right);
  return l.Known() && r.Known() ? PairKeyOf(l, r) : std::string();
}

// The dressing of a run without a window: nowhere. It keeps no state, so
// one serves every such run; a member would be handed on before it exists.
WindowPort& Nowhere() {
  static WindowPort nowhere;
  return nowhere;
}

}  // namespace

MainWindow::MainWindow(DesktopPort& port) : MainWindow(port, port) {}
MainWindow::MainWindow(ReportPort& report) : MainWindow(report, Nowhere()) {}
MainWindow::MainWindow(ReportPort& report, WindowPort& window) : report_(report), window_(window) {
  folders_.OwnFiles = {&OwnDotName, &HomeTrashPath};
}

void MainWindow::Load(const std::string& commandLine) {
  RestorePosition();
  if (LayoutForm* layout = window_.Layout()) layout_.ResizeFormControls(*layout, true);
  // After the layout has recorded the first size, which it stretches from.
  RestoreSize();
  RestorePosition();
  window_.SetCaption(kProgramName);
  SetToolTipCheck(true);
  DescribeControls(*this);
  ShowWindowSystemLimits(*this);
  SelectCompMode(0);
  ClearList();
  window_.ShowWindow();
  StartBatchMode(*this, commandLine);
}

void MainWindow::BtnClick(int index) {
  switch (index) {
    case kBtnLeftFolder:
      AskForFolder(*this, true);
      break;
    case kBtnRightFolder:
      AskForFolder(*this, false);
      break;
    case kBtnHelp:
      ShowOnlineHelp(report_, window_);
      break;
    case kBtnInfo:
      window_.ShowInfoDialog();
      break;
    case kBtnClipboard:
      CopyListToClipboard();
      break;
    case kBtnSync:
      SynchronizeFolders();
      break;
    case kBtnCompare:
      CompareSelected();
      break;
    case kBtnEnd:
      EndProcess();
      break;
    default:
      // The invisible parameter buttons 4 and 5 and unknown indexes do nothing.
      break;
  }
}

void MainWindow::CompModeOptClick(int index) {
  compMode_ = index == kCompModeAge || index == kCompModeChanges ? index : kCompModeBinary;
  report_.EnableButton(kBtnSync, compMode_ != kCompModeBinary);
}

void MainWindow::SelectCompMode(int index) {
  window_.ShowOption(Option::kCompModeBinary, index == kCompModeBinary);
  window_.ShowOption(Option::kCompModeAge, index == kCompModeAge);
  window_.ShowOption(Option::kCompModeChanges, index == kCompModeChanges);
  CompModeOptClick(index);
}

void MainWindow::SetToolTipCheck(bool checked) {
  window_.ShowOption(Option::kToolTips, checked);
  ToolTipCheckClick(checked);
}

void MainWindow::ToolTipCheckClick(bool checked) {
  toolTips_ = checked;
  LoadToolTips(*this, checked ? ToolTipMode::kOn : ToolTipMode::kOff);
}

void MainWindow::DiffOnlyCheckClick(bool checked) {
  liste_.HideRowsMarked(checked ? kMarkEqual : "");
  ShowShownCount();
}

// Called at every refresh of the view, also while the markers change during a
// comparison: panel 1 is written only when the count of rows or of hidden rows
// differs from what it says. While an operation runs it says how to stop it.
void MainWindow::ShowShownCount() {
  int rows = liste_.Count(), hidden = liste_.HiddenCount();
  if (panelOne_.running || (rows == panelOne_.rows && hidden == panelOne_.hidden)) return;
  panelOne_.rows = rows;
  panelOne_.hidden = hidden;
  run_.SetStatus(1, PanelOneText(panelOne_));
}

void MainWindow::MyTopMostChkClick(bool checked) {
  window_.SetTopMost(checked);
}

// Where the compositor alone places windows, the window neither asks for its
// old place nor stores one it cannot know: a position stored in an X11 session
// is still there for the next one.
void MainWindow::RestorePosition() {
  FormPlacement* form = window_.Placement();
  SettingsStore* store = window_.Settings();
  if (form && store && window_.PlacesItself())
    RestoreWindowPosition(*form, *store, window_.Screens());
}

void MainWindow::RestoreSize() {
  FormPlacement* form = window_.Placement();
  SettingsStore* store = window_.Settings();
  if (!form || !store || form->NormalWidth() <= 0) return;
  RestoreWindowSize(*form, *store, window_.Screens(), {form->NormalWidth(), form->NormalHeight()});
}

void MainWindow::ColumnClick(int column) {
  if (column < 1 || column > kListColumnCount) return;
  Operation op(*this);
  if (!op) return;
  if (column != sortColumn_) {
    sortColumn_ = column;
    liste_.SetSortKey(column - 1);
    liste_.SetSorted(true);
  } else {
    liste_.SetSortOrder((liste_.SortOrder() + 1) % 2);
  }
}

void MainWindow::ListMouseDown(MouseButton button) {
  lastMouseButton_ = button;
}

void MainWindow::ListClick() {
  if (lastMouseButton_ == MouseButton::kRight) ListMenuKey();
}

void MainWindow::ListMenuKey() {
  // No menu while a long operation walks the rows: its choice would be ignored.
  if (!busy_) window_.ShowPopupMenu();
}

void MainWindow::PopupItemClick(int index) {
  Operation op(*this);
  if (!op) return;
  ApplyRowAction(liste_, index);
  panelOne_.account.reset();
  panelOne_.undone.clear();
  ShowPanelOne();
}

void MainWindow::CompareAfterFilling() {
  CompareSelected();
}

void MainWindow::CompareSelected() {
  if (compMode_ == kCompModeChanges)
    CompareByChanges();
  else
    CompareFiles(compMode_ == kCompModeBinary);
}

std::string MainWindow::PairKey(bool swapped) const {
  return swapped ? PairKeyOfFolders(folders_.RightFolder, folders_.LeftFolder)
                 : PairKeyOfFolders(folders_.LeftFolder, folders_.RightFolder);
}

void MainWindow::ReadPairAgain() {
  if (busy_ || ending_ || folders_.LeftFolder.empty()) return;
  const std::string left = folders_.LeftFolder, right = folders_.RightFolder;
  FillSide(left, true, true);
  if (lastStopped_ || right.empty()) return;
  if (!FillSide(right, false, true) || lastStopped_) return;
  if (lastComparison_ == kCompModeChanges)
    CompareByChanges();
  else if (lastComparison_ >= 0)
    CompareFiles(lastComparison_ == kCompModeBinary);
}

void MainWindow::CompareByChanges() {
  Operation op(*this);
  if (!op) return;
  lastComparison_ = kCompModeChanges;
  panelOne_.account.reset();
  panelOne_.undone.clear();
  ShowRunning();
  zweiblick::CompareByChanges(liste_, folders_, run_, batch_, record_, PairKey(), PairKey(true),
                              changeBasis_, [this] {
                                window_.ShowChangeColumn(true);
                                ShowPanelOne();
                              });
  ShowPanelOne();
}

bool MainWindow::CompareRowAgain(int row) {
  Operation op(*this);
  if (!op) return false;
  // Before the first comparison only a marker set by hand is there: by the option chosen.
  const int comparison = lastComparison_ >= 0 ? lastComparison_ : compMode_;
  // By changes, but by age where that comparison found no record to go by.
  if (comparison == kCompModeChanges && !changeBasis_.fresh) {
    ChangeBasis scratch;  // what the run after the comparison uses stays as it was
    LoadedRecord record = LoadChangeRecord(record_, PairKey(), PairKey(true), scratch, run_);
    if (record.state == LoadedRecord::State::kRecord) {
      RecordMatch match(record.files, liste_);
      zweiblick::CompareRowAgain(liste_, folders_, run_, row, false, &match);
      return true;
    }
  }
  zweiblick::CompareRowAgain(liste_, folders_, run_, row, comparison == kCompModeBinary, nullptr);
  return true;
}

void MainWindow::FillColumn(const std::string& folderPath, bool isLeft) {
  bool filledRight = FillSide(folderPath, isLeft, false);
  // Only after the filling has ended: the comparison is an operation of its own.
  if (filledRight && sofortStart_ && !batch_.BatchActive && !lastStopped_) CompareAfterFilling();
}

bool MainWindow::FillSide(const std::string& folderPath, bool isLeft, bool keepSide) {
  Operation op(*this);
  if (!op) return false;
  panelOne_.account.reset();
  panelOne_.undone.clear();
  ShowRunning();
  changeBasis_ = {};
  // A comparison by changes that follows the filling at once wants the pair's
  // record: a million files take a moment to read, which the walk hides.
  const bool comparesNext =
      !isLeft && compMode_ == kCompModeChanges && (sofortStart_ || batch_.BatchActive);
  if (comparesNext) record_.LoadAhead(PairKeyOfFolders(folders_.LeftFolder, folderPath));
  bool filledRight = zweiblick::FillColumn(liste_, folders_, run_, folderPath, isLeft, keepSide);
  if (comparesNext && (!filledRight || run_.StopRequested())) record_.DropAhead();
  ShowPanelOne();
  ShowUndoButton();
  return filledRight;
}

void MainWindow::CompareFiles(bool binary) {
  Operation op(*this);
  if (!op) return;
  lastComparison_ = binary ? kCompModeBinary : kCompModeAge;
  panelOne_.account.reset();
  panelOne_.undone.clear();
  ShowRunning();
  changeBasis_ = {};
  // The plan shows beside the summary, not only once it is closed.
  zweiblick::CompareFiles(liste_, folders_, run_, batch_, binary, [this] {
    window_.ShowChangeColumn(false);
    ShowPanelOne();
  });
  ShowPanelOne();
}

SyncTally MainWindow::SynchronizeFolders(bool proposals) {
  Operation op(*this);
  if (!op) return {};
  SyncOptions options;
  options.proposals = proposals;
  options.trash = batch_.Trash;
  options.unattended = batch_.BatchActive;
  ShowRunning();
  const std::string pairKey = PairKey();
  RunRecord record(record_, pairKey, changeBasis_.pairKey.empty() ? nullptr : &changeBasis_,
                   folders_, proposals);
  RunJournal journal(RunJournal::DefaultFolder(), pairKey, RealFolder(folders_.LeftFolder),
                     RealFolder(folders_.RightFolder));
  options.journal = &journal;
  options.starting = [&record] { record.Start(); };
  options.processed = [&record](const ComparisonList& list, int row) { record.Row(list, row); };
  SyncTally tally = zweiblick::SynchronizeFolders(liste_, folders_, run_, options);
  if (!tally.busy) {
    // On the disk before the run is reported ended.
    std::string unjournaled = journal.Finish();
    if (!unjournaled.empty()) run_.ShowMessage(unjournaled, MsgIcon::kExclamation, MsgButtons::kOk);
    std::string problem = record.Finish(tally.durable);
    if (!problem.empty()) run_.ShowMessage(problem, MsgIcon::kInformation, MsgButtons::kOk);
    // Recorded: a second run over the rows left records only what it does.
    changeBasis_.goneOnBoth.clear();
    changeBasis_.fresh = false;
  }
  panelOne_.account = tally;
  panelOne_.undone.clear();
  ShowPanelOne();
  ShowUndoButton();
  return tally;
}

bool MainWindow::CanUndo() const {
  std::string key = PairKey();
  return !key.empty() &&
         access(RunJournal::PathOf(RunJournal::DefaultFolder(), key).c_str(), F_OK) == 0;
}

void MainWindow::ShowUndoButton() {
  window_.ShowUndoButton(CanUndo());
}

void MainWindow::UndoLastRun() {
  if (busy_ || ending_ || folders_.LeftFolder.empty() || folders_.RightFolder.empty()) return;
  if (!UndoLastRun(folders_.LeftFolder, folders_.RightFolder) && lastUndo_.asked) return;
  // What the pair holds now, with the markers of the last comparison; the
  // undo's account stays in panel 1 until the list changes otherwise.
  std::string account = panelOne_.undone;
  ReadPairAgain();
  panelOne_.undone = account;
  ShowPanelOne();
}

bool MainWindow::UndoLastRun(const std::string& leftFolder, const std::string& rightFolder) {
  lastUndo_ = {};
  Operation op(*this);
  if (!op) return false;
  const std::string key = PairKeyOfFolders(leftFolder, rightFolder);
  const std::string path = RunJournal::PathOf(RunJournal::DefaultFolder(), key);
  RunJournalText journal;
  std::string problem;
  if (key.empty() || !RunJournal::Read(path, journal, problem) || journal.pairKey != key) {
    lastUndo_.none = key.empty() || journal.pairKey != key || access(path.c_str(), F_OK) != 0;
    if (lastUndo_.none) problem = "Für dieses Ordnerpaar ist kein Abgleich rückgängig zu machen.";
    run_.ShowMessage(problem, MsgIcon::kExclamation, MsgButtons::kOk);
    return false;
  }
  ShowRunning();
  // The record says what the run left; once it is undone, that is no more
  // what the sides hold: the next comparison by changes must not trust it.
  // Without that mark the next comparison by changes would take the sides
  // for changed and propose the undone run's copies the other way round.
  auto starting = [&] {
    std::string unmarked;
    if (record_.MarkUnfinished(key, unmarked)) return true;
    run_.ShowMessage(
        "Der gespeicherte Stand dieses Ordnerpaars lässt sich nicht als überholt "
        "kennzeichnen (" +
            unmarked + ").\rEs wird nichts rückgängig gemacht.",
        MsgIcon::kCritical, MsgButtons::kOk);
    return false;
  };
  lastUndo_ =
      zweiblick::UndoRun(journal, leftFolder, rightFolder, run_, batch_.BatchActive, starting);
  // Used up: a second undo would find nothing of it to do.
  if (lastUndo_.complete && unlink(path.c_str()) != 0 && errno != ENOENT)
    run_.ShowMessage(
        "Das Protokoll " + path + " ließ sich nicht entfernen (" + FailureReason(errno) + ").",
        MsgIcon::kExclamation, MsgButtons::kOk);
  if (!lastUndo_.asked && !lastUndo_.busy) {
    panelOne_.undone = UndoTallyLine(lastUndo_);
    std::string box = LeftAloneText(lastUndo_, 20);
    if (!box.empty() && !batch_.BatchActive)
      run_.ShowMessage(box, MsgIcon::kInformation, MsgButtons::kOk);
  }
  ShowPanelOne();
  ShowUndoButton();
  return lastUndo_.complete && lastUndo_.leftAlone.empty();
}

void MainWindow::ShowRunning() {
  panelOne_.running = true;
  run_.SetStatus(1, PanelOneText(panelOne_));
}

void MainWindow::ShowPanelOne() {
  panelOne_.running = false;
  panelOne_.rows = liste_.Count();
  panelOne_.hidden = liste_.HiddenCount();
  panelOne_.plan = PlanSync(liste_, batch_.BatchActive && batch_.BatchProposals);
  CheckRoom(panelOne_.plan, folders_);
  run_.SetStatus(1, PanelOneText(panelOne_));
  window_.ShowFailureColumn(liste_.FailedCount() > 0);
}

void MainWindow::StopOperation() {
  if (busy_) run_.RequestStop();
}

void MainWindow::CopyListToClipboard() {
  Operation op(*this);
  if (op) zweiblick::CopyListToClipboard(liste_, run_);
}

void MainWindow::Resize(bool minimised) {
  if (minimised) return;
  if (LayoutForm* layout = window_.Layout()) layout_.ResizeFormControls(*layout, false);
}

void MainWindow::Unload() {
  ending_ = true;
  // The window is gone: a running operation stops at its next yield, as after
  // Abort (a synchronisation makes what it wrote durable first), instead of
  // going on unseen with nobody to answer its questions.
  if (busy_) {
    run_.RequestStop();
    endAfterOperation_ = true;
  }
  FormPlacement* form = window_.Placement();
  SettingsStore* store = window_.Settings();
  if (form && store && window_.PlacesItself()) SaveWindowPosition(*form, *store);
  if (form && store) SaveWindowSize(*form, *store);
}

void MainWindow::EndProcess() {
  ending_ = true;
  if (busy_) {
    endAfterOperation_ = true;
    run_.RequestStop();
    return;
  }
  endAfterOperation_ = false;
  report_.EndProcess();
}

// The frame of the list names what is left out, so that a missing file is
// not taken for one the folder lacks; without a filter it keeps its caption.
void MainWindow::SetNameFilter(NameFilter filter) {
  folders_.Filter = std::move(filter);
  std::string caption = kFrame1Caption;
  if (folders_.Filter.HasPatterns()) caption += " – ohne " + folders_.Filter.PatternText();
  if (folders_.Filter.DotNames()) caption += " – mit Punktdateien";
  window_.SetFrameCaption("Frame1", caption);
}

void MainWindow::ClearList() {
  liste_.Clear();
}

}  // namespace zweiblick

#include "mainwindow/main_window.h"

#include "batch/start_batch_mode.h"
#include "comparison/compare_files.h"
#include "export/copy_list_to_clipboard.h"
#include "help/online_help.h"
#include "layout/modresize_app.h"
#include "mainwindow/folder_entry.h"
#include "mainwindow/screen_reader_texts.h"
#include "mainwindow/window_options.h"
#include "settings/app_settings.h"
#include "sync/markers.h"
#include "sync/synchronize_folders.h"

namespace zweiblick {

inline constexpr const char* kStatusPrefix = "Status: ";

MainWindow::MainWindow(WindowPort& port) : port_(port) {}

void MainWindow::Load(const std::string& commandLine) {
  RestorePosition();
  if (LayoutForm* layout = port_.Layout()) layout_.ResizeFormControls(*layout, true);
  RestorePosition();
  port_.SetCaption(kProgramName);
  SetToolTipCheck(true);
  DescribeControls(*this);
  ShowWindowSystemLimits(*this);
  SelectCompMode(0);
  ClearList();
  port_.ShowWindow();
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
      ShowOnlineHelp(*this);
      break;
    case kBtnInfo:
      port_.ShowInfoDialog();
      break;
    case kBtnClipboard:
      CopyListToClipboard(*this);
      break;
    case kBtnSync:
      SynchronizeFolders(*this);
      break;
    case kBtnCompare:
      CompareFiles(*this, compModeBinary_);
      break;
    case kBtnEnd:
      port_.EndProcess();
      break;
    default:
      // The invisible parameter buttons 4 and 5 and unknown indexes do nothing.
      break;
  }
}

void MainWindow::CompModeOptClick(int index) {
  compModeBinary_ = index != 1;
  syncEnabled_ = index == 1;
  port_.EnableButton(kBtnSync, syncEnabled_);
}

void MainWindow::SelectCompMode(int index) {
  port_.ShowOption(Option::kCompModeBinary, index == 0);
  port_.ShowOption(Option::kCompModeAge, index == 1);
  CompModeOptClick(index);
}

void MainWindow::SetToolTipCheck(bool checked) {
  port_.ShowOption(Option::kToolTips, checked);
  ToolTipCheckClick(checked);
}

void MainWindow::ToolTipCheckClick(bool checked) {
  toolTips_ = checked;
  LoadToolTips(*this, checked ? 1 : 0);
}

void MainWindow::MyTopMostChkClick(bool checked) {
  topMost_ = checked;
  port_.SetTopMost(checked);
}

// Where the compositor alone places windows, the window neither asks for its
// old place nor stores one it cannot know: a position stored in an X11 session
// is still there for the next one.
void MainWindow::RestorePosition() {
  FormPlacement* form = port_.Placement();
  SettingsStore* store = port_.Settings();
  if (form && store && port_.PlacesItself()) RestoreWindowPosition(*form, *store, port_.Screens());
}

void MainWindow::ColumnClick(int column) {
  if (column < 1 || column > kColumnCount) return;
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

void MainWindow::ListMouseDown(int button) {
  lastMouseButton_ = button;
}

void MainWindow::ListClick() {
  if (lastMouseButton_ == 2) ListMenuKey();
}

void MainWindow::ListMenuKey() {
  // No menu while a long operation walks the rows: its choice would be ignored.
  if (!busy_) port_.ShowPopupMenu();
}

void MainWindow::PopupItemClick(int index) {
  Operation op(*this);
  if (!op) return;
  ApplyRowAction(*this, index);
}

void MainWindow::CompareAfterFilling() {
  CompareFiles(*this, compModeBinary_);
}

void MainWindow::Resize(bool minimised) {
  if (minimised) return;
  if (LayoutForm* layout = port_.Layout()) layout_.ResizeFormControls(*layout, false);
}

void MainWindow::Unload() {
  unloaded_ = true;
  FormPlacement* form = port_.Placement();
  SettingsStore* store = port_.Settings();
  if (form && store && port_.PlacesItself()) SaveWindowPosition(*form, *store);
}

void MainWindow::ClearList() {
  liste_.Clear();
}

void MainWindow::SetStatus(int panel, const std::string& text) {
  if (panel == 2 && !text.empty())
    port_.ShowStatusPanel(2, kStatusPrefix + text);
  else
    port_.ShowStatusPanel(panel, text);
}

void MainWindow::EnableCompareButton(bool enabled) {
  compareEnabled_ = enabled;
  port_.EnableButton(kBtnCompare, enabled);
}

void MainWindow::YieldUnlessFast() {
  if (!speed_) port_.YieldToEventLoop();
}

}  // namespace zweiblick

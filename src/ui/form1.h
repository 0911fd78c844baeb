// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: builds the controls and forwards their events to the core's
// MainWindow; QtPorts carries out what the core asks of the window.
#pragma once

#include <QElapsedTimer>
#include <QPoint>
#include <QWidget>
#include <array>
#include <optional>

#include "mainwindow/main_window.h"
#include "ui/layout_adapter.h"
#include "ui/qt_ports.h"

class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableView;
class QCheckBox;
class QAbstractButton;

namespace zweiblick {

class ListModel;

class Form1 : public QWidget {
  Q_OBJECT
 public:
  explicit Form1(QWidget* parent = nullptr);
  ~Form1() override;

  MainWindow& Core() { return core_; }
  // What the core asks of this window, carried out on its widgets.
  QtPorts& Ports() { return ports_; }
  ListModel& Model() { return *model_; }
  QTableView* Liste() const { return liste_; }
  // Null for the indexes without a button.
  QPushButton* Btn(int index) const {
    return index >= 0 && index < int(btn_.size()) ? btn_[index] : nullptr;
  }
  // Reads both folders again (F5).
  QPushButton* BtnReload() const { return btnReload_; }
  QPushButton* BtnUndo() const { return btnUndo_; }
  QRadioButton* CompModeOpt(int index) const { return compModeOpt_[index]; }
  QAbstractButton* OptionButton(Option option) const;
  QMenu* Pum() const { return pum_; }
  // The header's context menu: switches the size and time columns on and off.
  QMenu* ColumnMenu() const { return columnMenu_; }
  // Where the popup opens: at the current row when the keyboard asked for it.
  QPoint PopupPosition() const;
  QLabel* StatusPanel(int panel) const { return panel == 1 ? panel1_ : panel2_; }
  QProgressBar* Pbar() const { return pbar_; }
  WidgetLayoutForm& LayoutParts() { return layout_; }
  // Whether the program was asked to end (or its window closed) before its event loop ran.
  bool EndRequested() const { return core_.Ending(); }

  // Brings the view, the progress bar and the status texts up to date with the core.
  void Flush();
  // The same during a long run, at most every few dozen milliseconds.
  void FlushNowAndThen();
  // The progress bar's value in tenths of a percent, shown at the next flush.
  void SetProgress(int value) { progress_ = value; }
  // Panel 1 takes the width its text needs, within limits; panel 2 the rest.
  void PlaceStatusBar();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void BuildPopupMenu();
  void BuildFactColumns();
  void SetKeyboardOrder();
  void ShowSortIndicator();
  // Runs a core event handler and then shows what it changed.
  template <class F>
  void Handle(F&& f) {
    f();
    Flush();
  }

  QtPorts ports_{*this};
  WidgetLayoutForm layout_;
  MainWindow core_{ports_};
  ListModel* model_ = nullptr;
  QGroupBox* frame1_ = nullptr;
  QWidget* frame2_ = nullptr;
  QGroupBox* frame3_ = nullptr;
  QWidget* frame4_ = nullptr;
  QTableView* liste_ = nullptr;
  std::array<QPushButton*, 11> btn_{};
  QPushButton* btnReload_ = nullptr;
  QPushButton* btnUndo_ = nullptr;
  std::array<QRadioButton*, 3> compModeOpt_{};
  QCheckBox* sofortStartCheck_ = nullptr;
  QCheckBox* toolTipCheck_ = nullptr;
  QCheckBox* speedCheck_ = nullptr;
  QCheckBox* myTopMostChk_ = nullptr;
  QCheckBox* diffOnlyCheck_ = nullptr;
  QProgressBar* pbar_ = nullptr;
  QWidget* sbar_ = nullptr;
  QLabel* panel1_ = nullptr;
  QLabel* panel2_ = nullptr;
  QMenu* pum_ = nullptr;
  QMenu* columnMenu_ = nullptr;
  // Where the popup opens when the keyboard asked for it.
  std::optional<QPoint> popupAt_;
  // The view hears of changes at most this often during a long run; each notice
  // costs a layout and a repaint, and a yield comes every few rows.
  static constexpr int kFlushIntervalMs = 40;
  QElapsedTimer sinceFlush_;
  int progress_ = 0;
};

}  // namespace zweiblick

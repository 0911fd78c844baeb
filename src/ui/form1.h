// The main window: builds the controls, forwards their events to the core's
// MainWindow and carries out what the core asks of the window.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

#include "mainwindow/main_window.h"
#include "platform/window_port.h"
#include "ui/layout_adapter.h"
#include "ui/qt_platform.h"

class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableView;
class QCheckBox;
class QAbstractButton;
class QItemSelection;

class QUrl;

namespace zweiblick {

class ListModel;

class Form1 : public QWidget, public DesktopPort {
  Q_OBJECT
 public:
  explicit Form1(QWidget* parent = nullptr);
  ~Form1() override;

  MainWindow& Core() { return core_; }
  ListModel& Model() { return *model_; }
  QTableView* Liste() const { return liste_; }
  QPushButton* Btn(int index) const { return btn_[index]; }
  QRadioButton* CompModeOpt(int index) const { return compModeOpt_[index]; }
  QMenu* Pum() const { return pum_; }
  QLabel* StatusPanel(int panel) const { return panel == 1 ? panel1_ : panel2_; }
  QProgressBar* Pbar() const { return pbar_; }

  // How the process ends; tests replace it.
  std::function<void()> endProcess;
  // Answers message boxes instead of showing them, when set; tests use it.
  std::function<MsgAnswer(const std::string&, MsgIcon, MsgButtons)> messageBoxHook;
  // Where the popup opens; tests replace it to choose an item without a real menu.
  std::function<QAction*(QMenu*)> execPopup;

  // DesktopPort
  MsgAnswer ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons) override;
  void YieldToEventLoop() override;
  void ShowStatusPanel(int panel, const std::string& text) override;
  void ShowProgress(float value) override;
  void EnableButton(int index, bool enabled) override;
  void ShowBusyPointer(bool busy) override;
  void SetCaption(const std::string& caption) override;
  void ShowOption(Option option, bool checked) override;
  void ShowWindow() override;
  void ShowPopupMenu() override;
  std::string BrowseForFolder(const std::string& prompt) override;
  void SetClipboardText(const std::string& text) override;
  void SetToolTip(const std::string& control, const std::string& text) override;
  void SetAccessibleText(const std::string& control, const std::string& name,
                         const std::string& description) override;
  void SetTopMost(bool onTop) override;
  SettingsStore* Settings() override { return &settings_; }
  FormPlacement* Placement() override { return &placement_; }
  ScreenSize Screen() override { return PrimaryScreenTwips(); }
  std::vector<ScreenArea> Screens() override { return ScreensTwips(); }
  bool PlacesItself() override { return WindowsPlaceThemselves(); }
  void EnableOption(Option option, bool enabled) override;
  LayoutForm* Layout() override { return &layout_; }
  void OpenWithDesktop(const std::string& target, bool maximised) override;
  void ShowInfoDialog() override;
  QDialog* InfoDialog() const { return info_; }
  // How a target reaches the desktop; tests record instead of starting a browser.
  std::function<void(const QUrl&)> openUrl;
  void EndProcess() override;
  // Whether the program was asked to end (or its window closed) before its event loop ran.
  bool EndRequested() const { return core_.Ending(); }

  // Brings the view, the progress bar and the status texts up to date with the core.
  void Flush();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  QAbstractButton* OptionButton(Option option) const;
  void BuildPopupMenu();
  void SetKeyboardOrder();
  void ShowSortIndicator();
  void PlaceStatusBar();
  void RestoreSelection();
  void SelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
  // Runs a core event handler and then shows what it changed.
  template <class F>
  void Handle(F&& f) {
    f();
    Flush();
  }

  QtSettingsStore settings_;
  WidgetPlacement placement_{this};
  WidgetLayoutForm layout_;
  MainWindow core_;
  ListModel* model_ = nullptr;
  QGroupBox* frame1_ = nullptr;
  QWidget* frame2_ = nullptr;
  QGroupBox* frame3_ = nullptr;
  QWidget* frame4_ = nullptr;
  QTableView* liste_ = nullptr;
  std::array<QPushButton*, 11> btn_{};
  std::array<QRadioButton*, 2> compModeOpt_{};
  QCheckBox* sofortStartCheck_ = nullptr;
  QCheckBox* toolTipCheck_ = nullptr;
  QCheckBox* speedCheck_ = nullptr;
  QCheckBox* myTopMostChk_ = nullptr;
  QProgressBar* pbar_ = nullptr;
  QWidget* sbar_ = nullptr;
  QLabel* panel1_ = nullptr;
  QLabel* panel2_ = nullptr;
  QMenu* pum_ = nullptr;
  // Where the popup opens when the keyboard asked for it.
  std::optional<QPoint> popupAt_;
  QPointer<QDialog> info_;
  bool restoringSelection_ = false;
  // The view hears of changes at most this often during a long run; each notice
  // costs a layout and a repaint, and a yield comes every few rows.
  static constexpr int kFlushIntervalMs = 40;
  QElapsedTimer sinceFlush_;
  int progress_ = 0;
};

}  // namespace zweiblick

// SPDX-License-Identifier: GPL-3.0-or-later
// What the core asks of the window, carried out with Qt: the report port of a
// running operation (messages, yields, status, progress, pointer, buttons) and
// the window's dressing (caption, options, popup, dialogs, tool tips, place).
// The widgets are Form1's; this class only reaches them.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <functional>
#include <string>

#include "platform/window_port.h"
#include "ui/qt_platform.h"

class QAction;
class QMenu;
class QUrl;

namespace zweiblick {

class Form1;

class QtPorts : public DesktopPort {
 public:
  // Made by the window, whose widget part exists by then.
  explicit QtPorts(Form1& form);
  QtPorts(const QtPorts&) = delete;
  QtPorts& operator=(const QtPorts&) = delete;

  // How the process ends; tests replace it.
  std::function<void()> endProcess;
  // Answers message boxes instead of showing them, when set; tests use it.
  std::function<MsgAnswer(const std::string&, MsgIcon, MsgButtons)> messageBoxHook;
  // Where the popup opens; tests replace it to choose an item without a real menu.
  std::function<QAction*(QMenu*)> execPopup;
  // How a target reaches the desktop; tests record instead of starting a
  // browser, and answer whether one took it.
  std::function<bool(const QUrl&)> openUrl;

  QDialog* InfoDialog() const { return info_; }

  // ReportPort
  MsgAnswer ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons) override;
  // Through messageBoxHook too, when set, as an Abort/Retry/Ignore message.
  MsgAnswer ShowFailure(const std::string& text, const std::string& reason,
                        bool& ignoreRest) override;
  void SetClipboardText(const std::string& text) override;
  void YieldToEventLoop() override;
  void HandleEventsNowAndThen() override;
  void ShowStatusPanel(int panel, const std::string& text) override;
  void ShowProgress(float value) override;
  void EnableButton(int index, bool enabled) override;
  void ShowBusyPointer(bool busy) override;
  void EndProcess() override;

  // WindowPort
  void SetCaption(const std::string& caption) override;
  void ShowOption(Option option, bool checked) override;
  void ShowWindow() override;
  void ShowPopupMenu() override;
  std::string BrowseForFolder(const std::string& prompt) override;
  void SetToolTip(const std::string& control, const std::string& text) override;
  void SetAccessibleText(const std::string& control, const std::string& name,
                         const std::string& description) override;
  void SetFrameCaption(const std::string& frame, const std::string& caption) override;
  void SetTopMost(bool onTop) override;
  void EnableOption(Option option, bool enabled) override;
  SettingsStore* Settings() override { return &settings_; }
  FormPlacement* Placement() override { return &placement_; }
  ScreenSize Screen() override { return PrimaryScreenTwips(); }
  std::vector<ScreenArea> Screens() override { return ScreensTwips(); }
  bool PlacesItself() override { return WindowsPlaceThemselves(); }
  LayoutForm* Layout() override;
  bool OpenWithDesktop(const std::string& target, bool maximised) override;
  void ShowInfoDialog() override;
  void ShowChangeColumn(bool shown) override;
  void ShowFailureColumn(bool shown) override;
  void ShowUndoButton(bool shown) override;

 private:
  Form1& form_;
  QtSettingsStore settings_;
  WidgetPlacement placement_;
  QPointer<QDialog> info_;
  // A run without yields still hears of Escape this late at most.
  static constexpr int kFastRunEventsMs = 100;
  QElapsedTimer sinceEvents_;
};

}  // namespace zweiblick

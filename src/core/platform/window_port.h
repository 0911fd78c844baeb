// What the core asks of the window it runs in. The Qt front end, the headless
// command-line program and the tests each implement it.
#pragma once

#include <string>
#include <vector>

#include "platform/settings_store.h"

namespace zweiblick {

class LayoutForm;

inline constexpr const char* kProgramName = "Zweiblick";

enum class MsgIcon { kNone, kExclamation, kInformation, kCritical };
enum class MsgButtons { kOk, kAbortRetryIgnore };
enum class MsgAnswer { kOk, kAbort, kRetry, kIgnore };

// The check boxes and option buttons whose value code can set.
enum class Option {
  kSofortStart,     // SofortStartCheck
  kToolTips,        // ToolTipCheck
  kTopMost,         // MyTopMostChk
  kSpeed,           // SpeedCheck
  kCompModeBinary,  // CompModeOpt(0)
  kCompModeAge,     // CompModeOpt(1)
};

class WindowPort {
 public:
  virtual ~WindowPort() = default;

  // A modal message box titled with the program name. Line breaks in `text` are
  // single carriage returns. For Abort/Retry/Ignore, Retry is the default button.
  virtual MsgAnswer ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons) = 0;
  // Handles the pending events of the window, then returns.
  virtual void YieldToEventLoop() = 0;
  // The same while the core waits for file-system work that is late (a slow
  // or stalled disk). It is no yield point of a run: it is called only when a
  // result has not come for a while, with or without the speed option.
  virtual void HandleEventsWhileWaiting() { YieldToEventLoop(); }

  virtual void ShowStatusPanel(int panel, const std::string& text) = 0;
  virtual void ShowProgress(float value) = 0;
  virtual void EnableButton(int index, bool enabled) = 0;
  virtual void ShowBusyPointer(bool busy) = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  // Shows a value that the core set, without running any handler.
  virtual void ShowOption(Option option, bool checked) = 0;
  virtual void ShowWindow() = 0;
  // The list's popup menu at the mouse position, item 10 as its default.
  virtual void ShowPopupMenu() = 0;
  // A modal folder dialog; empty when cancelled or when the choice has no path.
  virtual std::string BrowseForFolder(const std::string& prompt) = 0;
  // Replaces the clipboard's contents with `text` (rows of bytes as the list holds them).
  virtual void SetClipboardText(const std::string& text) = 0;
  // Ends the process at once, without the window's unload handling.
  virtual void EndProcess() = 0;

  // What a desktop window has and a headless front end may lack.
  // The tool tip of a control, named as its object ("Liste", "Btn3", "SbarPanel1").
  virtual void SetToolTip(const std::string& control, const std::string& text) {}
  // What a screen reader says of a control; an empty name leaves the control's own.
  virtual void SetAccessibleText(const std::string& control, const std::string& name,
                                 const std::string& description) {}
  // Keeps the window above all others, without moving or resizing it.
  virtual void SetTopMost(bool onTop) {}
  // Lets the user change an option, or shows it as unavailable.
  virtual void EnableOption(Option option, bool enabled) {}
  virtual SettingsStore* Settings() { return nullptr; }
  virtual FormPlacement* Placement() { return nullptr; }
  // The primary screen's size.
  virtual ScreenSize Screen() { return {}; }
  // Every screen of the desktop, the primary one first.
  virtual std::vector<ScreenArea> Screens() { return {}; }
  // Whether the window system lets the window place itself and stay above
  // others. A native Wayland session lets the compositor alone decide both.
  virtual bool PlacesItself() { return true; }
  virtual LayoutForm* Layout() { return nullptr; }
  // Hands a file path, a web address with its scheme or a mail link to the
  // desktop's default application, without waiting for it.
  virtual void OpenWithDesktop(const std::string& target, bool maximised) {}
  // Shows the information dialog, or brings the open one to the front.
  virtual void ShowInfoDialog() {}
};

}  // namespace zweiblick

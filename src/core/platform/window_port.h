// SPDX-License-Identifier: GPL-3.0-or-later
// The window's own dressing: what the window's logic sets on the desktop
// window besides what a running operation reports. A front end without a
// window has none of it; every call does nothing unless a front end shows it.
#pragma once

#include <string>
#include <vector>

#include "platform/report_port.h"
#include "platform/settings_store.h"

namespace zweiblick {

class LayoutForm;

// The check boxes and option buttons whose value code can set.
enum class Option {
  kSofortStart,      // SofortStartCheck
  kToolTips,         // ToolTipCheck
  kTopMost,          // MyTopMostChk
  kSpeed,            // SpeedCheck
  kCompModeBinary,   // CompModeOpt(0)
  kCompModeAge,      // CompModeOpt(1)
  kCompModeChanges,  // CompModeOpt(2)
};

class WindowPort {
 public:
  virtual ~WindowPort() = default;

  virtual void SetCaption(const std::string& caption) {}
  // Shows a value that the core set, without running any handler.
  virtual void ShowOption(Option option, bool checked) {}
  virtual void ShowWindow() {}
  // The list's popup menu at the mouse position, item 10 as its default.
  virtual void ShowPopupMenu() {}
  // A modal folder dialog; empty when cancelled or when the choice has no path.
  virtual std::string BrowseForFolder(const std::string& prompt) { return {}; }
  // The tool tip of a control, named as its object ("Liste", "Btn3", "SbarPanel1").
  virtual void SetToolTip(const std::string& control, const std::string& text) {}
  // What a screen reader says of a control; an empty name leaves the control's own.
  virtual void SetAccessibleText(const std::string& control, const std::string& name,
                                 const std::string& description) {}
  // The caption of a frame, named as its object ("Frame1").
  virtual void SetFrameCaption(const std::string& frame, const std::string& caption) {}
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
  // desktop's default application, without waiting for it. False when no
  // application took it.
  virtual bool OpenWithDesktop(const std::string& target, bool maximised) { return true; }
  // The list's column "Änderung", shown while the last comparison was by changes.
  virtual void ShowChangeColumn(bool shown) {}
  // The list's column "Fehler", shown while a row says why it failed.
  virtual void ShowFailureColumn(bool shown) {}
  // The button "Letzten Abgleich rückgängig machen", while there is a run to undo.
  virtual void ShowUndoButton(bool shown) {}
  // Shows the information dialog, or brings the open one to the front.
  virtual void ShowInfoDialog() {}
};

// A front end with a window: both ports in one.
class DesktopPort : public ReportPort, public WindowPort {};

}  // namespace zweiblick

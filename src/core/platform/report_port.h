// SPDX-License-Identifier: GPL-3.0-or-later
// What a front end shows of a running operation and what it answers: the
// port the filling, the comparison, the synchronisation and the clipboard copy
// reach the user through. The Qt window, the command-line program and the
// tests each implement it; a front end without a window overrides only what
// it can show.
#pragma once

#include <string>

namespace zweiblick {

inline constexpr const char* kProgramName = "Zweiblick";

enum class MsgIcon { kNone, kExclamation, kInformation, kCritical };
enum class MsgButtons { kOk, kAbortRetryIgnore, kYesNo };
enum class MsgAnswer { kOk, kAbort, kRetry, kIgnore, kYes, kNo };

class ReportPort {
 public:
  virtual ~ReportPort() = default;

  // A modal message box titled with the program name. Line breaks in `text` are
  // single carriage returns. For Abort/Retry/Ignore, Retry is the default button;
  // for Yes/No, No (a box closed otherwise answers No).
  virtual MsgAnswer ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons) = 0;
  // The failure box of a synchronisation: `text` as ShowMessage shows it with
  // the critical icon and Abort/Retry/Ignore, `reason` (why it failed) below
  // it. Sets `ignoreRest` when the user asks that every later failure of the
  // run be ignored without a box. A front end without that check box shows
  // the text alone.
  virtual MsgAnswer ShowFailure(const std::string& text, const std::string& reason,
                                bool& ignoreRest) {
    (void)reason;
    (void)ignoreRest;
    return ShowMessage(text, MsgIcon::kCritical, MsgButtons::kAbortRetryIgnore);
  }
  // A text for the record of an unattended run that waits for nobody (the
  // conflicts a comparison found); a window, whose list shows them, ignores it.
  virtual void Note(const std::string& text) { (void)text; }
  // Replaces the clipboard's contents with `text` (rows of bytes as the list holds them).
  virtual void SetClipboardText(const std::string& text) = 0;

  // Handles the pending events of the window, then returns.
  virtual void YieldToEventLoop() {}
  // The same while the core waits for file-system work that is late (a slow
  // or stalled disk). It is no yield point of a run: it is called only when a
  // result has not come for a while, with or without the speed option.
  virtual void HandleEventsWhileWaiting() { YieldToEventLoop(); }
  // Where a run does not yield (the speed option): the window still hears of
  // a key now and then, so that Escape can stop the run. No yield point
  // either: a front end decides how seldom.
  virtual void HandleEventsNowAndThen() {}
  virtual void ShowStatusPanel(int panel, const std::string& text) {}
  virtual void ShowProgress(float value) {}
  virtual void EnableButton(int index, bool enabled) {}
  virtual void ShowBusyPointer(bool busy) {}
  // Ends the process at once, without the window's unload handling.
  virtual void EndProcess() {}
};

}  // namespace zweiblick

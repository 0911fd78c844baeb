// SPDX-License-Identifier: GPL-3.0-or-later
// What a long operation (filling, comparison, synchronisation, clipboard copy)
// is handed to report through: the front end's report port with the rules
// every operation shares — the "Status: " of panel 2, the yield that the speed
// option switches off, the state of the comparison button.
#pragma once

#include <string>

#include "platform/report_port.h"

namespace zweiblick {

inline constexpr int kCompareButtonIndex = 8;

class RunReporter {
 public:
  // `speed` is read afresh at every yield, so checking the option during a run
  // takes effect at once.
  RunReporter(ReportPort& port, const bool& speed) : port_(port), speed_(speed) {}
  RunReporter(const RunReporter&) = delete;
  RunReporter& operator=(const RunReporter&) = delete;

  ReportPort& Port() { return port_; }
  void Note(const std::string& text) { port_.Note(text); }
  MsgAnswer ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons) {
    return port_.ShowMessage(text, icon, buttons);
  }
  MsgAnswer ShowFailure(const std::string& text, const std::string& reason, bool& ignoreRest) {
    return port_.ShowFailure(text, reason, ignoreRest);
  }
  // Panel 2 shows "Status: " before a non-empty text.
  void SetStatus(int panel, const std::string& text);
  void SetProgress(float value) { port_.ShowProgress(value); }
  void ShowBusyPointer(bool busy) { port_.ShowBusyPointer(busy); }
  void EnableCompareButton(bool enabled);
  bool CompareButtonEnabled() const { return compareEnabled_; }
  // The yield of the long loops: skipped while the speed option is checked,
  // but for a look at the keyboard now and then.
  void YieldUnlessFast() {
    if (!speed_)
      port_.YieldToEventLoop();
    else
      port_.HandleEventsNowAndThen();
  }
  // The walk's yield once per folder, whatever the speed option says.
  void YieldAlways() { port_.YieldToEventLoop(); }
  void HandleEventsWhileWaiting() { port_.HandleEventsWhileWaiting(); }

  // The program is to end, or the user pressed Escape: the running operation
  // stops at its next yield, as after Abort, so that it ends in order (a
  // synchronisation makes what it wrote durable first).
  void RequestStop() { stopRequested_ = true; }
  bool StopRequested() const { return stopRequested_; }
  // A new operation starts: an earlier Escape does not stop it.
  void ClearStop() { stopRequested_ = false; }

 private:
  ReportPort& port_;
  const bool& speed_;
  bool compareEnabled_ = true;
  bool stopRequested_ = false;
};

}  // namespace zweiblick

// SPDX-License-Identifier: GPL-3.0-or-later
// What the command-line program shows of a run: no window, nobody to answer.
// Messages go to standard error, the clipboard text to standard output, and a
// failed copy or deletion is answered with Ignore.
#pragma once

#include <string>

#include "platform/report_port.h"

namespace zweiblick {

class ConsoleWindow : public ReportPort {
 public:
  ConsoleWindow();

  MsgAnswer ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons) override;
  // Every failure is listed with its reason and answered with Ignore, so
  // nothing is left to stop asking about.
  MsgAnswer ShowFailure(const std::string& text, const std::string& reason,
                        bool& ignoreRest) override;
  // Printed like a message, and no failure of the run.
  void Note(const std::string& text) override;
  void ShowStatusPanel(int panel, const std::string& text) override;
  void ShowProgress(float value) override;
  void SetClipboardText(const std::string& text) override;
  // EndProcess stays quiet: the command-line program always ends after the run.

  // One line of its own on standard error.
  void Report(const std::string& line);
  // Flushes standard output. Whether anything failed: an entry could not be
  // examined, read, copied or deleted, or the list could not be written.
  bool Finish();

 private:
  void DrawProgress();
  void ClearProgress();
  void CheckOutput(bool written);

  bool terminal_;
  bool failed_ = false;
  bool outputFailed_ = false;
  bool progressShown_ = false;
  std::string status_;
  int percent_ = -1;
};

}  // namespace zweiblick

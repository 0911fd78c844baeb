// The window port of the command-line program: no window, nobody to answer.
// Messages go to standard error, the clipboard text to standard output, and a
// failed copy or deletion is answered with Ignore.
#pragma once

#include <string>

#include "platform/window_port.h"

namespace zweiblick {

class ConsoleWindow : public WindowPort {
 public:
  ConsoleWindow();

  MsgAnswer ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons) override;
  void YieldToEventLoop() override {}
  void ShowStatusPanel(int panel, const std::string& text) override;
  void ShowProgress(float value) override;
  void EnableButton(int, bool) override {}
  void ShowBusyPointer(bool) override {}
  void SetCaption(const std::string&) override {}
  void ShowOption(Option, bool) override {}
  void ShowWindow() override {}
  void ShowPopupMenu() override {}
  std::string BrowseForFolder(const std::string&) override { return {}; }
  void SetClipboardText(const std::string& text) override;
  // The command-line program always ends after the run.
  void EndProcess() override {}

  // Whether an entry could not be examined, read, copied or deleted.
  bool Failed() const { return failed_; }

 private:
  void DrawProgress();
  void ClearProgress();

  bool terminal_;
  bool failed_ = false;
  bool progressShown_ = false;
  std::string status_;
  int percent_ = -1;
};

}  // namespace zweiblick

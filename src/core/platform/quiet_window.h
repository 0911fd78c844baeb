// A window port that shows nothing and asks nobody, for front ends without a
// window: each answers only what it needs to.
#pragma once

#include "platform/window_port.h"

namespace zweiblick {

class QuietWindow : public WindowPort {
 public:
  // Nobody can answer: OK, or Ignore for a failed copy or deletion.
  MsgAnswer ShowMessage(const std::string&, MsgIcon, MsgButtons buttons) override {
    return buttons == MsgButtons::kAbortRetryIgnore ? MsgAnswer::kIgnore : MsgAnswer::kOk;
  }
  void YieldToEventLoop() override {}
  void ShowStatusPanel(int, const std::string&) override {}
  void ShowProgress(float) override {}
  void EnableButton(int, bool) override {}
  void ShowBusyPointer(bool) override {}
  void SetCaption(const std::string&) override {}
  void ShowOption(Option, bool) override {}
  void ShowWindow() override {}
  void ShowPopupMenu() override {}
  std::string BrowseForFolder(const std::string&) override { return {}; }
  void SetClipboardText(const std::string&) override {}
  void EndProcess() override {}
};

}  // namespace zweiblick

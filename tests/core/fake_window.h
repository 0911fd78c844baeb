// SPDX-License-Identifier: GPL-3.0-or-later
// A window port that records what the core shows and answers message boxes
// from a script, so the window's logic runs without a display.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/window_port.h"

namespace zweiblick::testing {

struct ShownMessage {
  std::string text;
  MsgIcon icon;
  MsgButtons buttons;
};

class FakeWindow : public DesktopPort {
 public:
  MsgAnswer ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons) override {
    messages.push_back({text, icon, buttons});
    if (onMessage) onMessage(messages.back());
    if (answers.empty()) {
      if (buttons == MsgButtons::kYesNo) return MsgAnswer::kNo;
      return buttons == MsgButtons::kOk ? MsgAnswer::kOk : MsgAnswer::kIgnore;
    }
    MsgAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
  MsgAnswer ShowFailure(const std::string& text, const std::string& reason,
                        bool& ignoreRest) override {
    reasons.push_back(reason);
    ignoreRest = ignoreRestChecked;
    return ShowMessage(text, MsgIcon::kCritical, MsgButtons::kAbortRetryIgnore);
  }
  void YieldToEventLoop() override {
    ++yields;
    if (onYield) onYield();
  }
  void HandleEventsWhileWaiting() override { ++waits; }
  void ShowStatusPanel(int panel, const std::string& text) override {
    panels[panel] = text;
    if (panel == 2) statusHistory.push_back(text);
  }
  void ShowProgress(float value) override {
    progress = value;
    progressHistory.push_back(value);
  }
  void EnableButton(int index, bool enabled) override {
    buttonEnabled[index] = enabled;
    if (index == 8) compareButtonHistory.push_back(enabled);
  }
  void ShowBusyPointer(bool b) override { busy = b; }
  void SetCaption(const std::string& c) override { caption = c; }
  void ShowOption(Option o, bool checked) override { options[o] = checked; }
  void ShowWindow() override { shown = true; }
  void ShowPopupMenu() override { ++popups; }
  std::string BrowseForFolder(const std::string& prompt) override {
    prompts.push_back(prompt);
    return folderAnswer;
  }
  void SetClipboardText(const std::string& text) override { clipboard = text; }
  void EndProcess() override { ++ended; }
  void SetToolTip(const std::string& control, const std::string& text) override {
    toolTips[control] = text;
  }
  void SetTopMost(bool on) override { topMost = on; }
  void ShowFailureColumn(bool shown) override { failureColumn = shown; }
  void SetFrameCaption(const std::string& frame, const std::string& caption) override {
    frameCaptions[frame] = caption;
  }

  std::vector<ShownMessage> messages;
  std::deque<MsgAnswer> answers;
  // Runs while the box is open, before it is answered.
  std::function<void(const ShownMessage&)> onMessage;
  std::vector<std::string> reasons;  // of the failure boxes
  bool ignoreRestChecked = false;    // how the failure box's check box is left
  int yields = 0;
  std::function<void()> onYield;
  int waits = 0;
  std::map<int, std::string> panels;
  std::vector<std::string> statusHistory;
  float progress = 0;
  std::vector<float> progressHistory;
  std::map<int, bool> buttonEnabled;
  std::vector<bool> compareButtonHistory;
  bool busy = false;
  std::string caption;
  std::map<Option, bool> options;
  bool shown = false;
  int popups = 0;
  std::vector<std::string> prompts;
  std::string folderAnswer;
  int ended = 0;
  std::map<std::string, std::string> toolTips;
  bool topMost = false;
  bool failureColumn = false;
  std::map<std::string, std::string> frameCaptions;
  std::string clipboard = "previous contents";
};

}  // namespace zweiblick::testing

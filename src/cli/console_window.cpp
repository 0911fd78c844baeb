// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/console_window.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "sync/synchronize_folders.h"

namespace zweiblick {

ConsoleWindow::ConsoleWindow() : terminal_(isatty(STDERR_FILENO) == 1) {}

MsgAnswer ConsoleWindow::ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons) {
  std::string lines = text;
  for (char& c : lines)
    if (c == '\r') c = '\n';
  if (!lines.empty() && lines.back() == '\n') lines.pop_back();
  Report(lines);
  // An access error (exclamation), a failed copy or deletion (abort/retry/ignore)
  // or data that did not reach the disk (critical) is a failure of the run; the
  // summary (information) is not.
  if (icon == MsgIcon::kExclamation || icon == MsgIcon::kCritical ||
      buttons == MsgButtons::kAbortRetryIgnore)
    failed_ = true;
  // Nobody can answer: OK, Ignore for a failed copy or deletion, and No to
  // deleting for good (what would then be deleted fails instead).
  if (buttons == MsgButtons::kYesNo) return MsgAnswer::kNo;
  return buttons == MsgButtons::kAbortRetryIgnore ? MsgAnswer::kIgnore : MsgAnswer::kOk;
}

void ConsoleWindow::Note(const std::string& text) {
  ShowMessage(text, MsgIcon::kInformation, MsgButtons::kOk);
}

MsgAnswer ConsoleWindow::ShowFailure(const std::string& text, const std::string& reason,
                                     bool& ignoreRest) {
  (void)ignoreRest;
  // Nobody is asked here: the box's question is left out.
  std::string said = text;
  std::string_view question = kSyncFailureQuestion;
  if (said.size() >= question.size() &&
      said.compare(said.size() - question.size(), question.size(), question) == 0)
    said.resize(said.size() - question.size());
  MsgAnswer answer = ShowMessage(said, MsgIcon::kCritical, MsgButtons::kAbortRetryIgnore);
  Report("Grund: " + reason);
  return answer;
}

void ConsoleWindow::ShowStatusPanel(int panel, const std::string& text) {
  if (panel != 2) return;
  status_ = text;
  DrawProgress();
}

void ConsoleWindow::ShowProgress(float value) {
  int percent = static_cast<int>(value);
  if (percent == percent_) return;
  percent_ = percent;
  DrawProgress();
}

void ConsoleWindow::DrawProgress() {
  if (!terminal_ || status_.empty()) return;
  std::fprintf(stderr, "\r\033[K%s %3d %%", status_.c_str(), percent_ < 0 ? 0 : percent_);
  std::fflush(stderr);
  progressShown_ = true;
}

void ConsoleWindow::ClearProgress() {
  if (!progressShown_) return;
  std::fputs("\r\033[K", stderr);
  progressShown_ = false;
}

void ConsoleWindow::SetClipboardText(const std::string& text) {
  bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
  CheckOutput(written && std::fflush(stdout) == 0);
}

void ConsoleWindow::CheckOutput(bool written) {
  if (written || outputFailed_) return;
  // A full disk behind "> liste.txt" must not pass for a written list.
  outputFailed_ = failed_ = true;
  Report(std::string("Die Liste konnte nicht auf die Standardausgabe geschrieben werden: ") +
         std::strerror(errno));
}

void ConsoleWindow::Report(const std::string& line) {
  ClearProgress();
  std::fputs((line + "\n").c_str(), stderr);
  std::fflush(stderr);
}

bool ConsoleWindow::Finish() {
  CheckOutput(std::fflush(stdout) == 0 && !std::ferror(stdout));
  return failed_;
}

}  // namespace zweiblick

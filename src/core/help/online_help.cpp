// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/online_help.h"

#include <sys/stat.h>

#include "platform/window_port.h"
#include "reading/path_helpers.h"

namespace zweiblick {
namespace {

// A target the desktop can open: a path, or an address with a scheme.
std::string DesktopTarget(const std::string& target) {
  if (target.empty() || target.front() == kSep || target.front() == '.') return target;
  size_t colon = target.find(':');
  size_t slash = target.find('/');
  bool hasScheme = colon != std::string::npos && (slash == std::string::npos || colon < slash);
  return hasScheme ? target : "http://" + target;
}

}  // namespace

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  size_t slash = path.rfind(kSep);
  if (path.compare(slash == std::string::npos ? 0 : slash + 1, 1, ".") == 0) return false;
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string FindHelpFile(const std::string& programFolder) {
  for (const char* folder : {"", "hilfe/"})
    for (const char* name : {"index", "hilfe"})
      for (const char* extension : {".htm", ".html"}) {
        std::string candidate = programFolder + folder + name + extension;
        if (FileExists(candidate)) return candidate;
      }
  return {};
}

void ShowOnlineHelp(ReportPort& report, WindowPort& window) {
  std::string page = FindHelpFile(ProgramFolder());
  if (page.empty()) {
    report.ShowMessage(kHelpMissing, MsgIcon::kInformation, MsgButtons::kOk);
    return;
  }
  // Without a browser the click would seem to do nothing: the page can still
  // be opened by hand.
  if (!OpenDocument(window, page, ShowCommand::kDefault))
    report.ShowMessage(HelpNotOpenedText(page), MsgIcon::kInformation, MsgButtons::kOk);
}

std::string HelpNotOpenedText(const std::string& page) {
  return "Die Hilfe ließ sich in keinem Browser öffnen.\rSie steht in der Datei\r\r" + page;
}

bool OpenDocument(WindowPort& port, const std::string& target, ShowCommand showCommand) {
  if (showCommand == ShowCommand::kDefault) showCommand = ShowCommand::kNormal;
  return port.OpenWithDesktop(DesktopTarget(target), showCommand == ShowCommand::kMaximised);
}

void OpenWebSite(WindowPort& port) {
  OpenDocument(port, kWebHost, ShowCommand::kMaximised);
}

}  // namespace zweiblick

// Finding and opening the help pages, and handing documents to the desktop.
#pragma once

#include <string>

namespace zweiblick {

class ReportPort;
class WindowPort;

inline constexpr const char* kWebHost = "www.melkart.example";
inline constexpr const char* kSupportMailbox = "support@melkart.example";
inline constexpr const char* kHelpMissing =
    "Die Online-Hilfe konnte leider nicht gefunden werden ...";

// Show commands in the meaning the old desktop gave them.
inline constexpr int kShowNormal = 1;
inline constexpr int kShowMaximised = 3;

// Opens the first help page found beside the program, or says there is none.
void ShowOnlineHelp(ReportPort& report, WindowPort& window);

// The first of the eight candidate pages below `programFolder` that exists, or "".
std::string FindHelpFile(const std::string& programFolder);

// An ordinary file: a regular file whose name does not begin with "." (hidden here).
bool FileExists(const std::string& path);

// Opens `target` with its default application; show command 0 means 1 (normal).
// A web address without scheme gets "http://", which the desktop needs.
void OpenDocument(WindowPort& port, const std::string& target, int showCommand);

void OpenWebSite(WindowPort& port);

}  // namespace zweiblick

// SPDX-License-Identifier: GPL-3.0-or-later
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

// How the opened document's window is to show, with the numbers the old
// desktop gave these commands.
enum class ShowCommand : int { kDefault = 0, kNormal = 1, kMaximised = 3 };

// Opens the first help page found beside the program, or says there is none;
// where no browser takes it, says where it lies.
void ShowOnlineHelp(ReportPort& report, WindowPort& window);
std::string HelpNotOpenedText(const std::string& page);

// The first of the eight candidate pages below `programFolder` that exists, or "".
std::string FindHelpFile(const std::string& programFolder);

// An ordinary file: a regular file whose name does not begin with "." (hidden here).
bool FileExists(const std::string& path);

// Opens `target` with its default application; the default show command is normal.
// A web address without scheme gets "http://", which the desktop needs.
// False when no application took it.
bool OpenDocument(WindowPort& port, const std::string& target, ShowCommand showCommand);

void OpenWebSite(WindowPort& port);

}  // namespace zweiblick

// SPDX-License-Identifier: GPL-3.0-or-later
// The message for a file-system entry that cannot be examined or read.
#pragma once

#include <string>

namespace zweiblick {

class RunReporter;

// The error numbers the messages show, the run-time numbers users of the old
// program know: 53 not found, 52 bad name, 75 access denied, 57 device I/O error.
int AccessErrorNumber(int posixError);

// "Zugriffsfehler <n> auf '<path>'" + CR + "Dieser Name wird fortan ignoriert ..."
std::string AccessErrorText(int posixError, const std::string& path);

// Shows that message with the exclamation icon and waits for the user.
void ReportAccessError(RunReporter& run, int posixError, const std::string& path);

}  // namespace zweiblick

// SPDX-License-Identifier: GPL-3.0-or-later
// The unattended run that a control file on the command line asks for.
#pragma once

#include <string>
#include <string_view>

namespace zweiblick {

class BatchSteps;
struct SyncTally;

enum class BatchOutcome {
  kNone,      // no command line: the program is interactive
  kRejected,  // the control file or its folders failed the checks, or another run is
              // writing a folder; told in one message
  kDone,      // the steps ran
};

// Checks the control file named by the trimmed command line completely, reports
// every problem in one message, or runs the steps it switches on: fill left,
// fill right, compare, clipboard, synchronise, end. A bare name is looked for
// in the program folder. `tally`, when given, receives what the
// synchronisation did.
BatchOutcome StartBatchMode(BatchSteps& w, const std::string& commandLine,
                            SyncTally* tally = nullptr);

// Undoes the last run of the pair that the control file names; the control
// file is checked as for a run. kDone also where not all of it was undone:
// `undone` tells.
BatchOutcome UndoBatchRun(BatchSteps& w, const std::string& commandLine, bool& undone);
// The value of `key` in `section` of the control file's text `content` (or
// `defaultValue`), as the profile call gives it: cut to its buffer of 32767
// characters. The file is read once, so that every key comes from the same text.
std::string ReadIniString(std::string_view content, const std::string& section,
                          const std::string& key, const std::string& defaultValue);

}  // namespace zweiblick

// SPDX-License-Identifier: GPL-3.0-or-later
// What is done with the hunks of two files: the unified text that scripts and
// patch read, the left file turned into the right one, and one block taken
// across from one side to the other.
#pragma once

#include <string>
#include <vector>

#include "textdiff/line_diff.h"
#include "textdiff/text_file.h"

namespace zweiblick {

// The hunks in unified form with `context` lines around each, under the
// header lines "--- leftName" and "+++ rightName"; lines as their bytes, a last
// line without line end followed by "\ Kein Zeilenumbruch am Dateiende".
std::string UnifiedText(const TextFile& left, const TextFile& right, const std::vector<Hunk>& hunks,
                        const std::string& leftName, const std::string& rightName, int context = 3);

// The left lines with every hunk's block replaced by the right's.
std::vector<std::string> ApplyHunks(const std::vector<std::string>& left,
                                    const std::vector<std::string>& right,
                                    const std::vector<Hunk>& hunks);

// Takes the block `hunk` of `from` into `to` (hunk seen from the left: `fromLeft`
// tells which side `from` is). The lines take `to`'s encoding and line end;
// every line but the last ends with one. False, with `to` unchanged, when a
// character has no place in `to`'s encoding.
bool TakeBlock(const TextFile& from, TextFile& to, const Hunk& hunk, bool fromLeft);

}  // namespace zweiblick

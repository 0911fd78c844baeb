// SPDX-License-Identifier: GPL-3.0-or-later
// The line comparison: a histogram diff, which anchors on the rarest lines
// common to both sides and so gives hunks a reader follows (a moved function
// stays whole; blank lines and lone braces do not tie unrelated code
// together). Where every common line is frequent, a region falls back to the
// shortest edit script, bounded in cost.
#pragma once

#include <atomic>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zweiblick {

// One changed block: lines [leftBegin, leftBegin + leftCount) of the left side
// stand where lines [rightBegin, rightBegin + rightCount) of the right side
// are. Counts may be 0 (lines only on the other side); positions are 0-based.
struct Hunk {
  int leftBegin = 0, leftCount = 0, rightBegin = 0, rightCount = 0;
  bool operator==(const Hunk&) const = default;
};

// The hunks that turn sequence `a` into `b`, in order, each between lines
// common to both. Elements are equal when their numbers are. Stops early
// (with hunks that still cover every difference, only less finely) once
// `cancel` is set.
std::vector<Hunk> DiffSequences(const std::vector<int>& a, const std::vector<int>& b,
                                const std::atomic<bool>* cancel = nullptr);

// What the comparison may overlook.
struct IgnoreOptions {
  bool whitespace = false;  // blanks and tabs anywhere in a line
  bool letterCase = false;  // Unicode simple case folding
  bool lineEnds = false;    // CRLF, LF, and a last line without one
  bool Any() const { return whitespace || letterCase || lineEnds; }
};

enum class TextEncoding;

// The hunks between the lines of two files (bytes in their encodings, line
// ends included). Without options lines compare byte for byte; with them,
// as their text in UTF-8 with what is ignored taken out.
std::vector<Hunk> DiffLines(const std::vector<std::string>& left, TextEncoding leftEncoding,
                            const std::vector<std::string>& right, TextEncoding rightEncoding,
                            const IgnoreOptions& options,
                            const std::atomic<bool>* cancel = nullptr);

// The changed parts of two versions of one line (UTF-8 text, no line end), as
// byte ranges [begin, end) in each: words, runs of blanks and single marks
// compared as units. Nothing for lines longer than kLongLine.
struct WordMarks {
  std::vector<std::pair<int, int>> left, right;
};
WordMarks MarkWords(std::string_view left, std::string_view right,
                    const IgnoreOptions& options = {});

// The number of lines the hunks take out of the left and add from the right.
int ChangedLines(const std::vector<Hunk>& hunks);

}  // namespace zweiblick

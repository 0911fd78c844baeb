// SPDX-License-Identifier: GPL-3.0-or-later
#include "textdiff/hunk_text.h"

#include <algorithm>

namespace zweiblick {

namespace {

constexpr const char* kNoNewLine = "\\ Kein Zeilenumbruch am Dateiende\n";

void AppendLine(std::string& out, char sign, const std::string& line) {
  out += sign;
  out += line;
  if (line.empty() || line.back() != '\n') {
    out += '\n';
    out += kNoNewLine;
  }
}

// "start,count" as unified text writes it: an empty range names the line before it.
std::string Range(int begin, int count) {
  int start = count == 0 ? begin : begin + 1;
  return count == 1 ? std::to_string(start) : std::to_string(start) + "," + std::to_string(count);
}

}  // namespace

std::string UnifiedText(const TextFile& left, const TextFile& right, const std::vector<Hunk>& hunks,
                        const std::string& leftName, const std::string& rightName, int context) {
  std::string out;
  if (hunks.empty()) return out;
  out += "--- " + leftName + "\n+++ " + rightName + "\n";
  const int n = int(left.lines.size());
  for (std::size_t first = 0; first < hunks.size();) {
    // Hunks whose context would touch go into one group.
    std::size_t last = first;
    while (last + 1 < hunks.size() &&
           hunks[last + 1].leftBegin - (hunks[last].leftBegin + hunks[last].leftCount) <=
               2 * context)
      ++last;
    const Hunk& h0 = hunks[first];
    const Hunk& h1 = hunks[last];
    int before = std::min(context, h0.leftBegin);
    int leftEnd = std::min(n, h1.leftBegin + h1.leftCount + context);
    int after = leftEnd - (h1.leftBegin + h1.leftCount);
    int a0 = h0.leftBegin - before, b0 = h0.rightBegin - before;
    int aCount = leftEnd - a0;
    int bCount = h1.rightBegin + h1.rightCount + after - b0;
    out += "@@ -" + Range(a0, aCount) + " +" + Range(b0, bCount) + " @@\n";
    int a = a0;
    for (std::size_t k = first; k <= last; ++k) {
      const Hunk& h = hunks[k];
      for (; a < h.leftBegin; ++a) AppendLine(out, ' ', left.lines[a]);
      for (int i = 0; i < h.leftCount; ++i) AppendLine(out, '-', left.lines[h.leftBegin + i]);
      for (int j = 0; j < h.rightCount; ++j) AppendLine(out, '+', right.lines[h.rightBegin + j]);
      a = h.leftBegin + h.leftCount;
    }
    for (; a < leftEnd; ++a) AppendLine(out, ' ', left.lines[a]);
    first = last + 1;
  }
  return out;
}

std::vector<std::string> ApplyHunks(const std::vector<std::string>& left,
                                    const std::vector<std::string>& right,
                                    const std::vector<Hunk>& hunks) {
  std::vector<std::string> out;
  out.reserve(right.size());
  int a = 0;
  for (const Hunk& h : hunks) {
    out.insert(out.end(), left.begin() + a, left.begin() + h.leftBegin);
    out.insert(out.end(), right.begin() + h.rightBegin,
               right.begin() + h.rightBegin + h.rightCount);
    a = h.leftBegin + h.leftCount;
  }
  out.insert(out.end(), left.begin() + a, left.end());
  return out;
}

bool TakeBlock(const TextFile& from, TextFile& to, const Hunk& hunk, bool fromLeft) {
  const int fromBegin = fromLeft ? hunk.leftBegin : hunk.rightBegin;
  const int fromCount = fromLeft ? hunk.leftCount : hunk.rightCount;
  const int toBegin = fromLeft ? hunk.rightBegin : hunk.leftBegin;
  const int toCount = fromLeft ? hunk.rightCount : hunk.leftCount;
  std::vector<std::string> taken;
  taken.reserve(fromCount);
  for (int i = 0; i < fromCount; ++i) {
    const std::string& line = from.lines[fromBegin + i];
    std::string_view body = WithoutLineEnd(line);
    std::string_view end = std::string_view(line).substr(body.size());
    std::string text;
    if (from.encoding == to.encoding)
      text = body;
    else if (!FromUtf8(ToUtf8(body, from.encoding), to.encoding, text))
      return false;
    // A mixed file keeps each line's own end; a file of one kind its kind.
    if (!end.empty() && to.ends != LineEnds::kMixed && to.ends != LineEnds::kNone)
      end = to.NewLineEnd();
    text += end;
    taken.push_back(std::move(text));
  }
  auto& lines = to.lines;
  lines.erase(lines.begin() + toBegin, lines.begin() + toBegin + toCount);
  lines.insert(lines.begin() + toBegin, taken.begin(), taken.end());
  const std::string_view lineEnd = to.ends == LineEnds::kNone ? from.NewLineEnd() : to.NewLineEnd();
  for (std::size_t i = 0; i + 1 < lines.size(); ++i)
    if (lines[i].empty() || lines[i].back() != '\n') lines[i] += lineEnd;
  return true;
}

}  // namespace zweiblick

// SPDX-License-Identifier: GPL-3.0-or-later
// The exclusion patterns: any pattern text compiles without a fault, into the
// patterns it can use and the reasons for the others, and the verdict on a
// path follows the rules the walk relies on. The input is a flag byte, the
// pattern text up to the first line end, then one path per line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "check.h"
#include "names/name_key.h"
#include "reading/name_filter.h"

using namespace zweiblick;
using zweiblick::fuzz::Check;
using Verdict = NameFilter::Verdict;

namespace {

std::string_view Trimmed(std::string_view s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// The pieces between ";" that are not blank.
std::vector<std::string_view> Pieces(std::string_view text) {
  std::vector<std::string_view> pieces;
  for (;;) {
    size_t end = text.find(';');
    std::string_view piece = Trimmed(text.substr(0, end));
    if (!piece.empty()) pieces.push_back(piece);
    if (end == std::string_view::npos) return pieces;
    text.remove_prefix(end + 1);
  }
}

// A path as a walk hands it over: names that are not empty, separated by "/".
bool IsWalkPath(std::string_view rel) {
  return !rel.empty() && rel.front() != '/' && rel.back() != '/' &&
         rel.find("//") == std::string_view::npos && rel.find('\0') == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool dotNames = data[0] & 1;
  std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  const size_t lineEnd = input.find('\n');
  const std::string_view patterns = input.substr(0, lineEnd);
  input.remove_prefix(lineEnd == std::string_view::npos ? input.size() : lineEnd + 1);

  std::vector<PatternProblem> problems;
  const NameFilter filter = NameFilter::Compile(patterns, dotNames, problems);
  Check(filter.DotNames() == dotNames, "the dot names switch is kept");
  const std::vector<std::string_view> pieces = Pieces(patterns);
  const std::string text = filter.PatternText();
  size_t used = text.empty() ? 0 : 1;
  for (char c : text) used += c == ';';
  Check(filter.HasPatterns() == (used > 0), "HasPatterns tells whether one is used");
  Check(used + problems.size() == pieces.size(), "every pattern is used or refused");
  for (const PatternProblem& p : problems)
    Check(!p.pattern.empty() && !p.reason.empty(), "a refusal names its pattern and reason");

  // What is in use compiles again to itself, without a refusal.
  std::vector<PatternProblem> again;
  Check(NameFilter::Compile(text, dotNames, again).PatternText() == text && again.empty(),
        "the patterns in use compile again as they are");

  // Each pattern alone, to judge every path by the rule that the first
  // pattern leaving a path out wins over the folder-only ones.
  std::vector<NameFilter> alone;
  for (std::string_view piece : pieces) {
    std::vector<PatternProblem> ignored;
    NameFilter one = NameFilter::Compile(piece, dotNames, ignored);
    if (one.HasPatterns()) alone.push_back(std::move(one));
  }
  Check(alone.size() == used, "each pattern in use compiles alone");

  while (!input.empty()) {
    const size_t end = input.find('\n');
    const std::string_view rel = input.substr(0, end);
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    if (!IsWalkPath(rel)) continue;
    const Verdict verdict = filter.Check(rel);
    const Verdict asFile = filter.Check(rel, false);
    Check(asFile == (verdict == Verdict::kLeaveOut ? Verdict::kLeaveOut : Verdict::kKeep),
          "a file is left out only by a pattern that is not for folders only");
    Verdict combined = Verdict::kKeep;
    for (const NameFilter& one : alone) {
      Verdict v = one.Check(rel);
      if (v == Verdict::kLeaveOut) {
        combined = v;
        break;
      }
      if (v == Verdict::kLeaveOutIfFolder) combined = v;
    }
    Check(verdict == combined, "the patterns together judge as each one alone");
    if (IsValidUtf8(rel)) {
      Check(filter.Check(fuzz::SwapAsciiCase(rel)) == verdict, "ASCII letter case does not count");
      for (bool upper : {true, false})
        Check(filter.Check(fuzz::CaseVariant(rel, upper)) == verdict, "letter case does not count");
    }
  }
  return 0;
}

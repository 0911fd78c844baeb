// SPDX-License-Identifier: GPL-3.0-or-later
// The names a walk leaves out: exclusion patterns and names beginning with a dot.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zweiblick {

// A pattern that cannot be used, and why (German, for the control-file check).
struct PatternProblem {
  std::string pattern;
  std::string reason;
};

// Patterns are a small part of what .gitignore files know:
// - a name without "/" (a trailing "/" aside) matches that name at any depth;
// - a pattern with a "/" elsewhere is anchored at the chosen folder
//   ("/build" is build at the top only, "doc/alt" that one folder);
// - "*" is any run of characters within one name, "?" one character;
// - "**" as a whole name is any number of folders: "**/cache", "a/**/b",
//   and "a/**" everything inside a;
// - a trailing "/" matches folders only;
// - letter case is ignored the way the pairing ignores it (Unicode folding).
// Negation ("!"), classes ("["), escapes ("\"), "**" inside a name, "." and
// ".." as names, empty names ("a//b", "/") and NUL are refused.
class NameFilter {
 public:
  // Nothing left out but names beginning with a dot.
  NameFilter() = default;

  // `patterns` separated by ";", blanks around each trimmed, empty ones
  // ignored. A pattern that cannot be used is left out and described in
  // `problems`.
  static NameFilter Compile(std::string_view patterns, bool dotNames,
                            std::vector<PatternProblem>& problems);

  enum class Verdict { kKeep, kLeaveOut, kLeaveOutIfFolder };
  // What the walk does with the entry `rel`: its path below the chosen folder,
  // names separated by "/", no leading "/". Names beginning with a dot are not
  // judged here (see DotNames). `mayBeFolder` false (the listing said "file")
  // skips the patterns for folders. Allocates nothing for an ASCII path.
  Verdict Check(std::string_view rel, bool mayBeFolder = true) const;

  // Whether names beginning with a dot are walked.
  bool DotNames() const { return dotNames_; }
  bool HasPatterns() const { return !patterns_.empty(); }
  // The patterns in use, as written, separated by "; ".
  std::string PatternText() const;

 private:
  // How one name is matched: most patterns are a plain name, "*" and a
  // suffix, or a prefix and "*", which need no glob.
  enum class Kind { kLiteral, kSuffix, kPrefix, kGlob, kAnyFolders };
  struct Part {
    std::string text;  // folded; for kSuffix and kPrefix without the "*"
    Kind kind;
    bool Matches(std::string_view name, bool lowerAscii) const;
  };
  struct Pattern {
    std::string text;  // as written, trimmed
    std::vector<Part> parts;
    bool anchored = false;
    bool foldersOnly = false;
    bool hasAnyFolders = false;
  };
  static Part PartOf(std::string_view name);
  static bool MatchPath(const std::vector<Part>& parts, size_t pi, std::string_view rel, size_t at,
                        bool lowerAscii);

  std::vector<Pattern> patterns_;
  bool anchored_ = false;  // some pattern is anchored
  bool dotNames_ = false;
};

}  // namespace zweiblick

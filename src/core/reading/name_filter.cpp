// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/name_filter.h"

#include "names/name_key.h"

namespace zweiblick {
namespace {

std::string_view Trim(std::string_view s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The bytes of the character that starts with `lead`; a stray byte is one.
size_t CharLength(char lead) {
  unsigned char c = static_cast<unsigned char>(lead);
  return c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
}

// One name against one glob; both folded, or `name` ASCII and folded here.
// "?" takes one character, not one byte; the star is backtracked linearly.
bool Glob(std::string_view glob, std::string_view name, bool lowerAscii) {
  size_t g = 0, n = 0, starG = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (g < glob.size() && glob[g] == '*') {
      starG = ++g;
      starN = n;
      continue;
    }
    if (g < glob.size() && glob[g] == '?') {
      ++g;
      n = std::min(name.size(), n + CharLength(name[n]));
      continue;
    }
    if (g < glob.size() && glob[g] == (lowerAscii ? LowerAscii(name[n]) : name[n])) {
      ++g;
      ++n;
      continue;
    }
    if (starG == std::string_view::npos) return false;
    g = starG;
    starN = std::min(name.size(), starN + CharLength(name[starN]));
    n = starN;
  }
  while (g < glob.size() && glob[g] == '*') ++g;
  return g == glob.size();
}

// Whether `text` equals the folded `folded`, `text` folded or ASCII and folded here.
bool Equal(std::string_view folded, std::string_view text, bool lowerAscii) {
  if (folded.size() != text.size()) return false;
  if (!lowerAscii) return folded == text;
  for (size_t i = 0; i < text.size(); ++i)
    if (folded[i] != LowerAscii(text[i])) return false;
  return true;
}

// Why `pattern` (trimmed, not empty) cannot be used; empty when it can.
std::string Refusal(std::string_view pattern) {
  if (pattern.find('\0') != std::string_view::npos)
    return "es enthält ein Nullzeichen, das in keinem Namen vorkommen kann";
  if (pattern.front() == '!') return "ein ! am Anfang (Umkehrung) wird nicht unterstützt";
  if (pattern.find('[') != std::string_view::npos)
    return "Zeichenklassen mit [ ] werden nicht unterstützt";
  if (pattern.find('\\') != std::string_view::npos)
    return "das Maskieren mit \\ wird nicht unterstützt";
  return {};
}

}  // namespace

NameFilter::Part NameFilter::PartOf(std::string_view name) {
  if (name == "**") return Part{"", Kind::kAnyFolders};
  std::string folded = MatchKey(name);
  std::string_view f = folded;
  size_t wild = f.find_first_of("*?");
  if (wild == std::string_view::npos) return Part{folded, Kind::kLiteral};
  if (f.size() > 1 && f.find_first_of("*?", 1) == std::string_view::npos && f[0] == '*')
    return Part{std::string(f.substr(1)), Kind::kSuffix};
  if (wild == f.size() - 1 && f.back() == '*')
    return Part{std::string(f.substr(0, wild)), Kind::kPrefix};
  return Part{folded, Kind::kGlob};
}

bool NameFilter::Part::Matches(std::string_view name, bool lowerAscii) const {
  switch (kind) {
    case Kind::kLiteral:
      return Equal(text, name, lowerAscii);
    case Kind::kSuffix:
      return name.size() >= text.size() &&
             Equal(text, name.substr(name.size() - text.size()), lowerAscii);
    case Kind::kPrefix:
      return name.size() >= text.size() && Equal(text, name.substr(0, text.size()), lowerAscii);
    case Kind::kGlob:
      return Glob(text, name, lowerAscii);
    case Kind::kAnyFolders:
      break;
  }
  return true;
}

NameFilter NameFilter::Compile(std::string_view patterns, bool dotNames,
                               std::vector<PatternProblem>& problems) {
  NameFilter filter;
  filter.dotNames_ = dotNames;
  while (!patterns.empty()) {
    size_t end = patterns.find(';');
    std::string_view text = Trim(patterns.substr(0, end));
    patterns.remove_prefix(end == std::string_view::npos ? patterns.size() : end + 1);
    if (text.empty()) continue;
    std::string reason = Refusal(text);
    Pattern p;
    p.text = std::string(text);
    std::string_view body = text;
    if (body.back() == '/') {
      p.foldersOnly = true;
      body.remove_suffix(1);
    }
    p.anchored = body.find('/') != std::string_view::npos;
    if (!body.empty() && body.front() == '/') body.remove_prefix(1);
    if (reason.empty() && body.empty()) reason = "es enthält keinen Namen";
    while (reason.empty() && !body.empty()) {
      size_t slash = body.find('/');
      std::string_view name = body.substr(0, slash);
      body.remove_prefix(slash == std::string_view::npos ? body.size() : slash + 1);
      if (name.empty() || (slash != std::string_view::npos && body.empty()))
        reason = "es enthält einen leeren Namen (//)";
      else if (name == "." || name == "..")
        reason = ". und .. sind keine Namen";
      else if (name != "**" && name.find("**") != std::string_view::npos)
        reason = "** steht nur allein zwischen zwei /";
      else
        p.parts.push_back(PartOf(name));
    }
    if (!reason.empty()) {
      problems.push_back({p.text, reason});
      continue;
    }
    // "**/name" is the name at any depth, without the path matcher.
    if (p.parts.size() == 2 && p.parts[0].kind == Kind::kAnyFolders &&
        p.parts[1].kind != Kind::kAnyFolders) {
      p.parts.erase(p.parts.begin());
      p.anchored = false;
    }
    for (const Part& part : p.parts)
      p.hasAnyFolders = p.hasAnyFolders || part.kind == Kind::kAnyFolders;
    filter.anchored_ = filter.anchored_ || p.anchored;
    filter.patterns_.push_back(std::move(p));
  }
  return filter;
}

// Whether parts[pi..] match the names of `rel` from offset `at` on (at past
// the end: no names left).
bool NameFilter::MatchPath(const std::vector<Part>& parts, size_t pi, std::string_view rel,
                           size_t at, bool lowerAscii) {
  bool done = at > rel.size();
  if (pi == parts.size()) return done;
  size_t slash = done ? rel.size() : rel.find('/', at);
  size_t next = slash == std::string_view::npos ? rel.size() + 1 : slash + 1;
  if (parts[pi].kind == Kind::kAnyFolders) {
    if (pi + 1 == parts.size()) return !done;  // "a/**": everything inside a, not a
    if (MatchPath(parts, pi + 1, rel, at, lowerAscii)) return true;
    return !done && MatchPath(parts, pi, rel, next, lowerAscii);
  }
  if (done) return false;
  std::string_view name = rel.substr(at, std::min(slash, rel.size()) - at);
  return parts[pi].Matches(name, lowerAscii) && MatchPath(parts, pi + 1, rel, next, lowerAscii);
}

NameFilter::Verdict NameFilter::Check(std::string_view rel, bool mayBeFolder) const {
  if (patterns_.empty()) return Verdict::kKeep;
  // One pass finds the names and whether the path is ASCII. An ASCII path is
  // folded while it is compared; any other is folded once, into a buffer each
  // thread keeps, name by name: a name that is no UTF-8 stays as it is and
  // must not keep the others from folding. Without anchored patterns only the
  // last name is looked at.
  size_t names = 1, nameStart = 0;
  unsigned char high = 0;
  for (size_t i = 0; i < rel.size(); ++i) {
    high |= static_cast<unsigned char>(rel[i]);
    if (rel[i] == '/') ++names, nameStart = i + 1;
  }
  bool ascii = high < 0x80;
  if (!ascii) {
    thread_local std::string folded, key;
    folded.clear();
    for (size_t at = anchored_ ? 0 : nameStart;;) {
      size_t slash = rel.find('/', at);
      MatchKeyInto(rel.substr(at, slash == std::string_view::npos ? slash : slash - at), key);
      folded += key;
      if (slash == std::string_view::npos) break;
      folded += '/';
      at = slash + 1;
    }
    rel = folded;
    size_t lastSlash = rel.rfind('/');
    nameStart = lastSlash == std::string_view::npos ? 0 : lastSlash + 1;
  }
  std::string_view name = rel.substr(nameStart);
  Verdict verdict = Verdict::kKeep;
  for (const Pattern& p : patterns_) {
    if (p.foldersOnly && !mayBeFolder) continue;
    bool match;
    if (!p.anchored)
      match = p.parts[0].Matches(name, ascii);
    else
      match = (p.hasAnyFolders || names == p.parts.size()) && MatchPath(p.parts, 0, rel, 0, ascii);
    if (!match) continue;
    if (!p.foldersOnly) return Verdict::kLeaveOut;
    verdict = Verdict::kLeaveOutIfFolder;
  }
  return verdict;
}

std::string NameFilter::PatternText() const {
  std::string text;
  for (const Pattern& p : patterns_) text += (text.empty() ? "" : "; ") + p.text;
  return text;
}

}  // namespace zweiblick

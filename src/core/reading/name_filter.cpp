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
        p.parts.push_back(Part{MatchKey(name), name == "**"});
    }
    if (!reason.empty()) {
      problems.push_back({p.text, reason});
      continue;
    }
    for (const Part& part : p.parts) p.hasAnyFolders = p.hasAnyFolders || part.anyFolders;
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
  if (parts[pi].anyFolders) {
    if (pi + 1 == parts.size()) return !done;  // "a/**": everything inside a, not a
    if (MatchPath(parts, pi + 1, rel, at, lowerAscii)) return true;
    return !done && MatchPath(parts, pi, rel, next, lowerAscii);
  }
  if (done) return false;
  std::string_view name = rel.substr(at, std::min(slash, rel.size()) - at);
  return Glob(parts[pi].glob, name, lowerAscii) && MatchPath(parts, pi + 1, rel, next, lowerAscii);
}

NameFilter::Verdict NameFilter::Check(std::string_view rel) const {
  if (patterns_.empty()) return Verdict::kKeep;
  // An ASCII path is folded while it is compared; any other is folded once,
  // into a buffer each thread keeps.
  bool ascii = IsAscii(rel);
  if (!ascii) {
    thread_local std::string folded;
    MatchKeyInto(rel, folded);
    rel = folded;
  }
  size_t lastSlash = rel.rfind('/');
  std::string_view name = lastSlash == std::string_view::npos ? rel : rel.substr(lastSlash + 1);
  size_t names = 1;
  if (anchored_)
    for (char c : rel) names += c == '/';
  Verdict verdict = Verdict::kKeep;
  for (const Pattern& p : patterns_) {
    bool match;
    if (!p.anchored)
      match = Glob(p.parts[0].glob, name, ascii);
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

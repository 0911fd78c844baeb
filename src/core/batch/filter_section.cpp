#include "batch/filter_section.h"

#include <utility>
#include <vector>

#include "batch/ini_file.h"
#include "names/name_key.h"

namespace zweiblick {
namespace {

constexpr const char* kSection = "Filter";

// A NUL in a message would end its text early.
std::string Shown(const std::string& text) {
  std::string shown;
  for (char c : text) shown += c == '\0' ? std::string("\\0") : std::string(1, c);
  return shown;
}

}  // namespace

std::string CheckFilterSection(std::string_view content, NameFilter& filter) {
  std::string errors;
  int sections = 0;
  std::string exclusions, dotNames;
  bool hadExclusions = false, hadDotNames = false;
  for (const IniEntry& e : IniEntries(content, kSection, sections)) {
    if (e.section > 0) break;  // the first section of the name wins
    std::string k = MatchKey(e.key);
    if (k != "ausnahmen" && k != "punktdateien") {
      errors += " * Der Schlüssel ''" + e.key +
                "'' im Abschnitt [Filter] ist unbekannt; dort gelten nur Ausnahmen und "
                "Punktdateien.\r";
      continue;
    }
    std::string& value = k == "ausnahmen" ? exclusions : dotNames;
    bool& had = k == "ausnahmen" ? hadExclusions : hadDotNames;
    if (std::exchange(had, true)) continue;  // the first of a key wins
    // Never cut: a shortened list would copy what its end leaves out.
    if (CharCount(e.value) > kMaxIniValueChars)
      errors += " * Der Wert von ''" + e.key + "'' im Abschnitt [Filter] ist länger als " +
                std::to_string(kMaxIniValueChars) + " Zeichen.\r";
    else
      value = e.value;
  }
  std::vector<PatternProblem> problems;
  filter = NameFilter::Compile(exclusions, LeadingNumber(dotNames) != 0, problems);
  for (const PatternProblem& p : problems)
    errors += " * Das Muster ''" + Shown(p.pattern) +
              "'' unter [Filter] Ausnahmen ist ungültig: " + p.reason + ".\r";
  return errors;
}

}  // namespace zweiblick

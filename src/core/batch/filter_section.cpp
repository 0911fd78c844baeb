#include "batch/filter_section.h"

#include <vector>

#include "batch/ini_file.h"
#include "batch/start_batch_mode.h"
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

std::string CheckFilterSection(std::string& iniFileName, NameFilter& filter) {
  std::string errors;
  std::optional<std::string> content = ReadSmallFile(iniFileName);
  for (const std::string& key : IniKeys(content.value_or(""), kSection)) {
    std::string k = MatchKey(key);
    if (k != "ausnahmen" && k != "punktdateien")
      errors += " * Der Schlüssel ''" + key +
                "'' im Abschnitt [Filter] ist unbekannt; dort gelten nur Ausnahmen und "
                "Punktdateien.\r";
  }
  std::vector<PatternProblem> problems;
  filter = NameFilter::Compile(
      ReadIniString(iniFileName, kSection, "Ausnahmen", "", iniFileName),
      LeadingNumber(ReadIniString(iniFileName, kSection, "Punktdateien", "", iniFileName)) != 0,
      problems);
  for (const PatternProblem& p : problems)
    errors += " * Das Muster ''" + Shown(p.pattern) +
              "'' unter [Filter] Ausnahmen ist ungültig: " + p.reason + ".\r";
  return errors;
}

}  // namespace zweiblick

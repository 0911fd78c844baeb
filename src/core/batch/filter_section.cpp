// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/filter_section.h"

#include <set>
#include <vector>

#include "batch/ini_file.h"
#include "names/name_key.h"

namespace zweiblick {
namespace {

constexpr const char* kSection = "Filter";

}  // namespace

std::string CheckFilterSection(std::string_view content, NameFilter& filter) {
  std::string errors;
  int sections = 0;
  std::set<std::string> seen;
  std::string exclusions, dotNames;
  bool doubledSectionTold = false;
  auto tellDoubledSection = [&] {
    if (sections < 2 || doubledSectionTold) return;
    errors += " * Der Abschnitt [Filter] kommt doppelt vor.\r";
    doubledSectionTold = true;
  };
  // The section is ours: no stored file relies on the first of two winning, and
  // letting it win would copy what the second one leaves out.
  for (const IniEntry& e : IniEntries(content, kSection, sections)) {
    if (e.section > 0) tellDoubledSection();
    std::string k = MatchKey(e.key);
    bool known = k == "ausnahmen" || k == "punktdateien";
    if (!seen.insert(k).second) {
      if (known)
        errors += " * Der Schlüssel ''" + ShownInMessage(e.key) +
                  "'' im Abschnitt [Filter] kommt doppelt vor.\r";
    } else if (!known) {
      errors += " * Der Schlüssel ''" + ShownInMessage(e.key) +
                "'' im Abschnitt [Filter] ist unbekannt; dort gelten nur Ausnahmen und "
                "Punktdateien.\r";
    }
    if (!known) continue;
    // Never cut: a shortened list would copy what its end leaves out.
    if (CharCount(e.value) > kMaxIniValueChars) {
      errors += " * Der Wert von ''" + ShownInMessage(e.key) +
                "'' im Abschnitt [Filter] ist länger als " + std::to_string(kMaxIniValueChars) +
                " Zeichen.\r";
    } else if (k == "ausnahmen") {
      // Every list written is checked, so that its problems show at once.
      exclusions += (exclusions.empty() ? "" : ";") + e.value;
    } else if (dotNames.empty()) {
      dotNames = e.value;
    }
  }
  tellDoubledSection();
  std::vector<PatternProblem> problems;
  filter = NameFilter::Compile(exclusions, LeadingNumber(dotNames) != 0, problems);
  for (const PatternProblem& p : problems)
    errors += " * Das Muster ''" + ShownInMessage(p.pattern) +
              "'' unter [Filter] Ausnahmen ist ungültig: " + p.reason + ".\r";
  return errors;
}

}  // namespace zweiblick

#include "sync/sync_plan.h"

#include <cstdio>
#include <iterator>
#include <string_view>

#include "list/comparison_list.h"
#include "sync/markers.h"

namespace zweiblick {

SyncPlan PlanSync(const ComparisonList& list, bool proposals) {
  SyncPlan plan;
  auto copy = [&](int row, bool fromLeft) {
    ++plan.copies;
    const FileFacts& source = list.Facts(row, fromLeft);
    if (source.Known()) plan.bytes += source.size;
  };
  for (int i = 1, n = list.Count(); i <= n; ++i) {
    std::string_view m = list.View(i, kMarkerColumn);
    if (m.empty()) continue;
    ++plan.marked;
    if (m == kMarkCopyRight) {
      copy(i, true);
    } else if (m == kMarkCopyLeft) {
      copy(i, false);
    } else if (m == kMarkDeleteRight || m == kMarkDeleteLeft) {
      ++plan.deletions;
    } else if (m == kMarkDeleteBoth) {
      plan.deletions += 2;
    } else if (m == kMarkLeftOnly || m == kMarkRightOnly) {
      if (proposals)
        copy(i, m == kMarkLeftOnly);
      else
        ++plan.proposals;
    }
  }
  return plan;
}

std::string SyncPlanText(const SyncPlan& plan) {
  std::string text;
  auto part = [&](const std::string& p) { text += (text.empty() ? "" : ", ") + p; };
  if (plan.copies > 0)
    part(std::to_string(plan.copies) + " kopieren (" + ByteText(plan.bytes) + ")");
  if (plan.deletions > 0) part(std::to_string(plan.deletions) + " löschen");
  if (plan.proposals > 0) part(std::to_string(plan.proposals) + " nur vorgeschlagen");
  return text.empty() ? "nichts zu tun" : text;
}

std::string ByteText(int64_t bytes) {
  if (bytes < 1000) return std::to_string(bytes < 0 ? 0 : bytes) + " B";
  static const char* const kUnits[] = {"kB", "MB", "GB", "TB", "PB", "EB"};
  double value = static_cast<double>(bytes) / 1000.0;
  size_t unit = 0;
  char digits[32];
  for (;;) {
    // Three significant digits; what rounds up to 1000 takes the next unit.
    int decimals = value < 9.995 ? 2 : value < 99.95 ? 1 : 0;
    std::snprintf(digits, sizeof digits, "%.*f", decimals, value);
    if (value < 999.5 || unit + 1 == std::size(kUnits)) break;
    value /= 1000.0;
    ++unit;
  }
  std::string text(digits);
  for (char& c : text)
    if (c == '.') c = ',';
  return text + " " + kUnits[unit];
}

}  // namespace zweiblick

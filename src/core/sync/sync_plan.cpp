// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/sync_plan.h"

#include <string_view>

#include "list/comparison_list.h"
#include "list/facts_text.h"
#include "list/markers.h"

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
    part(std::to_string(plan.copies) + " kopieren (" + SizeText(plan.bytes) + ")");
  if (plan.deletions > 0) part(std::to_string(plan.deletions) + " löschen");
  if (plan.proposals > 0) part(std::to_string(plan.proposals) + " nur vorgeschlagen");
  return text.empty() ? "nichts zu tun" : text;
}

}  // namespace zweiblick

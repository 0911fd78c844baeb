// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/sync_plan.h"

#include <sys/statvfs.h>

#include <string_view>

#include "list/comparison_list.h"
#include "list/facts_text.h"
#include "list/markers.h"
#include "reading/chosen_folders.h"

namespace zweiblick {
namespace {

// The folder's last part: what the user calls the stick or the folder.
std::string FolderName(const std::string& folder) {
  std::string_view f = folder;
  while (f.size() > 1 && f.back() == '/') f.remove_suffix(1);
  size_t slash = f.rfind('/');
  std::string_view last = slash == std::string_view::npos ? f : f.substr(slash + 1);
  return std::string(last.empty() ? f : last);
}

void CheckSide(SyncSide& side, const std::string& folder) {
  side.missing = 0;
  side.name.clear();
  if (side.added <= 0 || folder.empty()) return;
  struct statvfs fs {};
  if (statvfs(folder.c_str(), &fs) != 0) return;  // unknown: no warning rather than a false one
  int64_t free = static_cast<int64_t>(fs.f_bavail) * static_cast<int64_t>(fs.f_frsize);
  if (side.added <= free) return;
  side.missing = side.added - free;
  side.name = FolderName(folder);
}

}  // namespace

SyncPlan PlanSync(const ComparisonList& list, bool proposals) {
  SyncPlan plan;
  auto copy = [&](int row, bool toRight) {
    SyncSide& side = toRight ? plan.right : plan.left;
    ++side.copies;
    const FileFacts& source = list.Facts(row, toRight);
    if (!source.Known()) return;
    side.bytes += source.size;
    const FileFacts& replaced = list.Facts(row, !toRight);
    int64_t kept = replaced.Known() ? replaced.size : 0;
    if (source.size > kept) side.added += source.size - kept;
  };
  for (int i = 1, n = list.Count(); i <= n; ++i) {
    std::string_view m = list.View(i, kMarkerColumn);
    if (m.empty()) continue;
    ++plan.marked;
    if (m == kMarkCopyRight) {
      copy(i, true);
    } else if (m == kMarkCopyLeft) {
      copy(i, false);
    } else if (m == kMarkDeleteRight) {
      ++plan.right.deletions;
    } else if (m == kMarkDeleteLeft) {
      ++plan.left.deletions;
    } else if (m == kMarkDeleteBoth) {
      ++plan.right.deletions;
      ++plan.left.deletions;
    } else if (m == kMarkLeftOnly || m == kMarkRightOnly) {
      if (proposals)
        copy(i, m == kMarkLeftOnly);
      else
        ++plan.proposals;
    }
  }
  return plan;
}

void CheckRoom(SyncPlan& plan, const ChosenFolders& folders) {
  CheckSide(plan.right, folders.RightFolder);
  CheckSide(plan.left, folders.LeftFolder);
}

std::string SyncPlanText(const SyncPlan& plan) {
  std::string text;
  auto part = [&](const std::string& p) { text += (text.empty() ? "" : ", ") + p; };
  auto copies = [&](const char* arrow, const SyncSide& side) {
    if (side.copies > 0)
      part(std::string(arrow) + " " + std::to_string(side.copies) + " (" + SizeText(side.bytes) +
           ")");
  };
  copies("→", plan.right);
  copies("←", plan.left);
  if (plan.Deletions() > 0) {
    std::string deletions = "löschen";
    const char* sep = " ";
    for (auto [where, side] : {std::pair{"rechts", &plan.right}, std::pair{"links", &plan.left}})
      if (side->deletions > 0) {
        deletions += sep + std::string(where) + " " + std::to_string(side->deletions);
        sep = ", ";
      }
    part(deletions);
  }
  if (plan.proposals > 0) part(std::to_string(plan.proposals) + " nur vorgeschlagen");
  return text.empty() ? "nichts zu tun" : text;
}

std::string RoomText(const SyncPlan& plan) {
  std::string text;
  for (const SyncSide* side : {&plan.right, &plan.left})
    if (side->missing > 0)
      text += (text.empty() ? "" : "; ") + std::string("passt nicht: auf '") + side->name +
              "' fehlen " + SizeText(side->missing);
  return text;
}

}  // namespace zweiblick

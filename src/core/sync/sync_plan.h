// SPDX-License-Identifier: GPL-3.0-or-later
// What a synchronisation would do with the list as it stands: the counts the
// window shows before the run, so that a wrong marker is seen in time.
#pragma once

#include <cstdint>
#include <string>

namespace zweiblick {

class ComparisonList;

struct SyncPlan {
  int copies = 0;     // rows "-->" and "<--": new files and replacements
  int64_t bytes = 0;  // what those copies write: the sizes of their sources
  int deletions = 0;  // files "X->", "<-X" and "XX" delete
  int proposals = 0;  // rows "? -->" and "? <--" the run leaves alone
  int marked = 0;     // rows with any marker at all

  bool Acts() const { return copies > 0 || deletions > 0 || proposals > 0; }
};

// One pass over the rows, without allocating. With `proposals` the proposals
// count as copies, as in a run that carries them out.
SyncPlan PlanSync(const ComparisonList& list, bool proposals);

// "12 kopieren (345 MB), 3 löschen, 2 nur vorgeschlagen"; only the parts
// that are not 0, "nichts zu tun" when none is.
std::string SyncPlanText(const SyncPlan& plan);

}  // namespace zweiblick

// SPDX-License-Identifier: GPL-3.0-or-later
// What a synchronisation would do with the list as it stands: the counts the
// window shows before the run, by direction, so that a wrong marker or a
// stick too small is seen in time.
#pragma once

#include <cstdint>
#include <string>

namespace zweiblick {

class ComparisonList;
struct ChosenFolders;

// What the copies and deletions of one direction come to.
struct SyncSide {
  int copies = 0;       // copies onto this side: new files and replacements
  int64_t bytes = 0;    // what those copies write: the sizes of their sources
  int64_t added = 0;    // what they add beyond the files they replace
  int deletions = 0;    // files deleted on this side
  int64_t missing = 0;  // what its file system lacks for `added`; 0: it fits, or unknown
  std::string name;     // how the side is named where it does not fit
};

struct SyncPlan {
  SyncSide right;     // "-->": onto the right side; "X->": deleted there
  SyncSide left;      // "<--", "<-X"
  int proposals = 0;  // rows "? -->" and "? <--" the run leaves alone
  int marked = 0;     // rows with any marker at all

  int Copies() const { return right.copies + left.copies; }
  int64_t Bytes() const { return right.bytes + left.bytes; }
  int Deletions() const { return right.deletions + left.deletions; }
  bool Acts() const { return Copies() > 0 || Deletions() > 0 || proposals > 0; }
};

// One pass over the rows, without allocating. With `proposals` the proposals
// count as copies, as in a run that carries them out.
SyncPlan PlanSync(const ComparisonList& list, bool proposals);

// Fills in `missing` and `name` of each side whose copies need more than its
// file system has free for the user now. Deleted and replaced files go to the
// trash on the same disk and free nothing, so only what the copies add beyond
// what they replace counts; a side whose room cannot be read is taken to fit.
void CheckRoom(SyncPlan& plan, const ChosenFolders& folders);

// "→ 12 (2,9 MB), ← 3 (1,0 MB), löschen rechts 2, links 1, 2 nur vorgeschlagen";
// only the parts that are not 0, "nichts zu tun" when none is.
std::string SyncPlanText(const SyncPlan& plan);
// "passt nicht: auf 'STICK' fehlen 2,2 MB" for each side too small; "" when
// the copies fit.
std::string RoomText(const SyncPlan& plan);

}  // namespace zweiblick

// SPDX-License-Identifier: GPL-3.0-or-later
// The comparison by changes: each side against its own record of the last
// run, never against the other side's clock.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "files/file_facts.h"
#include "list/row_change.h"
#include "record/pair_record.h"

namespace zweiblick {

class ComparisonList;

// What a file on one side did since the last run.
enum class SideChange { kAbsent, kNew, kUnchanged, kRenamed, kChanged, kDeleted };

// Whether a file now is as its record says. On FAT the times go in steps of
// two seconds, and an unchanged file may come back a whole number of hours
// off (the stick was read with another time zone): neither is a change.
bool SameAsRecorded(const FileFacts& now, const FileFacts& recorded, bool onFat);

// The marker and what it says for a row whose sides did `left` and `right`.
// `contentsEqual` is asked only where both sides changed or are new.
// `holdDeletions`: a side looks as if most of it was deleted.
struct ChangeVerdict {
  const char* marker;
  RowChange change;
  bool needsContents = false;  // the marker waits for the contents: "=" or "]["
};
ChangeVerdict DecideChange(SideChange left, SideChange right, bool holdDeletions);
// The verdict once the contents of a pair that needs them are known.
ChangeVerdict WithContents(ChangeVerdict v, bool equal);

// What the comparison by changes hands on to the run after it.
struct ChangeBasis {
  std::string pairKey;  // empty: the list was not compared by changes
  // The markers came from the age comparison, for want of a record: the run's
  // record replaces whatever the pair had.
  bool fresh = false;
  // Recorded files that neither side holds any more: forgotten after the run.
  std::vector<std::string> goneOnBoth;
  // Where the pair was last run with its sides the other way round: that
  // record, mirrored, is carried over to this key by the run, and the old
  // key forgotten in the same transaction.
  std::string formerKey;
  std::vector<RecordChange> carried;
};

// The record matched against the rows of the list, once before the markers
// are written.
class RecordMatch {
 public:
  RecordMatch(const PairRecordFiles& record, const ComparisonList& list);
  // The row's record, or nullptr for a name the last run did not leave in sync.
  const RecordedFile* Of(int row) const { return ofRow_[static_cast<size_t>(row - 1)]; }
  int Recorded() const { return recorded_; }
  // How many recorded files a side no longer holds.
  int Gone(bool left) const { return recorded_ - (left ? presentLeft_ : presentRight_); }
  bool HoldDeletions() const;
  std::vector<std::string> GoneOnBoth(const PairRecordFiles& record) const;

 private:
  std::vector<const RecordedFile*> ofRow_;
  std::vector<int> rowOfEntry_;  // by entry of the record: the first row with its key, or 0
  int recorded_ = 0, presentLeft_ = 0, presentRight_ = 0;
};

SideChange SideChangeOf(std::string_view nameNow, const FileFacts& now, const RecordedFile* rec,
                        bool left, bool onFat);

// The summary message of a comparison by changes, lines ending in carriage returns.
struct ChangeCounts {
  int total = 0, unchanged = 0, leftChanged = 0, rightChanged = 0, leftDeleted = 0,
      rightDeleted = 0, copiedBack = 0, sameChange = 0, held = 0, unreadable = 0;
  std::vector<std::string> conflicts;  // the names of the rows marked "][" as conflicts
};
std::string ChangeSummary(const ChangeCounts& c, const RecordMatch& match);
// The lines that name the conflicts, also for a run without a message box.
std::string ConflictLines(const ChangeCounts& c);

}  // namespace zweiblick

// SPDX-License-Identifier: GPL-3.0-or-later
// The binary and the age comparison of every row of the list.
#pragma once

#include <functional>
#include <string>

#include "platform/batch_switches.h"

namespace zweiblick {

class ComparisonList;
class RecordMatch;
class RecordStore;
class RunReporter;
struct ChangeBasis;
struct ChosenFolders;
struct LoadedRecord;

// Writes a relation marker into every row and, unless a batch run that
// synchronises or ends asks otherwise, shows the counts in one message.
// binary: compare contents; otherwise compare the time stamps in the hidden columns.
// `marked` is called once every marker is written, before the message. A
// comparison stopped at a yield leaves the rows it did not reach without a
// marker (a marker of before would be taken for its verdict) and shows no
// message.
void CompareFiles(ComparisonList& list, const ChosenFolders& folders, RunReporter& run,
                  const BatchSwitches& batch, bool binary,
                  const std::function<void()>& marked = {});

// The comparison by changes: each side against the record of the pair
// `pairKey` (of the two folders' side identities), from `store`. Where there
// is no record that can be trusted, compares by age instead (which never
// deletes) and says why. `basis` tells the run after it what to record.
// `swappedKey`: the key of the same two folders the other way round, whose
// record serves, mirrored, where the pair has none of its own.
void CompareByChanges(ComparisonList& list, const ChosenFolders& folders, RunReporter& run,
                      const BatchSwitches& batch, RecordStore& store, const std::string& pairKey,
                      const std::string& swappedKey, ChangeBasis& basis,
                      const std::function<void()>& marked = {});

// One row of two files anew, after one of them was written outside a run: its
// marker (and, by changes, its change) as the comparison that marked the list
// writes it, by the same rules: binary, by age (FAT's allowance included), or
// by changes when `match` is given. The row's facts must be the files' now.
// Reads and probes off the window's thread, serving its events meanwhile.
void CompareRowAgain(ComparisonList& list, const ChosenFolders& folders, RunReporter& run, int row,
                     bool binary, const RecordMatch* match);

// The record the comparison by changes decides by: the pair's own under
// `pairKey`, else the one of the two folders the other way round, mirrored
// (`basis` then learns of it). Read while the window goes on.
LoadedRecord LoadChangeRecord(RecordStore& store, const std::string& pairKey,
                              const std::string& swappedKey, ChangeBasis& basis, RunReporter& run);

inline constexpr const char* kStatusCompareStopped = "vergleich abgebrochen.";

struct CompareCounts {
  int total = 0;
  int orphans = 0;
  int lengthDiffers = 0;
  int sameLengthDiffers = 0;
  int identical = 0;
  int ageDiffers = 0;
  int sameAge = 0;
};

// The summary message, lines ending in carriage returns.
std::string CompareSummary(bool binary, const CompareCounts& c);

}  // namespace zweiblick

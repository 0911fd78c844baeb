// The binary and the age comparison of every row of the list.
#pragma once

#include <string>

#include "platform/batch_switches.h"

namespace zweiblick {

class ComparisonList;
class RunReporter;
struct ChosenFolders;

// Writes a relation marker into every row and, unless a batch run that
// synchronises or ends asks otherwise, shows the counts in one message.
// binary: compare contents; otherwise compare the time stamps in the hidden columns.
void CompareFiles(ComparisonList& list, const ChosenFolders& folders, RunReporter& run,
                  const BatchSwitches& batch, bool binary);

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

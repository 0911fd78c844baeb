// The binary and the age comparison of every row of the list.
#pragma once

#include <string>

namespace zweiblick {

class MainWindow;

// Writes a relation marker into every row and, unless a batch run that
// synchronises or ends asks otherwise, shows the counts in one message.
// binary: compare contents; otherwise compare the time stamps in the hidden columns.
void CompareFiles(MainWindow& w, bool binary);

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

// SPDX-License-Identifier: GPL-3.0-or-later
// The binary comparisons of a run, done ahead on a few worker threads.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/worker_pool.h"

namespace zweiblick {

class ComparisonList;
class RunReporter;
struct ChosenFolders;

// What was found out about one pair of files.
struct PairVerdict {
  enum Kind { kLeftShorter, kLeftLonger, kEqual, kDiffer, kFailed } kind = kEqual;
  bool leftFailed = false;  // for kFailed: which file, and the system's error number
  int error = 0;
};

class PairComparer;

// Workers compare the pairs of the rows ahead of the one the window's thread
// has reached; Take hands the verdicts back in row order, so that markers,
// counts and messages come exactly as from one thread. The list must not
// change while it runs (the running operation keeps every other one out).
class PairVerdicts {
 public:
  // `wanted`: the rows whose pairs are compared; every row with two files
  // when empty.
  PairVerdicts(const ComparisonList& list, const ChosenFolders& folders, RunReporter& run,
               std::function<bool(int)> wanted = {});
  ~PairVerdicts();
  PairVerdicts(const PairVerdicts&) = delete;
  PairVerdicts& operator=(const PairVerdicts&) = delete;

  // The verdict of `row`, which has a left and a right name and is wanted;
  // rows are taken in order. Waits for it while the window goes on handling its events.
  PairVerdict Take(int row);

 private:
  // Enough rows ahead to keep every worker busy with small files.
  static constexpr int kAhead = 256;
  // Rows go to the workers in runs of consecutive rows: the workers take one
  // job per run instead of one per row, and the window's thread waits for a
  // run at once.
  static constexpr size_t kRun = 16;
  struct Pending {
    std::string left, right;
    bool sameSize = false;  // the walk saw both files with one size
    PairVerdict verdict;
    HandOver done;
    // The last row of the run this row was posted in: the window's thread
    // waits for a whole run at once, not once for every row of it.
    const Pending* runLast = nullptr;
  };
  using Run = std::vector<Pending*>;
  Pending* Add(int row);
  void PostNew(Run run);
  // `first`: before the runs posted so far, for rows the window's thread needs sooner.
  void Post(Run run, size_t from, bool first = false);

  const ComparisonList& list_;
  RunReporter& run_;
  std::function<bool(int)> wanted_;
  int next_ = 1;                 // the first row not yet handed to the workers
  std::deque<Pending> pending_;  // stays in place while workers fill it
  std::vector<std::unique_ptr<PairComparer>> comparers_;  // one per worker
  WorkerPool pool_;  // ends first: no job outlives what it writes
};

}  // namespace zweiblick

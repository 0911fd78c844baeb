// SPDX-License-Identifier: GPL-3.0-or-later
// The line comparison on a thread of its own, so that the window stays alive
// during a long one and Escape can stop it.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "textdiff/line_diff.h"
#include "textdiff/text_file.h"

namespace zweiblick {

class BackgroundDiff {
 public:
  // Runs on the comparison's thread with the hunks, or with `cancelled` set
  // when the comparison was stopped (its hunks are then not to be shown).
  using Done = std::function<void(std::vector<Hunk> hunks, bool cancelled)>;

  BackgroundDiff() = default;
  BackgroundDiff(const BackgroundDiff&) = delete;
  BackgroundDiff& operator=(const BackgroundDiff&) = delete;
  ~BackgroundDiff() { Cancel(); }

  // Starts comparing the two; one still running is stopped first. The files
  // are shared, not copied: the caller changes its own only after a new copy.
  void Start(std::shared_ptr<const TextFile> left, std::shared_ptr<const TextFile> right,
             IgnoreOptions options, Done done);
  // Stops the comparison under way, if any, and waits for its thread.
  void Cancel();
  // Whether one is under way.
  bool Running() const { return running_ && running_->load(); }

 private:
  std::shared_ptr<std::atomic<bool>> cancel_, running_;
  std::thread thread_;
};

}  // namespace zweiblick

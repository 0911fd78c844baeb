// SPDX-License-Identifier: GPL-3.0-or-later
#include "textdiff/background_diff.h"

#include <utility>

namespace zweiblick {

void BackgroundDiff::Start(std::shared_ptr<const TextFile> left,
                           std::shared_ptr<const TextFile> right, IgnoreOptions options,
                           Done done) {
  Cancel();
  cancel_ = std::make_shared<std::atomic<bool>>(false);
  running_ = std::make_shared<std::atomic<bool>>(true);
  thread_ = std::thread([left = std::move(left), right = std::move(right), options,
                         done = std::move(done), cancel = cancel_, running = running_] {
    std::vector<Hunk> hunks = DiffLines(left->lines, left->encoding, right->lines, right->encoding,
                                        options, cancel.get());
    const bool cancelled = cancel->load();
    running->store(false);
    done(std::move(hunks), cancelled);
  });
}

void BackgroundDiff::Cancel() {
  if (cancel_) cancel_->store(true);
  if (thread_.joinable()) thread_.join();
}

}  // namespace zweiblick

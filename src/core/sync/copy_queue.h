// SPDX-License-Identifier: GPL-3.0-or-later
// The queue of the copies written ahead: by the folder each writes in, in
// the order of their turns, taken by the threads one folder each (a folder
// takes one new name at a time) and by no more threads at once than the cap;
// the gate that lets the places in the trash be reserved in the order the
// copies began, a few at a time; and the stop of a run that has ended.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <utility>

namespace zweiblick {

class CopyQueue {
 public:
  // A copy to write, on the thread `worker` that takes it.
  using Write = std::function<void(int worker)>;
  // The folder a copy writes in, and on which side.
  using Folder = std::pair<bool, std::string>;

  explicit CopyQueue(int threads) : threads_(threads) {}

  // Queues `write` behind the copies queued before it for `folder`.
  void Add(Folder folder, Write write);
  // The last copy of the run is queued: from now on the last folders go
  // faster with several threads in each.
  void AllQueued();

  // Takes the first copy of the first folder no other thread writes in, and
  // goes on so until there is none, or the cap is reached. Returns false
  // when it gave way to `giveWay` (a job the window's thread waits for) with
  // copies still to take: the caller takes the queue up again behind that.
  bool Take(int worker, const std::function<bool()>& giveWay);

  // A turn to come that wants threads free (a file replaced on a far disk,
  // whose turn waits for looks at the wire): while there is one, a quarter
  // of the threads write. `delta` +1 for one more, -1 when it had its turn.
  void TurnsWaiting(int delta) { turnsWaiting_.fetch_add(delta); }
  int WritersNow() const;

  // A place in the gate, drawn when a copy begins; the gate lets the copy
  // through once at most kAtOnce - 1 drawn before it are still on their way.
  // It passes when the ticket goes.
  class Ticket {
   public:
    Ticket() = default;
    Ticket(Ticket&& o) noexcept : queue_(std::exchange(o.queue_, nullptr)), number_(o.number_) {}
    Ticket& operator=(Ticket&&) = delete;
    ~Ticket();
    bool Drawn() const { return queue_ != nullptr; }

   private:
    friend class CopyQueue;
    CopyQueue* queue_ = nullptr;
    uint64_t number_ = 0;
  };
  static constexpr uint64_t kAtOnce = 3;
  Ticket Draw();
  void AwaitGate(const Ticket& ticket);

  // A run that has ended writes nothing more: the copies still queued are
  // taken, and fail at once.
  void Stop() { stopping_.store(true); }
  bool Stopped() const { return stopping_.load(); }

 private:
  struct Queued {
    Folder key;
    std::deque<Write> writes;
    int busy = 0;  // threads writing in it
  };
  const int threads_;
  std::mutex mutex_;  // guards the three below
  std::deque<Queued> queued_;
  bool allQueued_ = false;
  int writers_ = 0;  // threads taking copies from the queue
  std::atomic<int> turnsWaiting_{0};
  std::mutex gateMutex_;
  std::condition_variable gateOpen_;
  uint64_t tickets_ = 0, passed_ = 0;
  std::atomic<bool> stopping_{false};
};

}  // namespace zweiblick

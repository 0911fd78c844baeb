// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/copy_queue.h"

#include <algorithm>

namespace zweiblick {

void CopyQueue::Add(Folder folder, Write write) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (queued_.empty() || queued_.back().key != folder)
    queued_.push_back({std::move(folder), {}, 0});
  queued_.back().writes.push_back(std::move(write));
}

void CopyQueue::AllQueued() {
  std::lock_guard<std::mutex> lock(mutex_);
  allQueued_ = true;
}

// Of 32 threads over 10 ms, 8 writing made a synchronisation of 70 files
// 10 % faster than all 32 (16: 4 %; 6 were slower). A first copy, with no
// such turns, wants them all.
int CopyQueue::WritersNow() const {
  return turnsWaiting_.load() > 0 ? std::max(1, threads_ / 4) : threads_;
}

// Until every copy of the run is queued, a copy left in the queue is taken
// by the thread that writes in its folder, once done.
bool CopyQueue::Take(int worker, const std::function<bool()>& giveWay) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (writers_ >= WritersNow()) return true;
  ++writers_;
  for (;;) {
    auto waiting = [](const Queued& f) { return !f.writes.empty(); };
    auto next = std::find_if(queued_.begin(), queued_.end(),
                             [&](const Queued& f) { return waiting(f) && f.busy == 0; });
    if (next == queued_.end() && allQueued_)
      next = std::find_if(queued_.begin(), queued_.end(), waiting);
    if (next == queued_.end()) {
      --writers_;
      return true;
    }
    Queued& folder = *next;  // stays where it is: only idle, empty folders leave, at the front
    Write write = std::move(folder.writes.front());
    folder.writes.pop_front();
    ++folder.busy;
    lock.unlock();
    write(worker);
    lock.lock();
    --folder.busy;
    while (!queued_.empty() && queued_.front().busy == 0 && queued_.front().writes.empty())
      queued_.pop_front();
    if (writers_ > WritersNow()) {  // the others go on with the queue
      --writers_;
      return true;
    }
    if (giveWay()) {
      --writers_;
      return false;
    }
  }
}

CopyQueue::Ticket CopyQueue::Draw() {
  Ticket ticket;
  std::lock_guard<std::mutex> lock(gateMutex_);
  ticket.number_ = tickets_++;
  ticket.queue_ = this;
  return ticket;
}

void CopyQueue::AwaitGate(const Ticket& ticket) {
  std::unique_lock<std::mutex> lock(gateMutex_);
  gateOpen_.wait(lock, [&] { return ticket.number_ < passed_ + kAtOnce; });
}

CopyQueue::Ticket::~Ticket() {
  if (!queue_) return;
  {
    std::lock_guard<std::mutex> lock(queue_->gateMutex_);
    ++queue_->passed_;
  }
  queue_->gateOpen_.notify_all();
}

}  // namespace zweiblick

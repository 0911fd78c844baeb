// SPDX-License-Identifier: GPL-3.0-or-later
// A few threads that do the file-system work of a run while the window's
// thread takes the results in order and keeps the window alive.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace zweiblick {

class WorkerPool {
 public:
  // A job learns which worker runs it (0 .. Size()-1), to use that worker's buffers.
  using Job = std::function<void(int worker)>;

  explicit WorkerPool(int threads);
  // Runs the jobs still posted, then ends the threads.
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  int Size() const { return static_cast<int>(threads_.size()); }
  // After every job posted so far.
  void Post(Job job);
  // Each before every job posted so far, the last one first (a depth-first
  // walk posts the folder it needs next last); wakes the idle workers once.
  void PostFirst(std::vector<Job> jobs);

  // Waits until `flag` is set or `timeout` has passed; false on timeout. The
  // job that sets the flag calls Notify with it afterwards; only the job the
  // waiting thread needs wakes it. One thread waits at a time (the window's):
  // the pool remembers a single awaited flag, and a second waiter would take
  // the first one's place and leave it to its timeout.
  bool WaitFor(const std::atomic<bool>& flag, std::chrono::milliseconds timeout);
  void Notify(const std::atomic<bool>& flag);

 private:
  void Run(int worker);

  std::mutex mutex_;
  std::condition_variable work_, finished_;
  std::deque<Job> jobs_;
  bool stopping_ = false;
  std::atomic<const std::atomic<bool>*> awaited_{nullptr};
  std::vector<std::thread> threads_;
};

class RunReporter;

// Waits for `ready` and lets the window handle its events every 20 ms meanwhile.
void AwaitServingEvents(WorkerPool& pool, const std::atomic<bool>& ready, RunReporter& run);

// One result a worker hands to the window's thread, which takes the results in
// the order a run on one thread would have made them (the walk's folders, the
// comparison's rows). The worker writes the result, then calls Publish; the
// window's thread calls Await before it reads the result, and no thread
// touches it after Publish but the window's.
class HandOver {
 public:
  void Publish(WorkerPool& pool) {
    ready_.store(true);
    pool.Notify(ready_);
  }
  void Await(WorkerPool& pool, RunReporter& run) const { AwaitServingEvents(pool, ready_, run); }
  bool Ready() const { return ready_.load(); }

 private:
  std::atomic<bool> ready_{false};
};

// Runs `work` on a thread of its own and waits for it as above: for a single
// look at a file system that may hang.
void RunServingEvents(const std::function<void()>& work, RunReporter& run);

// The workers of one run: ZWEIBLICK_WORKERS when set (1: a single worker, the
// sequential run the tests hold the others to), else four per processor, 4 to
// 16. The jobs mostly wait: on a cold disk every worker is one more request in
// flight (on 2 cores 8 workers read a cold tree of small files a sixth faster
// than 4), while with everything cached the extra ones cost nothing measurable.
int DefaultWorkerCount();

}  // namespace zweiblick

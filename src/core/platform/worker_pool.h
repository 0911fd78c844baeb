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
  void Post(Job job) { Enqueue(std::move(job), false); }
  // Before every job posted so far: a depth-first walk posts the folder it
  // needs next last.
  void PostFirst(Job job) { Enqueue(std::move(job), true); }

  // Waits until `done` holds or `timeout` has passed; false on timeout. A job
  // that makes `done` true must store that through an atomic and then call Notify.
  bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
  void Notify();

 private:
  void Enqueue(Job job, bool first);
  void Run(int worker);

  std::mutex mutex_;
  std::condition_variable work_, finished_;
  std::deque<Job> jobs_;
  bool stopping_ = false;
  std::atomic<int> waiting_{0};
  std::vector<std::thread> threads_;
};

class WindowPort;

// Waits for `ready` and lets the window handle its events every 20 ms meanwhile.
void AwaitServingEvents(WorkerPool& pool, const std::atomic<bool>& ready, WindowPort& port);

// The workers of one run: ZWEIBLICK_WORKERS when set (1 runs every job in
// order), else twice the processors, 2 to 8: the jobs mostly wait for the disk.
int DefaultWorkerCount();

}  // namespace zweiblick

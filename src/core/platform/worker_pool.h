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

  // Waits until `flag` is set or `timeout` has passed; false on timeout. The
  // job that sets the flag calls Notify with it afterwards; only the job the
  // waiting thread needs wakes it.
  bool WaitFor(const std::atomic<bool>& flag, std::chrono::milliseconds timeout);
  void Notify(const std::atomic<bool>& flag);

 private:
  void Enqueue(Job job, bool first);
  void Run(int worker);

  std::mutex mutex_;
  std::condition_variable work_, finished_;
  std::deque<Job> jobs_;
  bool stopping_ = false;
  std::atomic<const std::atomic<bool>*> awaited_{nullptr};
  std::vector<std::thread> threads_;
};

class WindowPort;

// Waits for `ready` and lets the window handle its events every 20 ms meanwhile.
void AwaitServingEvents(WorkerPool& pool, const std::atomic<bool>& ready, WindowPort& port);

// The workers of one run: ZWEIBLICK_WORKERS when set (1: a single worker, the
// sequential run the tests hold the others to), else twice the processors,
// 2 to 8: the jobs mostly wait for the disk.
int DefaultWorkerCount();

}  // namespace zweiblick

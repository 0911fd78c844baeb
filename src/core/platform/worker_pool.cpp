// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/worker_pool.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/run_reporter.h"

namespace zweiblick {

namespace {

// The workers give the window's thread the processors first: it takes what
// they find in order, and a window's thread that falls behind holds every
// listing not yet taken in memory and works on alone at the end. Among the
// workers and the other programs nothing changes. A thread may always lower
// its own priority; where that fails, it works on as it is.
void StepAside() {
  constexpr int kNicer = 5;
  errno = 0;
  const int now = getpriority(PRIO_PROCESS, 0);
  if (now == -1 && errno != 0) return;
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), std::min(now + kNicer, 19));
}

}  // namespace

WorkerPool::WorkerPool(int threads) {
  for (int i = 0; i < std::max(1, threads); ++i) threads_.emplace_back([this, i] { Run(i); });
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  work_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void WorkerPool::Post(Job job) {
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  work_.notify_one();
}

void WorkerPool::PostFirst(std::vector<Job> jobs) {
  if (jobs.empty()) return;
  {
    std::lock_guard lock(mutex_);
    for (Job& job : jobs) jobs_.push_front(std::move(job));
  }
  if (jobs.size() == 1)
    work_.notify_one();
  else
    work_.notify_all();
}

void WorkerPool::Run(int worker) {
  StepAside();
  std::unique_lock lock(mutex_);
  for (;;) {
    work_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
    if (jobs_.empty()) return;
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    lock.unlock();
    job(worker);
    lock.lock();
  }
}

bool WorkerPool::WaitFor(const std::atomic<bool>& flag, std::chrono::milliseconds timeout) {
  if (flag.load()) return true;
  std::unique_lock lock(mutex_);
  awaited_.store(&flag);
  bool result = finished_.wait_for(lock, timeout, [&] { return flag.load(); });
  awaited_.store(nullptr);
  return result;
}

void WorkerPool::Notify(const std::atomic<bool>& flag) {
  // Most jobs are not waited for: they finish without taking the lock.
  if (awaited_.load() != &flag) return;
  std::lock_guard lock(mutex_);
  finished_.notify_all();
}

void AwaitServingEvents(WorkerPool& pool, const std::atomic<bool>& ready, RunReporter& run) {
  while (!pool.WaitFor(ready, std::chrono::milliseconds(20))) run.HandleEventsWhileWaiting();
}

void RunServingEvents(const std::function<void()>& work, RunReporter& run) {
  WorkerPool pool(1);
  HandOver done;
  pool.Post([&](int) {
    work();
    done.Publish(pool);
  });
  done.Await(pool, run);
}

int DefaultWorkerCount() {
  if (const char* set = std::getenv("ZWEIBLICK_WORKERS")) {
    int n = std::atoi(set);
    if (n >= 1) return std::min(n, 64);
  }
  int cores = static_cast<int>(std::thread::hardware_concurrency());
  return std::clamp(4 * cores, 4, 16);
}

}  // namespace zweiblick

// SPDX-License-Identifier: GPL-3.0-or-later
// The queue of the copies written ahead, on real threads: a folder is
// written by one thread at a time until the run's last copy is queued, no
// more threads write than the cap allows, the gate lets the copies reserve
// in the order they began, and a stopped run still takes every queued copy
// (each must tell its waiter that it failed).
#include "sync/copy_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace zweiblick {
namespace {

// What each thread wrote, in the order written.
struct Log {
  std::mutex mutex;
  std::vector<std::string> entries;
  void Add(const std::string& what, int worker) {
    std::lock_guard<std::mutex> lock(mutex);
    entries.push_back(what + "@" + std::to_string(worker));
  }
};

bool Never() {
  return false;
}

CopyQueue::Write Logged(Log& log, const std::string& what, std::function<void()> also = {}) {
  return [&log, what, also](int worker) {
    log.Add(what, worker);
    if (also) also();
  };
}

TEST(CopyQueue, AFolderIsWrittenByOneThreadUntilTheLastCopyIsQueued) {
  for (bool allQueued : {false, true}) {
    SCOPED_TRACE(allQueued ? "all queued" : "more to come");
    CopyQueue queue(4);
    Log log;
    // While thread 0 writes a1, thread 1 takes what is left for it.
    queue.Add({true, "a"}, Logged(log, "a1", [&] {
                std::thread other([&] { EXPECT_TRUE(queue.Take(1, Never)); });
                other.join();
              }));
    queue.Add({true, "a"}, Logged(log, "a2"));
    queue.Add({true, "a"}, Logged(log, "a3"));
    queue.Add({false, "a"}, Logged(log, "b1"));  // the same folder, on the other side
    queue.Add({false, "a"}, Logged(log, "b2"));
    if (allQueued) queue.AllQueued();
    EXPECT_TRUE(queue.Take(0, Never));
    if (allQueued)  // a folder nobody writes in first, then a second thread in a busy one
      EXPECT_EQ(log.entries, (std::vector<std::string>{"a1@0", "b1@1", "b2@1", "a2@1", "a3@1"}));
    else  // the other folder only; a2 and a3 wait for the thread writing in theirs
      EXPECT_EQ(log.entries, (std::vector<std::string>{"a1@0", "b1@1", "b2@1", "a2@0", "a3@0"}));
  }
}

TEST(CopyQueue, TurnsWaitingLeaveAQuarterOfTheThreadsWriting) {
  CopyQueue queue(8);
  EXPECT_EQ(queue.WritersNow(), 8);
  queue.TurnsWaiting(+1);
  queue.TurnsWaiting(+1);
  EXPECT_EQ(queue.WritersNow(), 2);
  Log log;
  bool thirdTook = true;
  // Threads 0 and 1 write; a third one finds the cap reached and takes
  // nothing, so c1 is left to one of the two.
  queue.Add({true, "a"}, Logged(log, "a1", [&] {
              std::thread second([&] { EXPECT_TRUE(queue.Take(1, Never)); });
              second.join();
            }));
  queue.Add({true, "b"}, Logged(log, "b1", [&] {
              std::thread third([&] {
                EXPECT_TRUE(queue.Take(2, Never));
                std::lock_guard<std::mutex> lock(log.mutex);
                thirdTook = log.entries.size() != 2;
              });
              third.join();
            }));
  queue.Add({true, "c"}, Logged(log, "c1"));
  EXPECT_TRUE(queue.Take(0, Never));
  EXPECT_FALSE(thirdTook);
  EXPECT_EQ(log.entries, (std::vector<std::string>{"a1@0", "b1@1", "c1@1"}));
  queue.TurnsWaiting(-1);
  EXPECT_EQ(queue.WritersNow(), 2);
  queue.TurnsWaiting(-1);
  EXPECT_EQ(queue.WritersNow(), 8);
  CopyQueue one(1);
  one.TurnsWaiting(+1);
  EXPECT_EQ(one.WritersNow(), 1);  // never none
}

TEST(CopyQueue, AStoppedRunStillTakesEveryCopyAndGivesWayWhenAsked) {
  CopyQueue queue(2);
  Log log;
  std::atomic<int> sawStopped{0};
  for (const char* name : {"a1", "a2", "b1"})
    queue.Add({true, name[0] == 'a' ? "a" : "b"}, Logged(log, name, [&] {
                if (queue.Stopped()) ++sawStopped;
              }));
  queue.AllQueued();
  queue.Stop();
  // Asked to give way after each copy: the queue is taken up again after.
  int takes = 0;
  while (!queue.Take(0, [] { return true; })) ++takes;
  EXPECT_EQ(takes, 3);
  EXPECT_EQ(sawStopped.load(), 3);
  EXPECT_EQ(log.entries, (std::vector<std::string>{"a1@0", "a2@0", "b1@0"}));
}

TEST(CopyQueue, TheGateLetsThreeThroughAndTheNextOnceOnePassed) {
  CopyQueue queue(4);
  std::optional<CopyQueue::Ticket> first(queue.Draw());
  CopyQueue::Ticket second = queue.Draw(), third = queue.Draw(), fourth = queue.Draw();
  EXPECT_TRUE(first->Drawn());
  EXPECT_FALSE(CopyQueue::Ticket().Drawn());
  // The first three go through at once (a fault here hangs the test).
  queue.AwaitGate(*first);
  queue.AwaitGate(second);
  queue.AwaitGate(third);
  std::atomic<bool> passed{false};
  bool throughAfterPass = false;
  std::thread waiter([&] {
    queue.AwaitGate(fourth);
    throughAfterPass = passed.load();
  });
  for (int i = 0; i < 1000; ++i) std::this_thread::yield();  // let it reach the gate
  passed.store(true);
  first.reset();  // the first passes: the fourth goes through
  waiter.join();
  EXPECT_TRUE(throughAfterPass);
}

}  // namespace
}  // namespace zweiblick

#include "base/event_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "manual_clock.h"

namespace tarvo {
namespace {

using std::chrono::milliseconds;

// A task that runs a script step by step and records, by the loop's clock,
// when each run happened.
struct ScriptedTask : LoopTask {
  ScriptedTask(EventLoop& loop, std::string name, std::vector<std::string>& log)
      : loop(loop), name(std::move(name)), log(log) {}
  void run() override {
    log.push_back(name + "@" + std::to_string(elapsedMs()));
    if (step) step(*this);
  }
  long long elapsedMs() const {
    return std::chrono::duration_cast<milliseconds>(loop.clock().now() - start).count();
  }
  EventLoop& loop;
  std::string name;
  std::vector<std::string>& log;
  std::function<void(ScriptedTask&)> step;
  Clock::TimePoint start = loop.clock().now();
};

TEST(EventLoop, TimersRunInTheOrderOfTheirTimesAndARetiredTaskIsNeverRunAgain) {
  testing::ManualClock clock;
  EventLoop loop(clock);
  std::vector<std::string> log;  // written on the loop's thread only
  ScriptedTask a(loop, "a", log), b(loop, "b", log), c(loop, "c", log);
  int aRuns = 0;
  // a sets timers for all three, out of order; b is set twice (the second
  // time wins); c is set, then cancelled, then retired by its own run.
  a.step = [&](ScriptedTask& t) {
    if (++aRuns == 1) {
      loop.runAt(c, t.start + milliseconds(20));
      loop.runAt(b, t.start + milliseconds(300));
      loop.runAt(b, t.start + milliseconds(50));
      loop.runAt(a, t.start + milliseconds(100));
      loop.runAt(c, t.start + milliseconds(10));
      return;
    }
    loop.cancelTimer(c);
    loop.post(c);
    loop.retire(a);
  };
  b.step = [&](ScriptedTask&) { loop.retire(b); };
  c.step = [&](ScriptedTask& t) {
    if (t.elapsedMs() >= 100) loop.retire(c);
  };
  ASSERT_TRUE(loop.start());
  loop.post(a);
  a.waitFor();
  b.waitFor();
  c.waitFor();
  loop.post(a);  // retired: dropped
  EXPECT_EQ(log, (std::vector<std::string>{"a@0", "c@10", "b@50", "a@100", "c@100"}));
}

// Posts from many threads at once: each is run, a task posted again before
// its run is run once for both, and every post reaches a sleeping loop.
TEST(EventLoop, PostsFromOtherThreadsWakeTheLoopAndCoalesceUntilTheTaskRuns) {
  EventLoop loop;
  struct Counter : LoopTask {
    std::atomic<int> runs{0};
    std::atomic<int> wanted{0};
    EventLoop* loop = nullptr;
    void run() override {
      if (++runs >= wanted.load()) loop->retire(*this);
    }
  };
  constexpr int kTasks = 64;
  std::vector<Counter> tasks(kTasks);
  for (auto& t : tasks) {
    t.loop = &loop;
    t.wanted = 1'000'000;  // retired only once the posters are done
  }
  ASSERT_TRUE(loop.start());
  std::vector<std::thread> posters;
  for (int p = 0; p < 4; ++p) {
    posters.emplace_back([&] {
      for (int round = 0; round < 200; ++round) {
        for (auto& t : tasks) loop.post(t);
      }
    });
  }
  for (auto& p : posters) p.join();
  for (auto& t : tasks) {
    // Each task runs after its last post (and ends there), and at most once
    // per post.
    t.wanted = 0;
    loop.post(t);
    t.waitFor();
    EXPECT_GE(t.runs.load(), 1);
    EXPECT_LE(t.runs.load(), 4 * 200 + 1);
  }
}

// A loop that polls waits in its poller, is woken there by a post from
// another thread and by its end, and runs a timer with slack no earlier
// than due.
TEST(EventLoop, APollingLoopWaitsInItsPollerAndRunsATimerNoEarlierThanDue) {
  struct Poller : LoopPoller {
    std::mutex mutex;
    std::condition_variable changed;
    bool woken = false;
    std::atomic<int> polls{0};
    void poll(int timeoutMs) override {
      ++polls;
      std::unique_lock<std::mutex> lock(mutex);
      changed.wait_for(lock, milliseconds(timeoutMs), [&] { return woken; });
      woken = false;
    }
    void wake() override {
      std::lock_guard<std::mutex> lock(mutex);
      woken = true;
      changed.notify_one();
    }
  } poller;
  auto owned = std::make_unique<EventLoop>(systemClock(), &poller);
  EventLoop& loop = *owned;
  std::vector<std::string> log;
  ScriptedTask t(loop, "t", log);
  Clock::TimePoint due;
  Clock::TimePoint ran;
  int runs = 0;
  t.step = [&](ScriptedTask&) {
    if (++runs == 1) {
      due = systemClock().now() + milliseconds(30);
      return loop.runAt(t, due, milliseconds(20));
    }
    ran = systemClock().now();
    loop.retire(t);
  };
  std::thread runner([&] { loop.run(); });
  std::this_thread::sleep_for(milliseconds(5));  // the loop is waiting in its poller
  loop.post(t);
  t.waitFor();
  EXPECT_GE(ran, due);
  EXPECT_GT(poller.polls.load(), 1);
  owned.reset();  // ends run() through the poller's wake
  runner.join();
}

}  // namespace
}  // namespace tarvo

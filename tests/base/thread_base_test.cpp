#include "base/thread_base.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "manual_clock.h"
#include "wait_until.h"

namespace tarvo {
namespace {

// A clock that asks the sleeping thread to stop once it has slept stopAfterMs.
struct StoppingClock : testing::ManualClock {
  ThreadBase* thread = nullptr;
  long long stopAfterMs = 0;  // 0: never
  void sleepFor(Duration duration) override {
    ManualClock::sleepFor(duration);
    if (stopAfterMs > 0 && elapsedMs() >= stopAfterMs) thread->requestStop();
  }
};

struct Sleeper : ThreadBase {
  explicit Sleeper(std::uint32_t ms) : ms(ms) {}
  void execute() override { cutShort = sleepInSlices(ms); }
  std::uint32_t ms;
  std::atomic<bool> cutShort{false};
};

// The odd rest first, then slices of 500 ms: a stop during a slice ends the
// wait before the next one; without a stop the wait runs to its end, and
// the end stays signalled for a second wait.
TEST(ThreadBase, SlicedWaitHonoursAStopBeforeEveryWholeSlice) {
  const struct {
    std::uint32_t waitMs;
    long long stopAfterMs, sleptMs;
    bool cutShort;
  } rows[] = {{60100, 700, 1100, true}, {1620, 0, 1620, false}};
  for (const auto& row : rows) {
    StoppingClock clock;
    Sleeper s(row.waitMs);
    clock.thread = &s;
    clock.stopAfterMs = row.stopAfterMs;
    s.setClock(clock);
    ASSERT_TRUE(s.start());
    s.waitFor();
    s.waitFor();
    EXPECT_EQ(s.cutShort, row.cutShort) << row.waitMs;
    EXPECT_EQ(clock.elapsedMs(), row.sleptMs) << row.waitMs;
    EXPECT_TRUE(s.finished());
  }
}

struct Counted : ThreadBase {
  Counted(std::atomic<int>& runs, std::atomic<int>* destroyed) : runs(runs), destroyed(destroyed) {}
  ~Counted() override {
    if (destroyed) ++*destroyed;
  }
  void execute() override { ++runs; }
  std::atomic<int>& runs;
  std::atomic<int>* destroyed;
};

// System threads are handed on from one object to the next: whichever way
// objects start, end and are freed, each runs exactly once, a self-freeing
// one deletes itself, and the parked threads go away once nothing is left
// to start.
TEST(ThreadBase, ObjectsStartedFromSeveralThreadsEachRunOnceAndParkedThreadsLeave) {
  std::atomic<int> runs{0};
  std::atomic<int> destroyed{0};
  auto starter = [&] {
    std::vector<std::unique_ptr<Counted>> waited;
    for (int i = 0; i < 500; ++i) {
      if (i % 2) {
        auto* t = new Counted(runs, &destroyed);
        t->setFreeOnTerminate(true);
        ASSERT_TRUE(t->start());
      } else {
        waited.push_back(std::make_unique<Counted>(runs, nullptr));
        ASSERT_TRUE(waited.back()->start());
      }
      // Some are waited for at once, some only at the end, so parked
      // threads meet starts at every stage.
      if (i % 3 == 0) waited.back()->waitFor();
    }
    // Every owner waits before it frees: the base's own wait in its
    // destructor comes after the derived part is gone.
    for (auto& t : waited) t->waitFor();
  };
  std::thread a(starter);
  std::thread b(starter);
  a.join();
  b.join();
  ASSERT_TRUE(ThreadBase::waitAllEnded(10000));
  EXPECT_EQ(runs, 1000);
  EXPECT_EQ(destroyed, 500);
  EXPECT_EQ(ThreadBase::liveThreads(), 0);
  EXPECT_TRUE(testing::waitUntil([] { return ThreadBase::parkedThreads() == 0; }));
}

}  // namespace
}  // namespace tarvo

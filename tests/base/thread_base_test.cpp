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

class Rester : public ThreadBase {
 public:
  explicit Rester(std::uint32_t ms) : ms_(ms) {}
  std::atomic<bool> resting{false}, cutShort{false};

 protected:
  void execute() override {
    resting = true;
    cutShort = rest(ms_);
  }

 private:
  std::uint32_t ms_;
};

TEST(ThreadBase, AStopEndsARestOfAnHourAtOnce) {
  Rester r(3'600'000);
  ASSERT_TRUE(r.start());
  ASSERT_TRUE(testing::waitUntil([&] { return r.resting.load(); }));
  r.requestStop();
  EXPECT_TRUE(testing::waitUntil([&] { return r.finished(); }));
  EXPECT_TRUE(r.cutShort);
}

TEST(ThreadBase, ARestOnATestClockPassesAtOnceAndWhole) {
  testing::ManualClock clock;
  Rester r(1620);
  r.setClock(clock);
  ASSERT_TRUE(r.start());
  r.waitFor();
  r.waitFor();  // the end stays signalled: a second wait returns at once
  EXPECT_FALSE(r.cutShort);
  EXPECT_EQ(clock.elapsedMs(), 1620);
  EXPECT_TRUE(r.finished());
}

TEST(ThreadSignal, AWakeOrAStopGivenBeforeTheWaitEndsIt) {
  ThreadSignal signal;
  signal.wake();
  EXPECT_FALSE(signal.waitForWake());  // taken, and not a stop
  signal.requestStop();
  EXPECT_TRUE(signal.waitForWake());
  EXPECT_TRUE(signal.sleepFor(std::chrono::hours(1)));
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

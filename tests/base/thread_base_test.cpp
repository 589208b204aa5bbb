#include "base/thread_base.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "base/clock.h"
#include "base/one_shot.h"
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

class SelfFreeing : public ThreadBase {
 public:
  explicit SelfFreeing(std::atomic<int>& destroyed) : destroyed_(destroyed) {}
  ~SelfFreeing() override { destroyed_++; }

 protected:
  void execute() override {}

 private:
  std::atomic<int>& destroyed_;
};

TEST(ThreadBase, SelfFreeingThreadDeletesItself) {
  std::atomic<int> destroyed{0};
  for (int i = 0; i < 20; ++i) {
    auto* t = new SelfFreeing(destroyed);
    t->setFreeOnTerminate(true);
    ASSERT_TRUE(t->start());
  }
  ASSERT_TRUE(ThreadBase::waitAllEnded(5000));
  EXPECT_EQ(destroyed, 20);
}

class Counting : public ThreadBase {
 public:
  explicit Counting(std::atomic<int>& runs) : runs_(runs) {}

 protected:
  void execute() override { runs_++; }

 private:
  std::atomic<int>& runs_;
};

// System threads are handed on from one object to the next: whichever way
// objects start, end and are freed, each runs exactly once, and the parked
// threads go away once nothing is left to start.
TEST(ThreadBase, ObjectsStartedFromSeveralThreadsEachRunOnceAndParkedThreadsLeave) {
  std::atomic<int> runs{0};
  std::atomic<int> destroyed{0};
  auto starter = [&] {
    std::vector<std::unique_ptr<Counting>> waited;
    for (int i = 0; i < 500; ++i) {
      if (i % 2) {
        auto* t = new SelfFreeing(destroyed);
        t->setFreeOnTerminate(true);
        ASSERT_TRUE(t->start());
      } else {
        waited.push_back(std::make_unique<Counting>(runs));
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
  EXPECT_EQ(runs, 500);
  EXPECT_EQ(destroyed, 500);
  EXPECT_EQ(ThreadBase::liveThreads(), 0);

  for (int i = 0; i < 100 && ThreadBase::parkedThreads() > 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ThreadBase::kParkedLifeMs / 5));
  }
  EXPECT_EQ(ThreadBase::parkedThreads(), 0u);
}

TEST(OneShot, KeepsAPostMadeBeforeTheWaitAndOtherwiseWaitsOutItsDeadline) {
  OneShot early;
  early.post();
  EXPECT_TRUE(early.waitUntil(std::chrono::steady_clock::now()));
  OneShot never;
  EXPECT_FALSE(never.waitUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(20)));
  OneShot late;
  std::thread poster([&] { late.post(); });
  late.wait();
  poster.join();
}

}  // namespace
}  // namespace tarvo

#include "base/thread_base.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "base/clock.h"
#include "manual_clock.h"

namespace tarvo {
namespace {

// A clock that asks the sleeper to stop once it has slept stopAfterMs.
class StoppingClock : public testing::ManualClock {
 public:
  StoppingClock(ThreadBase*& thread, long long stopAfterMs)
      : thread_(thread), stopAfterMs_(stopAfterMs) {}
  void sleepFor(Duration duration) override {
    ManualClock::sleepFor(duration);
    if (elapsedMs() >= stopAfterMs_) thread_->requestStop();
  }

 private:
  ThreadBase*& thread_;
  long long stopAfterMs_;
};

class Sleeper : public ThreadBase {
 public:
  explicit Sleeper(std::uint32_t ms) : ms_(ms) {}
  std::atomic<bool> cutShort{false};

 protected:
  void execute() override { cutShort = sleepInSlices(ms_); }

 private:
  std::uint32_t ms_;
};

TEST(ThreadBase, SlicedWaitHonoursAStopBeforeEveryWholeSlice) {
  ThreadBase* thread = nullptr;
  // The odd rest first (100 ms), then slices of 500: a stop during the
  // second slice ends the wait before the third.
  StoppingClock clock(thread, 700);
  Sleeper s(60100);
  thread = &s;
  s.setClock(clock);
  ASSERT_TRUE(s.start());
  s.waitFor();
  EXPECT_TRUE(s.cutShort);
  EXPECT_EQ(clock.elapsedMs(), 1100);
  EXPECT_TRUE(s.finished());
}

TEST(ThreadBase, WaitWithoutStopRunsToTheEnd) {
  testing::ManualClock clock;
  Sleeper s(1620);
  s.setClock(clock);
  ASSERT_TRUE(s.start());
  s.waitFor();
  EXPECT_FALSE(s.cutShort);
  EXPECT_EQ(clock.elapsedMs(), 1620);
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

}  // namespace
}  // namespace tarvo

#include "base/thread_base.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "base/clock.h"

namespace tarvo {
namespace {

class Sleeper : public ThreadBase {
 public:
  explicit Sleeper(std::uint32_t ms) : ms_(ms) {}
  std::atomic<bool> cutShort{false};
  std::atomic<std::uint32_t> tookMs{0};

 protected:
  void execute() override {
    std::uint32_t t0 = tickMs();
    cutShort = sleepInSlices(ms_);
    tookMs = tickMs() - t0;
  }

 private:
  std::uint32_t ms_;
};

TEST(ThreadBase, StopIsNoticedBeforeTheNextSlice) {
  Sleeper s(60000);
  ASSERT_TRUE(s.start());
  sleepMs(100);
  s.requestStop();
  s.waitFor();
  EXPECT_TRUE(s.cutShort);
  EXPECT_LT(s.tookMs, 1500u);
  EXPECT_TRUE(s.finished());
}

TEST(ThreadBase, ShortWaitRunsToTheEnd) {
  Sleeper s(120);
  ASSERT_TRUE(s.start());
  s.waitFor();
  EXPECT_FALSE(s.cutShort);
  EXPECT_GE(s.tookMs, 119u);
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

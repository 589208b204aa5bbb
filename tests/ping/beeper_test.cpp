#include "ping/beeper.h"

#include <gtest/gtest.h>

#include <atomic>

#include "base/clock.h"

namespace tarvo {
namespace {

class CountingTone : public Tone {
 public:
  explicit CountingTone(std::atomic<int>& plays) : plays_(plays) {}
  void play(std::uint32_t hz, std::uint32_t ms) override {
    EXPECT_EQ(hz, 1000u);
    EXPECT_EQ(ms, 80u);
    sleepMs(ms);
    ++plays_;
  }

 private:
  std::atomic<int>& plays_;
};

TEST(Beeper, RequestsDuringAToneMergeIntoOne) {
  std::atomic<int> plays{0};
  TBeep beep(std::make_unique<CountingTone>(plays));
  ASSERT_TRUE(beep.start());
  while (!beep.ready()) sleepMs(1);
  beep.requestTone();
  sleepMs(20);  // the first tone is playing now
  for (int i = 0; i < 5; ++i) beep.requestTone();
  sleepMs(250);
  beep.requestStop();
  beep.waitFor();
  EXPECT_EQ(plays, 2);
}

TEST(Beeper, PendingToneStillPlaysAfterStop) {
  std::atomic<int> plays{0};
  TBeep beep(std::make_unique<CountingTone>(plays));
  ASSERT_TRUE(beep.start());
  while (!beep.ready()) sleepMs(1);
  beep.requestTone();
  beep.requestStop();
  beep.waitFor();
  EXPECT_EQ(plays, 1);
}

TEST(Beeper, NoRequestsNoToneAndPromptEnd) {
  std::atomic<int> plays{0};
  TBeep beep(std::make_unique<CountingTone>(plays));
  ASSERT_TRUE(beep.start());
  sleepMs(20);
  const std::uint32_t t0 = tickMs();
  beep.requestStop();
  beep.waitFor();
  EXPECT_LT(tickMs() - t0, 100u);
  EXPECT_EQ(plays, 0);
}

}  // namespace
}  // namespace tarvo

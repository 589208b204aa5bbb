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

// A started beeper, ready for requests, whose tone counts its plays.
std::unique_ptr<TBeep> readyBeeper(std::atomic<int>& plays) {
  auto beep = std::make_unique<TBeep>(std::make_unique<CountingTone>(plays));
  EXPECT_TRUE(beep->start());
  for (int i = 0; i < 5000 && !beep->ready(); ++i) sleepMs(1);
  return beep;
}

TEST(Beeper, RequestsDuringAToneMergeIntoOne) {
  std::atomic<int> plays{0};
  auto beep = readyBeeper(plays);
  beep->requestTone();
  sleepMs(20);  // the first tone is playing now
  for (int i = 0; i < 5; ++i) beep->requestTone();
  sleepMs(250);
  beep->requestStop();
  beep->waitFor();
  EXPECT_EQ(plays, 2);
}

TEST(Beeper, PendingToneStillPlaysAfterStop) {
  std::atomic<int> plays{0};
  auto beep = readyBeeper(plays);
  beep->requestTone();
  beep->requestStop();
  beep->waitFor();
  EXPECT_EQ(plays, 1);
}

TEST(Beeper, NoRequestsNoToneAndPromptEnd) {
  std::atomic<int> plays{0};
  auto beep = readyBeeper(plays);
  sleepMs(20);
  const std::uint32_t t0 = tickMs();
  beep->requestStop();
  beep->waitFor();
  EXPECT_LT(tickMs() - t0, 100u);
  EXPECT_EQ(plays, 0);
}

}  // namespace
}  // namespace tarvo

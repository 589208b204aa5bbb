#include "ping/beeper.h"

#include <gtest/gtest.h>

#include <atomic>

#include "wait_until.h"

namespace tarvo {
namespace {

class CountingTone : public Tone {
 public:
  explicit CountingTone(std::atomic<int>& plays) : plays_(plays) {}
  void play(std::uint32_t hz, std::uint32_t ms) override {
    EXPECT_EQ(hz, 1000u);
    EXPECT_EQ(ms, 80u);
    ++plays_;
  }

 private:
  std::atomic<int>& plays_;
};

// Requests not yet played merge into one tone, which a stop does not cut.
TEST(Beeper, PendingRequestsMergeIntoOneToneThatAStopStillPlays) {
  std::atomic<int> plays{0};
  TBeep beep(std::make_unique<CountingTone>(plays));
  for (int i = 0; i < 3; ++i) beep.requestTone();
  beep.requestStop();
  ASSERT_TRUE(beep.start());
  beep.waitFor();
  EXPECT_EQ(plays, 1);
}

// A beeper waiting for requests ends as soon as it is stopped.
TEST(Beeper, NoRequestsNoToneAndAStopEndsTheWait) {
  std::atomic<int> plays{0};
  TBeep beep(std::make_unique<CountingTone>(plays));
  ASSERT_TRUE(beep.start());
  ASSERT_TRUE(testing::waitUntil([&] { return beep.ready(); }));
  beep.requestStop();
  EXPECT_TRUE(testing::waitUntil([&] { return beep.finished(); }));
  EXPECT_EQ(plays, 0);
}

}  // namespace
}  // namespace tarvo

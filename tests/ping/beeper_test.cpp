#include "ping/beeper.h"

#include <gtest/gtest.h>

#include <atomic>

namespace tarvo {
namespace {

class CountingTone : public Tone {
 public:
  explicit CountingTone(std::atomic<int>& plays) : plays_(plays) {}
  void play(std::uint32_t, std::uint32_t) override { ++plays_; }

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

}  // namespace
}  // namespace tarvo

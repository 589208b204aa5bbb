#include "range/range_progress.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvo {
namespace {

using std::chrono::milliseconds;

TEST(RangeProgress, TextFromDoneTotalAndElapsed) {
  const struct {
    std::uint32_t done, total;
    milliseconds elapsed;
    const char* text;
  } rows[] = {
      // No rate and no time left before anything is done or a second passed.
      {0, 253, milliseconds(0), "0 / 253  0.0%"},
      // The time left is rounded up: 233 at 20/s is 11.65 s.
      {20, 253, milliseconds(1000), "20 / 253  7.9%  20.0/s  0:00:12 left"},
      // Never 100% before the last address.
      {65535, 65536, milliseconds(3600000), "65535 / 65536  99.9%  18.2/s  0:00:01 left"},
      // A count past the total is taken as the total.
      {300, 253, milliseconds(2000), "253 / 253  100.0%  126.5/s  0:00:00 left"},
  };
  for (const auto& r : rows) EXPECT_EQ(rangeProgressText(r.done, r.total, r.elapsed), r.text);
}

}  // namespace
}  // namespace tarvo

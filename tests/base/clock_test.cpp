#include "base/clock.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

namespace tarvo {
namespace {

TEST(Duration, FormatsAndWrapsAfterADay) {
  EXPECT_EQ(formatDuration(3661), "01:01:01");
  EXPECT_EQ(formatDuration(25 * 3600), "01:00:00");
  EXPECT_EQ(formatDuration(-5), "00:00:00");
}

TEST(DateTime, ShortDateAndLongTimeButOnlyDateAtMidnight) {
  setenv("TZ", "UTC", 1);
  tzset();
  std::setlocale(LC_TIME, "C");
  // 2026-12-06 14:41:13 UTC
  EXPECT_EQ(formatDateTime(1796568073), "12/06/26 14:41:13");
  // 2026-12-06 00:00:00 UTC
  EXPECT_EQ(formatDateTime(1796515200), "12/06/26");
}

}  // namespace
}  // namespace tarvo

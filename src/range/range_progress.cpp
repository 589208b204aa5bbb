#include "range/range_progress.h"

#include <cmath>
#include <cstdio>

namespace tarvo {

namespace {
// h:mm:ss, without a day limit: a slow sweep of a /16 may take longer.
std::string clockText(std::uint64_t seconds) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%llu:%02u:%02u", static_cast<unsigned long long>(seconds / 3600),
                static_cast<unsigned>(seconds / 60 % 60), static_cast<unsigned>(seconds % 60));
  return buf;
}
}  // namespace

std::string rangeProgressText(std::uint32_t done, std::uint32_t total,
                              std::chrono::milliseconds elapsed) {
  if (done > total) done = total;
  const std::uint64_t tenths = total == 0 ? 1000 : std::uint64_t{done} * 1000 / total;
  char buf[96];
  std::snprintf(buf, sizeof buf, "%u / %u  %u.%u%%", static_cast<unsigned>(done),
                static_cast<unsigned>(total), static_cast<unsigned>(tenths / 10),
                static_cast<unsigned>(tenths % 10));
  std::string text = buf;
  if (done == 0 || elapsed < std::chrono::seconds(1)) return text;

  const double seconds = static_cast<double>(elapsed.count()) / 1000.0;
  const double rate = done / seconds;
  const auto left = static_cast<std::uint64_t>(std::ceil((total - done) / rate));
  std::snprintf(buf, sizeof buf, "  %.1f/s  ", rate);
  return text + buf + clockText(left) + " left";
}

}  // namespace tarvo

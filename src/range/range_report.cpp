#include "range/range_report.h"

namespace tarvo {

namespace {
std::string padded(const char* label, std::uint32_t number) {
  const std::string digits = std::to_string(number);
  std::string line = label;
  for (std::size_t n = digits.size(); n < 5; ++n) line += "..";
  return line + digits;
}
}  // namespace

std::vector<std::string> rangeStatisticsLines(const RangeCounts& c) {
  return {
      "    Statistics: ",
      padded("        Total destination addresses:.....................", c.total),
      padded("            Number of pinged addresses:...............", c.reached + c.notReached),
      padded("                Number of reached addresses:.........", c.reached),
      padded("                Number of not reached addresses:...", c.notReached),
      padded("            Network addresses:..............................", c.network),
      padded("            Broadcast addresses:...........................", c.broadcast),
  };
}

std::string reachedSoFarText(std::uint32_t reached) {
  return "  Number of reached addresses: " + std::to_string(reached);
}

std::string rangeDoneText(const RangeCounts& c) {
  if (c.started == c.total) return "  Done ";
  return "  Break after " + std::to_string(c.started) + " addresses";
}

std::string reachedOfTotalText(const RangeCounts& c) {
  return reachedSoFarText(c.reached) + " of " + std::to_string(c.total);
}

}  // namespace tarvo

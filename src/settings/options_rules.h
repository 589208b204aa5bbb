#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/field_rules.h"

// The advanced options' rules that need no widgets: the type-of-service
// bits, the netmask choices and how the log options hold each other.
namespace tarvo::settings {

// The range ping's masks, one for each bit count its rule allows: position p
// is p + kFirstMaskBits bits.
inline constexpr int kFirstMaskBits = kNetMaskBitsRule.minimum;
inline constexpr std::array<std::string_view, 16> kNetMasks{
    "255.255.0.0",     "255.255.128.0",   "255.255.192.0",   "255.255.224.0",
    "255.255.240.0",   "255.255.248.0",   "255.255.252.0",   "255.255.254.0",
    "255.255.255.0",   "255.255.255.128", "255.255.255.192", "255.255.255.224",
    "255.255.255.240", "255.255.255.248", "255.255.255.252", "255.255.255.254"};
static_assert(kNetMasks.size() ==
              static_cast<std::size_t>(kNetMaskBitsRule.maximum - kFirstMaskBits + 1));

// Bit 0 of the type of service is reserved: it is never set.
inline constexpr int kTosReservedBit = 0;

// Eight "0"/"1" characters, the most significant bit first.
std::string tosBinaryText(std::uint8_t tos);
// A bit of the byte set or cleared; the reserved bit stays clear.
std::uint8_t withTosBit(std::uint8_t tos, int bit, bool on);
// Whether the binary text shows the bit set.
bool tosBitShown(std::string_view binaryText, int bit);

// The four log boxes of the watch monitor.
struct LogOptions {
  bool replies = false;
  bool timeouts = false;
  bool flipFlop = false;
  bool immediate = false;
  bool operator==(const LogOptions&) const = default;
};
enum class LogBox { Replies, Timeouts, FlipFlop, Immediate };

// The boxes after one of them was clicked into `checked`: logging every
// reply or timeout excludes logging only changes, and "immediate" needs
// something to log.
LogOptions afterLogClick(LogOptions options, LogBox box, bool checked);

}  // namespace tarvo::settings

#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

// Four octets as typed; out-of-range values are kept so validation can
// reject them.
using RangeOctets = std::array<std::int32_t, 4>;

// The first and the last address of a range. Only the third and fourth
// octets of the last address bound the range: its first two octets are the
// first address's in the window and take part only in the 0..255 check.
struct RangeInput {
  RangeOctets first{};
  RangeOctets last{};
};

// Reads "a.b.c.d" as four octet fields: each non-empty, digits only, within
// the signed 32-bit range (leading zeros allowed: "010" is 10). Returns
// nothing when a field is missing, empty or not a number.
std::optional<RangeOctets> parseRangeOctets(std::string_view text);

// Every octet 0..255, and the last address not below the first.
bool validateRange(const RangeInput& input);

// Expands a validated range into its destinations in ascending order. The
// cursor moves on only when the caller says so, so an address whose worker
// could not be started is handed out again.
class RangePlan {
 public:
  // Nothing when the input does not validate.
  static std::optional<RangePlan> build(const RangeInput& input);

  // Number of destinations, 1 to 65,536.
  std::uint32_t total() const { return total_; }
  // "o1.o2" without leading zeros.
  const std::string& prefix() const { return prefix_; }

  std::uint32_t currentThird() const { return third_; }
  std::uint32_t currentFourth() const { return fourth_; }
  // Destination text under the cursor, e.g. "192.168.3.17".
  std::string currentAddressText() const;
  // One address on; past the last third octet's bound, the next third octet
  // begins at 0.
  void advance();

 private:
  RangePlan() = default;

  std::string prefix_;
  std::uint32_t lastThird_ = 0;
  std::uint32_t lastFourth_ = 0;
  std::uint32_t total_ = 0;
  std::uint32_t third_ = 0;
  std::uint32_t fourth_ = 0;
};

// The host value is third * 256 + fourth; the host mask has 32 - bits low
// bits set. Bits outside 16..31 are clamped into that range, where the mask
// never reaches the first two octets.
bool isNetworkAddress(std::uint32_t third, std::uint32_t fourth, int netMaskBits);
bool isBroadcastAddress(std::uint32_t third, std::uint32_t fourth, int netMaskBits);

}  // namespace tarvo

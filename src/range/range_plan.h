#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/octets.h"

namespace tarvo {

// The first and the last address of a range. Only the third and fourth
// octets of the last address bound the range: its first two octets are the
// first address's in the window and take part only in the 0..255 check.
struct RangeInput {
  Octets first{};
  Octets last{};
};

// A range address given as text (the console's FIRST and LAST): four
// octets, digits only ("010" is 10); a blank, a sign or a hexadecimal part
// is not read.
inline std::optional<Octets> parseRangeOctets(std::string_view text) {
  return parseOctets(text, DottedParts::Decimal);
}

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

  std::uint32_t currentThird() const { return third_; }
  std::uint32_t currentFourth() const { return fourth_; }
  // Destination text under the cursor, e.g. "192.168.3.17".
  std::string currentAddressText() const;
  // One address on; past the last third octet's bound, the next third octet
  // begins at 0.
  void advance();

 private:
  RangePlan() = default;

  std::int32_t firstOctet_ = 0;
  std::int32_t secondOctet_ = 0;
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

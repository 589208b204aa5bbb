#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/octets.h"
#include "engine/ip_address.h"

namespace tarvo {

// An IPv6 range: both ends as sixteen bytes in network order.
struct Range6Input {
  IpAddress::Bytes first{};
  IpAddress::Bytes last{};
};

// The first and the last address of a range. Only the third and fourth
// octets of the last address bound the range: its first two octets are the
// first address's in the window and take part only in the 0..255 check.
// With v6 set the range is that one and the octets are not read.
struct RangeInput {
  RangeInput() = default;
  RangeInput(const Octets& firstAddress, const Octets& lastAddress)
      : first(firstAddress), last(lastAddress) {}
  explicit RangeInput(const Range6Input& range) : v6(range) {}

  Octets first{};
  Octets last{};
  std::optional<Range6Input> v6;
};

// A worker per address and a slot per worker: an IPv6 range is held to what
// an IPv4 range can hold at most, a /112.
constexpr std::uint32_t kMaxRange6Addresses = 65536;

enum class Range6Check { Ok, Backward, TooLarge };
Range6Check checkRange6(const Range6Input& input);

// A range address given as text (the console's FIRST and LAST): four
// octets, digits only ("010" is 10); a blank, a sign or a hexadecimal part
// is not read.
inline std::optional<Octets> parseRangeOctets(std::string_view text) {
  return parseOctets(text, DottedParts::Decimal);
}

// Every octet 0..255, and the last address not below the first; an IPv6
// range passes checkRange6.
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
  bool isV6() const { return v6Base_.has_value(); }

  std::uint32_t currentThird() const { return third_; }
  std::uint32_t currentFourth() const { return fourth_; }
  // Destination text under the cursor, e.g. "192.168.3.17" or "fd00::1:1".
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
  std::optional<IpAddress::Bytes> v6Base_;  // the first address of an IPv6 range
  std::uint32_t v6Offset_ = 0;              // the cursor's distance from it
};

// The host value is third * 256 + fourth; the host mask has 32 - bits low
// bits set. Bits outside 16..31 are clamped into that range, where the mask
// never reaches the first two octets.
bool isNetworkAddress(std::uint32_t third, std::uint32_t fourth, int netMaskBits);
bool isBroadcastAddress(std::uint32_t third, std::uint32_t fourth, int netMaskBits);

}  // namespace tarvo

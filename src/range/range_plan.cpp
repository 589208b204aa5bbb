#include "range/range_plan.h"

#include <algorithm>

#include "settings/field_rules.h"

namespace tarvo {

namespace {
// last - first as a 128-bit difference, byte by byte with borrow, so an
// address pair whose low groups wrap still counts right.
IpAddress::Bytes difference(const IpAddress::Bytes& last, const IpAddress::Bytes& first) {
  IpAddress::Bytes d{};
  int borrow = 0;
  for (std::size_t i = d.size(); i-- > 0;) {
    int v = last[i] - first[i] - borrow;
    borrow = v < 0 ? 1 : 0;
    d[i] = static_cast<std::uint8_t>(v + 256 * borrow);
  }
  return d;
}

IpAddress::Bytes plus(IpAddress::Bytes bytes, std::uint32_t offset) {
  for (std::size_t i = bytes.size(); i-- > 0 && offset > 0;) {
    offset += bytes[i];
    bytes[i] = static_cast<std::uint8_t>(offset & 0xFF);
    offset >>= 8;
  }
  return bytes;
}
}  // namespace

Range6Check checkRange6(const Range6Input& input) {
  if (input.last < input.first) return Range6Check::Backward;
  const IpAddress::Bytes d = difference(input.last, input.first);
  // At most 65,535 apart: everything above the last two bytes is zero.
  for (std::size_t i = 0; i + 2 < d.size(); ++i) {
    if (d[i] != 0) return Range6Check::TooLarge;
  }
  return Range6Check::Ok;
}

bool validateRange(const RangeInput& input) {
  if (input.v6) return checkRange6(*input.v6) == Range6Check::Ok;
  auto octet = [](std::int32_t v) { return v >= 0 && v <= 255; };
  if (!std::all_of(input.first.begin(), input.first.end(), octet) ||
      !std::all_of(input.last.begin(), input.last.end(), octet)) {
    return false;
  }
  if (input.first[2] == input.last[2]) return input.first[3] <= input.last[3];
  return input.first[2] < input.last[2];
}

std::optional<RangePlan> RangePlan::build(const RangeInput& input) {
  if (!validateRange(input)) return std::nullopt;
  RangePlan plan;
  if (input.v6) {
    const IpAddress::Bytes d = difference(input.v6->last, input.v6->first);
    plan.v6Base_ = input.v6->first;
    plan.total_ = 256u * d[14] + d[15] + 1;
    return plan;
  }
  plan.firstOctet_ = input.first[0];
  plan.secondOctet_ = input.first[1];
  plan.third_ = static_cast<std::uint32_t>(input.first[2]);
  plan.fourth_ = static_cast<std::uint32_t>(input.first[3]);
  plan.lastThird_ = static_cast<std::uint32_t>(input.last[2]);
  plan.lastFourth_ = static_cast<std::uint32_t>(input.last[3]);
  plan.total_ = 256 * (plan.lastThird_ - plan.third_) + plan.lastFourth_ - plan.fourth_ + 1;
  return plan;
}

std::string RangePlan::currentAddressText() const {
  if (v6Base_) return IpAddress::v6(plus(*v6Base_, v6Offset_)).toString();
  return formatOctets({firstOctet_, secondOctet_, static_cast<std::int32_t>(third_),
                       static_cast<std::int32_t>(fourth_)});
}

void RangePlan::advance() {
  if (v6Base_) {
    ++v6Offset_;
    return;
  }
  const std::uint32_t upper = third_ == lastThird_ ? lastFourth_ : 255;
  if (fourth_ == upper) {
    ++third_;
    fourth_ = 0;
  } else {
    ++fourth_;
  }
}

namespace {
std::uint32_t hostMask(int netMaskBits) {
  const int bits = std::clamp(netMaskBits, settings::kNetMaskBitsRule.minimum,
                              settings::kNetMaskBitsRule.maximum);
  return (1u << (32 - bits)) - 1;
}
}  // namespace

bool isNetworkAddress(std::uint32_t third, std::uint32_t fourth, int netMaskBits) {
  const std::uint32_t h = third * 256 + fourth;
  return (h & hostMask(netMaskBits)) == 0;
}

bool isBroadcastAddress(std::uint32_t third, std::uint32_t fourth, int netMaskBits) {
  const std::uint32_t h = third * 256 + fourth;
  const std::uint32_t m = hostMask(netMaskBits);
  return (h & m) == m;
}

}  // namespace tarvo

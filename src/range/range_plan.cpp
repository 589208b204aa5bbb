#include "range/range_plan.h"

#include <algorithm>

#include "settings/field_rules.h"

namespace tarvo {

bool validateRange(const RangeInput& input) {
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
  return formatOctets({firstOctet_, secondOctet_, static_cast<std::int32_t>(third_),
                       static_cast<std::int32_t>(fourth_)});
}

void RangePlan::advance() {
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

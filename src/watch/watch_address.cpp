#include "watch/watch_address.h"

#include "engine/address.h"

namespace tarvo {

std::optional<IpAddress> watchAddressOf(std::string_view hostText) {
  if (const auto dotted = parseDottedAddress(hostText)) return IpAddress::v4(*dotted);
  constexpr std::string_view kBlanks = " \t\n\v\f\r";
  const auto first = hostText.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return std::nullopt;
  const auto last = hostText.find_last_not_of(kBlanks);
  return parseIpv6Literal(hostText.substr(first, last - first + 1));
}

}  // namespace tarvo

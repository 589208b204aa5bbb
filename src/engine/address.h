#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/octets.h"  // dotted text: parseDottedAddress, formatAddress
#include "engine/echo_types.h"

namespace tarvo {

// Result of a name look-up, copied at once so it stays valid.
struct HostEntry {
  std::string officialName;            // canonical name reported by the resolver
  std::vector<Ipv4Address> addresses;  // in resolver order; only the first is used
};

// Removes everything up to and including the first "://"; nothing else.
std::string stripUrlScheme(std::string_view text);

// Forward look-up (IPv4 only); blocking.
std::optional<HostEntry> lookupHost(const std::string& name);
// Reverse look-up; fails when the address has no name. Blocking.
std::optional<HostEntry> lookupAddress(Ipv4Address address);

}  // namespace tarvo

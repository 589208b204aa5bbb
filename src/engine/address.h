#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/octets.h"  // dotted text: parseDottedAddress, formatAddress
#include "engine/echo_types.h"
#include "engine/ip_address.h"

namespace tarvo {

// Result of a name look-up, copied at once so it stays valid.
struct HostEntry {
  std::string officialName;            // canonical name reported by the resolver
  std::vector<Ipv4Address> addresses;  // in resolver order; only the first is used
  // Every answer of the families asked for, in the system's order (from
  // lookupHostIn and lookupIp only).
  std::vector<IpAddress> all = {};
};

// Which answers of a name count: IPv4 only, IPv6 only, or both: in the
// order the system gives them, or with one family's answers first.
enum class FamilyPreference { V4, V6, System, PreferV4, PreferV6 };

// The answers with the preferred family's first, each family keeping the
// order it had; any other preference leaves them as they are. Pure.
std::vector<IpAddress> inPreferredOrder(std::vector<IpAddress> answers, FamilyPreference family);

// The choices a user has for a name's addresses, by position: 0 the
// system's order, 1 IPv4 first, 2 IPv6 first. Anything else is the
// system's order.
FamilyPreference familyPreferenceAt(int choice);

// Removes everything up to and including the first "://"; nothing else.
std::string stripUrlScheme(std::string_view text);

// Forward look-up (IPv4 only); blocking.
std::optional<HostEntry> lookupHost(const std::string& name);
// Reverse look-up; fails when the address has no name. Blocking.
std::optional<HostEntry> lookupAddress(Ipv4Address address);

// Forward look-up of the families asked for (getaddrinfo; both for the
// prefer modes), in the system's order; blocking.
std::optional<HostEntry> lookupHostIn(const std::string& name, FamilyPreference family);
// Reverse look-up of an address of either family; blocking.
std::optional<HostEntry> lookupIp(const IpAddress& address);

// A host argument: a dotted IPv4 address, or an IPv6 literal with optional
// brackets and zone; nullopt for anything else (a name).
std::optional<IpAddress> parseHostLiteral(std::string_view text);

}  // namespace tarvo

#pragma once

// One address type for both families. An IPv4 address keeps its four bytes
// in network order at the front; an IPv6 address uses all sixteen and may
// carry a zone (the interface a link-local address belongs to), both as the
// user typed it and as the kernel's scope id once that is known.

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/ipv4_address.h"

namespace tarvo {

enum class IpFamily : std::uint8_t { V4, V6 };

class IpAddress {
 public:
  using Bytes = std::array<std::uint8_t, 16>;

  IpAddress() = default;  // 0.0.0.0

  static IpAddress v4(Ipv4Address address);
  static IpAddress v6(const Bytes& bytes, std::uint32_t scopeId = 0, std::string zone = {});

  IpFamily family() const { return family_; }
  bool isV4() const { return family_ == IpFamily::V4; }
  bool isV6() const { return family_ == IpFamily::V6; }
  // Network order; an IPv4 address fills only the first four.
  const Bytes& bytes() const { return bytes_; }
  // The IPv4 address, for an address of that family only. An IPv4-mapped
  // IPv6 address (::ffff:a.b.c.d) stays IPv6: see mappedV4().
  std::optional<Ipv4Address> asV4() const;
  // The IPv4 address inside ::ffff:a.b.c.d.
  std::optional<Ipv4Address> mappedV4() const;

  std::uint32_t scopeId() const { return scopeId_; }
  // The zone as typed after "%": an interface name or a number.
  const std::string& zone() const { return zone_; }
  IpAddress withScopeId(std::uint32_t scopeId) const;

  // Dotted quad for IPv4; for IPv6 the canonical text: lower case, leading
  // zeros dropped, the longest run of two or more zero groups (the first of
  // equals) as "::", an IPv4-mapped address with its dotted tail, and the
  // zone after "%" (the scope id's number where no name was typed).
  std::string toString() const;

  // Orders IPv4 before IPv6, then by bytes, scope id and zone text.
  auto operator<=>(const IpAddress&) const = default;
  bool operator==(const IpAddress&) const = default;

 private:
  IpFamily family_ = IpFamily::V4;
  Bytes bytes_{};
  std::uint32_t scopeId_ = 0;
  std::string zone_;
};

// Reads an IPv6 literal: eight groups of one to four hex digits, "::" once
// for a run of zero groups, an optional dotted IPv4 tail in place of the
// last two groups ("::ffff:198.18.1.1"), optionally in brackets, and an
// optional zone after "%" ("fe80::1%eth0", "[fe80::1%2]"). A zone of digits
// only gives the scope id at once; a name is left for resolveZone. Anything
// else, including white space, is not a literal. Pure.
std::optional<IpAddress> parseIpv6Literal(std::string_view text);

// Gives a zone typed as an interface name its scope id (if_nametoindex).
// Addresses without a zone, or whose scope id is known, come back as they
// are; nullopt when no interface has that name.
std::optional<IpAddress> resolveZone(const IpAddress& address);

}  // namespace tarvo

#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

// Four octets of an IPv4 address as the window's octet fields hold them;
// values outside 0..255 are possible there and are kept as they are.
using Octets = std::array<std::int32_t, 4>;

// A text read as four dotted octets: cut at every ".", each part a typed
// whole number from 0 to 255, exactly four parts. Host names, short forms
// ("10.1"), empty parts and 256 are not addresses.
std::optional<Octets> parseOctets(std::string_view text);

// The four octets in decimal joined by ".".
std::string formatOctets(const Octets& octets);

}  // namespace tarvo

#pragma once

// Dotted IPv4 text: the one reader and the one formatter. The places that
// read an address differ only in how its parts may be written and whether
// short forms count, so each is a small wrapper over readDottedAddress.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

// Four octets of an IPv4 address as the window's octet fields hold them;
// values outside 0..255 are possible there and are kept as they are.
using Octets = std::array<std::int32_t, 4>;

// How each part between the dots may be written.
enum class DottedParts {
  Decimal,  // digits only, leading zeros allowed ("010" is 10)
  Typed,    // a typed number (parseTypedInteger): leading blanks, a sign, hexadecimal
  Classic,  // the classic C reader: decimal, octal after a leading 0, hexadecimal after 0x
};

// Cuts the text at every "."; no part may be empty and there are at most
// four. Four parts are four octets, each 0..255. With shortForms one to
// three parts are read too, the last filling the remaining low-order bytes
// ("10.1" is 10.0.0.1, "2130706433" is 127.0.0.1). The address is
// a*2^24 + b*2^16 + c*2^8 + d.
std::optional<std::uint32_t> readDottedAddress(std::string_view text, DottedParts parts,
                                               bool shortForms = false);

// Exactly four octets, as the stored range and the window's range switch
// read them (typed numbers), or as the console's range and the watch list's
// sort do (digits only). Host names, short forms and 256 are not addresses.
std::optional<Octets> parseOctets(std::string_view text, DottedParts parts = DottedParts::Typed);

// A host text read as an address by the classic C rules (short forms, octal,
// hexadecimal). The all-ones result doubles as that reader's failure
// answer, so "255.255.255.255" is not an address (it goes the name path).
// White space after the address is ignored, as that reader stops at it: a
// pasted address with a line end after it is still that address.
std::optional<std::uint32_t> parseDottedAddress(std::string_view text);

// The octets of an address, highest first.
Octets octetsOf(std::uint32_t address);

// The four values in decimal joined by "." (out-of-range values as they are).
std::string formatOctets(const Octets& octets);
inline std::string formatAddress(std::uint32_t address) { return formatOctets(octetsOf(address)); }

}  // namespace tarvo

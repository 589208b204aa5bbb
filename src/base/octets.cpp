#include "base/octets.h"

#include <charconv>

#include "base/typed_number.h"

namespace tarvo {

namespace {

// At least one digit of the base and nothing else; nothing when the value
// passes 2^32 - 1.
std::optional<std::uint64_t> readDigits(std::string_view digits, int base) {
  std::uint64_t value = 0;
  const char* end = digits.data() + digits.size();
  const auto [stop, error] = std::from_chars(digits.data(), end, value, base);
  if (digits.empty() || error != std::errc() || stop != end || value > 0xFFFFFFFFu) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::uint64_t> readPart(std::string_view part, DottedParts parts) {
  switch (parts) {
    case DottedParts::Decimal:
      break;
    case DottedParts::Typed: {
      const auto value = parseTypedInteger(part);
      if (!value || *value < 0) return std::nullopt;
      return static_cast<std::uint64_t>(*value);
    }
    case DottedParts::Classic:
      if (part.size() > 1 && part[0] == '0') {
        if (part[1] == 'x' || part[1] == 'X') return readDigits(part.substr(2), 16);
        return readDigits(part.substr(1), 8);
      }
      break;
  }
  return readDigits(part, 10);
}

}  // namespace

std::optional<std::uint32_t> readDottedAddress(std::string_view text, DottedParts parts,
                                               bool shortForms) {
  std::array<std::uint64_t, 4> values{};
  std::size_t count = 0;
  std::size_t start = 0;
  while (true) {
    const std::size_t dot = text.find('.', start);
    const auto value = readPart(text.substr(start, dot - start), parts);
    if (count == values.size() || !value) return std::nullopt;
    values[count++] = *value;
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  if (count != values.size() && !shortForms) return std::nullopt;
  // Every part but the last is one octet; the last fills the bytes left.
  std::uint64_t address = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const bool last = i + 1 == count;
    if (values[i] >= (last ? std::uint64_t{1} << 8 * (4 - i) : 256)) return std::nullopt;
    address |= last ? values[i] : values[i] << 8 * (3 - i);
  }
  return static_cast<std::uint32_t>(address);
}

std::optional<Octets> parseOctets(std::string_view text, DottedParts parts) {
  const auto address = readDottedAddress(text, parts);
  if (!address) return std::nullopt;
  return octetsOf(*address);
}

std::optional<std::uint32_t> parseDottedAddress(std::string_view text) {
  const auto end = text.find_last_not_of(" \t\n\v\f\r");
  text = end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
  const auto address = readDottedAddress(text, DottedParts::Classic, true);
  if (address == 0xFFFFFFFFu) return std::nullopt;
  return address;
}

Octets octetsOf(std::uint32_t address) {
  return {static_cast<std::int32_t>(address >> 24), static_cast<std::int32_t>(address >> 16 & 0xFF),
          static_cast<std::int32_t>(address >> 8 & 0xFF),
          static_cast<std::int32_t>(address & 0xFF)};
}

std::string formatOctets(const Octets& octets) {
  char text[4 * 12];  // "-2147483648." four times
  char* end = text;
  for (std::size_t i = 0; i < octets.size(); ++i) {
    if (i > 0) *end++ = '.';
    end = std::to_chars(end, text + sizeof text, octets[i]).ptr;
  }
  return std::string(text, end);
}

}  // namespace tarvo

#include "engine/ip_address.h"

#include <cstddef>
#include <utility>
#include <vector>

#include "base/octets.h"

namespace tarvo {

IpAddress IpAddress::v4(Ipv4Address address) {
  IpAddress a;
  for (int i = 0; i < 4; ++i) a.bytes_[i] = static_cast<std::uint8_t>(address >> (24 - 8 * i));
  return a;
}

IpAddress IpAddress::v6(const Bytes& bytes, std::uint32_t scopeId, std::string zone) {
  IpAddress a;
  a.family_ = IpFamily::V6;
  a.bytes_ = bytes;
  a.scopeId_ = scopeId;
  a.zone_ = std::move(zone);
  return a;
}

namespace {

Ipv4Address v4At(const IpAddress::Bytes& b, std::size_t at) {
  return Ipv4Address{b[at]} << 24 | Ipv4Address{b[at + 1]} << 16 | Ipv4Address{b[at + 2]} << 8 |
         b[at + 3];
}

}  // namespace

std::optional<Ipv4Address> IpAddress::asV4() const {
  if (!isV4()) return std::nullopt;
  return v4At(bytes_, 0);
}

std::optional<Ipv4Address> IpAddress::mappedV4() const {
  if (!isV6()) return std::nullopt;
  for (int i = 0; i < 10; ++i) {
    if (bytes_[i] != 0) return std::nullopt;
  }
  if (bytes_[10] != 0xff || bytes_[11] != 0xff) return std::nullopt;
  return v4At(bytes_, 12);
}

IpAddress IpAddress::withScopeId(std::uint32_t scopeId) const {
  IpAddress a = *this;
  a.scopeId_ = scopeId;
  return a;
}

std::string IpAddress::toString() const {
  if (isV4()) return formatAddress(v4At(bytes_, 0));
  std::string out;
  if (const auto mapped = mappedV4()) {
    out = "::ffff:" + formatAddress(*mapped);
  } else {
    std::array<unsigned, 8> groups{};
    for (std::size_t i = 0; i < 8; ++i)
      groups[i] = unsigned{bytes_[2 * i]} << 8 | bytes_[2 * i + 1];
    // The longest run of zero groups, the first where two are as long; a
    // single zero group is written as "0".
    std::size_t bestAt = 8, bestLen = 1;
    for (std::size_t i = 0; i < 8;) {
      std::size_t j = i;
      while (j < 8 && groups[j] == 0) ++j;
      if (j - i > bestLen) bestAt = i, bestLen = j - i;
      i = j == i ? i + 1 : j;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    for (std::size_t i = 0; i < 8; ++i) {
      if (i == bestAt) {
        out += "::";
        i += bestLen - 1;
        continue;
      }
      if (!out.empty() && out.back() != ':') out += ':';
      bool started = false;
      for (int shift = 12; shift >= 0; shift -= 4) {
        const unsigned digit = groups[i] >> shift & 0xf;
        if (digit != 0 || started || shift == 0) out += kHex[digit], started = true;
      }
    }
  }
  if (!zone_.empty()) {
    out += '%' + zone_;
  } else if (scopeId_ != 0) {
    out += '%' + std::to_string(scopeId_);
  }
  return out;
}

namespace {

std::optional<unsigned> hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return std::nullopt;
}

// One to four hex digits.
std::optional<std::uint16_t> readGroup(std::string_view text) {
  if (text.empty() || text.size() > 4) return std::nullopt;
  unsigned value = 0;
  for (char c : text) {
    const auto d = hexDigit(c);
    if (!d) return std::nullopt;
    value = value << 4 | *d;
  }
  return static_cast<std::uint16_t>(value);
}

// Four decimal octets, each 0..255 without leading zeros (which some
// readers take for octal).
std::optional<Ipv4Address> readDottedTail(std::string_view text) {
  Ipv4Address address = 0;
  for (int part = 0; part < 4; ++part) {
    const std::size_t dot = part < 3 ? text.find('.') : text.size();
    if (dot == std::string_view::npos) return std::nullopt;
    const std::string_view digits = text.substr(0, dot);
    if (digits.empty() || digits.size() > 3 || (digits.size() > 1 && digits[0] == '0')) {
      return std::nullopt;
    }
    unsigned value = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return std::nullopt;
      value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 255) return std::nullopt;
    address = address << 8 | value;
    text.remove_prefix(dot == text.size() ? dot : dot + 1);
  }
  return address;
}

// The groups of one side of "::" (or of the whole address); a dotted tail
// is allowed in the last place only and counts as two groups.
bool readGroups(std::string_view text, bool tailAllowed, std::vector<std::uint16_t>& groups) {
  if (text.empty()) return true;
  while (true) {
    const std::size_t colon = text.find(':');
    const std::string_view part = text.substr(0, colon);
    if (colon == std::string_view::npos && tailAllowed && part.find('.') != part.npos) {
      const auto v4 = readDottedTail(part);
      if (!v4) return false;
      groups.push_back(static_cast<std::uint16_t>(*v4 >> 16));
      groups.push_back(static_cast<std::uint16_t>(*v4));
      return groups.size() <= 8;
    }
    const auto group = readGroup(part);
    if (!group) return false;
    groups.push_back(*group);
    if (groups.size() > 8) return false;
    if (colon == std::string_view::npos) return true;
    text.remove_prefix(colon + 1);
  }
}

// A zone: an interface name (at most 15 bytes, printable, no separators)
// or a scope id in decimal.
bool validZone(std::string_view zone) {
  if (zone.empty() || zone.size() > 15) return false;
  for (char c : zone) {
    if (c <= ' ' || c > '~' || c == '%' || c == '/' || c == '[' || c == ']') return false;
  }
  return true;
}

std::optional<std::uint32_t> numericZone(std::string_view zone) {
  std::uint64_t value = 0;
  for (char c : zone) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > 0xffffffffu) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace

std::optional<IpAddress> parseIpv6Literal(std::string_view text) {
  if (!text.empty() && text.front() == '[') {
    if (text.size() < 2 || text.back() != ']') return std::nullopt;
    text = text.substr(1, text.size() - 2);
  }
  std::string zone;
  std::uint32_t scopeId = 0;
  if (const std::size_t percent = text.find('%'); percent != text.npos) {
    const std::string_view z = text.substr(percent + 1);
    if (!validZone(z)) return std::nullopt;
    zone = std::string(z);
    scopeId = numericZone(z).value_or(0);
    text = text.substr(0, percent);
  }
  std::vector<std::uint16_t> head, tail;
  const std::size_t gap = text.find("::");
  if (gap == text.npos) {
    if (!readGroups(text, true, head) || head.size() != 8) return std::nullopt;
  } else {
    if (text.find("::", gap + 1) != text.npos) return std::nullopt;
    if (!readGroups(text.substr(0, gap), false, head) ||
        !readGroups(text.substr(gap + 2), true, tail) || head.size() + tail.size() > 7) {
      return std::nullopt;
    }
  }
  IpAddress::Bytes bytes{};
  const auto put = [&bytes](std::size_t at, std::uint16_t group) {
    bytes[2 * at] = static_cast<std::uint8_t>(group >> 8);
    bytes[2 * at + 1] = static_cast<std::uint8_t>(group);
  };
  for (std::size_t i = 0; i < head.size(); ++i) put(i, head[i]);
  for (std::size_t i = 0; i < tail.size(); ++i) put(8 - tail.size() + i, tail[i]);
  return IpAddress::v6(bytes, scopeId, std::move(zone));
}

}  // namespace tarvo

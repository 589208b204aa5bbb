#pragma once

#include <array>
#include <cstdint>

#include "engine/ip_address.h"
#include "engine/ipv4_address.h"

namespace tarvo {

// Options of one echo request.
struct EchoOptions {
  std::uint8_t ttl = 128;
  std::uint8_t tos = 0;
  std::uint8_t flags = 0;  // 0x02 = do not fragment; no other bit is used
  // IP options area in wire order: either absent (optionSize 0) or exactly
  // four bytes (router alert 94 04 00 00, or four zeros).
  std::uint8_t optionSize = 0;
  std::array<std::uint8_t, 4> optionBytes{};

  static constexpr std::uint8_t kDontFragment = 0x02;

  bool operator==(const EchoOptions&) const = default;
};

// Builds the options area: none where the platform cannot send IP options,
// otherwise router alert or four zero bytes.
inline EchoOptions makeEchoOptions(std::uint8_t ttl, std::uint8_t tos, bool dontFragment,
                                   bool routerAlert, bool ipOptionsSupported) {
  EchoOptions o;
  o.ttl = ttl;
  o.tos = tos;
  o.flags = dontFragment ? EchoOptions::kDontFragment : 0;
  if (ipOptionsSupported) {
    o.optionSize = 4;
    if (routerAlert && !dontFragment) o.optionBytes = {0x94, 0x04, 0x00, 0x00};
  }
  return o;
}

// What one send yields.
struct EchoResult {
  std::uint32_t status = 11010;     // IP status code; 0 = echo reply
  IpAddress replyAddress;           // who answered or reported the error
  std::uint32_t roundTripMs = 0;    // whole milliseconds, truncated
  std::uint32_t roundTripUs = 0;    // the same round trip in microseconds, truncated
  std::uint16_t replyDataSize = 0;  // data bytes in the reply
  std::uint8_t replyTtl = 0;        // TTL of the reply packet
};

// The round trip in microseconds. A result that carries only whole
// milliseconds (one made by hand) counts them as such, so the two never
// disagree by more than the part below a millisecond.
inline std::uint64_t roundTripMicros(const EchoResult& r) {
  return r.roundTripUs / 1000 == r.roundTripMs ? r.roundTripUs
                                               : std::uint64_t{r.roundTripMs} * 1000;
}

}  // namespace tarvo

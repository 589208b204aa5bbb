// libFuzzer target: the IPv6 literal reader. Whatever it accepts must write
// out as text that reads back as the same address and writes out unchanged.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/ip_address.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const auto address = tarvo::parseIpv6Literal(text)) {
    const std::string canonical = address->toString();
    const auto again = tarvo::parseIpv6Literal(canonical);
    if (!again || *again != *address || again->toString() != canonical) __builtin_trap();
  }
  return 0;
}

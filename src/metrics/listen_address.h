#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvo::metrics {

// Where the metrics are served.
struct ListenAddress {
  std::uint32_t address = 0;  // IPv4, host order
  std::uint16_t port = 0;
  std::string text() const;  // "127.0.0.1:9427"
};

// "[ADDRESS:]PORT": a port alone is served on loopback only, so the
// metrics reach another machine only where an address says so
// ("0.0.0.0:9427"). The address is four decimal numbers, the port 1 to
// 65535; anything else is nullopt.
std::optional<ListenAddress> parseListenAddress(std::string_view text);

}  // namespace tarvo::metrics

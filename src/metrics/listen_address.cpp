#include "metrics/listen_address.h"

#include <arpa/inet.h>

#include <algorithm>

namespace tarvo::metrics {

std::string ListenAddress::text() const {
  in_addr a{htonl(address)};
  char dotted[INET_ADDRSTRLEN];
  inet_ntop(AF_INET, &a, dotted, sizeof dotted);
  return std::string(dotted) + ":" + std::to_string(port);
}

std::optional<ListenAddress> parseListenAddress(std::string_view text) {
  ListenAddress where{INADDR_LOOPBACK, 0};
  const auto colon = text.rfind(':');
  std::string_view port = text;
  if (colon != std::string_view::npos) {
    in_addr a{};
    // inet_pton takes only four decimal numbers, unlike the classic reader
    // that would take "127.1" or an octal "0177.0.0.1".
    if (inet_pton(AF_INET, std::string(text.substr(0, colon)).c_str(), &a) != 1) {
      return std::nullopt;
    }
    where.address = ntohl(a.s_addr);
    port = text.substr(colon + 1);
  }
  if (port.empty() || port.size() > 5 ||
      !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  const unsigned long value = std::stoul(std::string(port));
  if (value == 0 || value > 65535) return std::nullopt;
  where.port = static_cast<std::uint16_t>(value);
  return where;
}

}  // namespace tarvo::metrics

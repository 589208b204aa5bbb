#include "engine/address.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

namespace tarvo {

std::string stripUrlScheme(std::string_view text) {
  auto pos = text.find("://");
  if (pos == std::string_view::npos) return std::string(text);
  return std::string(text.substr(pos + 3));
}

std::optional<HostEntry> lookupHost(const std::string& name) {
  if (name.empty()) return std::nullopt;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_RAW;
  hints.ai_flags = AI_CANONNAME;
  addrinfo* res = nullptr;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &res) != 0 || res == nullptr) {
    return std::nullopt;
  }
  HostEntry entry;
  if (res->ai_canonname != nullptr) entry.officialName = res->ai_canonname;
  for (addrinfo* p = res; p != nullptr; p = p->ai_next) {
    if (p->ai_family != AF_INET || p->ai_addrlen < sizeof(sockaddr_in)) continue;
    const auto* sin = reinterpret_cast<const sockaddr_in*>(p->ai_addr);
    entry.addresses.push_back(ntohl(sin->sin_addr.s_addr));
  }
  freeaddrinfo(res);
  if (entry.addresses.empty()) return std::nullopt;
  if (entry.officialName.empty()) entry.officialName = name;
  return entry;
}

std::optional<HostEntry> lookupAddress(Ipv4Address address) {
  sockaddr_in sin{};
  sin.sin_family = AF_INET;
  sin.sin_addr.s_addr = htonl(address);
  char host[NI_MAXHOST];
  if (getnameinfo(reinterpret_cast<const sockaddr*>(&sin), sizeof sin, host, sizeof host, nullptr,
                  0, NI_NAMEREQD) != 0) {
    return std::nullopt;
  }
  HostEntry entry;
  entry.officialName = host;
  entry.addresses.push_back(address);
  return entry;
}

}  // namespace tarvo

#include "engine/address.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>

namespace tarvo {

namespace {
// The name of a socket address; none when it has none.
template <class SocketAddress>
std::optional<HostEntry> reverseEntry(const SocketAddress& address) {
  char host[NI_MAXHOST];
  if (getnameinfo(reinterpret_cast<const sockaddr*>(&address), sizeof address, host, sizeof host,
                  nullptr, 0, NI_NAMEREQD) != 0) {
    return std::nullopt;
  }
  HostEntry entry;
  entry.officialName = host;
  return entry;
}
}  // namespace

std::string stripUrlScheme(std::string_view text) {
  auto pos = text.find("://");
  if (pos == std::string_view::npos) return std::string(text);
  return std::string(text.substr(pos + 3));
}

std::vector<IpAddress> inPreferredOrder(std::vector<IpAddress> answers, FamilyPreference family) {
  if (family == FamilyPreference::PreferV4 || family == FamilyPreference::PreferV6) {
    const bool v4First = family == FamilyPreference::PreferV4;
    std::ranges::stable_partition(answers,
                                  [v4First](const IpAddress& a) { return a.isV4() == v4First; });
  }
  return answers;
}

FamilyPreference familyPreferenceAt(int choice) {
  switch (choice) {
    case 1:
      return FamilyPreference::PreferV4;
    case 2:
      return FamilyPreference::PreferV6;
    default:
      return FamilyPreference::System;
  }
}

std::optional<HostEntry> lookupHostIn(const std::string& name, FamilyPreference family) {
  if (name.empty()) return std::nullopt;
  addrinfo hints{};
  hints.ai_family = family == FamilyPreference::V4   ? AF_INET
                    : family == FamilyPreference::V6 ? AF_INET6
                                                     : AF_UNSPEC;
  hints.ai_socktype = SOCK_RAW;
  hints.ai_flags = AI_CANONNAME;
  addrinfo* res = nullptr;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &res) != 0 || res == nullptr) {
    return std::nullopt;
  }
  HostEntry entry;
  if (res->ai_canonname != nullptr) entry.officialName = res->ai_canonname;
  for (addrinfo* p = res; p != nullptr; p = p->ai_next) {
    if (p->ai_family == AF_INET && p->ai_addrlen >= sizeof(sockaddr_in)) {
      const auto* sin = reinterpret_cast<const sockaddr_in*>(p->ai_addr);
      entry.addresses.push_back(ntohl(sin->sin_addr.s_addr));
      entry.all.push_back(IpAddress::v4(entry.addresses.back()));
    } else if (p->ai_family == AF_INET6 && p->ai_addrlen >= sizeof(sockaddr_in6)) {
      const auto* sin6 = reinterpret_cast<const sockaddr_in6*>(p->ai_addr);
      IpAddress::Bytes b;
      std::memcpy(b.data(), &sin6->sin6_addr, b.size());
      entry.all.push_back(IpAddress::v6(b, sin6->sin6_scope_id));
    }
  }
  freeaddrinfo(res);
  if (entry.all.empty()) return std::nullopt;
  if (entry.officialName.empty()) entry.officialName = name;
  return entry;
}

std::optional<HostEntry> lookupHost(const std::string& name) {
  return lookupHostIn(name, FamilyPreference::V4);
}

std::optional<HostEntry> lookupIp(const IpAddress& address) {
  if (const auto v4 = address.asV4()) {
    auto entry = lookupAddress(*v4);
    if (entry) entry->all = {address};
    return entry;
  }
  sockaddr_in6 sin6{};
  sin6.sin6_family = AF_INET6;
  std::memcpy(&sin6.sin6_addr, address.bytes().data(), sizeof sin6.sin6_addr);
  sin6.sin6_scope_id = address.scopeId();
  auto entry = reverseEntry(sin6);
  if (entry) entry->all.push_back(address);
  return entry;
}

std::optional<IpAddress> parseHostLiteral(std::string_view text) {
  if (const auto dotted = parseDottedAddress(text)) return IpAddress::v4(*dotted);
  return parseIpv6Literal(text);
}

std::optional<HostEntry> lookupAddress(Ipv4Address address) {
  sockaddr_in sin{};
  sin.sin_family = AF_INET;
  sin.sin_addr.s_addr = htonl(address);
  auto entry = reverseEntry(sin);
  if (entry) entry->addresses.push_back(address);
  return entry;
}

}  // namespace tarvo

#include "engine/address.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <atomic>
#include <cstring>

namespace tarvo {

std::optional<Ipv4Address> parseDottedAddress(std::string_view text) {
  // The classic address reader stops at white space: a pasted address with
  // a blank or a line end after it is still that address.
  const auto end = text.find_last_not_of(" \t\n\v\f\r");
  text = end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
  std::uint32_t parts[4];
  int count = 0;
  std::size_t i = 0;
  while (true) {
    if (i >= text.size()) return std::nullopt;
    unsigned base = 10;
    if (text[i] == '0') {
      base = 8;
      ++i;
      if (i < text.size() && (text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        ++i;
      }
    } else if (!(text[i] >= '1' && text[i] <= '9')) {
      return std::nullopt;
    }
    std::uint64_t value = 0;
    bool digits = base == 8;  // a lone "0" is a number
    while (i < text.size() && text[i] != '.') {
      const char c = text[i];
      unsigned d;
      if (c >= '0' && c <= '9') {
        d = static_cast<unsigned>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        d = static_cast<unsigned>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        d = static_cast<unsigned>(c - 'A' + 10);
      } else {
        return std::nullopt;
      }
      if (d >= base) return std::nullopt;
      value = value * base + d;
      if (value > 0xFFFFFFFFull) return std::nullopt;
      digits = true;
      ++i;
    }
    if (!digits) return std::nullopt;
    if (count == 4) return std::nullopt;
    parts[count++] = static_cast<std::uint32_t>(value);
    if (i >= text.size()) break;
    ++i;  // the dot; a trailing dot leaves nothing to read and fails above
  }
  std::uint32_t addr;
  switch (count) {
    case 1:
      addr = parts[0];
      break;
    case 2:
      if (parts[0] > 0xFF || parts[1] > 0xFFFFFF) return std::nullopt;
      addr = parts[0] << 24 | parts[1];
      break;
    case 3:
      if (parts[0] > 0xFF || parts[1] > 0xFF || parts[2] > 0xFFFF) return std::nullopt;
      addr = parts[0] << 24 | parts[1] << 16 | parts[2];
      break;
    default:
      for (int k = 0; k < 4; ++k) {
        if (parts[k] > 0xFF) return std::nullopt;
      }
      addr = parts[0] << 24 | parts[1] << 16 | parts[2] << 8 | parts[3];
      break;
  }
  if (addr == 0xFFFFFFFFu) return std::nullopt;
  return addr;
}

std::string stripUrlScheme(std::string_view text) {
  auto pos = text.find("://");
  if (pos == std::string_view::npos) return std::string(text);
  return std::string(text.substr(pos + 3));
}

std::string formatAddress(Ipv4Address a) {
  return std::to_string(a >> 24) + "." + std::to_string(a >> 16 & 0xFF) + "." +
         std::to_string(a >> 8 & 0xFF) + "." + std::to_string(a & 0xFF);
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

namespace {
std::atomic<int> socketStarts{0};
}

SocketStart startSockets() {
  socketStarts.fetch_add(1);
  return {};
}

void stopSockets() { socketStarts.fetch_sub(1); }

int socketStartCount() { return socketStarts.load(); }

}  // namespace tarvo

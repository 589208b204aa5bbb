#include "engine/send_refusal.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace tarvo {

namespace {

constexpr std::size_t kIpHeaderBytes = 20;
constexpr std::size_t kMaxPacketBytes = 65535;

}  // namespace

bool couldBePendingSocketError(int err) {
  switch (err) {
    // What ICMP reports turn into (unreachable of each kind, time exceeded,
    // parameter problem, source quench and redirect), and a local size error.
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENOPROTOOPT:
    case ECONNREFUSED:
    case EMSGSIZE:
    case EOPNOTSUPP:
    case EHOSTDOWN:
    case ENONET:
    case EPROTO:
    case EREMOTEIO:
      return true;
    default:
      return false;
  }
}

bool isOwnRefusalCandidate(int err) {
  return err == ENETUNREACH || err == EHOSTUNREACH || err == EMSGSIZE;
}

int ownSendRefusal(Ipv4Address destination, const EchoOptions& options, std::size_t icmpBytes) {
  // A UDP socket looks the route up as the echo socket does (same type of
  // service, same fragmentation rule) when it connects; nothing is sent.
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const bool df = (options.flags & EchoOptions::kDontFragment) != 0;
  const int tos = options.tos;
  const int pmtu = df ? IP_PMTUDISC_PROBE : IP_PMTUDISC_DONT;
  setsockopt(fd, SOL_IP, IP_TOS, &tos, sizeof tos);
  setsockopt(fd, SOL_IP, IP_MTU_DISCOVER, &pmtu, sizeof pmtu);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(9);
  to.sin_addr.s_addr = htonl(destination);
  int refusal = 0;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
    refusal = errno;
  } else {
    const std::size_t optionBytes = (options.optionSize + 3u) & ~std::size_t{3};
    const std::size_t total = kIpHeaderBytes + optionBytes + icmpBytes;
    int mtu = 0;
    socklen_t len = sizeof mtu;
    if (total > kMaxPacketBytes) {
      refusal = EMSGSIZE;
    } else if (df && getsockopt(fd, SOL_IP, IP_MTU, &mtu, &len) == 0 && mtu > 0 &&
               total > static_cast<std::size_t>(mtu)) {
      refusal = EMSGSIZE;
    }
  }
  ::close(fd);
  return refusal;
}

}  // namespace tarvo

#include "engine/echo6_socket.h"

#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/socket_read.h"

namespace tarvo {

namespace {

constexpr int kReceiveBufferBytes = 8 * 1024 * 1024;

bool setInt(int fd, int level, int name, int value) {
  return setsockopt(fd, level, name, &value, sizeof value) == 0;
}

// Every raw ICMPv6 socket sees every ICMPv6 message of the host (neighbour
// discovery included): the receiver keeps echo replies and the errors that
// can quote a request; a sender keeps nothing.
bool setFilter(int fd, RawRole role) {
  icmp6_filter filter;
  ICMP6_FILTER_SETBLOCKALL(&filter);
  if (role == RawRole::Receive) {
    for (int type : {ICMP6_ECHO_REPLY, ICMP6_DST_UNREACH, ICMP6_PACKET_TOO_BIG, ICMP6_TIME_EXCEEDED,
                     ICMP6_PARAM_PROB}) {
      ICMP6_FILTER_SETPASS(type, &filter);
    }
  }
  return setsockopt(fd, IPPROTO_ICMPV6, ICMP6_FILTER, &filter, sizeof filter) == 0;
}

sockaddr_in6 socketAddress(const IpAddress& address) {
  sockaddr_in6 sin6{};
  sin6.sin6_family = AF_INET6;
  std::memcpy(&sin6.sin6_addr, address.bytes().data(), sizeof sin6.sin6_addr);
  sin6.sin6_scope_id = address.scopeId();
  return sin6;
}

IpAddress addressOf(const sockaddr_in6& sin6, socklen_t length) {
  if (length < sizeof sin6 || sin6.sin6_family != AF_INET6) return IpAddress::v6({});
  IpAddress::Bytes b;
  std::memcpy(b.data(), &sin6.sin6_addr, b.size());
  return IpAddress::v6(b, sin6.sin6_scope_id);
}

}  // namespace

Echo6Socket::OpenResult Echo6Socket::open(EchoSocketKind kind, bool dontFragment, RawRole role) {
  OpenResult r;
  const int type = kind == EchoSocketKind::Datagram ? SOCK_DGRAM : SOCK_RAW;
  const int fd = ::socket(AF_INET6, type | SOCK_CLOEXEC, IPPROTO_ICMPV6);
  if (fd < 0) {
    r.err = errno;
    r.error =
        (r.err == EMFILE || r.err == ENFILE) ? OpenError::NoDescriptor : OpenError::NotAllowed;
    return r;
  }
  std::unique_ptr<Echo6Socket> s(new Echo6Socket(fd, kind));
  bool ok = setInt(fd, IPPROTO_IPV6, IPV6_MTU_DISCOVER,
                   dontFragment ? IPV6_PMTUDISC_PROBE : IPV6_PMTUDISC_DONT) &&
            setInt(fd, IPPROTO_IPV6, IPV6_RECVHOPLIMIT, 1);
  if (ok && kind == EchoSocketKind::Datagram) {
    // Errors reach a ping socket only through its error queue.
    ok = setInt(fd, IPPROTO_IPV6, IPV6_RECVERR, 1);
    sockaddr_in6 local{};
    local.sin6_family = AF_INET6;
    socklen_t len = sizeof local;
    // Binding to port 0 makes the kernel pick a free echo identifier now.
    ok = ok && ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
         ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) == 0;
    s->identifier_ = ntohs(local.sin6_port);
  } else if (ok) {
    ok = setFilter(fd, role);
  }
  if (!ok) {
    r.err = errno;
    r.error = OpenError::NotConfigurable;
    return r;
  }
  if (kind == EchoSocketKind::Datagram || role == RawRole::Receive) {
    // Capped by net.core.rmem_max without CAP_NET_ADMIN; only softens bursts.
    if (!setInt(fd, SOL_SOCKET, SO_RCVBUFFORCE, kReceiveBufferBytes)) {
      setInt(fd, SOL_SOCKET, SO_RCVBUF, kReceiveBufferBytes);
    }
  }
  r.socket = std::move(s);
  return r;
}

Echo6Socket::~Echo6Socket() {
  if (fd_ >= 0) ::close(fd_);
}

int Echo6Socket::sendEcho(const IpAddress& destination, std::uint16_t identifier,
                          std::uint16_t sequence, std::span<const std::uint8_t> payload,
                          std::uint8_t hopLimit, std::uint8_t trafficClass) {
  if (!destination.isV6()) return EAFNOSUPPORT;
  auto header = icmp6::echoRequestHeader(identifier, sequence);
  iovec iov[2];
  iov[0].iov_base = header.data();
  iov[0].iov_len = header.size();
  iov[1].iov_base = const_cast<std::uint8_t*>(payload.data());
  iov[1].iov_len = payload.size();
  sockaddr_in6 to = socketAddress(destination);

  // Hop limit and traffic class travel with this one message, so requests
  // with different settings share one socket.
  alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(int)) * 2] = {};
  msghdr msg{};
  msg.msg_name = &to;
  msg.msg_namelen = sizeof to;
  msg.msg_iov = iov;
  msg.msg_iovlen = 2;
  msg.msg_control = control;
  msg.msg_controllen = sizeof control;
  cmsghdr* c = CMSG_FIRSTHDR(&msg);
  for (const auto& [type, value] :
       {std::pair{IPV6_HOPLIMIT, int{hopLimit}}, std::pair{IPV6_TCLASS, int{trafficClass}}}) {
    c->cmsg_level = IPPROTO_IPV6;
    c->cmsg_type = type;
    c->cmsg_len = CMSG_LEN(sizeof value);
    std::memcpy(CMSG_DATA(c), &value, sizeof value);
    c = CMSG_NXTHDR(&msg, c);
  }
  if (::sendmsg(fd_, &msg, MSG_NOSIGNAL) < 0) return errno;
  return 0;
}

Echo6Socket::ReadState Echo6Socket::readData(std::span<std::uint8_t> buffer, Received& out) {
  sockaddr_in6 from{};
  alignas(cmsghdr) unsigned char control[256];
  const SocketRead read = readSocket(fd_, buffer, from, control, false);
  // A ping socket may hand out an error pending from a report once; the
  // report itself waits in the error queue.
  if (read.empty || read.failed) return read.empty ? ReadState::Empty : ReadState::Ignored;
  const auto cd = icmp6::parseControlMessages(read.control);
  const auto m =
      icmp6::parseMessage(read.bytes, addressOf(from, read.nameLength), cd.hopLimit.value_or(0));
  if (!m || m->kind == icmp6::Icmp6Message::Other) return ReadState::Ignored;
  out.message = *m;
  out.truncated = read.truncated;
  return ReadState::Message;
}

Echo6Socket::ReadState Echo6Socket::readError(std::span<std::uint8_t> buffer, Received& out) {
  sockaddr_in6 to{};
  alignas(cmsghdr) unsigned char control[512];
  const SocketRead read = readSocket(fd_, buffer, to, control, true);
  if (read.empty || read.failed) return read.empty ? ReadState::Empty : ReadState::Ignored;
  const auto cd = icmp6::parseControlMessages(read.control);
  if (!cd.error) return ReadState::Ignored;
  const auto m = icmp6::parseErrorQueueEntry(*cd.error, read.bytes, addressOf(to, read.nameLength),
                                             cd.hopLimit.value_or(0));
  if (!m) return ReadState::Ignored;
  out.message = *m;
  out.truncated = false;
  return ReadState::Message;
}

}  // namespace tarvo

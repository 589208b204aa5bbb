#include "engine/icmp6_packet.h"

#include <time.h>
// first: the kernel header below uses its time structures
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>

#include "engine/control_messages.h"

namespace tarvo::icmp6 {

namespace {

std::uint16_t be16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]);
}

std::uint32_t be32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) << 24 | static_cast<std::uint32_t>(b[at + 1]) << 16 |
         static_cast<std::uint32_t>(b[at + 2]) << 8 | b[at + 3];
}

bool isErrorType(std::uint8_t type) {
  return type == kDestinationUnreachable || type == kPacketTooBig || type == kTimeExceeded ||
         type == kParameterProblem;
}

// The quoted echo request inside an error: a whole IPv6 header whose next
// header is ICMPv6 (our requests carry no extension headers), then at
// least the 8 bytes of the echo header.
bool readQuotedRequest(std::span<const std::uint8_t> quoted, Icmp6Message& m) {
  if (quoted.size() < kIpv6HeaderSize + kHeaderSize) return false;
  if ((quoted[0] >> 4) != 6 || quoted[6] != kNextHeaderIcmpv6) return false;
  const auto echo = quoted.subspan(kIpv6HeaderSize);
  if (echo[0] != kEchoRequest || echo[1] != 0) return false;
  IpAddress::Bytes destination;
  std::copy_n(quoted.begin() + 24, destination.size(), destination.begin());
  m.quotedDestination = IpAddress::v6(destination);
  m.identifier = be16(echo, 4);
  m.sequence = be16(echo, 6);
  return true;
}

}  // namespace

std::array<std::uint8_t, kHeaderSize> echoRequestHeader(std::uint16_t identifier,
                                                        std::uint16_t sequence) {
  return {kEchoRequest,
          0,
          0,
          0,
          static_cast<std::uint8_t>(identifier >> 8),
          static_cast<std::uint8_t>(identifier),
          static_cast<std::uint8_t>(sequence >> 8),
          static_cast<std::uint8_t>(sequence)};
}

std::vector<std::uint8_t> buildEchoRequest(std::uint16_t identifier, std::uint16_t sequence,
                                           std::span<const std::uint8_t> payload) {
  const auto h = echoRequestHeader(identifier, sequence);
  std::vector<std::uint8_t> out(h.size() + payload.size());
  std::memcpy(out.data(), h.data(), h.size());
  if (!payload.empty()) std::memcpy(out.data() + h.size(), payload.data(), payload.size());
  return out;
}

std::optional<Icmp6Message> parseMessage(std::span<const std::uint8_t> message,
                                         const IpAddress& source, std::uint8_t hopLimit) {
  if (message.size() < kHeaderSize) return std::nullopt;
  Icmp6Message m;
  m.type = message[0];
  m.code = message[1];
  m.source = source;
  m.hopLimit = hopLimit;
  if (m.type == kEchoReply) {
    if (m.code != 0) return m;  // Other: no such echo reply
    m.kind = Icmp6Message::EchoReply;
    m.identifier = be16(message, 4);
    m.sequence = be16(message, 6);
    m.dataSize = static_cast<std::uint32_t>(message.size() - kHeaderSize);
    return m;
  }
  if (isErrorType(m.type) && readQuotedRequest(message.subspan(kHeaderSize), m)) {
    m.kind = Icmp6Message::Error;
    if (m.type == kPacketTooBig) m.mtu = be32(message, 4);
  }
  return m;
}

ControlData parseControlMessages(std::span<const std::uint8_t> control) {
  ControlData out;
  cmsg::forEachEntry(control, [&](int level, int type, std::span<const std::uint8_t> data) {
    if (level == SOL_IPV6 && type == IPV6_HOPLIMIT) {
      if (const auto hops = cmsg::byteValue(data)) out.hopLimit = hops;
    } else if (level == SOL_IPV6 && type == IPV6_RECVERR) {
      ExtendedError e;
      const auto behind = cmsg::readExtendedError(data, e);
      if (!behind) return;
      sockaddr_in6 sin6;
      if (behind->size() >= sizeof sin6) {
        std::memcpy(&sin6, behind->data(), sizeof sin6);
        if (sin6.sin6_family == AF_INET6) {
          IpAddress::Bytes b;
          std::memcpy(b.data(), &sin6.sin6_addr, b.size());
          e.offender = IpAddress::v6(b, sin6.sin6_scope_id);
        }
      }
      out.error = e;
    }
  });
  return out;
}

std::optional<Icmp6Message> parseErrorQueueEntry(const ExtendedError& error,
                                                 std::span<const std::uint8_t> data,
                                                 const IpAddress& destination,
                                                 std::uint8_t hopLimit) {
  if (error.origin != SO_EE_ORIGIN_ICMP6) return std::nullopt;
  if (data.size() < kHeaderSize) return std::nullopt;
  if (data[0] != kEchoRequest || data[1] != 0) return std::nullopt;
  Icmp6Message m;
  m.kind = Icmp6Message::Error;
  m.type = error.type;
  m.code = error.code;
  m.source = error.offender.value_or(IpAddress{});
  m.hopLimit = hopLimit;
  m.identifier = be16(data, 4);
  m.sequence = be16(data, 6);
  m.quotedDestination = destination;
  if (m.type == kPacketTooBig) m.mtu = error.info;
  return m;
}

}  // namespace tarvo::icmp6

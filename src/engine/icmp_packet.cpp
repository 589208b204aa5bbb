#include "engine/icmp_packet.h"

#include <time.h>
// first: the kernel header below uses its time structures
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

#include "engine/control_messages.h"

namespace tarvo::icmp {

namespace {

std::uint16_t be16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]);
}

std::uint32_t be32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) << 24 | static_cast<std::uint32_t>(b[at + 1]) << 16 |
         static_cast<std::uint32_t>(b[at + 2]) << 8 | b[at + 3];
}

std::uint32_t addToSum(std::uint32_t sum, std::span<const std::uint8_t> bytes) {
  std::size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    sum += static_cast<std::uint32_t>(bytes[i] << 8 | bytes[i + 1]);
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  if (i < bytes.size()) {
    sum += static_cast<std::uint32_t>(bytes[i] << 8);
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  return sum;
}

std::uint16_t foldComplement(std::uint32_t sum) {
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint16_t>(~sum & 0xFFFF);
}

bool isErrorType(std::uint8_t type) {
  return type == kDestinationUnreachable || type == kSourceQuench || type == kRedirect ||
         type == kTimeExceeded || type == kParameterProblem;
}

// The quoted echo request inside an error: the quoted IP header (with its own
// header length: our requests may carry 4 option bytes) and the first 8
// bytes of the quoted ICMP header.
bool readQuotedRequest(std::span<const std::uint8_t> quoted, IcmpMessage& m) {
  if (quoted.size() < kMinIpHeaderSize) return false;
  if ((quoted[0] >> 4) != 4) return false;
  const std::size_t ihl = static_cast<std::size_t>(quoted[0] & 0x0F) * 4;
  if (ihl < kMinIpHeaderSize || ihl + kIcmpHeaderSize > quoted.size()) return false;
  if (quoted[9] != kProtocolIcmp) return false;
  const auto icmp = quoted.subspan(ihl);
  if (icmp[0] != kEchoRequest || icmp[1] != 0) return false;
  m.identifier = be16(icmp, 4);
  m.sequence = be16(icmp, 6);
  m.quotedDestination = be32(quoted, 16);
  return true;
}

}  // namespace

std::uint16_t internetChecksum(std::span<const std::uint8_t> bytes) {
  return foldComplement(addToSum(0, bytes));
}

std::array<std::uint8_t, kIcmpHeaderSize> echoRequestHeader(std::uint16_t identifier,
                                                            std::uint16_t sequence,
                                                            std::span<const std::uint8_t> payload) {
  std::array<std::uint8_t, kIcmpHeaderSize> h{kEchoRequest,
                                              0,
                                              0,
                                              0,
                                              static_cast<std::uint8_t>(identifier >> 8),
                                              static_cast<std::uint8_t>(identifier),
                                              static_cast<std::uint8_t>(sequence >> 8),
                                              static_cast<std::uint8_t>(sequence)};
  // The header is 8 bytes, so the payload starts on an even offset and the
  // two sums can simply be added.
  const std::uint16_t sum = foldComplement(addToSum(addToSum(0, h), payload));
  h[2] = static_cast<std::uint8_t>(sum >> 8);
  h[3] = static_cast<std::uint8_t>(sum);
  return h;
}

std::vector<std::uint8_t> buildEchoRequest(std::uint16_t identifier, std::uint16_t sequence,
                                           std::span<const std::uint8_t> payload) {
  const auto h = echoRequestHeader(identifier, sequence, payload);
  std::vector<std::uint8_t> out(h.size() + payload.size());
  std::memcpy(out.data(), h.data(), h.size());
  if (!payload.empty()) std::memcpy(out.data() + h.size(), payload.data(), payload.size());
  return out;
}

std::optional<IcmpMessage> parseRawPacket(std::span<const std::uint8_t> packet) {
  if (packet.size() < kMinIpHeaderSize) return std::nullopt;
  if ((packet[0] >> 4) != 4) return std::nullopt;
  const std::size_t ihl = static_cast<std::size_t>(packet[0] & 0x0F) * 4;
  if (ihl < kMinIpHeaderSize || ihl > packet.size()) return std::nullopt;
  if (packet[9] != kProtocolIcmp) return std::nullopt;
  // Trust the total length only to cut off trailing padding, never to read
  // past what arrived.
  const std::size_t totalLength = be16(packet, 2);
  if (totalLength >= ihl && totalLength < packet.size()) packet = packet.first(totalLength);
  const auto icmp = packet.subspan(ihl);
  if (icmp.size() < kIcmpHeaderSize) return std::nullopt;

  IcmpMessage m;
  m.type = icmp[0];
  m.code = icmp[1];
  m.source = be32(packet, 12);
  m.ttl = packet[8];
  if (m.type == kEchoReply) {
    if (m.code != 0) return m;  // Other: no such echo reply
    m.kind = IcmpMessage::EchoReply;
    m.identifier = be16(icmp, 4);
    m.sequence = be16(icmp, 6);
    m.dataSize = static_cast<std::uint32_t>(icmp.size() - kIcmpHeaderSize);
    return m;
  }
  if (isErrorType(m.type) && readQuotedRequest(icmp.subspan(kIcmpHeaderSize), m)) {
    m.kind = IcmpMessage::Error;
  }
  return m;
}

std::optional<IcmpMessage> parseDatagramMessage(std::span<const std::uint8_t> message,
                                                Ipv4Address source, std::uint8_t ttl) {
  if (message.size() < kIcmpHeaderSize) return std::nullopt;
  IcmpMessage m;
  m.type = message[0];
  m.code = message[1];
  m.source = source;
  m.ttl = ttl;
  if (m.type == kEchoReply && m.code == 0) {
    m.kind = IcmpMessage::EchoReply;
    m.identifier = be16(message, 4);
    m.sequence = be16(message, 6);
    m.dataSize = static_cast<std::uint32_t>(message.size() - kIcmpHeaderSize);
  }
  return m;
}

ControlData parseControlMessages(std::span<const std::uint8_t> control) {
  ControlData out;
  cmsg::forEachEntry(control, [&](int level, int type, std::span<const std::uint8_t> data) {
    if (level == SOL_IP && type == IP_TTL) {
      if (const auto ttl = cmsg::byteValue(data)) out.ttl = ttl;
    } else if (level == SOL_IP && type == IP_RECVERR) {
      ExtendedError e;
      const auto behind = cmsg::readExtendedError(data, e);
      if (!behind) return;
      sockaddr_in sin;
      if (behind->size() >= sizeof sin) {
        std::memcpy(&sin, behind->data(), sizeof sin);
        if (sin.sin_family == AF_INET) e.offender = ntohl(sin.sin_addr.s_addr);
      }
      out.error = e;
    }
  });
  return out;
}

std::optional<IcmpMessage> parseErrorQueueEntry(const ExtendedError& error,
                                                std::span<const std::uint8_t> data,
                                                Ipv4Address destination, std::uint8_t ttl) {
  if (error.origin != SO_EE_ORIGIN_ICMP) return std::nullopt;
  if (data.size() < kIcmpHeaderSize) return std::nullopt;
  if (data[0] != kEchoRequest || data[1] != 0) return std::nullopt;
  IcmpMessage m;
  m.kind = IcmpMessage::Error;
  m.type = error.type;
  m.code = error.code;
  m.source = error.offender.value_or(0);
  m.ttl = ttl;
  m.identifier = be16(data, 4);
  m.sequence = be16(data, 6);
  m.quotedDestination = destination;
  return m;
}

}  // namespace tarvo::icmp

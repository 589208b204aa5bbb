#pragma once

// Building echo requests and reading what comes back, as pure functions over
// bytes. Everything read here arrives from the network and is untrusted:
// every read is bounded by the bytes that actually arrived.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/echo_types.h"

namespace tarvo::icmp {

constexpr std::uint8_t kEchoReply = 0;
constexpr std::uint8_t kDestinationUnreachable = 3;
constexpr std::uint8_t kSourceQuench = 4;
constexpr std::uint8_t kRedirect = 5;
constexpr std::uint8_t kEchoRequest = 8;
constexpr std::uint8_t kTimeExceeded = 11;
constexpr std::uint8_t kParameterProblem = 12;

constexpr std::size_t kIcmpHeaderSize = 8;
constexpr std::size_t kMinIpHeaderSize = 20;
constexpr std::uint8_t kProtocolIcmp = 1;

// RFC 1071 one's-complement sum over the bytes (odd tail padded with zero),
// complemented: the value to store big-endian in a checksum field. Summing a
// packet that already holds a correct checksum yields 0.
std::uint16_t internetChecksum(std::span<const std::uint8_t> bytes);

// The 8-byte echo request header (type 8, code 0) for the payload, with the
// checksum over header and payload filled in. A datagram socket rewrites the
// identifier and checksum itself; a raw socket sends it as it is.
std::array<std::uint8_t, kIcmpHeaderSize> echoRequestHeader(std::uint16_t identifier,
                                                            std::uint16_t sequence,
                                                            std::span<const std::uint8_t> payload);

// Header and payload in one buffer (tests, fuzz seeds).
std::vector<std::uint8_t> buildEchoRequest(std::uint16_t identifier, std::uint16_t sequence,
                                           std::span<const std::uint8_t> payload);

// What a received ICMP message says about one of our requests.
struct IcmpMessage {
  enum Kind { EchoReply, Error, Other } kind = Other;
  std::uint8_t type = 0;
  std::uint8_t code = 0;
  Ipv4Address source = 0;  // sender of the packet: the replying host or reporting router
  std::uint8_t ttl = 0;    // TTL of the received packet (0 where not known)
  // Echo reply: its own identifier and sequence. Error: those of the quoted
  // echo request.
  std::uint16_t identifier = 0;
  std::uint16_t sequence = 0;
  Ipv4Address quotedDestination = 0;  // Error only: destination of the quoted request
  std::uint32_t dataSize = 0;         // EchoReply only: data bytes after the ICMP header
};

// A packet from a raw ICMP socket: IPv4 header, then ICMP. Echo replies and
// error reports that quote an echo request come back as EchoReply/Error;
// any other well-formed ICMP message as Other (requests, redirects quoting
// something else, ...); nullopt when the bytes are malformed or truncated.
std::optional<IcmpMessage> parseRawPacket(std::span<const std::uint8_t> packet);

// What a datagram ("ping") socket hands over: the ICMP header and data, no
// IP header. Source and TTL come from the message name and control data.
std::optional<IcmpMessage> parseDatagramMessage(std::span<const std::uint8_t> message,
                                                Ipv4Address source, std::uint8_t ttl);

// The fields of a struct sock_extended_err that matter here.
struct ExtendedError {
  std::uint32_t errnoValue = 0;
  std::uint8_t origin = 0;  // SO_EE_ORIGIN_*
  std::uint8_t type = 0;
  std::uint8_t code = 0;
  std::uint32_t info = 0;               // e.g. the MTU for "fragmentation needed"
  std::optional<Ipv4Address> offender;  // the router that reported it (SO_EE_OFFENDER)
};

// The control messages of one recvmsg() that this engine asks for.
struct ControlData {
  std::optional<std::uint8_t> ttl;     // IP_TTL (IP_RECVTTL)
  std::optional<ExtendedError> error;  // IP_RECVERR
};

// Walks the control buffer of a received message (msg_control, msg_controllen
// as the kernel left them), bounded by its size and each cmsg_len.
ControlData parseControlMessages(std::span<const std::uint8_t> control);

// One error-queue entry of a datagram socket: the extended error, and the
// data, which starts at the quoted ICMP header of our request (it may be only
// those 8 bytes). `destination` is the quoted request's destination (the
// message name). Only errors of ICMP origin quoting an echo request are
// returned as Error; local errors are reported by the send itself.
std::optional<IcmpMessage> parseErrorQueueEntry(const ExtendedError& error,
                                                std::span<const std::uint8_t> data,
                                                Ipv4Address destination, std::uint8_t ttl);

}  // namespace tarvo::icmp

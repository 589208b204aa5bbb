#pragma once

// ICMPv6 echo requests and what comes back, as pure functions over bytes.
// Both kinds of ICMPv6 socket hand over the ICMPv6 message alone: the kernel
// strips the IPv6 header (the hop limit arrives as control data), and it
// computes the checksum of every ICMPv6 message sent, over the pseudo-header
// it alone knows the source of. So requests are built with a zero checksum.
// Everything read here is untrusted: every read is bounded by what arrived.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/ip_address.h"

namespace tarvo::icmp6 {

constexpr std::uint8_t kDestinationUnreachable = 1;
constexpr std::uint8_t kPacketTooBig = 2;
constexpr std::uint8_t kTimeExceeded = 3;
constexpr std::uint8_t kParameterProblem = 4;
constexpr std::uint8_t kEchoRequest = 128;
constexpr std::uint8_t kEchoReply = 129;

constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kIpv6HeaderSize = 40;
constexpr std::uint8_t kNextHeaderIcmpv6 = 58;

// The 8-byte echo request header (type 128, code 0), checksum left zero.
std::array<std::uint8_t, kHeaderSize> echoRequestHeader(std::uint16_t identifier,
                                                        std::uint16_t sequence);

// Header and payload in one buffer.
std::vector<std::uint8_t> buildEchoRequest(std::uint16_t identifier, std::uint16_t sequence,
                                           std::span<const std::uint8_t> payload);

// What a received ICMPv6 message says about one of our requests.
struct Icmp6Message {
  enum Kind { EchoReply, Error, Other } kind = Other;
  std::uint8_t type = 0;
  std::uint8_t code = 0;
  IpAddress source;           // the replying host or the reporting router
  std::uint8_t hopLimit = 0;  // of the received packet (0 where not known)
  // Echo reply: its own identifier and sequence. Error: those of the quoted
  // echo request.
  std::uint16_t identifier = 0;
  std::uint16_t sequence = 0;
  IpAddress quotedDestination;  // Error only: destination of the quoted request
  std::uint32_t mtu = 0;        // packet too big only: the next link's MTU
  std::uint32_t dataSize = 0;   // EchoReply only: data bytes after the header
};

// A message from an ICMPv6 socket (raw or ping). Echo replies and errors
// that quote an echo request (the quoted IPv6 header and at least the
// 8-byte echo header) come back as EchoReply/Error; any other complete
// ICMPv6 message (neighbour discovery, errors about other packets, echo
// requests) as Other; nullopt when shorter than a header.
std::optional<Icmp6Message> parseMessage(std::span<const std::uint8_t> message,
                                         const IpAddress& source, std::uint8_t hopLimit);

// The fields of a struct sock_extended_err that matter here.
struct ExtendedError {
  std::uint32_t errnoValue = 0;
  std::uint8_t origin = 0;  // SO_EE_ORIGIN_*
  std::uint8_t type = 0;
  std::uint8_t code = 0;
  std::uint32_t info = 0;             // the MTU for "packet too big"
  std::optional<IpAddress> offender;  // the router that reported it (SO_EE_OFFENDER)
};

// The control messages of one recvmsg() on an ICMPv6 socket.
struct ControlData {
  std::optional<std::uint8_t> hopLimit;  // IPV6_HOPLIMIT (IPV6_RECVHOPLIMIT)
  std::optional<ExtendedError> error;    // IPV6_RECVERR
};

// Walks the control buffer of a received message, bounded by its size and
// each cmsg_len.
ControlData parseControlMessages(std::span<const std::uint8_t> control);

// One error-queue entry of a ping socket: the data starts at the quoted
// echo header of our request. Only errors of ICMPv6 origin quoting an echo
// request come back, as Error.
std::optional<Icmp6Message> parseErrorQueueEntry(const ExtendedError& error,
                                                 std::span<const std::uint8_t> data,
                                                 const IpAddress& destination,
                                                 std::uint8_t hopLimit);

}  // namespace tarvo::icmp6

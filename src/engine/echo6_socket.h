#pragma once

// The two kinds of ICMPv6 echo socket, beside the IPv4 ones in
// echo_socket.h and opened the same way: a ping socket where
// net.ipv4.ping_group_range allows it (the range holds for both families),
// a raw socket otherwise. Both hand over ICMPv6 messages without the IPv6
// header and fill in the checksum themselves. No matching or waiting here.

#include <cstdint>
#include <memory>
#include <span>

#include "engine/echo_socket.h"
#include "engine/icmp6_packet.h"
#include "engine/ip_address.h"

namespace tarvo {

class Echo6Socket {
 public:
  using OpenError = EchoSocket::OpenError;
  struct OpenResult {
    std::unique_ptr<Echo6Socket> socket;
    OpenError error = OpenError::None;
    int err = 0;
  };

  // dontFragment: never fragment locally; a request larger than the known
  // path MTU fails with EMSGSIZE instead (routers never fragment IPv6).
  static OpenResult open(EchoSocketKind kind, bool dontFragment, RawRole role);
  ~Echo6Socket();
  Echo6Socket(const Echo6Socket&) = delete;
  Echo6Socket& operator=(const Echo6Socket&) = delete;

  int fd() const { return fd_; }
  EchoSocketKind kind() const { return kind_; }
  // The echo identifier the kernel stamps on a ping socket's requests.
  std::uint16_t identifier() const { return identifier_; }

  // Sends one echo request with hop limit and traffic class as control data
  // of this one message. Returns 0 or the errno of the send.
  int sendEcho(const IpAddress& destination, std::uint16_t identifier, std::uint16_t sequence,
               std::span<const std::uint8_t> payload, std::uint8_t hopLimit,
               std::uint8_t trafficClass);

  struct Received {
    icmp6::Icmp6Message message;
    bool truncated = false;
  };
  using ReadState = EchoSocket::ReadState;
  // Reads the next data message (replies; for raw sockets also errors).
  ReadState readData(std::span<std::uint8_t> buffer, Received& out);
  // Reads the next error-queue entry of a ping socket.
  ReadState readError(std::span<std::uint8_t> buffer, Received& out);

 private:
  Echo6Socket(int fd, EchoSocketKind kind) : fd_(fd), kind_(kind) {}
  int fd_;
  EchoSocketKind kind_;
  std::uint16_t identifier_ = 0;
};

}  // namespace tarvo

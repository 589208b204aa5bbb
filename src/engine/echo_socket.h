#pragma once

// The two kinds of ICMP echo socket and how each is opened, configured, sent
// on and read. No matching or waiting here: that is the dispatcher's.

#include <netinet/in.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "engine/echo_types.h"
#include "engine/icmp_packet.h"
#include "engine/socket_read.h"

namespace tarvo {

enum class EchoSocketKind {
  Datagram,  // SOCK_DGRAM/IPPROTO_ICMP, allowed by net.ipv4.ping_group_range
  Raw,       // SOCK_RAW/IPPROTO_ICMP, needs CAP_NET_RAW
};

const char* echoSocketKindName(EchoSocketKind kind);

// Where TARVO_ECHO_SOCKET=dgram|raw forces one kind; nullopt: try both.
std::optional<EchoSocketKind> forcedEchoSocketKind();

// Role of a raw socket: every raw ICMP socket receives a copy of every ICMP
// packet of the host, so only one of ours reads; the others drop all in a
// socket filter before anything is queued.
enum class RawRole { Receive, SendOnly };

class EchoSocket {
 public:
  enum class OpenError {
    None,
    NotAllowed,       // the kind cannot be had (no permission, no kernel support)
    NoDescriptor,     // EMFILE/ENFILE: worth waiting for
    NotConfigurable,  // it opened, but a socket option was refused
  };
  struct OpenResult {
    std::unique_ptr<EchoSocket> socket;
    OpenError error = OpenError::None;
    int err = 0;
  };

  static OpenResult open(EchoSocketKind kind, bool dontFragment, RawRole role);
  ~EchoSocket();
  EchoSocket(const EchoSocket&) = delete;
  EchoSocket& operator=(const EchoSocket&) = delete;

  int fd() const { return fd_; }
  EchoSocketKind kind() const { return kind_; }
  bool dontFragment() const { return dontFragment_; }
  // The echo identifier the kernel stamps on a datagram socket's requests.
  std::uint16_t identifier() const { return identifier_; }

  // Whether the kernel accepts an IP options area on this socket (it is set
  // and cleared again; requests carry their options as control data).
  bool acceptsIpOptions();

  // Sends one echo request with TTL, TOS and the options area as control
  // data of this one message. Returns 0 or the errno of the send.
  int sendEcho(Ipv4Address destination, std::uint16_t identifier, std::uint16_t sequence,
               std::span<const std::uint8_t> payload, const EchoOptions& options);

  // One message read without blocking. `truncated` when it did not fit.
  struct Received {
    icmp::IcmpMessage message;
    bool truncated = false;
  };
  enum class ReadState { Message, Ignored, Empty };
  // Reads the data messages queued (replies; for raw sockets also
  // errors), many in one call: Empty, Ignored (a pending error was handed
  // out) or Message, when the batch holds `count()` to look at with
  // dataAt(), which says Message for each that is an answer.
  using ReadBatch = SocketReadBatch<sockaddr_in>;
  ReadState readDataBatch(ReadBatch& batch);
  ReadState dataAt(const ReadBatch& batch, int i, Received& out) const;
  // Reads the next error-queue entry of a datagram socket.
  ReadState readError(std::span<std::uint8_t> buffer, Received& out);

 private:
  ReadState parseData(const SocketRead& read, const sockaddr_in& from, Received& out) const;
  EchoSocket(int fd, EchoSocketKind kind, bool dontFragment)
      : fd_(fd), kind_(kind), dontFragment_(dontFragment) {}
  int fd_;
  EchoSocketKind kind_;
  bool dontFragment_;
  std::uint16_t identifier_ = 0;
};

}  // namespace tarvo

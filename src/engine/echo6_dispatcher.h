#pragma once

// The process-wide ICMPv6 echo dispatcher, beside the IPv4 one and built
// the same way: shared sockets (hop limit and traffic class go with each
// message; do-not-fragment does not apply, as routers never fragment IPv6),
// requests registered under (identifier, sequence) before they are sent, and
// one receiver thread that hands each reply or error to the waiting sender.
// IPv6 sockets are opened on their own: a host without IPv6, or one that
// refuses its sockets, leaves IPv4 untouched, and only IPv6 requests fail.

#include <cstdint>
#include <optional>
#include <span>

#include "engine/echo_service.h"
#include "engine/echo_socket.h"

namespace tarvo {

class Echo6Dispatcher {
 public:
  static Echo6Dispatcher& instance();

  // Opens the sockets without starting the receiver (for a process about
  // to give up its privileges). Opening is tried once per process.
  EchoOpenResult openSocketsOnly();
  // Opens the sockets if need be and starts the receiver.
  EchoOpenResult attach();

  // One echo request to an IPv6 destination; see EchoService::send. A zone
  // typed as an interface name is looked up here. Never throws.
  EchoResult send(const IpAddress& destination, std::span<const std::uint8_t> payload,
                  const EchoOptions& options, std::uint32_t timeoutMs) noexcept;

  // The same request without waiting: `done` hears the result on the
  // receiver's thread (or on the caller's, for a request that never left),
  // at most timeoutMs after it went out. Never throws.
  void sendAsync(const IpAddress& destination, std::span<const std::uint8_t> payload,
                 const EchoOptions& options, std::uint32_t timeoutMs,
                 EchoCompletion& done) noexcept;

  // For tests: the kind once open, and how many sockets are open.
  std::optional<EchoSocketKind> kind() const;
  int openSockets() const;

  struct Impl;

 private:
  Echo6Dispatcher();
  Impl* impl_;
};

}  // namespace tarvo

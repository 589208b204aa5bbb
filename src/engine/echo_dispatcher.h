#pragma once

// The process-wide echo dispatcher. Every IcmpEchoService sends through it;
// services hold no descriptor of their own, so any number of them can be
// open at once whatever the descriptor limit.
//
// - A few shared sockets, keyed by the do-not-fragment setting (the only
//   option that has to be a socket setting; TTL, TOS and the options area go
//   with each message). Datagram sockets: one identifier each (the kernel's),
//   so a key gets another socket when its sequence space is used up.
//   Raw sockets: one per key, identifiers and sequences drawn from one 32-bit
//   counter, and only one of them reads (every raw socket sees every packet).
// - A pending request is registered under (identifier, sequence) in a hash
//   table before it is sent; one receiver thread (epoll) reads every reply
//   and error, looks it up (cost independent of the number of services) and
//   wakes the waiting sender through that request's condition variable.
// - A sequence number comes round again on a socket only after a whole
//   cycle and at least a minute, so a late answer to an earlier request is
//   never taken for a later one.
// - The first sockets are opened by the first service (or the start-up
//   check) and kept for the life of the process: later services need no
//   privilege and no descriptor. Extra datagram sockets close when idle.
//   Where no descriptor is free at the first open, that open fails at once.

#include <cstdint>
#include <optional>
#include <span>

#include "base/event_loop.h"
#include "engine/echo_service.h"
#include "engine/echo_socket.h"
#include "engine/echo_types.h"

namespace tarvo {

class EchoDispatcher {
 public:
  static EchoDispatcher& instance();

  // A service opens: makes sure the shared sockets exist. LibraryMissing
  // when no echo socket can be had, EntryPointMissing when one opened but
  // could not be configured.
  EchoOpenResult attach();
  void detach();

  // Opens every socket that needs the raw-socket privilege (the shared
  // sockets of both do-not-fragment keys) without starting the receiver
  // thread, so the process can drop its capabilities before any other
  // thread exists. The first attach starts the receiver.
  EchoOpenResult openSocketsOnly();

  // One echo request; see EchoService::send. Never throws.
  EchoResult send(Ipv4Address destination, std::span<const std::uint8_t> payload,
                  const EchoOptions& options, std::uint32_t timeoutMs) noexcept;

  // The same request without waiting: `done` hears the result on the
  // receiver's thread (or on the caller's, for a request that never left),
  // at most timeoutMs after the request went out. Never throws.
  void sendAsync(Ipv4Address destination, std::span<const std::uint8_t> payload,
                 const EchoOptions& options, std::uint32_t timeoutMs,
                 EchoCompletion& done) noexcept;

  // The loop on the receiver's thread, for state machines whose requests
  // go through this dispatcher; running once a service has attached.
  EventLoop& engine();

  // Set once sockets are open.
  std::optional<EchoSocketKind> kind() const;
  bool ipOptionsAccepted() const;
  // Why the last open failed; Cause::None after a successful one.
  EchoRefusal refusal() const;

  // For tests and benchmarks.
  int attachedServices() const;
  int openSockets() const;
  int pendingRequests() const;

  struct Impl;

 private:
  EchoDispatcher();
  Impl* impl_;
};

}  // namespace tarvo

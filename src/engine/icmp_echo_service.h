#pragma once

#include <cstdint>
#include <span>

#include "engine/echo_service.h"

namespace tarvo {

// The real echo service over ICMP sockets. It holds no socket of its own:
// every request goes through the process-wide EchoDispatcher, so thousands
// of services can be open at once under any descriptor limit. Datagram
// ("ping") sockets are preferred and raw sockets the fallback;
// TARVO_ECHO_SOCKET=dgram|raw forces one kind.
class IcmpEchoService : public EchoService {
 public:
  IcmpEchoService() = default;
  ~IcmpEchoService() override;
  IcmpEchoService(const IcmpEchoService&) = delete;
  IcmpEchoService& operator=(const IcmpEchoService&) = delete;

  // LibraryMissing: no echo socket of any kind can be had.
  // EntryPointMissing: one opened but could not be configured.
  EchoOpenResult open() override;
  void createHandle() override {}
  // Before a successful open() every send reports 11050, and so does an
  // IPv6 request where no ICMPv6 socket can be had.
  EchoResult send(const IpAddress& destination, std::span<const std::uint8_t> payload,
                  const EchoOptions& options, std::uint32_t timeoutMs) override;
  // Requests wait for their answers in the dispatchers, on no thread.
  void sendAsync(const IpAddress& destination, std::span<const std::uint8_t> payload,
                 const EchoOptions& options, std::uint32_t timeoutMs,
                 EchoCompletion& done) override;
  EventLoop* engine() override;
  void closeHandle() override {}
  void close() override;

 private:
  bool open_ = false;
  bool open6_ = false;
};

}  // namespace tarvo

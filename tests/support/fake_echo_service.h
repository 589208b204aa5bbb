#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/echo_service.h"

namespace tarvo::testing {

// One request as the fake saw it.
struct FakeSend {
  IpAddress address;
  Ipv4Address destination = 0;  // the IPv4 address, 0 for an IPv6 one
  std::vector<std::uint8_t> payload;
  EchoOptions options;
  std::uint32_t timeoutMs = 0;
  int sendIndex = 0;  // 0-based count of sends through the service that sent it
};

// What the fake answers: the result, and how long send() blocks first.
struct FakeReply {
  EchoResult result;
  std::uint32_t delayMs = 0;
};

// A scripted echo "network" shared by every service it makes. Thread-safe:
// range and traceroute workers use it from many threads at once.
class FakeEchoNetwork {
 public:
  using Responder = std::function<FakeReply(const FakeSend&)>;

  // By default every request is answered by its destination in 1 ms.
  FakeEchoNetwork();

  void setResponder(Responder responder);
  // open() of every service made from now on returns this.
  void setOpenResult(EchoOpenResult result) { openResult_ = result; }

  EchoServiceFactory factory();

  std::vector<FakeSend> sends() const;
  int servicesCreated() const { return created_.load(); }
  int servicesOpen() const { return open_.load(); }  // opened and not yet closed

  // Helpers for scripts.
  static FakeReply reply(const IpAddress& from, std::uint32_t rttMs, std::uint16_t bytes = 32,
                         std::uint8_t ttl = 64, std::uint32_t delayMs = 0);
  static FakeReply failure(std::uint32_t status, const IpAddress& from, std::uint32_t delayMs = 0);
  static FakeReply reply(Ipv4Address from, std::uint32_t rttMs, std::uint16_t bytes = 32,
                         std::uint8_t ttl = 64, std::uint32_t delayMs = 0) {
    return reply(IpAddress::v4(from), rttMs, bytes, ttl, delayMs);
  }
  static FakeReply failure(std::uint32_t status, Ipv4Address from, std::uint32_t delayMs = 0) {
    return failure(status, IpAddress::v4(from), delayMs);
  }

 private:
  friend class FakeEchoService;
  FakeReply answer(FakeSend send);

  mutable std::mutex mutex_;
  Responder responder_;
  std::vector<FakeSend> sends_;
  std::atomic<EchoOpenResult> openResult_{EchoOpenResult::Ok};
  std::atomic<int> created_{0};
  std::atomic<int> open_{0};
};

}  // namespace tarvo::testing

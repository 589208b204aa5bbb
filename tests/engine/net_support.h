#pragma once

// Helpers for the tests that send real ICMP: a raw capture of our own
// requests on loopback, forged answers, the process's descriptors.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/echo_types.h"

namespace tarvo::testing {

using Bytes = std::vector<std::uint8_t>;

// Whether the tests run in a network namespace of their own
// (in_private_netns.sh), where they may change its ICMP settings.
bool inPrivateNetns();
bool writeProcFile(const std::string& path, const std::string& value);

// A raw ICMP socket that sees every ICMP packet on loopback, our own
// outgoing requests included, with their IP headers.
class WireCapture {
 public:
  WireCapture();
  ~WireCapture();
  bool ok() const { return fd_ >= 0; }
  // The first echo request to `destination` whose data equals `payload`, as
  // a whole IP packet.
  std::optional<Bytes> findRequest(Ipv4Address destination, std::span<const std::uint8_t> payload,
                                   int timeoutMs);

 private:
  int fd_ = -1;
};

// Sends an ICMP message from `from` (a loopback address) to 127.0.0.1: type,
// code, checksum, then `rest` (identifier and sequence and data for an echo
// reply; four unused bytes and the quoted request for an error).
bool forgeIcmp(Ipv4Address from, std::uint8_t type, std::uint8_t code,
               std::span<const std::uint8_t> rest);

int openDescriptorCount();

}  // namespace tarvo::testing

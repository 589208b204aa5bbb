#pragma once

// Helpers for the tests that send real ICMP: a private network namespace,
// a raw capture of our own requests on loopback, forged replies.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/echo_types.h"

namespace tarvo::testing {

using Bytes = std::vector<std::uint8_t>;

// Moves the process into a fresh network namespace with loopback up and
// echo sockets allowed for everyone. Call before any thread exists.
bool enterPrivateNetns(std::string& why);
// Whether the tests run in such a namespace (set by the test main).
bool inPrivateNetns();
void setInPrivateNetns(bool v);

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

// Sends an echo reply from `from` (a loopback address) to 127.0.0.1 with
// the given identifier, sequence and number of data bytes.
bool forgeEchoReply(Ipv4Address from, std::uint16_t identifier, std::uint16_t sequence,
                    std::size_t dataSize);

// Sends an ICMP message of any type from `from` to 127.0.0.1: the 4 bytes
// after type, code and checksum are zero, then `body` (for an error: the
// quoted IP header and the first 8 bytes of what it carried).
bool forgeIcmp(Ipv4Address from, std::uint8_t type, std::uint8_t code,
               std::span<const std::uint8_t> body);

int openDescriptorCount();

}  // namespace tarvo::testing

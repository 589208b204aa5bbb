#include "engine/icmp_packet.h"

#include <gtest/gtest.h>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <string>
#include <tuple>
#include <vector>

namespace tarvo::icmp {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes hex(const std::string& text) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
    out.push_back(static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
  }
  return out;
}

// Captured in the test network: an echo reply from 198.18.10.10 (TTL 61,
// 32 data bytes), the "time exceeded" router 1 sent for a request with four
// zero option bytes (quoted header 24 bytes).
const Bytes kEchoReply =
    hex("4500003c9b0400003d014b8dc6120a0ac61201010000bf388a0000004142434445464748494a4b4c4d4e4f5051"
        "52535455565758595a414243444546");
const Bytes kTimeExceeded =
    hex("45c0005cc9d80000400121e1c6120102c61201010b00f4ff0000000046000040b8ac0000010168e1c6120101c6"
        "120a0a000000000800b7378a0000014142434445464748494a4b4c4d4e4f505152535455565758595a41424344"
        "4546");

// Every field of a message; all -1 for none.
using Fields = std::tuple<int, int, int, std::int64_t, int, int, int, std::int64_t, std::int64_t>;
Fields fields(const std::optional<IcmpMessage>& m) {
  if (!m) return {-1, -1, -1, -1, -1, -1, -1, -1, -1};
  return {m->kind,    m->type,       m->code,     m->source,
          m->ttl,     m->identifier, m->sequence, m->quotedDestination,
          m->dataSize};
}

// What each reader makes of the captured packets and what a datagram
// socket hands over for them.
TEST(IcmpReaders, CapturedPacketsReadAsSent) {
  const Bytes icmpReply(kEchoReply.begin() + 20, kEchoReply.end());
  const ExtendedError unreachable{0, SO_EE_ORIGIN_ICMP, 3, 1, 0, 0xC6120202};
  const Bytes quotedHeader = hex("080000001234abcd");
  const IcmpMessage::Kind reply = IcmpMessage::EchoReply, error = IcmpMessage::Error;
  const struct {
    const char* name;
    std::optional<IcmpMessage> read;
    IcmpMessage expected;
  } rows[] = {
      {"raw reply", parseRawPacket(kEchoReply), {reply, 0, 0, 0xC6120A0A, 61, 0x8A00, 0, 0, 32}},
      {"raw time exceeded, quoted options",
       parseRawPacket(kTimeExceeded),
       {error, 11, 0, 0xC6120102, 64, 0x8A00, 1, 0xC6120A0A, 0}},
      {"datagram reply",
       parseDatagramMessage(icmpReply, 0x7F000001, 64),
       {reply, 0, 0, 0x7F000001, 64, 0x8A00, 0, 0, 32}},
      {"error queue, quoted header only",
       parseErrorQueueEntry(unreachable, quotedHeader, 0xC6121405, 63),
       {error, 3, 1, 0xC6120202, 63, 0x1234, 0xABCD, 0xC6121405, 0}},
  };
  for (const auto& row : rows) EXPECT_EQ(fields(row.read), fields(row.expected)) << row.name;

  EXPECT_FALSE(parseDatagramMessage(Bytes(icmpReply.begin(), icmpReply.begin() + 7), 1, 1));
  EXPECT_FALSE(parseErrorQueueEntry(unreachable, hex("000000001234abcd"), 1, 0));  // no request
  ExtendedError local = unreachable;
  local.origin = SO_EE_ORIGIN_LOCAL;  // reported by the send itself
  EXPECT_FALSE(parseErrorQueueEntry(local, quotedHeader, 1, 0));
}

// One byte changed in a captured packet: a malformed header is rejected,
// anything that is no answer to an echo request is Other, and the total
// length field only cuts off padding.
TEST(ParseRawPacket, ChangedBytesAreRejectedOrNoAnswer) {
  constexpr int kRejected = -1;
  const struct {
    const Bytes& packet;
    std::size_t at;
    std::uint8_t value;
    int kind;
    const char* why;
  } rows[] = {
      {kEchoReply, 0, 0x65, kRejected, "version 6"},
      {kEchoReply, 21, 1, IcmpMessage::Other, "an echo reply with a code"},
      {kEchoReply, 20, 8, IcmpMessage::Other, "our own request, seen on loopback"},
      {kEchoReply, 2, 0xFF, IcmpMessage::EchoReply, "total length beyond what arrived"},
      {kTimeExceeded, 37, 17, IcmpMessage::Other, "quoting UDP"},
  };
  for (const auto& row : rows) {
    Bytes b = row.packet;
    b[row.at] = row.value;
    const auto m = parseRawPacket(b);
    EXPECT_EQ(m ? int(m->kind) : kRejected, row.kind) << row.why;
    if (m && m->kind == IcmpMessage::EchoReply) {
      EXPECT_EQ(m->dataSize, 32u) << row.why;
    }
  }
}

}  // namespace
}  // namespace tarvo::icmp

#include "engine/icmp_packet.h"

#include <gtest/gtest.h>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <fstream>
#include <iterator>
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
// zero option bytes (quoted header 24 bytes), and the "host unreachable"
// router 2 sent for 198.18.20.5.
const Bytes kEchoReply =
    hex("4500003c9b0400003d014b8dc6120a0ac61201010000bf388a0000004142434445464748494a4b4c4d4e4f5051"
        "52535455565758595a414243444546");
const Bytes kTimeExceeded =
    hex("45c0005cc9d80000400121e1c6120102c61201010b00f4ff0000000046000040b8ac0000010168e1c6120101c6"
        "120a0a000000000800b7378a0000014142434445464748494a4b4c4d4e4f505152535455565758595a41424344"
        "4546");
const Bytes kHostUnreachable =
    hex("45c0005c896c00003f01624dc6120202c61201010301fcfe00000000460000402dfb00003f01ab97c6120101c6"
        "1214050000000008001433d9c50a07000000000000000000000000000000000000000000000000000000000000"
        "0000");

std::span<const std::uint8_t> prefix(const Bytes& b, std::size_t n) {
  return std::span<const std::uint8_t>(b.data(), n);
}

// Every field of a message; all -1 for none.
using Fields = std::tuple<int, int, int, std::int64_t, int, int, int, std::int64_t, std::int64_t>;
Fields fields(const std::optional<IcmpMessage>& m) {
  if (!m) return {-1, -1, -1, -1, -1, -1, -1, -1, -1};
  return {m->kind,    m->type,       m->code,     m->source,
          m->ttl,     m->identifier, m->sequence, m->quotedDestination,
          m->dataSize};
}

TEST(InternetChecksum, MatchesTheRfcExampleAndPadsOddLengths) {
  EXPECT_EQ(internetChecksum(hex("0001f203f4f5f6f7")), 0x220D);
  EXPECT_EQ(internetChecksum(hex("01")), 0xFEFF);
  EXPECT_EQ(internetChecksum({}), 0xFFFF);
}

TEST(EchoRequest, HeaderFieldsAndAChecksumThatVerifies) {
  for (std::size_t size : {0u, 1u, 31u, 32u, 1473u, 65500u}) {
    Bytes payload(size);
    for (std::size_t i = 0; i < size; ++i) payload[i] = static_cast<std::uint8_t>('A' + i % 26);
    const Bytes packet = buildEchoRequest(0xBEEF, 0x0102, payload);
    ASSERT_EQ(packet.size(), 8 + size);
    EXPECT_EQ(Bytes({packet[0], packet[1], packet[4], packet[5], packet[6], packet[7]}),
              Bytes({8, 0, 0xBE, 0xEF, 0x01, 0x02}));
    EXPECT_EQ(internetChecksum(packet), 0) << "payload " << size;
    EXPECT_TRUE(std::equal(payload.begin(), payload.end(), packet.begin() + 8));
  }
}

// What each reader makes of the captured packets and what a datagram
// socket hands over for them.
TEST(IcmpReaders, CapturedPacketsReadAsSent) {
  const Bytes icmpReply(kEchoReply.begin() + 20, kEchoReply.end());
  ExtendedError unreachable;
  unreachable.origin = SO_EE_ORIGIN_ICMP;
  unreachable.type = 3;
  unreachable.code = 1;
  unreachable.offender = 0xC6120202;
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
      {"raw host unreachable",
       parseRawPacket(kHostUnreachable),
       {error, 3, 1, 0xC6120202, 63, 0xD9C5, 0x0A07, 0xC6121405, 0}},
      {"datagram reply",
       parseDatagramMessage(icmpReply, 0x7F000001, 64),
       {reply, 0, 0, 0x7F000001, 64, 0x8A00, 0, 0, 32}},
      {"error queue, quoted header only",
       parseErrorQueueEntry(unreachable, quotedHeader, 0xC6121405, 63),
       {error, 3, 1, 0xC6120202, 63, 0x1234, 0xABCD, 0xC6121405, 0}},
  };
  for (const auto& row : rows) EXPECT_EQ(fields(row.read), fields(row.expected)) << row.name;

  EXPECT_FALSE(parseDatagramMessage(prefix(icmpReply, 7), 1, 1));
  EXPECT_EQ(parseDatagramMessage(prefix(icmpReply, 8), 1, 1)->dataSize, 0u);
  EXPECT_FALSE(parseErrorQueueEntry(unreachable, prefix(quotedHeader, 7), 1, 0));
  EXPECT_FALSE(parseErrorQueueEntry(unreachable, hex("000000001234abcd"), 1, 0));  // no request
  ExtendedError local = unreachable;
  local.origin = SO_EE_ORIGIN_LOCAL;  // reported by the send itself
  EXPECT_FALSE(parseErrorQueueEntry(local, quotedHeader, 1, 0));
  ExtendedError noOffender = unreachable;
  noOffender.offender.reset();
  EXPECT_EQ(parseErrorQueueEntry(noOffender, quotedHeader, 1, 0)->source, 0u);
}

TEST(ParseRawPacket, EveryTruncationIsRejectedOrHarmless) {
  // An echo reply needs its IP and ICMP headers; an error needs the quoted
  // IP header (24 bytes here) and the quoted 8-byte ICMP header.
  for (const Bytes* b : {&kEchoReply, &kTimeExceeded, &kHostUnreachable}) {
    for (std::size_t n = 0; n <= b->size(); ++n) {
      const auto m = parseRawPacket(prefix(*b, n));
      ASSERT_EQ(m.has_value(), n >= 28) << n;
      if (!m) continue;
      if (b == &kEchoReply) {
        EXPECT_EQ(m->dataSize, n - 28) << n;
      } else {
        EXPECT_EQ(m->kind == IcmpMessage::Error, n >= 28 + 24 + 8) << n;
      }
    }
  }
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
      {kEchoReply, 0, 0x44, kRejected, "header length 16 bytes"},
      {kEchoReply, 0, 0x4F, kRejected, "header length 60: no room for ICMP"},
      {kEchoReply, 9, 6, kRejected, "TCP"},
      {kEchoReply, 21, 1, IcmpMessage::Other, "an echo reply with a code"},
      {kEchoReply, 20, 8, IcmpMessage::Other, "our own request, seen on loopback"},
      {kEchoReply, 2, 0xFF, IcmpMessage::EchoReply, "total length beyond what arrived"},
      {kEchoReply, 3, 10, IcmpMessage::EchoReply, "total length below the header"},
      {kTimeExceeded, 52, 0, IcmpMessage::Other, "quoting an echo reply"},
      {kTimeExceeded, 37, 17, IcmpMessage::Other, "quoting UDP"},
      {kTimeExceeded, 28, 0x66, IcmpMessage::Other, "quoting version 6"},
      {kTimeExceeded, 28, 0x4F, IcmpMessage::Other, "quoted header claims 60 bytes"},
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
  Bytes padded = kEchoReply;
  padded.resize(padded.size() + 6, 0);
  EXPECT_EQ(parseRawPacket(padded)->dataSize, 32u);
}

// The control buffer of the time-exceeded seed as the kernel laid it out:
// IP_TTL 63, then IP_RECVERR from router 1 with the offender behind it.
TEST(ParseControlMessages, ReadsTtlAndErrorAndStopsAtTruncatedOrLyingLengths) {
  std::ifstream in(std::string(TARVO_FUZZ_SEEDS) + "/error_queue/time_exceeded", std::ios::binary);
  const Bytes seed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(seed.size(), 73u);
  const Bytes buf(seed.begin() + 1, seed.begin() + 1 + seed[0]);
  const ControlData cd = parseControlMessages(buf);
  EXPECT_EQ(cd.ttl, std::optional<std::uint8_t>(63));
  ASSERT_TRUE(cd.error);
  EXPECT_EQ(std::tuple(cd.error->origin, cd.error->type, cd.error->code, cd.error->offender),
            std::tuple(SO_EE_ORIGIN_ICMP, 11, 0, std::optional<Ipv4Address>(0xC6120102)));
  for (std::size_t n = 0; n < buf.size(); ++n) {
    const ControlData cut = parseControlMessages(prefix(buf, n));
    EXPECT_FALSE(cut.error) << n;  // the second message no longer fits whole
    EXPECT_EQ(cut.ttl.has_value(), n >= CMSG_LEN(sizeof(int))) << n;
  }
  for (std::uint8_t length : {0xFF, 0x00}) {
    Bytes lying = buf;
    lying[0] = length;  // the first cmsg_len, little-endian
    const ControlData bad = parseControlMessages(lying);
    EXPECT_FALSE(bad.ttl || bad.error) << int(length);
  }
}

}  // namespace
}  // namespace tarvo::icmp

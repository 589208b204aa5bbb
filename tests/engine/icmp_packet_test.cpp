#include "engine/icmp_packet.h"

#include <gtest/gtest.h>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <string>
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
    EXPECT_EQ(packet[0], 8);
    EXPECT_EQ(packet[1], 0);
    EXPECT_EQ(packet[4], 0xBE);
    EXPECT_EQ(packet[5], 0xEF);
    EXPECT_EQ(packet[6], 0x01);
    EXPECT_EQ(packet[7], 0x02);
    EXPECT_EQ(internetChecksum(packet), 0) << "payload " << size;
    EXPECT_TRUE(std::equal(payload.begin(), payload.end(), packet.begin() + 8));
  }
}

TEST(ParseRawPacket, CapturedEchoReply) {
  auto m = parseRawPacket(kEchoReply);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->kind, IcmpMessage::EchoReply);
  EXPECT_EQ(m->source, 0xC6120A0Au);
  EXPECT_EQ(m->ttl, 61);
  EXPECT_EQ(m->identifier, 0x8A00);
  EXPECT_EQ(m->sequence, 0);
  EXPECT_EQ(m->dataSize, 32u);
}

TEST(ParseRawPacket, CapturedTimeExceededQuotingAHeaderWithOptions) {
  auto m = parseRawPacket(kTimeExceeded);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->kind, IcmpMessage::Error);
  EXPECT_EQ(m->type, 11);
  EXPECT_EQ(m->code, 0);
  EXPECT_EQ(m->source, 0xC6120102u);  // router 1 reports
  EXPECT_EQ(m->ttl, 64);
  EXPECT_EQ(m->identifier, 0x8A00);
  EXPECT_EQ(m->sequence, 1);
  EXPECT_EQ(m->quotedDestination, 0xC6120A0Au);
}

TEST(ParseRawPacket, CapturedHostUnreachable) {
  auto m = parseRawPacket(kHostUnreachable);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->kind, IcmpMessage::Error);
  EXPECT_EQ(m->type, 3);
  EXPECT_EQ(m->code, 1);
  EXPECT_EQ(m->source, 0xC6120202u);
  EXPECT_EQ(m->identifier, 0xD9C5);
  EXPECT_EQ(m->sequence, 0x0A07);
  EXPECT_EQ(m->quotedDestination, 0xC6121405u);  // 198.18.20.5
}

TEST(ParseRawPacket, EveryTruncationIsRejectedOrHarmless) {
  // An echo reply needs its IP and ICMP headers; an error needs the quoted
  // IP header (24 bytes here) and the quoted 8-byte ICMP header.
  for (std::size_t n = 0; n <= kEchoReply.size(); ++n) {
    auto m = parseRawPacket(prefix(kEchoReply, n));
    if (n < 28) {
      EXPECT_FALSE(m) << n;
    } else {
      ASSERT_TRUE(m) << n;
      EXPECT_EQ(m->dataSize, n - 28) << n;
    }
  }
  for (const Bytes* b : {&kTimeExceeded, &kHostUnreachable}) {
    for (std::size_t n = 0; n <= b->size(); ++n) {
      auto m = parseRawPacket(prefix(*b, n));
      if (n < 28) {
        EXPECT_FALSE(m) << n;
      } else {
        ASSERT_TRUE(m) << n;
        EXPECT_EQ(m->kind == IcmpMessage::Error, n >= 28 + 24 + 8) << n;
      }
    }
  }
}

TEST(ParseRawPacket, MalformedHeadersAreRejected) {
  Bytes b = kEchoReply;
  b[0] = 0x65;  // version 6
  EXPECT_FALSE(parseRawPacket(b));
  b[0] = 0x44;  // header length 16 bytes
  EXPECT_FALSE(parseRawPacket(b));
  b[0] = 0x4F;  // header length 60 bytes: leaves no room for ICMP
  EXPECT_FALSE(parseRawPacket(b));
  b = kEchoReply;
  b[9] = 6;  // TCP
  EXPECT_FALSE(parseRawPacket(b));
}

TEST(ParseRawPacket, TotalLengthOnlyCutsOffPadding) {
  Bytes padded = kEchoReply;
  padded.resize(padded.size() + 6, 0);
  auto m = parseRawPacket(padded);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->dataSize, 32u);
  Bytes overstated = kEchoReply;
  overstated[2] = 0xFF;  // claims far more than arrived
  m = parseRawPacket(overstated);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->dataSize, 32u);
  Bytes understated = kEchoReply;
  understated[2] = 0;
  understated[3] = 10;  // shorter than its own header: ignored
  m = parseRawPacket(understated);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->dataSize, 32u);
}

TEST(ParseRawPacket, ErrorsNotQuotingAnEchoRequestAreNoAnswer) {
  Bytes b = kTimeExceeded;
  b[20 + 8 + 24] = 0;  // quoted ICMP type: an echo reply
  EXPECT_EQ(parseRawPacket(b)->kind, IcmpMessage::Other);
  b = kTimeExceeded;
  b[20 + 8 + 9] = 17;  // quoted protocol UDP
  EXPECT_EQ(parseRawPacket(b)->kind, IcmpMessage::Other);
  b = kTimeExceeded;
  b[20 + 8] = 0x66;  // quoted version 6
  EXPECT_EQ(parseRawPacket(b)->kind, IcmpMessage::Other);
  b = kTimeExceeded;
  b[20 + 8] = 0x4F;  // quoted header claims 60 bytes
  EXPECT_EQ(parseRawPacket(b)->kind, IcmpMessage::Other);
  b = kEchoReply;
  b[21] = 1;  // an echo reply with a code is no echo reply
  EXPECT_EQ(parseRawPacket(b)->kind, IcmpMessage::Other);
  b = kEchoReply;
  b[20] = 8;  // our own request, seen on loopback
  EXPECT_EQ(parseRawPacket(b)->kind, IcmpMessage::Other);
}

TEST(ParseDatagramMessage, ReplyWithoutIpHeader) {
  const Bytes icmp(kEchoReply.begin() + 20, kEchoReply.end());
  auto m = parseDatagramMessage(icmp, 0x7F000001, 64);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->kind, IcmpMessage::EchoReply);
  EXPECT_EQ(m->source, 0x7F000001u);
  EXPECT_EQ(m->ttl, 64);
  EXPECT_EQ(m->identifier, 0x8A00);
  EXPECT_EQ(m->dataSize, 32u);
  EXPECT_FALSE(parseDatagramMessage(prefix(icmp, 7), 1, 1));
  EXPECT_EQ(parseDatagramMessage(prefix(icmp, 8), 1, 1)->dataSize, 0u);
  Bytes request = icmp;
  request[0] = 8;
  EXPECT_EQ(parseDatagramMessage(request, 1, 1)->kind, IcmpMessage::Other);
}

// A control buffer as the kernel lays it out: IP_TTL, then IP_RECVERR with
// the offender behind the extended error.
Bytes controlBuffer(int ttl, std::uint8_t type, std::uint8_t code, Ipv4Address offender) {
  Bytes buf(CMSG_SPACE(sizeof(int)) + CMSG_SPACE(sizeof(sock_extended_err) + sizeof(sockaddr_in)));
  msghdr msg{};
  msg.msg_control = buf.data();
  msg.msg_controllen = buf.size();
  cmsghdr* c = CMSG_FIRSTHDR(&msg);
  c->cmsg_level = SOL_IP;
  c->cmsg_type = IP_TTL;
  c->cmsg_len = CMSG_LEN(sizeof(int));
  std::memcpy(CMSG_DATA(c), &ttl, sizeof ttl);
  c = CMSG_NXTHDR(&msg, c);
  c->cmsg_level = SOL_IP;
  c->cmsg_type = IP_RECVERR;
  c->cmsg_len = CMSG_LEN(sizeof(sock_extended_err) + sizeof(sockaddr_in));
  sock_extended_err ee{};
  ee.ee_errno = EHOSTUNREACH;
  ee.ee_origin = SO_EE_ORIGIN_ICMP;
  ee.ee_type = type;
  ee.ee_code = code;
  ee.ee_info = 1234;
  sockaddr_in sin{};
  sin.sin_family = AF_INET;
  sin.sin_addr.s_addr = htonl(offender);
  std::memcpy(CMSG_DATA(c), &ee, sizeof ee);
  std::memcpy(CMSG_DATA(c) + sizeof ee, &sin, sizeof sin);
  return buf;
}

TEST(ParseControlMessages, ReadsTtlAndExtendedErrorWithOffender) {
  const Bytes buf = controlBuffer(63, 11, 0, 0xC6120202);
  const ControlData cd = parseControlMessages(buf);
  EXPECT_EQ(cd.ttl, std::optional<std::uint8_t>(63));
  ASSERT_TRUE(cd.error);
  EXPECT_EQ(cd.error->origin, SO_EE_ORIGIN_ICMP);
  EXPECT_EQ(cd.error->type, 11);
  EXPECT_EQ(cd.error->code, 0);
  EXPECT_EQ(cd.error->info, 1234u);
  EXPECT_EQ(cd.error->offender, std::optional<Ipv4Address>(0xC6120202));
}

TEST(ParseControlMessages, TruncatedOrLyingLengthsStopTheWalk) {
  const Bytes buf = controlBuffer(63, 11, 0, 0xC6120202);
  for (std::size_t n = 0; n < buf.size(); ++n) {
    const ControlData cd = parseControlMessages(prefix(buf, n));
    EXPECT_FALSE(cd.error) << n;  // the second message no longer fits whole
    EXPECT_EQ(cd.ttl.has_value(), n >= CMSG_LEN(sizeof(int))) << n;
  }
  Bytes lying = buf;
  cmsghdr h;
  std::memcpy(&h, lying.data(), sizeof h);
  h.cmsg_len = 1 << 20;
  std::memcpy(lying.data(), &h, sizeof h);
  const ControlData cd = parseControlMessages(lying);
  EXPECT_FALSE(cd.ttl);
  EXPECT_FALSE(cd.error);
  h.cmsg_len = 0;
  std::memcpy(lying.data(), &h, sizeof h);
  EXPECT_FALSE(parseControlMessages(lying).ttl);
}

TEST(ParseErrorQueueEntry, QuotedHeaderOnly) {
  ExtendedError e;
  e.origin = SO_EE_ORIGIN_ICMP;
  e.type = 3;
  e.code = 1;
  e.offender = 0xC6120202;
  const Bytes quoted = hex("080000001234abcd");
  auto m = parseErrorQueueEntry(e, quoted, 0xC6121405, 63);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->kind, IcmpMessage::Error);
  EXPECT_EQ(m->identifier, 0x1234);
  EXPECT_EQ(m->sequence, 0xABCD);
  EXPECT_EQ(m->source, 0xC6120202u);
  EXPECT_EQ(m->quotedDestination, 0xC6121405u);
  EXPECT_EQ(m->ttl, 63);

  EXPECT_FALSE(parseErrorQueueEntry(e, prefix(quoted, 7), 1, 0));
  Bytes notRequest = quoted;
  notRequest[0] = 0;
  EXPECT_FALSE(parseErrorQueueEntry(e, notRequest, 1, 0));
  ExtendedError local = e;
  local.origin = SO_EE_ORIGIN_LOCAL;  // reported by the send itself
  EXPECT_FALSE(parseErrorQueueEntry(local, quoted, 1, 0));
  ExtendedError noOffender = e;
  noOffender.offender.reset();
  EXPECT_EQ(parseErrorQueueEntry(noOffender, quoted, 1, 0)->source, 0u);
}

}  // namespace
}  // namespace tarvo::icmp

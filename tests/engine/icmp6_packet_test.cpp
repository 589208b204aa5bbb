#include "engine/icmp6_packet.h"

#include <gtest/gtest.h>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace tarvo::icmp6 {
namespace {

using Bytes = std::vector<std::uint8_t>;

IpAddress v6(const char* text) { return *parseIpv6Literal(text); }
Bytes asBytes(const IpAddress& a) { return Bytes(a.bytes().begin(), a.bytes().end()); }

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// An IPv6 header as a router quotes it: version 6, the given next header,
// from the prober to `destination`.
Bytes ipv6Header(const char* destination, std::uint8_t nextHeader = kNextHeaderIcmpv6) {
  Bytes h = {0x60, 0, 0, 0, 0, 16, nextHeader, 1};
  return h + asBytes(v6("fd00:1::1")) + asBytes(v6(destination));
}

const Bytes kData = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
const Bytes kRequest = buildEchoRequest(0x1234, 7, kData);

// An error message of this type and code with the 4-byte field `info`,
// quoting `quoted`.
Bytes error(std::uint8_t type, std::uint8_t code, std::uint32_t info, const Bytes& quoted) {
  return Bytes{type,
               code,
               0xab,
               0xcd,
               static_cast<std::uint8_t>(info >> 24),
               static_cast<std::uint8_t>(info >> 16),
               static_cast<std::uint8_t>(info >> 8),
               static_cast<std::uint8_t>(info)} +
         quoted;
}

// kind, type, code, identifier, sequence, quoted destination, mtu, data size
using Fields = std::tuple<int, int, int, int, int, std::string, std::uint32_t, std::uint32_t>;
Fields fields(const std::optional<Icmp6Message>& m) {
  if (!m) return {-1, -1, -1, -1, -1, "", 0, 0};
  return {m->kind,     m->type,
          m->code,     m->identifier,
          m->sequence, m->kind == Icmp6Message::Error ? m->quotedDestination.toString() : "",
          m->mtu,      m->dataSize};
}

TEST(Icmp6Message, ReadsRepliesAndErrorsAboutOurRequests) {
  const Bytes reply = Bytes{kEchoReply, 0, 0x55, 0x66, 0x12, 0x34, 0, 7} + kData;
  const Bytes quoted = ipv6Header("fd00:10::10") + kRequest;
  constexpr int E = Icmp6Message::Error, O = Icmp6Message::Other, R = Icmp6Message::EchoReply;
  const std::vector<std::tuple<std::string, Bytes, Fields>> rows = {
      {"echo reply", reply, {R, 129, 0, 0x1234, 7, "", 0, 8}},
      {"reply without data",
       Bytes(reply.begin(), reply.begin() + 8),
       {R, 129, 0, 0x1234, 7, "", 0, 0}},
      {"reply with a code",
       Bytes{kEchoReply, 1, 0, 0, 0x12, 0x34, 0, 7},
       {O, 129, 1, 0, 0, "", 0, 0}},
      {"no route", error(1, 0, 0, quoted), {E, 1, 0, 0x1234, 7, "fd00:10::10", 0, 0}},
      {"address unreachable", error(1, 3, 0, quoted), {E, 1, 3, 0x1234, 7, "fd00:10::10", 0, 0}},
      {"packet too big", error(2, 0, 1280, quoted), {E, 2, 0, 0x1234, 7, "fd00:10::10", 1280, 0}},
      {"hop limit exceeded", error(3, 0, 0, quoted), {E, 3, 0, 0x1234, 7, "fd00:10::10", 0, 0}},
      {"parameter problem", error(4, 1, 40, quoted), {E, 4, 1, 0x1234, 7, "fd00:10::10", 0, 0}},
      // Only the echo header of the request quoted: still ours.
      {"short quote",
       error(3, 0, 0, ipv6Header("fd00:30::1") + Bytes(kRequest.begin(), kRequest.begin() + 8)),
       {E, 3, 0, 0x1234, 7, "fd00:30::1", 0, 0}},
      // Errors about other packets, and messages that are no answer.
      {"quotes UDP",
       error(1, 4, 0, ipv6Header("fd00:10::10", 17) + kRequest),
       {O, 1, 4, 0, 0, "", 0, 0}},
      {"quotes a reply",
       error(3, 0, 0, ipv6Header("fd00:10::10") + reply),
       {O, 3, 0, 0, 0, "", 0, 0}},
      {"quotes IPv4",
       error(3, 0, 0, Bytes{0x45} + Bytes(quoted.begin() + 1, quoted.end())),
       {O, 3, 0, 0, 0, "", 0, 0}},
      {"packet too big quoting nothing", error(2, 0, 1280, {}), {O, 2, 0, 0, 0, "", 0, 0}},
      {"neighbour solicitation",
       error(135, 0, 0, asBytes(v6("fd00:10::10"))),
       {O, 135, 0, 0, 0, "", 0, 0}},
      {"our own request", kRequest, {O, 128, 0, 0, 0, "", 0, 0}},
      {"shorter than a header",
       Bytes(reply.begin(), reply.begin() + 7),
       {-1, -1, -1, -1, -1, "", 0, 0}},
  };
  for (const auto& [name, bytes, expected] : rows) {
    EXPECT_EQ(fields(parseMessage(bytes, v6("fd00:3::2"), 61)), expected) << name;
  }
  const auto m = parseMessage(reply, v6("fd00:10::10"), 61);
  EXPECT_EQ(m->source, v6("fd00:10::10"));
  EXPECT_EQ(m->hopLimit, 61);
}

TEST(Icmp6Message, TruncatedErrorsAreNeverTakenForAnswers) {
  const Bytes whole = error(3, 0, 0, ipv6Header("fd00:30::1") + kRequest);
  const std::size_t needed = kHeaderSize + kIpv6HeaderSize + kHeaderSize;
  for (std::size_t size = 0; size < whole.size(); ++size) {
    const auto m = parseMessage(Bytes(whole.begin(), whole.begin() + size), IpAddress{}, 0);
    if (size < kHeaderSize) {
      EXPECT_EQ(m, std::nullopt) << size;
    } else {
      ASSERT_TRUE(m) << size;
      EXPECT_EQ(m->kind == Icmp6Message::Error, size >= needed) << size;
    }
  }
}

TEST(Icmp6Request, IsAnEchoRequestWithTheKernelsChecksumLeftOpen) {
  EXPECT_EQ(kRequest, (Bytes{128, 0, 0, 0, 0x12, 0x34, 0, 7} + kData));
}

// A control buffer as recvmsg() fills it: hop limit, then an extended error
// with the reporting router behind it.
Bytes controlBuffer(int hopLimit, const sock_extended_err& ee, const sockaddr_in6& offender) {
  Bytes buffer(CMSG_SPACE(sizeof(int)) + CMSG_SPACE(sizeof ee + sizeof offender));
  msghdr msg{};
  msg.msg_control = buffer.data();
  msg.msg_controllen = buffer.size();
  cmsghdr* c = CMSG_FIRSTHDR(&msg);
  c->cmsg_level = SOL_IPV6;
  c->cmsg_type = IPV6_HOPLIMIT;
  c->cmsg_len = CMSG_LEN(sizeof(int));
  std::memcpy(CMSG_DATA(c), &hopLimit, sizeof hopLimit);
  c = CMSG_NXTHDR(&msg, c);
  c->cmsg_level = SOL_IPV6;
  c->cmsg_type = IPV6_RECVERR;
  c->cmsg_len = CMSG_LEN(sizeof ee + sizeof offender);
  std::memcpy(CMSG_DATA(c), &ee, sizeof ee);
  std::memcpy(CMSG_DATA(c) + sizeof ee, &offender, sizeof offender);
  return buffer;
}

TEST(Icmp6ErrorQueue, ReadsHopLimitErrorAndRouter) {
  sock_extended_err ee{};
  ee.ee_origin = SO_EE_ORIGIN_ICMP6;
  ee.ee_type = kPacketTooBig;
  ee.ee_info = 1280;
  sockaddr_in6 router{};
  router.sin6_family = AF_INET6;
  std::memcpy(&router.sin6_addr, v6("fd00:3::2").bytes().data(), 16);
  const Bytes control = controlBuffer(62, ee, router);

  const ControlData cd = parseControlMessages(control);
  EXPECT_EQ(cd.hopLimit, 62);
  ASSERT_TRUE(cd.error);
  EXPECT_EQ(cd.error->offender, v6("fd00:3::2"));
  const auto m = parseErrorQueueEntry(*cd.error, kRequest, v6("fd00:12::10"), 0);
  EXPECT_EQ(fields(m), Fields(Icmp6Message::Error, 2, 0, 0x1234, 7, "fd00:12::10", 1280, 0));
  EXPECT_EQ(m->source, v6("fd00:3::2"));

  // Cut anywhere, the buffer yields at most what lies wholly inside it.
  for (std::size_t size = 0; size < control.size(); ++size) {
    const ControlData part = parseControlMessages(Bytes(control.begin(), control.begin() + size));
    EXPECT_EQ(part.hopLimit.has_value(), size >= CMSG_LEN(sizeof(int))) << size;
    EXPECT_EQ(part.error.has_value(),
              size >= CMSG_SPACE(sizeof(int)) + CMSG_LEN(sizeof ee + sizeof router))
        << size;
  }
  // A local error, or one about something else than an echo request, is none of ours.
  ExtendedError local = *cd.error;
  local.origin = SO_EE_ORIGIN_LOCAL;
  EXPECT_EQ(parseErrorQueueEntry(local, kRequest, v6("fd00:12::10"), 0), std::nullopt);
  EXPECT_EQ(parseErrorQueueEntry(*cd.error, Bytes(kRequest.begin(), kRequest.begin() + 7),
                                 v6("fd00:12::10"), 0),
            std::nullopt);
}

}  // namespace
}  // namespace tarvo::icmp6

#include "engine/icmp6_packet.h"

#include <gtest/gtest.h>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace tarvo::icmp6 {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
Bytes cut(const Bytes& b, std::size_t size) { return Bytes(b.begin(), b.begin() + size); }
IpAddress v6(const char* text) { return *parseIpv6Literal(text); }
Bytes bytesOf(const char* address) {
  const auto b = v6(address).bytes();
  return Bytes(b.begin(), b.end());
}

// An IPv6 header as a router quotes it, from the prober to `to`.
Bytes ipv6Header(const char* to, std::uint8_t nextHeader = kNextHeaderIcmpv6) {
  return Bytes{0x60, 0, 0, 0, 0, 16, nextHeader, 1} + bytesOf("fd00:1::1") + bytesOf(to);
}
// A report of this type and code; `info` is the 4-byte field (the MTU).
Bytes report(std::uint8_t type, std::uint8_t code, const Bytes& quoted, std::uint16_t info = 0) {
  return Bytes{type, code, 0xab, 0xcd, 0, 0, std::uint8_t(info >> 8), std::uint8_t(info)} + quoted;
}

const Bytes kRequest = buildEchoRequest(0x1234, 7, Bytes(8, 'a'));
const Bytes kReply = Bytes{kEchoReply, 0, 0x55, 0x66, 0x12, 0x34, 0, 7} + Bytes(8, 'a');

std::string summary(const std::optional<Icmp6Message>& m) {
  if (!m) return "none";
  if (m->kind == Icmp6Message::Other) return "other " + std::to_string(m->type);
  std::string s = m->kind == Icmp6Message::EchoReply ? "reply" : "error";
  s += " " + std::to_string(m->type) + "/" + std::to_string(m->code) + " id " +
       std::to_string(m->identifier) + " seq " + std::to_string(m->sequence);
  if (m->kind == Icmp6Message::EchoReply) return s + " data " + std::to_string(m->dataSize);
  return s + " to " + m->quotedDestination.toString() + " mtu " + std::to_string(m->mtu);
}

TEST(Icmp6Message, ReadsRepliesAndReportsAboutOurRequests) {
  const Bytes quoted = ipv6Header("fd00:10::10") + kRequest;
  const std::vector<std::pair<Bytes, std::string>> rows = {
      {kReply, "reply 129/0 id 4660 seq 7 data 8"},
      {Bytes{kEchoReply, 1, 0, 0, 0x12, 0x34, 0, 7}, "other 129"},  // no such reply
      {report(1, 3, quoted), "error 1/3 id 4660 seq 7 to fd00:10::10 mtu 0"},
      {report(2, 0, quoted, 1280), "error 2/0 id 4660 seq 7 to fd00:10::10 mtu 1280"},
      {report(3, 0, quoted), "error 3/0 id 4660 seq 7 to fd00:10::10 mtu 0"},
      {report(4, 1, quoted, 40), "error 4/1 id 4660 seq 7 to fd00:10::10 mtu 0"},
      // Only the echo header of the request quoted: still ours.
      {report(3, 0, ipv6Header("fd00:30::1") + cut(kRequest, 8)),
       "error 3/0 id 4660 seq 7 to fd00:30::1 mtu 0"},
      // Reports about other packets, and messages that are no answer.
      {report(1, 4, ipv6Header("fd00:10::10", 17) + kRequest), "other 1"},
      {report(3, 0, ipv6Header("fd00:10::10") + kReply), "other 3"},
      {report(3, 0, Bytes{0x45} + Bytes(quoted.begin() + 1, quoted.end())), "other 3"},
      {report(135, 0, bytesOf("fd00:10::10")), "other 135"},
      {kRequest, "other 128"},
      {cut(kReply, 7), "none"},
  };
  for (const auto& [bytes, expected] : rows) {
    EXPECT_EQ(summary(parseMessage(bytes, v6("fd00:3::2"), 61)), expected);
  }
  // Cut anywhere, a report is only taken for ours while the quote is whole.
  const Bytes whole = report(3, 0, ipv6Header("fd00:30::1") + kRequest);
  for (std::size_t size = 0; size < whole.size(); ++size) {
    const auto m = parseMessage(cut(whole, size), IpAddress{}, 0);
    EXPECT_EQ(m.has_value(), size >= kHeaderSize) << size;
    EXPECT_EQ(m && m->kind == Icmp6Message::Error, size >= 56) << size;
  }
}

TEST(Icmp6ErrorQueue, ReadsHopLimitReportAndRouter) {
  // A control buffer as recvmsg() fills it: hop limit, then an extended
  // error with the reporting router behind it.
  sock_extended_err ee{};
  ee.ee_origin = SO_EE_ORIGIN_ICMP6;
  ee.ee_type = kPacketTooBig;
  ee.ee_info = 1280;
  sockaddr_in6 router{};
  router.sin6_family = AF_INET6;
  std::memcpy(&router.sin6_addr, v6("fd00:3::2").bytes().data(), 16);
  const int hops = 62;
  Bytes control(CMSG_SPACE(sizeof hops) + CMSG_SPACE(sizeof ee + sizeof router));
  msghdr msg{};
  msg.msg_control = control.data();
  msg.msg_controllen = control.size();
  cmsghdr* c = CMSG_FIRSTHDR(&msg);
  *c = {CMSG_LEN(sizeof hops), SOL_IPV6, IPV6_HOPLIMIT};
  std::memcpy(CMSG_DATA(c), &hops, sizeof hops);
  c = CMSG_NXTHDR(&msg, c);
  *c = {CMSG_LEN(sizeof ee + sizeof router), SOL_IPV6, IPV6_RECVERR};
  std::memcpy(CMSG_DATA(c), &ee, sizeof ee);
  std::memcpy(CMSG_DATA(c) + sizeof ee, &router, sizeof router);

  const ControlData cd = parseControlMessages(control);
  EXPECT_EQ(cd.hopLimit, 62);
  ASSERT_TRUE(cd.error);
  const auto m = parseErrorQueueEntry(*cd.error, kRequest, v6("fd00:12::10"), 0);
  EXPECT_EQ(summary(m), "error 2/0 id 4660 seq 7 to fd00:12::10 mtu 1280");
  EXPECT_EQ(m->source, v6("fd00:3::2"));
  // Cut anywhere, the buffer yields only what lies wholly inside it.
  for (std::size_t size = 0; size < control.size(); ++size) {
    const ControlData part = parseControlMessages(cut(control, size));
    EXPECT_EQ(part.hopLimit.has_value(), size >= CMSG_LEN(sizeof hops)) << size;
    EXPECT_EQ(part.error.has_value(), size >= CMSG_SPACE(sizeof hops) + c->cmsg_len) << size;
  }
  // A local error, or a quote too short for an echo header, is none of ours.
  ExtendedError local = *cd.error;
  local.origin = SO_EE_ORIGIN_LOCAL;
  EXPECT_EQ(parseErrorQueueEntry(local, kRequest, v6("fd00:12::10"), 0), std::nullopt);
  EXPECT_EQ(parseErrorQueueEntry(*cd.error, cut(kRequest, 7), v6("fd00:12::10"), 0), std::nullopt);
}

}  // namespace
}  // namespace tarvo::icmp6

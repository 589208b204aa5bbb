// Real ICMPv6 through the echo sockets: to ::1 from anywhere, and to the test
// network's IPv6 hosts when run inside its prober. The socket kind is the
// one TARVO_ECHO_SOCKET names, else the first that opens.
#include "engine/echo6_socket.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

namespace tarvo {
namespace {

std::unique_ptr<Echo6Socket> openSocket(bool dontFragment = false) {
  const auto forced = forcedEchoSocketKind();
  for (EchoSocketKind kind : {EchoSocketKind::Datagram, EchoSocketKind::Raw}) {
    if (forced && kind != *forced) continue;
    auto r = Echo6Socket::open(kind, dontFragment, RawRole::Receive);
    if (r.socket) return std::move(r.socket);
  }
  return nullptr;
}

// Whether this runs inside the test network's prober (its address is local).
bool inTestNetwork() {
  const int fd = socket(AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in6 a{};
  a.sin6_family = AF_INET6;
  const auto prober = parseIpv6Literal("fd00:1::1")->bytes();
  std::memcpy(&a.sin6_addr, prober.data(), prober.size());
  const bool local = bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(fd);
  return local;
}

// Sends one request and returns the first message about it (matched by
// sequence), from the data or the error queue; none after 5 quiet seconds or
// 100 messages about something else.
std::optional<icmp6::Icmp6Message> exchange(Echo6Socket& s, const char* to, std::uint16_t sequence,
                                            std::size_t size, std::uint8_t hopLimit, int* sendErr) {
  const std::uint16_t id = s.kind() == EchoSocketKind::Datagram ? s.identifier() : 0x7a31;
  const std::vector<std::uint8_t> payload(size, 0x5a);
  *sendErr = s.sendEcho(*parseIpv6Literal(to), id, sequence, payload, hopLimit, 0);
  if (*sendErr != 0) return std::nullopt;
  std::vector<std::uint8_t> buffer(2048);
  for (int i = 0; i < 100; ++i) {
    pollfd p{s.fd(), POLLIN, 0};
    if (poll(&p, 1, 5000) <= 0) break;
    Echo6Socket::Received r;
    const bool isError = (p.revents & POLLERR) != 0;
    if ((isError ? s.readError(buffer, r) : s.readData(buffer, r)) !=
        Echo6Socket::ReadState::Message) {
      continue;
    }
    if (r.message.identifier == id && r.message.sequence == sequence) return r.message;
  }
  return std::nullopt;
}

TEST(Echo6Socket, LoopbackAnswers) {
  auto s = openSocket();
  if (!s) GTEST_SKIP() << "no ICMPv6 socket may be opened here";
  int err = 0;
  const auto m = exchange(*s, "::1", 1, 32, 64, &err);
  ASSERT_EQ(err, 0) << std::strerror(err);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->kind, icmp6::Icmp6Message::EchoReply);
  EXPECT_EQ(m->source.toString(), "::1");
  EXPECT_EQ(m->dataSize, 32u);
  EXPECT_EQ(m->hopLimit, 64);
  EXPECT_EQ(s->sendEcho(IpAddress::v4(0x7F000001), 1, 1, {}, 64, 0), EAFNOSUPPORT);
}

TEST(Echo6Socket, TestNetworkReportsEachFault) {
  if (!inTestNetwork()) GTEST_SKIP() << "not inside the test network's prober";
  auto s = openSocket();
  ASSERT_TRUE(s);
  int err = 0;
  auto m = exchange(*s, "fd00:10::10", 2, 32, 64, &err);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->kind, icmp6::Icmp6Message::EchoReply);
  EXPECT_EQ(m->hopLimit, 61);  // four hops away

  m = exchange(*s, "fd00:10::10", 3, 32, 3, &err);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->kind, icmp6::Icmp6Message::Error);
  EXPECT_EQ(m->type, icmp6::kTimeExceeded);
  EXPECT_EQ(m->source.toString(), "fd00:3::2");
  EXPECT_EQ(m->quotedDestination.toString(), "fd00:10::10");

  // Too big for the 1280-byte link: the router's report, or once the path
  // MTU is known (an earlier run), the send's own refusal.
  auto narrow = openSocket(true);
  ASSERT_TRUE(narrow);
  m = exchange(*narrow, "fd00:12::10", 5, 1400, 64, &err);
  if (err == 0) {
    ASSERT_TRUE(m);
    EXPECT_EQ(m->type, icmp6::kPacketTooBig);
    EXPECT_EQ(m->mtu, 1280u);
    EXPECT_EQ(m->quotedDestination.toString(), "fd00:12::10");
  } else {
    EXPECT_EQ(err, EMSGSIZE);
  }
}

}  // namespace
}  // namespace tarvo

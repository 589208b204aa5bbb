// Real ICMP to 127.0.0.0/8 through the engine, with whichever socket kind
// TARVO_ECHO_SOCKET selects.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <latch>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "engine/address.h"
#include "engine/echo_dispatcher.h"
#include "engine/echo_status.h"
#include "engine/icmp_echo_service.h"
#include "engine/icmp_packet.h"
#include "privileged.h"

namespace tarvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A raw ICMP socket that sees every ICMP packet on loopback, our own
// outgoing requests included, with their IP headers.
struct WireCapture {
  int fd = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
  WireCapture() = default;
  WireCapture(const WireCapture&) = delete;
  ~WireCapture() {
    if (fd >= 0) close(fd);
  }
  // The first echo request to `destination` whose data equals `payload`, as
  // a whole IP packet.
  std::optional<Bytes> findRequest(Ipv4Address destination, const Bytes& payload, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    Bytes buf(65536);
    for (auto now = Clock::now(); now < end; now = Clock::now()) {
      pollfd p{fd, POLLIN, 0};
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count();
      if (poll(&p, 1, static_cast<int>(left) + 1) <= 0) continue;
      const ssize_t n = recv(fd, buf.data(), buf.size(), MSG_DONTWAIT);
      const std::size_t ihl = static_cast<std::size_t>(buf[0] & 0x0F) * 4;
      Ipv4Address to;
      std::memcpy(&to, &buf[16], sizeof to);
      if (n >= 0 && static_cast<std::size_t>(n) == ihl + 8 + payload.size() &&
          buf[ihl] == icmp::kEchoRequest && ntohl(to) == destination &&
          std::equal(payload.begin(), payload.end(), buf.begin() + ihl + 8)) {
        return Bytes(buf.begin(), buf.begin() + n);
      }
    }
    return std::nullopt;
  }
};

// Sends an ICMP message from `from` (a loopback address) to 127.0.0.1: type,
// code, checksum, then `rest` (identifier and sequence and data for an echo
// reply; four unused bytes and the quoted request for an error).
bool forgeIcmp(Ipv4Address from, std::uint8_t type, std::uint8_t code, const Bytes& rest) {
  Bytes packet{type, code, 0, 0};
  packet.insert(packet.end(), rest.begin(), rest.end());
  const std::uint16_t sum = icmp::internetChecksum(packet);
  packet[2] = static_cast<std::uint8_t>(sum >> 8);
  packet[3] = static_cast<std::uint8_t>(sum);
  const WireCapture sender;
  sockaddr_in local{AF_INET, 0, {htonl(from)}, {}}, to{AF_INET, 0, {htonl(0x7F000001)}, {}};
  return bind(sender.fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
         sendto(sender.fd, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&to),
                sizeof to) == static_cast<ssize_t>(packet.size());
}

int openDescriptorCount() {
  const std::filesystem::directory_iterator fds("/proc/self/fd");
  return static_cast<int>(std::distance(begin(fds), end(fds)));
}

bool writeProcFile(const std::string& path, const std::string& value) {
  std::ofstream f(path);
  return static_cast<bool>(f << value << std::flush);
}

// In a network namespace of its own (in_private_netns.sh) a test may change
// its ICMP settings.
bool inPrivateNetns() { return std::getenv("TARVO_PRIVATE_NETNS") != nullptr; }

constexpr Ipv4Address kLoopback = 0x7F000001;

Ipv4Address loop(std::uint8_t b, std::uint8_t c, std::uint8_t d) {
  return 0x7F000000u | static_cast<Ipv4Address>(b) << 16 | static_cast<Ipv4Address>(c) << 8 | d;
}

Bytes letters(std::size_t n) {
  Bytes b(n);
  fillLetters(b);
  return b;
}

EchoOptions plain(std::uint8_t ttl = 64) { return makeEchoOptions(ttl, 0, false, false, false); }

class EchoNet : public ::testing::Test {
 protected:
  void SetUp() override {
    if (service_.open() != EchoOpenResult::Ok) {
      TARVO_SKIP_UNPRIVILEGED("no ICMP echo socket can be opened here");
    }
  }
  IcmpEchoService service_;
};

// Every loopback address answers from itself, also to a TTL of one; a
// request that cannot go out reports why and leaves the socket good.
TEST_F(EchoNet, LoopbackAnswersOrTellsWhyNot) {
  const struct {
    Ipv4Address destination;
    std::size_t size;
    std::uint8_t ttl;
    std::uint32_t status;
    Ipv4Address from;
  } rows[] = {
      {kLoopback, 32, 64, status::kSuccess, kLoopback},
      {kLoopback, 0, 64, status::kSuccess, kLoopback},
      {kLoopback, 65500, 64, status::kSuccess, kLoopback},
      {loop(1, 2, 3), 32, 1, status::kSuccess, loop(1, 2, 3)},
      {loop(255, 255, 254), 32, 1, status::kSuccess, loop(255, 255, 254)},
      {0, 32, 64, status::kBadDestination, 0},
      {kLoopback, 65530, 64, status::kPacketTooBig, kLoopback},  // more than one IP packet
      {loop(0, 0, 2), 32, 64, status::kSuccess, loop(0, 0, 2)},
  };
  for (const auto& row : rows) {
    const Bytes payload = letters(row.size);
    const EchoResult r = service_.send(row.destination, payload, plain(row.ttl), 2000);
    const std::string what = formatAddress(row.destination) + " size " + std::to_string(row.size);
    EXPECT_EQ(r.status, row.status) << what;
    EXPECT_EQ(r.replyAddress, row.from) << what;
    if (row.status != status::kSuccess) continue;
    EXPECT_EQ(r.replyDataSize, row.size) << what;
    EXPECT_EQ(r.replyTtl, 64) << what;
    EXPECT_LT(r.roundTripMs, 2000u) << what;
  }
}

TEST_F(EchoNet, TtlTosDfAndOptionBytesOnTheWire) {
  WireCapture capture;
  if (capture.fd < 0) TARVO_SKIP_UNPRIVILEGED("a raw capture socket needs CAP_NET_RAW");
  const struct {
    EchoOptions options;
    std::uint8_t tos;
    bool df;
    Bytes ipOptions;  // empty: header of 5 words
  } rows[] = {
      {makeEchoOptions(64, 0, false, false, false), 0, false, {}},
      {makeEchoOptions(64, 0, true, false, false), 0, true, {}},
      {makeEchoOptions(64, 0xB8, false, false, false), 0xB8, false, {}},
      {makeEchoOptions(64, 0, false, false, true), 0, false, {0, 0, 0, 0}},
      {makeEchoOptions(64, 0x10, false, true, true), 0x10, false, {0x94, 0x04, 0x00, 0x00}},
      {makeEchoOptions(64, 0, true, true, true), 0, true, {0, 0, 0, 0}},  // DF: no router alert
  };
  std::uint8_t last = 10;
  for (const auto& row : rows) {
    // A destination and TTL of its own so no other request is mistaken for it.
    const Ipv4Address dst = loop(77, 0, ++last);
    EchoOptions o = row.options;
    o.ttl = static_cast<std::uint8_t>(100 + last);
    const Bytes payload = letters(24);
    EXPECT_EQ(service_.send(dst, payload, o, 2000).status, status::kSuccess) << int(last);
    const auto p = capture.findRequest(dst, payload, 2000);
    ASSERT_TRUE(p) << int(last);
    const std::size_t ihl = ((*p)[0] & 0x0F) * 4u;
    EXPECT_EQ(std::tuple((*p)[1], ((*p)[6] & 0x40) != 0, (*p)[8], ihl),
              std::tuple(row.tos, row.df, o.ttl, 20 + row.ipOptions.size()))
        << int(last);
    if (ihl == 24) {
      EXPECT_EQ(Bytes(p->begin() + 20, p->begin() + 24), row.ipOptions) << int(last);
    }
  }
}

// Many services open at once, then 70,000 requests within a minute: no
// service holds a descriptor of its own, every request gets its own reply
// (a destination and payload size of its own tell whose reply came back),
// and as a datagram socket's 65,536 sequences do not come round again that
// soon, the dispatcher adds a socket.
TEST_F(EchoNet, ManyServicesAtOnceEachGetTheirOwnRepliesOnSharedSockets) {
  constexpr int kServices = 250, kEach = 280;
  const int descriptorsBefore = openDescriptorCount();
  const int socketsBefore = EchoDispatcher::instance().openSockets();
  std::latch opened(kServices + 1), go(1);
  std::atomic<int> wrong{0};
  std::vector<std::jthread> threads;
  for (int i = 0; i < kServices; ++i) {
    threads.emplace_back([&, i] {
      IcmpEchoService s;
      EXPECT_EQ(s.open(), EchoOpenResult::Ok) << i;
      opened.count_down();
      go.wait();
      const Ipv4Address destination = loop(20, 0, static_cast<std::uint8_t>(1 + i));
      const Bytes payload = letters(static_cast<std::size_t>(i % 97));
      for (int k = 0; k < kEach; ++k) {
        const EchoResult r = s.send(destination, payload, plain(), 10000);
        if ((r.status != status::kSuccess || r.replyAddress != destination ||
             r.replyDataSize != payload.size()) &&
            ++wrong <= 5) {
          ADD_FAILURE() << "service " << i << ": status " << r.status << " from "
                        << formatAddress(r.replyAddress) << " size " << r.replyDataSize;
        }
      }
    });
  }
  opened.arrive_and_wait();
  EXPECT_EQ(openDescriptorCount(), descriptorsBefore);
  go.count_down();
  threads.clear();  // joins
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(EchoDispatcher::instance().pendingRequests(), 0);
  if (EchoDispatcher::instance().kind() == EchoSocketKind::Datagram) {
    EXPECT_GT(EchoDispatcher::instance().openSockets(), socketsBefore);
  }
}

// --- matching (private namespace: loopback told to stay silent) ---------------

class SilentLoopback : public EchoNet {
 protected:
  static constexpr Ipv4Address kDestination = 0x7F000009;  // 127.0.0.9
  static constexpr Ipv4Address kOther = 0x7F00000A;        // 127.0.0.10

  void SetUp() override {
    if (!inPrivateNetns()) GTEST_SKIP() << "runs only with --private-netns";
    EchoNet::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_TRUE(writeProcFile("/proc/sys/net/ipv4/icmp_echo_ignore_all", "1"));
    ASSERT_TRUE(capture_.fd >= 0);
  }
  void TearDown() override {
    if (sender_.joinable()) sender_.join();
    if (inPrivateNetns()) {
      writeProcFile("/proc/sys/net/ipv4/icmp_echo_ignore_all", "0");
    }
  }
  // Sends `size` letters to kDestination on a thread of its own; the
  // request as it went out on the wire.
  Bytes startSend(std::size_t size) {
    sender_ = std::thread(
        [this, size] { result_ = service_.send(kDestination, letters(size), plain(), 5000); });
    auto wire = capture_.findRequest(kDestination, letters(size), 3000);
    EXPECT_TRUE(wire);
    return wire.value_or(Bytes(28));
  }
  EchoResult finish() {
    sender_.join();
    return result_;
  }
  // The identifier and sequence of a request on the wire.
  static Bytes idSeq(const Bytes& p) {
    const auto at = p.begin() + (p[0] & 0x0F) * 4 + 4;
    return Bytes(at, at + 4);
  }
  // An echo reply from `from` to the request with `idSeq`, `size` data bytes.
  static bool forgeReply(Ipv4Address from, Bytes idSeq, std::size_t size) {
    idSeq.resize(4 + size, 'z');
    return forgeIcmp(from, 0, 0, idSeq);
  }

  WireCapture capture_;
  std::thread sender_;
  EchoResult result_;
};

// A late answer to an earlier request is never taken; the answer to this
// one counts even from another address, as a broadcast's or a host's
// answering for another would.
TEST_F(SilentLoopback, OnlyTheAnswerToThisRequestCountsFromAnyAddress) {
  EXPECT_EQ(service_.send(kDestination, letters(11), plain(), 100).status,
            status::kRequestTimedOut);
  const auto first = capture_.findRequest(kDestination, letters(11), 1000);
  ASSERT_TRUE(first);
  const Bytes second = idSeq(startSend(12));
  EXPECT_NE(idSeq(*first), second);
  ASSERT_TRUE(forgeReply(kDestination, idSeq(*first), 3));
  ASSERT_TRUE(forgeReply(kOther, second, 7));
  const EchoResult r = finish();
  EXPECT_EQ(std::tuple(r.status, r.replyAddress, r.replyDataSize),
            std::tuple(status::kSuccess, kOther, 7u));
}

TEST_F(SilentLoopback, ErrorsCountOnlyWhenTheyQuoteOurRequestToOurDestination) {
  const Bytes wire = startSend(14);
  Bytes quote(4, 0);  // the unused word, then the request's headers
  quote.insert(quote.end(), wire.begin(), wire.begin() + (wire[0] & 0x0F) * 4 + 8);
  // A redirect is no answer; a "host unreachable" for the same request to
  // another destination is none either; then the real report.
  ASSERT_TRUE(forgeIcmp(kOther, 5, 1, quote));
  Bytes elsewhere = quote;
  elsewhere[4 + 19] ^= 0x01;
  ASSERT_TRUE(forgeIcmp(kOther, 3, 1, elsewhere));
  ASSERT_TRUE(forgeIcmp(kOther, 11, 0, quote));
  const EchoResult r = finish();
  EXPECT_EQ(r.status, status::kTtlExpiredTransit);
  EXPECT_EQ(r.replyAddress, kOther);
}

}  // namespace
}  // namespace tarvo

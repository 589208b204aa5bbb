// Real ICMP to 127.0.0.0/8 through the engine, with whichever socket kind
// TARVO_ECHO_SOCKET selects.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "base/event_loop.h"
#include "base/one_shot.h"
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
  WireCapture() {
    const timeval quiet{2, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &quiet, sizeof quiet);
  }
  ~WireCapture() {
    if (fd >= 0) close(fd);
  }
  // The first echo request to `destination` whose data equals `payload`, as
  // a whole IP packet; none after two quiet seconds or 200 other packets.
  std::optional<Bytes> findRequest(Ipv4Address destination, const Bytes& payload) {
    Bytes buf(65536);
    for (int i = 0; i < 200; ++i) {
      const ssize_t n = recv(fd, buf.data(), buf.size(), 0);
      if (n < 0) break;
      const std::size_t ihl = static_cast<std::size_t>(buf[0] & 0x0F) * 4;
      Ipv4Address to;
      std::memcpy(&to, &buf[16], sizeof to);
      if (static_cast<std::size_t>(n) == ihl + 8 + payload.size() &&
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

// Loopback's answers to echo requests, on (false) or off.
bool ignoreEchoes(bool ignore) {
  std::FILE* f = std::fopen("/proc/sys/net/ipv4/icmp_echo_ignore_all", "w");
  return f != nullptr && std::fputs(ignore ? "1" : "0", f) >= 0 && std::fclose(f) == 0;
}

// In a network namespace of its own (in_private_netns.sh) a test may change
// its ICMP settings.
bool inPrivateNetns() { return std::getenv("TARVO_PRIVATE_NETNS") != nullptr; }

Ipv4Address loop(std::uint8_t b, std::uint8_t c, std::uint8_t d) {
  return 0x7F000000u | static_cast<Ipv4Address>(b) << 16 | static_cast<Ipv4Address>(c) << 8 | d;
}

Bytes letters(std::size_t n) { return Bytes(n, 'A'); }

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

// A request that cannot go out reports why and leaves the socket good; any
// loopback address answers from itself, also to a TTL of one and odd data.
TEST_F(EchoNet, LoopbackAnswersOrTellsWhyNot) {
  const struct {
    Ipv4Address destination;
    std::size_t size;
    std::uint8_t ttl;
    std::uint32_t status;
    Ipv4Address from;
  } rows[] = {
      {0, 32, 64, status::kBadDestination, 0},
      {loop(0, 0, 1), 65530, 64, status::kPacketTooBig, loop(0, 0, 1)},  // more than one IP packet
      {loop(1, 2, 3), 31, 1, status::kSuccess, loop(1, 2, 3)},
  };
  for (const auto& row : rows) {
    const EchoResult r =
        service_.send(IpAddress::v4(row.destination), letters(row.size), plain(row.ttl), 2000);
    EXPECT_EQ(std::pair(r.status, r.replyAddress), std::pair(row.status, IpAddress::v4(row.from)))
        << row.size;
    if (row.status == status::kSuccess) {
      EXPECT_EQ(std::tuple(r.replyDataSize, r.replyTtl), std::tuple(row.size, 64u)) << row.size;
    }
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
    EXPECT_EQ(service_.send(IpAddress::v4(dst), payload, o, 2000).status, status::kSuccess)
        << int(last);
    const auto p = capture.findRequest(dst, payload);
    ASSERT_TRUE(p) << int(last);
    EXPECT_EQ(std::tuple((*p)[1], ((*p)[6] & 0x40) != 0, (*p)[8],
                         Bytes(p->begin() + 20, p->begin() + ((*p)[0] & 0x0F) * 4)),
              std::tuple(row.tos, row.df, o.ttl, row.ipOptions))
        << int(last);
  }
}

// 70,000 requests within a minute from many services at once: every request
// gets its own reply (a destination and payload size of its own tell whose
// reply came back), and as a datagram socket's 65,536 sequences do not come
// round again that soon, the dispatcher adds a socket.
TEST_F(EchoNet, ManyServicesAtOnceEachGetTheirOwnReplies) {
  constexpr int kServices = 250, kEach = 280;
  const int socketsBefore = EchoDispatcher::instance().openSockets();
  std::atomic<int> wrong{0};
  std::vector<std::jthread> threads;
  for (int i = 0; i < kServices; ++i) {
    threads.emplace_back([&, i] {
      IcmpEchoService s;
      ASSERT_EQ(s.open(), EchoOpenResult::Ok) << i;
      const IpAddress destination = IpAddress::v4(loop(20, 0, static_cast<std::uint8_t>(1 + i)));
      const Bytes payload = letters(static_cast<std::size_t>(i % 97));
      for (int k = 0; k < kEach; ++k) {
        const EchoResult r = s.send(destination, payload, plain(), 10000);
        wrong += r.status != status::kSuccess || r.replyAddress != destination ||
                 r.replyDataSize != payload.size();
      }
    });
  }
  threads.clear();  // joins
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(EchoDispatcher::instance().pendingRequests(), 0);
  if (EchoDispatcher::instance().kind() == EchoSocketKind::Datagram) {
    EXPECT_GT(EchoDispatcher::instance().openSockets(), socketsBefore);
  }
}

// What asynchronous requests hear: each result once, and the thread it came on.
struct Answers : EchoCompletion {
  struct One : EchoCompletion {
    Answers* all = nullptr;
    EchoResult result;
    std::thread::id on;
    void echoDone(const EchoResult& r) override {
      result = r;
      on = std::this_thread::get_id();
      if (all->left.fetch_sub(1) == 1) all->done.post();
    }
  };
  explicit Answers(std::size_t n) : each(n), left(static_cast<int>(n)) {
    for (One& o : each) o.all = this;
  }
  void echoDone(const EchoResult&) override {}
  std::vector<One> each;
  std::atomic<int> left;
  OneShot done;
};

// Thousands of requests out at once without a thread each: every one is
// answered by its own destination on the engine's thread, where a request
// that cannot go out is told at once.
TEST_F(EchoNet, AsynchronousRequestsAreAnsweredOnTheEngineThread) {
  constexpr std::size_t kRequests = 3000;
  Answers answers(kRequests + 1);
  const Bytes payload = letters(20);
  for (std::size_t i = 0; i < kRequests; ++i) {
    const Ipv4Address to = loop(30, static_cast<std::uint8_t>(i / 250), 1 + i % 250);
    service_.sendAsync(IpAddress::v4(to), payload, plain(), 10000, answers.each[i]);
  }
  service_.sendAsync(IpAddress::v4(0), payload, plain(), 10000, answers.each[kRequests]);
  answers.done.wait();
  struct WhereAmI : LoopTask {
    std::thread::id id;
    EventLoop* loop = nullptr;
    void run() override {
      id = std::this_thread::get_id();
      loop->retire(*this);
    }
  } probe;
  probe.loop = service_.engine();
  ASSERT_NE(probe.loop, nullptr);
  probe.loop->post(probe);
  probe.waitFor();
  int wrong = 0;
  for (std::size_t i = 0; i < kRequests; ++i) {
    const auto& a = answers.each[i];
    const Ipv4Address to = loop(30, static_cast<std::uint8_t>(i / 250), 1 + i % 250);
    wrong += a.result.status != status::kSuccess || a.result.replyAddress != IpAddress::v4(to) ||
             a.result.replyDataSize != payload.size() || a.on != probe.id;
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(answers.each[kRequests].result.status, status::kBadDestination);
  EXPECT_EQ(EchoDispatcher::instance().pendingRequests(), 0);
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
    ASSERT_TRUE(ignoreEchoes(true));
    ASSERT_TRUE(capture_.fd >= 0);
  }
  void TearDown() override {
    if (sender_.joinable()) sender_.join();
    if (inPrivateNetns()) ignoreEchoes(false);
  }
  // Sends `size` letters to kDestination on a thread of its own; the
  // request's headers as they went out on the wire.
  Bytes startSend(std::size_t size) {
    sender_ = std::thread([this, size] {
      result_ = service_.send(IpAddress::v4(kDestination), letters(size), plain(), 5000);
    });
    const Bytes wire = capture_.findRequest(kDestination, letters(size)).value_or(Bytes(28));
    return Bytes(wire.begin(), wire.begin() + (wire[0] & 0x0F) * 4 + 8);
  }
  EchoResult finish() {
    sender_.join();
    return result_;
  }

  WireCapture capture_;
  std::thread sender_;
  EchoResult result_;
};

// An echo reply with the identifier and sequence quoted in `headers`.
Bytes replyTo(const Bytes& headers) {
  Bytes reply(headers.end() - 4, headers.end());
  reply.resize(11, 'z');
  return reply;
}

// A late answer to an earlier request, a redirect and an error about the
// same request to another destination are no answer; an answer or an error
// that quotes this request counts from any address, as a broadcast's or a
// host's answering for another would.
TEST_F(SilentLoopback, OnlyWhatAnswersThisRequestCountsFromAnyAddress) {
  // Unanswered, a request without a thread times out all the same.
  Answers unanswered(1);
  const Bytes ten = letters(10);
  service_.sendAsync(IpAddress::v4(kDestination), ten, plain(), 100, unanswered.each[0]);
  unanswered.done.wait();
  EXPECT_EQ(unanswered.each[0].result.status, status::kRequestTimedOut);
  EXPECT_EQ(service_.send(IpAddress::v4(kDestination), letters(11), plain(), 100).status,
            status::kRequestTimedOut);
  const auto late = capture_.findRequest(kDestination, letters(11));
  ASSERT_TRUE(late);
  Bytes quote = startSend(12);
  ASSERT_TRUE(forgeIcmp(kDestination, 0, 0, replyTo(*late)));
  ASSERT_TRUE(forgeIcmp(kOther, 0, 0, replyTo(quote)));
  EchoResult r = finish();
  EXPECT_EQ(std::tuple(r.status, r.replyAddress, r.replyDataSize),
            std::tuple(status::kSuccess, IpAddress::v4(kOther), 7u));

  quote = startSend(14);
  quote.insert(quote.begin(), 4, 0);  // the unused word, then the request's headers
  ASSERT_TRUE(forgeIcmp(kOther, 5, 1, quote));
  Bytes elsewhere = quote;
  elsewhere[4 + 19] ^= 0x01;
  ASSERT_TRUE(forgeIcmp(kOther, 3, 1, elsewhere));
  ASSERT_TRUE(forgeIcmp(kOther, 11, 0, quote));
  r = finish();
  EXPECT_EQ(std::pair(r.status, r.replyAddress),
            std::pair(status::kTtlExpiredTransit, IpAddress::v4(kOther)));
}

}  // namespace
}  // namespace tarvo

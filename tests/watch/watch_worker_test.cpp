#include "watch/watch_worker.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "engine/address.h"
#include "engine/echo_status.h"
#include "fake_echo_service.h"
#include "manual_clock.h"

namespace tarvo {
namespace {

using testing::FakeEchoNetwork;
using testing::FakeReply;
using testing::FakeSend;

constexpr Ipv4Address kHost = 0x0A000005;   // 10.0.0.5
constexpr Ipv4Address kOther = 0x0A000009;  // 10.0.0.9

FakeReply timeout() { return FakeEchoNetwork::failure(status::kRequestTimedOut, kHost); }

class WatchWorkerTest : public ::testing::Test {
 protected:
  WatchWorkerTest()
      : dir(std::filesystem::temp_directory_path() /
            ("watch_worker_test_" + std::to_string(::getpid()))),
        shared(1) {
    std::filesystem::remove_all(dir);
    settings.logPath = dir.string();
    settings.delayMs = 100;
    settings.waitMs = 500;
    settings.ttl = 61;
    shared.hostText.set({"10.0.0.5"});
  }
  ~WatchWorkerTest() override { std::filesystem::remove_all(dir); }

  // The n-th answer (0-based); the last one repeats.
  void script(std::vector<FakeReply> replies) {
    net.setResponder([replies](const FakeSend& s) {
      return replies[std::min<std::size_t>(s.sendIndex, replies.size() - 1)];
    });
  }

  // Collects tokens until there are n (or the worker stalls).
  void collect(std::size_t n) {
    for (int spin = 0; tokens.size() < n && spin < 4000; ++spin) {
      for (auto& t : shared.takeTokens(0)) tokens.push_back(t);
      if (tokens.size() < n) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  // Runs a worker until it has handed over n tokens, then stops it.
  void run(std::size_t n) {
    TWatchTh worker(0, settings, shared, net.factory());
    worker.setClock(clock);
    ASSERT_TRUE(worker.start());
    collect(n);
    worker.stop();
    worker.waitFor();
    collect(0);
    EXPECT_EQ(net.servicesOpen(), 0);
  }

  std::vector<std::string> logLines(const std::string& name = "10_0_0_5.log") {
    std::ifstream in(dir / name);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  // The part of a line after the address, date and time.
  static std::string tail(const std::string& line) { return line.substr(line.find("RTT")); }

  std::filesystem::path dir;
  MonitorSettings settings;
  MonitorShared shared;
  FakeEchoNetwork net;
  testing::ManualClock clock;
  std::vector<std::string> tokens;
};

TEST_F(WatchWorkerTest, ChangesOnlyLogsTheFirstReplyAndTheFirstTimeout) {
  settings.logChangesOnly = true;
  const FakeReply reply = FakeEchoNetwork::reply(kHost, 12, 32, 64);
  script({reply, reply, reply, timeout(), timeout()});
  run(6);
  ASSERT_GE(tokens.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(tokens.begin(), tokens.begin() + 5),
            (std::vector<std::string>{"112", "112", "112", "0", "0"}));
  const auto lines = logLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(0, 10), "10.0.0.5, ");
  EXPECT_EQ(tail(lines[0]),
            "RTT = 12, TTL = 64, Bytes = 32, Sent = 1, Recv = 1, Lost = 0, Loss = 0%, Success");
  EXPECT_EQ(tail(lines[1]),
            "RTT = 0, TTL = 0, Bytes = 0, Sent = 4, Recv = 3, Lost = 1, Loss = 25%, "
            "Request timed out");
}

TEST_F(WatchWorkerTest, RepliesOnlyStillCountsTimeoutsOneOpenPerLine) {
  settings.logReplies = true;
  settings.logImmediate = true;
  const FakeReply reply = FakeEchoNetwork::reply(kHost, 3);
  script({reply, timeout(), reply, timeout(), timeout(), FakeEchoNetwork::failure(11999, kHost)});
  run(7);
  const auto lines = logLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[1].find(", Sent = 3, Recv = 2, Lost = 1, Loss = 33%, Success"), std::string::npos)
      << lines[1];
}

TEST_F(WatchWorkerTest, TimeoutsOnlyWithAnUnknownStatusAndTwoOfThreeLost) {
  settings.logTimeouts = true;
  script({FakeEchoNetwork::reply(kHost, 3), timeout(), FakeEchoNetwork::failure(11999, kHost)});
  run(3);
  const auto lines = logLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_NE(lines[0].find("Sent = 2, Recv = 1, Lost = 1, Loss = 50%, Request timed out"),
            std::string::npos);
  EXPECT_NE(lines[1].find("Sent = 3, Recv = 1, Lost = 2, Loss = 66%, ICMP Status = 11999"),
            std::string::npos);
}

TEST_F(WatchWorkerTest, RequestsArePacedStampedAndCarryTheWatchOptions) {
  settings.stampSequence = true;
  settings.dataSize = 40;
  std::vector<long long> at;
  std::mutex atMutex;
  net.setResponder([&](const FakeSend&) {
    std::lock_guard<std::mutex> lock(atMutex);
    at.push_back(clock.elapsedMs());
    return FakeEchoNetwork::reply(kHost, 1);
  });
  run(8);
  const auto sends = net.sends();
  ASSERT_GE(sends.size(), 8u);
  EXPECT_EQ(std::string(sends[6].payload.begin(), sends[6].payload.begin() + 12), ".Seq=00007.L");
  EXPECT_EQ(sends[6].payload.size(), 40u);
  EXPECT_EQ(sends[0].options.ttl, 61);
  EXPECT_EQ(sends[0].options.optionSize, 0);
  EXPECT_EQ(sends[0].options.flags, 0);
  EXPECT_EQ(sends[0].timeoutMs, 500u);
  std::lock_guard<std::mutex> lock(atMutex);
  EXPECT_EQ(at[0], 0);  // the first request goes out at once
  for (std::size_t i = 1; i < 8; ++i) EXPECT_EQ(at[i] - at[i - 1], 100) << i;
  EXPECT_TRUE(logLines().empty());  // nothing asked to be logged
}

TEST_F(WatchWorkerTest, WaitsForAnAddressThenFollowsTheHostThatAnswers) {
  settings.logReplies = true;
  shared.hostText.set({"alpha.example"});
  net.setResponder([](const FakeSend&) { return FakeEchoNetwork::reply(kOther, 2); });
  TWatchTh worker(0, settings, shared, net.factory());
  worker.setClock(clock);
  ASSERT_TRUE(worker.start());
  while (clock.elapsedMs() < 5000) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_TRUE(net.sends().empty());   // a name is never pinged itself
  shared.hostText.set({"10.0.0.5"});  // as the resolver leaves it
  collect(3);
  worker.stop();
  worker.waitFor();
  const auto sends = net.sends();
  ASSERT_GE(sends.size(), 3u);
  EXPECT_EQ(sends[0].destination, kHost);
  EXPECT_EQ(sends[1].destination, kOther);
  const auto lines = logLines();  // named after the address waited for
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(0, 10), "10.0.0.5, ");
  EXPECT_EQ(lines[1].substr(0, 10), "10.0.0.9, ");
}

TEST_F(WatchWorkerTest, PauseStopsRequestsAndResumeSendsAtOnce) {
  std::atomic<int> sent{0};
  std::vector<long long> at;
  std::mutex atMutex;
  net.setResponder([&](const FakeSend&) {
    {
      std::lock_guard<std::mutex> lock(atMutex);
      at.push_back(clock.elapsedMs());
    }
    ++sent;
    return FakeEchoNetwork::reply(kHost, 1);
  });
  TWatchTh worker(0, settings, shared, net.factory());
  worker.setClock(clock);
  ASSERT_TRUE(worker.start());
  collect(3);
  worker.setPaused(true);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const int whenPaused = sent.load();
  const long long pausedAt = clock.elapsedMs();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(sent.load(), whenPaused);
  clock.advance(std::chrono::seconds(5));  // the pause lasts
  worker.setPaused(false);
  for (int spin = 0; sent.load() == whenPaused && spin < 2000; ++spin) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  worker.stop();
  worker.waitFor();
  std::lock_guard<std::mutex> lock(atMutex);
  ASSERT_GT(static_cast<int>(at.size()), whenPaused);
  EXPECT_EQ(at[whenPaused], pausedAt + 5000);  // no further delay after the pause
}

TEST_F(WatchWorkerTest, WithoutAnEchoServiceTheWorkerEndsSilently) {
  settings.logReplies = true;
  net.setOpenResult(EchoOpenResult::LibraryMissing);
  run(0);
  EXPECT_TRUE(tokens.empty());
  EXPECT_TRUE(net.sends().empty());
  EXPECT_FALSE(std::filesystem::exists(dir));
}

}  // namespace
}  // namespace tarvo

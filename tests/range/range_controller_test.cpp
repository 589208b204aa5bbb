#include "range/range_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <regex>

#include "fake_echo_service.h"
#include "range/range_report.h"
#include "recording_range_view.h"

namespace tarvo {
namespace {

using testing::FakeEchoNetwork;
using testing::FakeReply;
using testing::FakeSend;
using testing::RecordingRangeView;

constexpr Ipv4Address kRouter = 0xC6120202;  // 198.18.2.2

class RangeControllerTest : public ::testing::Test {
 protected:
  RangeSnapshot snapshot(RangeOctets first, RangeOctets last) {
    RangeSnapshot s;
    s.input = {first, last};
    s.waitMs = 500;
    s.delayMs = 1;
    s.burstMode = true;
    s.echoFactory = net.factory();
    return s;
  }

  // The result lines: everything between the start time and the end time.
  std::vector<std::string> results() const {
    const auto& l = view.lines;
    auto from = std::find_if(l.begin(), l.end(), [](const std::string& s) {
      return s.rfind("    Start time  ", 0) == 0;
    });
    auto to = std::find_if(l.begin(), l.end(),
                           [](const std::string& s) { return s.rfind("    End time  ", 0) == 0; });
    if (from == l.end() || to == l.end()) return {};
    return {from + 1, to};
  }

  FakeEchoNetwork net;
  RecordingRangeView view;
};

std::uint32_t lastOctet(Ipv4Address a) { return a & 0xFF; }

TEST_F(RangeControllerTest, ResultsInAddressOrderWhileLaterWorkersFinishFirst) {
  // Each worker answers later the lower its address: the last one first.
  net.setResponder([](const FakeSend& s) {
    return FakeEchoNetwork::reply(s.destination, 1, 32, 64, 20 * (7 - lastOctet(s.destination)));
  });
  TCtrlPing ctrl(snapshot({10, 0, 0, 1}, {10, 0, 0, 6}), view);
  ASSERT_TRUE(ctrl.start());
  ctrl.waitFor();

  const auto& l = view.lines;
  ASSERT_GE(l.size(), 4u);
  EXPECT_EQ(l[0], " ");
  EXPECT_EQ(l[1], "  \u00B7 Pinging IP Range");
  EXPECT_TRUE(std::regex_match(l[2], std::regex("    Start time  .+")));
  std::vector<std::string> expected;
  for (int i = 1; i <= 6; ++i) {
    expected.push_back("      10.0.0." + std::to_string(i) +
                       "  Bytes=32;  sent/recv/lost=1/1/0;  min/avg/max=1/1/1;  TTL=64");
  }
  EXPECT_EQ(results(), expected);
  ASSERT_EQ(l.size(), 3u + 6 + 2 + 7 + 1);
  EXPECT_TRUE(std::regex_match(l[9], std::regex("    End time  .+")));
  EXPECT_EQ(l[10], "      Pinging IP Range lasted [hh:mm:ss]  00:00:00");
  EXPECT_EQ(l[11], "    Statistics: ");
  EXPECT_EQ(l.back(), kEndOfRangePingLine);

  // Lists: cleared first, then filled in address order, first one selected once.
  std::vector<std::string> steps = {"start", "clear lists", "reached 10.0.0.1", "select reached"};
  for (int i = 2; i <= 6; ++i) steps.push_back("reached 10.0.0." + std::to_string(i));
  steps.push_back("finish");
  EXPECT_EQ(view.steps, steps);
  EXPECT_EQ(view.status0.back(), "  Done ");
  EXPECT_EQ(view.status1.front(), "");
  EXPECT_EQ(view.status1[1], "  Number of reached addresses: 0");
  EXPECT_EQ(view.status1.back(), "  Number of reached addresses: 6 of 6");
  EXPECT_EQ(ctrl.counts().reached, 6u);
}

TEST_F(RangeControllerTest, SkipsNetworkAndBroadcastInTheReport) {
  TCtrlPing ctrl(snapshot({10, 0, 0, 250}, {10, 0, 1, 3}), view);
  ASSERT_TRUE(ctrl.start());
  ctrl.waitFor();
  auto r = results();
  ASSERT_EQ(r.size(), 10u);
  EXPECT_EQ(r[5], "      10.0.0.255  --- Broadcast address. Not pinged. ---");
  EXPECT_EQ(r[6], "      10.0.1.0  --- IP subnet address. Not pinged. ---");
  const std::vector<std::string> stats(view.lines.end() - 8, view.lines.end() - 1);
  // Two-digit numbers get three "..", one-digit numbers four.
  EXPECT_EQ(
      stats,
      (std::vector<std::string>{
          "    Statistics: ",
          "        Total destination addresses:....................." + std::string(6, '.') + "10",
          "            Number of pinged addresses:..............." + std::string(8, '.') + "8",
          "                Number of reached addresses:........." + std::string(8, '.') + "8",
          "                Number of not reached addresses:..." + std::string(8, '.') + "0",
          "            Network addresses:.............................." + std::string(8, '.') +
              "1",
          "            Broadcast addresses:..........................." + std::string(8, '.') +
              "1"}));
  EXPECT_EQ(net.sends().size(), 8u);
}

TEST_F(RangeControllerTest, ShowSwitchesHideLinesButKeepCountsAndLists) {
  // Odd addresses answer, even ones are unreachable.
  net.setResponder([](const FakeSend& s) {
    return lastOctet(s.destination) % 2 ? FakeEchoNetwork::reply(s.destination, 1)
                                        : FakeEchoNetwork::failure(11003, kRouter);
  });
  RangeSnapshot s = snapshot({10, 0, 0, 0}, {10, 0, 0, 5});
  s.showReached = false;
  TCtrlPing hideReached(s, view);
  ASSERT_TRUE(hideReached.start());
  hideReached.waitFor();
  EXPECT_EQ(results(), (std::vector<std::string>{
                           "      10.0.0.0  --- IP subnet address. Not pinged. ---",
                           "      10.0.0.2  Reply from 198.18.2.2: Destination host unreachable",
                           "      10.0.0.4  Reply from 198.18.2.2: Destination host unreachable"}));
  // The not reached list holds only pinged hosts, never the skipped network address.
  EXPECT_EQ(view.steps, (std::vector<std::string>{
                            "start", "clear lists", "reached 10.0.0.1", "select reached",
                            "not reached 10.0.0.2", "select not reached", "reached 10.0.0.3",
                            "not reached 10.0.0.4", "reached 10.0.0.5", "finish"}));

  RecordingRangeView second;
  s.showReached = true;
  s.showNotReached = false;
  TCtrlPing hideNotReached(s, second);
  ASSERT_TRUE(hideNotReached.start());
  hideNotReached.waitFor();
  ASSERT_EQ(second.lines.size(), 3u + 3 + 2 + 7 + 1);
  for (int i : {1, 3, 5}) {
    EXPECT_EQ(second.lines[3 + i / 2].substr(0, 17), "      10.0.0." + std::to_string(i) + "  B");
  }
  EXPECT_EQ(hideNotReached.counts().notReached, 2u);
  EXPECT_EQ(hideNotReached.counts().network, 1u);
}

TEST_F(RangeControllerTest, BreakLetsStartedWorkersFinish) {
  // Paced starts; break once the third worker has started.
  net.setResponder(
      [](const FakeSend& s) { return FakeEchoNetwork::reply(s.destination, 1, 32, 64, 150); });
  RangeSnapshot s = snapshot({10, 0, 0, 1}, {10, 0, 0, 20});
  s.burstMode = false;
  TCtrlPing ctrl(s, view);
  view.onStatus0 = [&ctrl](const std::string& text) {
    if (text == "  Trying to reach: 10.0.0.3") ctrl.requestStop();
  };
  ASSERT_TRUE(ctrl.start());
  ctrl.waitFor();
  EXPECT_EQ(results().size(), 3u);
  EXPECT_EQ(ctrl.counts().started, 3u);
  EXPECT_EQ(ctrl.counts().reached, 3u);
  EXPECT_EQ(view.status0.back(), "  Break after 3 addresses");
  EXPECT_EQ(view.status1.back(), "  Number of reached addresses: 3 of 20");
  EXPECT_EQ(view.lines.back(), kEndOfRangePingLine);
}

TEST_F(RangeControllerTest, BreakWithStopSoonDropsRunningWorkers) {
  net.setResponder(
      [](const FakeSend& s) { return FakeEchoNetwork::reply(s.destination, 1, 32, 64, 300); });
  RangeSnapshot s = snapshot({10, 0, 0, 1}, {10, 0, 0, 20});
  s.stopSoonOnBreak = true;
  TCtrlPing ctrl(s, view);
  view.onStatus0 = [&ctrl](const std::string& text) {
    if (text == "  Trying to reach: 10.0.0.5") ctrl.requestStop();
  };
  ASSERT_TRUE(ctrl.start());
  ctrl.waitFor();
  EXPECT_TRUE(results().empty());
  EXPECT_EQ(ctrl.counts().started, 5u);
  EXPECT_EQ(ctrl.counts().reached + ctrl.counts().notReached, 0u);
  EXPECT_EQ(view.status0.back(), "  Break after 5 addresses");
  EXPECT_EQ(net.servicesOpen(), 0);
}

// Notes when each worker thread is started.
class StartClock : public TCtrlPing {
 public:
  using TCtrlPing::TCtrlPing;
  std::vector<std::chrono::steady_clock::time_point> starts;

 protected:
  bool startWorker(TPingrange& worker) override {
    starts.push_back(std::chrono::steady_clock::now());
    return TCtrlPing::startWorker(worker);
  }
};

TEST_F(RangeControllerTest, PacedStartsAreAtLeastFiftyMillisecondsApart) {
  RangeSnapshot s = snapshot({10, 0, 0, 1}, {10, 0, 0, 5});
  s.burstMode = false;
  StartClock ctrl(s, view);
  ASSERT_TRUE(ctrl.start());
  ctrl.waitFor();
  ASSERT_EQ(ctrl.starts.size(), 5u);
  for (std::size_t i = 1; i < ctrl.starts.size(); ++i) {
    EXPECT_GE(ctrl.starts[i] - ctrl.starts[i - 1], std::chrono::microseconds(49500)) << i;
  }
}

// Refuses threads as a system out of them would.
class ScarceThreads : public TCtrlPing {
 public:
  ScarceThreads(RangeSnapshot s, RangeView& v, std::uint32_t failingSlot, int refusals)
      : TCtrlPing(std::move(s), v), failingSlot_(failingSlot), refusals_(refusals) {}
  std::atomic<int> attempts{0};

 protected:
  bool startWorker(TPingrange& worker) override {
    if (++attempts >= static_cast<int>(failingSlot_) && refusals_ != 0) {
      if (refusals_ > 0) --refusals_;
      return false;
    }
    return TCtrlPing::startWorker(worker);
  }

 private:
  std::uint32_t failingSlot_;
  int refusals_;  // -1: for ever
};

TEST_F(RangeControllerTest, RefusedThreadsAreRetriedNotReportedAsFailures) {
  net.setResponder(
      [](const FakeSend& s) { return FakeEchoNetwork::reply(s.destination, 1, 32, 64, 30); });
  ScarceThreads ctrl(snapshot({10, 0, 0, 1}, {10, 0, 0, 5}), view, 3, 20);
  ASSERT_TRUE(ctrl.start());
  ctrl.waitFor();
  EXPECT_GT(ctrl.attempts.load(), 5);
  auto r = results();
  ASSERT_EQ(r.size(), 5u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(r[i].substr(0, 17), "      10.0.0." + std::to_string(i + 1) + "  B");
  }
  EXPECT_EQ(view.status0.back(), "  Done ");
}

TEST_F(RangeControllerTest, ThreadsRefusedForGoodEndTheRun) {
  RangeSnapshot s = snapshot({10, 0, 0, 1}, {10, 0, 0, 5});
  s.threadRetryMs = 100;
  ScarceThreads ctrl(s, view, 3, -1);
  ASSERT_TRUE(ctrl.start());
  ctrl.waitFor();
  auto r = results();
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[2], "      Thread start failure !");
  EXPECT_EQ(view.status0.back(), "  Break after 2 addresses");
  EXPECT_EQ(view.lines.back(), kEndOfRangePingLine);
}

TEST_F(RangeControllerTest, LaunchedControllerFreesItselfAfterItsFinishStep) {
  std::promise<void> finished;
  view.onLine = [&finished](const std::string& line) {
    if (line == kEndOfRangePingLine) finished.set_value();
  };
  TCtrlPing* ctrl = TCtrlPing::launch(snapshot({10, 0, 0, 1}, {10, 0, 0, 3}), view);
  ASSERT_NE(ctrl, nullptr);
  ASSERT_EQ(finished.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_TRUE(ThreadBase::waitAllEnded(10000));
  EXPECT_EQ(results().size(), 3u);
  EXPECT_EQ(view.steps.back(), "finish");
}

TEST(RangeReport, StatisticsPaddingShrinksWithTheDigits) {
  RangeCounts c;
  c.total = 65536;
  c.reached = 256;
  c.notReached = 7;
  auto lines = rangeStatisticsLines(c);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[1], "        Total destination addresses:.....................65536");
  EXPECT_EQ(lines[2],
            "            Number of pinged addresses:..............." + std::string(4, '.') + "263");
  EXPECT_EQ(lines[3],
            "                Number of reached addresses:........." + std::string(4, '.') + "256");
  EXPECT_EQ(lines[4],
            "                Number of not reached addresses:..." + std::string(8, '.') + "7");
}

}  // namespace
}  // namespace tarvo

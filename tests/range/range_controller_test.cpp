#include "range/range_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>

#include "fake_echo_service.h"
#include "manual_clock.h"
#include "recording_view.h"
#include "wait_until.h"

namespace tarvo {
namespace {

using testing::FakeEchoNetwork;
using testing::FakeSend;

struct RangeView : testing::RecordingView {
  RangeView() : RecordingView(kEndOfRangePingLine) {}
};

// Notes when each worker starts (by the run's clock) and which worker has
// which slot, and refuses threads on demand as a system out of them would.
class ThreadControl : public TCtrlPing {
 public:
  using TCtrlPing::TCtrlPing;
  std::vector<Clock::TimePoint> starts;
  std::array<std::atomic<TPingrange*>, 21> workers{};  // by slot
  int refusals = 0;  // from the third start on: how many; -1 for ever

 protected:
  bool startWorker(TPingrange& worker) override {
    starts.push_back(clock().now());
    if (starts.size() >= 3 && refusals != 0) {
      refusals -= refusals > 0;
      return false;
    }
    workers[++slots_] = &worker;
    return TCtrlPing::startWorker(worker);
  }

 private:
  std::size_t slots_ = 0;
};

class RangeControllerTest : public ::testing::Test {
 protected:
  // 10.0.0.first to 10.0.0.last in burst mode, paced by a pretend clock.
  RangeSnapshot snapshot(std::int32_t first, std::int32_t last) {
    RangeSnapshot s;
    s.input = {{10, 0, 0, first}, {10, 0, 0, last}};
    s.waitMs = 500;
    s.delayMs = 1;
    s.burstMode = true;
    s.echoFactory = net.factory();
    s.clock = &clock;
    return s;
  }
  // Every request is answered once `ready` holds for it.
  void answerWhen(std::function<bool(const FakeSend&)> ready) {
    net.setResponder([ready](const FakeSend& s) {
      EXPECT_TRUE(testing::waitUntil([&] { return ready(s); }));
      return FakeEchoNetwork::reply(s.destination, 1);
    });
  }
  // The user presses Break when the status names `address`.
  void breakAt(TCtrlPing& ctrl, const std::string& address) {
    view.onStatus0 = [&ctrl, text = "  Trying to reach: " + address](const std::string& s) {
      if (s == text) ctrl.requestStop();
    };
  }
  void run(TCtrlPing& ctrl) {
    ASSERT_TRUE(ctrl.start());
    ctrl.waitFor();
  }
  // The result lines: everything between the start time and the end time.
  static std::vector<std::string> results(const RangeView& v) {
    const auto l = v.lines();
    auto opens = [](const char* head) { return [head](auto& s) { return s.rfind(head, 0) == 0; }; };
    auto from = std::find_if(l.begin(), l.end(), opens("    Start time  "));
    auto to = std::find_if(from, l.end(), opens("    End time  "));
    return to == l.end() ? std::vector<std::string>{} : std::vector<std::string>(from + 1, to);
  }

  testing::ManualClock clock;
  FakeEchoNetwork net;
  RangeView view;
};

std::string reached(int last) {
  return "      10.0.0." + std::to_string(last) +
         "  Bytes=32;  sent/recv/lost=1/1/0;  min/avg/max=1/1/1;  TTL=64";
}
// The lines of 10.0.0.first to 10.0.0.last, all reached.
std::vector<std::string> reachedLines(int first, int last) {
  std::vector<std::string> out;
  for (int i = first; i <= last; ++i) out.push_back(reached(i));
  return out;
}

TEST_F(RangeControllerTest, ResultsInAddressOrderWhileLaterWorkersFinishFirst) {
  std::atomic<int> answered{0};
  net.setResponder([&answered](const FakeSend& s) {
    const int turn = 6 - static_cast<int>(s.destination & 0xFF);  // 10.0.0.6 first
    EXPECT_TRUE(testing::waitUntil([&] { return answered == turn; }));
    ++answered;
    return FakeEchoNetwork::reply(s.destination, 1);
  });
  TCtrlPing ctrl(snapshot(1, 6), view);
  run(ctrl);
  EXPECT_EQ(view.lines()[1], "  \u00B7 Pinging IP Range");
  EXPECT_EQ(results(view), reachedLines(1, 6));
  EXPECT_EQ(view.status0().back(), "  Done ");
}

TEST_F(RangeControllerTest, ShowSwitchesHideLinesButKeepLists) {
  // Odd addresses answer; a router reports the even ones unreachable.
  net.setResponder([](const FakeSend& s) {
    return s.destination % 2 ? FakeEchoNetwork::reply(s.destination, 1)
                             : FakeEchoNetwork::failure(11003, 0xC6120202);
  });
  RangeSnapshot s = snapshot(0, 5);
  s.showReached = false;
  TCtrlPing hideReached(s, view);
  run(hideReached);
  EXPECT_EQ(results(view),
            (std::vector<std::string>{
                "      10.0.0.0  --- IP subnet address. Not pinged. ---",
                "      10.0.0.2  Reply from 198.18.2.2: Destination host unreachable",
                "      10.0.0.4  Reply from 198.18.2.2: Destination host unreachable"}));
  // Lists cleared first, filled in address order, each first entry selected
  // once; the not reached list holds only pinged hosts.
  EXPECT_EQ(view.listSteps(), (std::vector<std::string>{
                                  "begin", "clear lists", "reached 10.0.0.1", "select reached",
                                  "not reached 10.0.0.2", "select not reached", "reached 10.0.0.3",
                                  "not reached 10.0.0.4", "reached 10.0.0.5", "end"}));
}

// Paced starts are at least 50 ms apart; the workers started before a Break
// finish when stopping soon is off.
TEST_F(RangeControllerTest, BreakWithoutStopSoonLetsPacedWorkersFinish) {
  RangeSnapshot s = snapshot(1, 20);
  s.burstMode = false;
  ThreadControl ctrl(s, view);
  breakAt(ctrl, "10.0.0.3");
  // The started workers are still waiting for their answers at the Break.
  answerWhen([&ctrl](const FakeSend&) { return ctrl.stopRequested(); });
  run(ctrl);
  EXPECT_EQ(results(view), reachedLines(1, 3));
  EXPECT_EQ(view.status0().back(), "  Break after 3 addresses");
  ASSERT_EQ(ctrl.starts.size(), 3u);
  EXPECT_GE(ctrl.starts[1] - ctrl.starts[0], std::chrono::milliseconds(50));
  EXPECT_GE(ctrl.starts[2] - ctrl.starts[1], std::chrono::milliseconds(50));
}

TEST_F(RangeControllerTest, BreakWithStopSoonDropsRunningWorkers) {
  RangeSnapshot s = snapshot(1, 20);
  s.stopSoonOnBreak = true;
  ThreadControl ctrl(s, view);
  breakAt(ctrl, "10.0.0.5");
  // Each answer comes only once its worker has been told to stop.
  answerWhen([&ctrl](const FakeSend& send) {
    return ctrl.workers[send.destination & 0xFF].load()->stopRequested();
  });
  run(ctrl);
  EXPECT_TRUE(results(view).empty());
  EXPECT_EQ(view.status0().back(), "  Break after 5 addresses");
}

// Refused threads are waited for, not reported; refused for good with
// nothing left running, the run ends.
TEST_F(RangeControllerTest, RefusedThreadsAreWaitedForNotReported) {
  const struct {
    int refusals;
    std::vector<std::string> results;
    const char* status;
  } rows[] = {
      {20, reachedLines(1, 5), "  Done "},
      {-1, {reached(1), reached(2), "      Thread start failure !"}, "  Break after 2 addresses"}};
  for (const auto& row : rows) {
    RangeView v;
    RangeSnapshot s = snapshot(1, 5);
    if (row.refusals < 0) s.threadRetryMs = 100;
    ThreadControl ctrl(s, v);
    ctrl.refusals = row.refusals;
    run(ctrl);
    EXPECT_EQ(results(v), row.results) << row.refusals;
    EXPECT_EQ(v.status0().back(), row.status) << row.refusals;
  }
}

TEST_F(RangeControllerTest, LaunchedControllerFreesItselfAfterItsFinishStep) {
  std::atomic<bool> finished{false};
  view.onLine = [&finished](const std::string& line) {
    if (line == kEndOfRangePingLine) finished = true;
  };
  ASSERT_NE(TCtrlPing::launch(snapshot(1, 3), view), nullptr);
  ASSERT_TRUE(testing::waitUntil([&finished] { return finished.load(); }));
  EXPECT_TRUE(ThreadBase::waitAllEnded(10000));
  EXPECT_EQ(results(view).size(), 3u);
}

}  // namespace
}  // namespace tarvo

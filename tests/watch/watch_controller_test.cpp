#include "watch/watch_controller.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "engine/address.h"
#include "engine/echo_status.h"
#include "fake_echo_service.h"
#include "manual_clock.h"

namespace tarvo {
namespace {

using testing::FakeEchoNetwork;
using testing::FakeSend;

// Records the monitor's steps; the test thread reads while the controller
// writes.
class RecordingWatchView : public WatchView {
 public:
  void begin() override { step("begin"); }
  void end() override { step("end"); }
  void setStatus(StatusPart part, const std::string& text) override {
    EXPECT_EQ(part, StatusPart::Counted);
    std::lock_guard<std::mutex> lock(mutex_);
    status.push_back(text);
  }
  bool createGraph(std::size_t index, const std::string& caption) override {
    step("create " + std::to_string(index) + " " + caption);
    if (onCreate) onCreate(index);
    std::lock_guard<std::mutex> lock(mutex_);
    captions[index] = caption;
    return failGraph < 0 || index != static_cast<std::size_t>(failGraph);
  }
  void deleteGraph(std::size_t index) override { step("delete " + std::to_string(index)); }
  void graphsReady(std::size_t count) override { step("ready " + std::to_string(count)); }
  void setGraphCaption(std::size_t index, const std::string& caption) override {
    std::lock_guard<std::mutex> lock(mutex_);
    captions[index] = caption;
    captionHistory[index].push_back(caption);
  }
  void addPoint(std::size_t index, const GraphPoint& p) override {
    std::lock_guard<std::mutex> lock(mutex_);
    points[index].push_back(p);
  }
  void setGroupCaption(const std::string& caption) override { step("group" + caption); }
  void freeGraphs() override { step("free"); }
  void setHostAddress(std::size_t index, const std::string& address) override {
    std::lock_guard<std::mutex> lock(mutex_);
    addresses[index].push_back(address);
  }
  void hostStateChanged(const HostStateChange& change) override {
    std::lock_guard<std::mutex> lock(mutex_);
    // Which result made it: the points the host had before it.
    changes[change.index].push_back(std::string(hostStateName(change.state)) +
                                    (change.notice ? " notice " : " silent ") + change.address +
                                    " after " + std::to_string(points[change.index].size() + 1));
  }

  std::size_t pointCount(std::size_t index) {
    std::lock_guard<std::mutex> lock(mutex_);
    return points[index].size();
  }
  bool told(std::size_t index) {
    std::lock_guard<std::mutex> lock(mutex_);
    return !addresses[index].empty();
  }
  std::string caption(std::size_t index) {
    std::lock_guard<std::mutex> lock(mutex_);
    return captions[index];
  }

  int failGraph = -1;
  std::function<void(std::size_t)> onCreate;
  std::vector<std::string> steps, status;
  std::map<std::size_t, std::string> captions;
  std::map<std::size_t, std::vector<std::string>> captionHistory;
  std::map<std::size_t, std::vector<GraphPoint>> points;
  std::map<std::size_t, std::vector<std::string>> changes;
  std::map<std::size_t, std::vector<std::string>> addresses;  // as told, in order

 private:
  void step(const std::string& s) {
    std::lock_guard<std::mutex> lock(mutex_);
    steps.push_back(s);
  }
  std::mutex mutex_;
};

class WatchControllerTest : public ::testing::Test {
 protected:
  WatchControllerTest() {
    run.settings.waitMs = 500;
    run.settings.delayMs = 100;
    run.settings.resolveMode = ResolveMode::No;
    run.echoFactory = net.factory();
    run.clock = &clock;
    run.resolver.lookupHost = [this](const std::string& name) -> std::optional<HostEntry> {
      ++forwardLookups;
      if (name == "alpha.example") return HostEntry{"alpha.example", {0x0A000005}};
      if (name == "late.example" && lateKnown) return HostEntry{"late.example", {0x0A000006}};
      return std::nullopt;
    };
    run.resolver.lookupAddress = [](Ipv4Address a) -> std::optional<HostEntry> {
      if (a == 0x7F000009) return HostEntry{"nine.example", {a}};
      return std::nullopt;
    };
  }

  // Waits (bounded) until the condition holds.
  template <class F>
  bool eventually(F f) {
    for (int spin = 0; spin < 5000; ++spin) {
      if (f()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }

  WatchRun run;
  FakeEchoNetwork net;
  testing::ManualClock clock;
  RecordingWatchView view;
  std::atomic<int> forwardLookups{0};
  std::atomic<bool> lateKnown{false};
};

TEST_F(WatchControllerTest, ThreeHostsStartInOrderAndTheirResultsBecomePoints) {
  run.hosts = {"127.0.0.1", "127.0.0.2", "127.0.0.3"};
  // Host 1 answers in exactly the time-out, host 2 later, host 3 never.
  net.setResponder([](const FakeSend& s) {
    if (s.destination == 0x7F000001) return FakeEchoNetwork::reply(s.destination, 500);
    if (s.destination == 0x7F000002) return FakeEchoNetwork::reply(s.destination, 501);
    return FakeEchoNetwork::failure(status::kRequestTimedOut, s.destination);
  });
  TCtrlWatch ctrl(run, view);
  ASSERT_TRUE(ctrl.start());
  EXPECT_TRUE(eventually([&] {
    return view.pointCount(0) >= 2 && view.pointCount(1) >= 2 && view.pointCount(2) >= 2;
  }));
  ctrl.stop();
  ctrl.waitFor();
  EXPECT_EQ(view.status, (std::vector<std::string>{
                             "  Initialize Monitor : 1", "  Initialize Monitor : 2",
                             "  Initialize Monitor : 3", "  Start Monitor: 1", "  Start Monitor: 2",
                             "  Start Monitor: 3", "  Monitored addresses: 3"}));
  EXPECT_EQ(view.steps, (std::vector<std::string>{
                            "begin", "group" + std::string(kMonitorStartingCaption),
                            "create 0 127.0.0.1", "create 1 127.0.0.2", "create 2 127.0.0.3",
                            "ready 3", "group" + std::string(kMonitorCaption), "free", "end"}));
  const GraphPoint green = view.points[0][0], yellow = view.points[1][0], red = view.points[2][0];
  EXPECT_EQ(green.value, 500u);
  EXPECT_EQ(green.color, GraphPoint::kGreen);
  EXPECT_EQ(yellow.value, 500u);
  EXPECT_EQ(yellow.color, GraphPoint::kYellow);
  EXPECT_EQ(red.value, 500u);
  EXPECT_EQ(red.color, GraphPoint::kRed);
  EXPECT_GT(ctrl.replies(), 0u);
  EXPECT_EQ(net.servicesOpen(), 0);
}

TEST_F(WatchControllerTest, AHostWithoutAGraphEndsTheStartAfterThreeAttempts) {
  run.hosts = {"127.0.0.1", "127.0.0.2", "127.0.0.3"};
  run.settings.resolveMode = ResolveMode::OneTry;
  view.failGraph = 1;
  TCtrlWatch ctrl(run, view);
  ASSERT_TRUE(ctrl.start());
  EXPECT_TRUE(eventually([&] { return view.pointCount(0) >= 1; }));
  ctrl.stop();
  ctrl.waitFor();
  EXPECT_EQ(ctrl.startedCount(), 1u);
  EXPECT_EQ(view.status.back(), "  Monitored addresses: 1");
  EXPECT_EQ(std::count(view.steps.begin(), view.steps.end(), "delete 1"), 3);
  EXPECT_EQ(std::count(view.steps.begin(), view.steps.end(), "create 2 127.0.0.3"), 0);
  EXPECT_EQ(view.pointCount(1), 0u);
}

TEST_F(WatchControllerTest, AStopDuringTheStartPutsBackTheIdleCaption) {
  run.hosts = {"127.0.0.1", "127.0.0.2", "127.0.0.3"};
  TCtrlWatch ctrl(run, view);
  view.onCreate = [&](std::size_t i) {
    if (i == 1) ctrl.stop();
  };
  ASSERT_TRUE(ctrl.start());
  ctrl.waitFor();
  std::vector<std::string> groups;
  std::copy_if(view.steps.begin(), view.steps.end(), std::back_inserter(groups),
               [](const std::string& s) { return s.rfind("group", 0) == 0; });
  ASSERT_FALSE(groups.empty());
  EXPECT_EQ(groups.back(), std::string("group") + kMonitorCaption);
}

TEST_F(WatchControllerTest, OneTryCaptionsNamesAndAddressesOnce) {
  run.settings.resolveMode = ResolveMode::OneTry;
  run.hosts = {"http://alpha.example", "nowhere.example", "127.0.0.9", "127.0.0.8"};
  TCtrlWatch ctrl(run, view);
  ASSERT_TRUE(ctrl.start());
  EXPECT_TRUE(eventually([&] { return view.caption(3) == "-- (127.0.0.8)"; }));
  EXPECT_TRUE(eventually([&] { return view.pointCount(0) >= 1 && view.pointCount(3) >= 1; }));
  clock.advance(std::chrono::seconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ctrl.stop();
  ctrl.waitFor();
  EXPECT_EQ(view.caption(0), "alpha.example (10.0.0.5)");
  EXPECT_EQ(view.caption(1), "nowhere.example (--)");
  EXPECT_EQ(view.caption(2), "nine.example (127.0.0.9)");
  // An unknown name is never pinged, but counts as not reached: it goes down.
  ASSERT_GE(view.pointCount(1), 3u);
  for (const GraphPoint& p : view.points[1]) EXPECT_EQ(p.color, GraphPoint::kRed);
  ASSERT_FALSE(view.changes[1].empty());
  EXPECT_EQ(view.changes[1][0], "down notice nowhere.example after 3");
  EXPECT_TRUE(view.addresses[1].empty());  // no address to tell
  EXPECT_EQ(forwardLookups.load(), 2);     // no second round
  for (const FakeSend& s : net.sends()) EXPECT_NE(s.destination, 0u);
}

TEST_F(WatchControllerTest, WithoutResolutionANameKeepsItsTextAndGetsNoPoints) {
  run.hosts = {"alpha.example", "127.0.0.9"};
  TCtrlWatch ctrl(run, view);
  ASSERT_TRUE(ctrl.start());
  EXPECT_TRUE(eventually([&] { return view.pointCount(1) >= 3; }));
  ctrl.stop();
  ctrl.waitFor();
  EXPECT_EQ(view.caption(0), "alpha.example");
  EXPECT_EQ(view.caption(1), "127.0.0.9");
  EXPECT_EQ(view.pointCount(0), 0u);
  EXPECT_EQ(forwardLookups.load(), 0);
}

TEST_F(WatchControllerTest, ContinuousRetriesWithARestUntilTheNameIsKnown) {
  run.settings.resolveMode = ResolveMode::Continuous;
  run.hosts = {"late.example", "127.0.0.8"};
  TCtrlWatch ctrl(run, view);
  ASSERT_TRUE(ctrl.start());
  EXPECT_TRUE(eventually([&] { return forwardLookups.load() >= 3; }));
  EXPECT_EQ(view.caption(0), "late.example (...)");
  EXPECT_EQ(view.caption(1), "... (127.0.0.8)");
  // Rounds are a second apart on the run's clock, not back to back.
  EXPECT_LE(forwardLookups.load(), clock.elapsedMs() / 1000 + 2);
  lateKnown = true;
  EXPECT_TRUE(eventually([&] { return view.caption(0) == "late.example (10.0.0.6)"; }));
  // Until then its turns were not reached; now it is pinged at last.
  EXPECT_TRUE(eventually([&] {
    const auto sends = net.sends();
    return std::any_of(sends.begin(), sends.end(),
                       [](const FakeSend& s) { return s.destination == 0x0A000006; });
  }));
  EXPECT_TRUE(eventually([&] { return view.told(0) && view.told(1); }));
  ctrl.stop();
  ctrl.waitFor();
  // The name's address is told once, before its points; later rounds that
  // find the same address tell nothing new.
  EXPECT_EQ(view.addresses[0], (std::vector<std::string>{"10.0.0.6"}));
  EXPECT_EQ(view.addresses[1], (std::vector<std::string>{"127.0.0.8"}));
}

TEST_F(WatchControllerTest, PauseHoldsEveryWorker) {
  run.hosts = {"127.0.0.1", "127.0.0.2"};
  TCtrlWatch ctrl(run, view);
  ASSERT_TRUE(ctrl.start());
  EXPECT_TRUE(eventually([&] { return view.pointCount(1) >= 2; }));
  ctrl.setPaused(true);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const std::size_t sends = net.sends().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(net.sends().size(), sends);
  ctrl.setPaused(false);
  EXPECT_TRUE(eventually([&] { return net.sends().size() > sends + 2; }));
  ctrl.stop();
  ctrl.waitFor();
}

TEST_F(WatchControllerTest, HostsGoDownAndUpOnlyAfterTheirThresholds) {
  run.hosts = {"127.0.0.1", "127.0.0.2"};
  run.settings.thresholds = {3, 2};
  // Host 1 answers, flaps below both thresholds, misses three, flaps once
  // more and answers twice; host 2 never answers.
  const std::string script = "RRTTRTTRRTTTTRTRR";
  net.setResponder([&script](const FakeSend& s) {
    const bool reply =
        s.destination == 0x7F000001 && (static_cast<std::size_t>(s.sendIndex) >= script.size() ||
                                        script[static_cast<std::size_t>(s.sendIndex)] == 'R');
    return reply ? FakeEchoNetwork::reply(s.destination, 5)
                 : FakeEchoNetwork::failure(status::kRequestTimedOut, s.destination);
  });
  TCtrlWatch ctrl(run, view);
  ASSERT_TRUE(ctrl.start());
  EXPECT_TRUE(eventually([&] { return view.pointCount(0) >= 25 && view.pointCount(1) >= 10; }));
  ctrl.stop();
  ctrl.waitFor();
  EXPECT_EQ(view.changes[0], (std::vector<std::string>{"up silent 127.0.0.1 after 2",
                                                       "down notice 127.0.0.1 after 12",
                                                       "up notice 127.0.0.1 after 17"}));
  EXPECT_EQ(view.changes[1], (std::vector<std::string>{"down notice 127.0.0.2 after 3"}));
}

// A name service that takes the question and never answers (until the test
// ends): the monitor runs on meanwhile, a stop does not wait for it, and
// the late answer changes nothing of the ended run.
TEST_F(WatchControllerTest, AStopDoesNotWaitForALookUpThatGetsNoAnswer) {
  struct Gate {
    std::promise<void> entered, opened;
    std::shared_future<void> open = opened.get_future().share();
  };
  auto gate = std::make_shared<Gate>();
  std::future<void> entered = gate->entered.get_future();
  const std::weak_ptr<Gate> held = gate;
  run.settings.resolveMode = ResolveMode::OneTry;
  run.hosts = {"silent.example", "127.0.0.9"};
  run.resolver.lookupHost = [gate = std::move(gate)](const std::string&) {
    gate->entered.set_value();
    gate->open.wait();
    return std::optional<HostEntry>(HostEntry{"silent.example", {0x0A000007}});
  };
  {
    TCtrlWatch ctrl(std::exchange(run, WatchRun{}), view);
    ASSERT_TRUE(ctrl.start());
    ASSERT_EQ(entered.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_TRUE(eventually([&] { return view.caption(1) == "nine.example (127.0.0.9)"; }));
    ctrl.stop();
    auto ended = std::async(std::launch::async, [&ctrl] { ctrl.waitFor(); });
    const bool prompt = ended.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    if (!prompt) held.lock()->opened.set_value();  // so the test can end
    ASSERT_TRUE(prompt) << "the stop waited for the look-up";
  }
  held.lock()->opened.set_value();
  EXPECT_TRUE(eventually([&] { return held.expired(); })) << "the look-up never let go";
  EXPECT_EQ(view.caption(0), "silent.example");
  EXPECT_EQ(view.steps.back(), "end");
}

}  // namespace
}  // namespace tarvo

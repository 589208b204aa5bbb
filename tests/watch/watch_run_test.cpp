#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <mutex>

#include "engine/address.h"
#include "engine/echo_status.h"
#include "fake_echo_service.h"
#include "manual_clock.h"
#include "wait_until.h"
#include "watch/watch_controller.h"

namespace tarvo {
namespace {

using testing::FakeEchoNetwork;
using testing::FakeSend;
using testing::waitUntil;

constexpr Ipv4Address kHost = 0x0A000005;   // 10.0.0.5, alpha.example
constexpr Ipv4Address kOther = 0x0A000009;  // 10.0.0.9

// The monitor's steps as lines of text ("point 0 G500": host 0 got a green
// point at 500; "step ..." for the run's own steps), read by the test while
// the controller writes them.
class RecordingWatchView : public WatchView {
 public:
  void begin() override { add("step begin"); }
  void end() override { add("step end"); }
  void setStatus(StatusPart, const std::string& text) override { add("status " + text); }
  bool createGraph(std::size_t i, const std::string& caption) override {
    add("step create " + std::to_string(i) + " " + caption);
    if (onCreate) onCreate(i);
    return true;
  }
  void deleteGraph(std::size_t i) override { add("step delete " + std::to_string(i)); }
  void graphsReady(std::size_t count) override { add("step ready " + std::to_string(count)); }
  void setGroupCaption(const std::string& caption) override { add("step group" + caption); }
  void freeGraphs() override { add("step free"); }
  void setGraphCaption(std::size_t i, const std::string& c) override { add(of("caption", i) + c); }
  void setHostAddress(std::size_t i, const std::string& a) override { add(of("address", i) + a); }
  // A host's first points only: a worker on a test clock never waits.
  void addPoint(std::size_t i, const GraphPoint& p) override {
    const char* color = p.color == GraphPoint::kGreen ? "G"
                        : p.color == GraphPoint::kRed ? "R"
                                                      : "Y";
    if (++points_[i] <= 32) add(of("point", i) + color + std::to_string(p.value));
  }
  void hostStateChanged(const HostStateChange& c) override {
    add(of("state", c.index) + hostStateName(c.state) + (c.notice ? " notice " : " silent ") +
        c.address + " after " + std::to_string(points_[c.index] + 1));
  }
  void idle() override { ++idles; }

  static std::string of(const char* what, std::size_t i) {
    return what + (" " + std::to_string(i)) + " ";
  }
  // The steps that begin with `prefix`, without it.
  std::vector<std::string> all(const std::string& prefix) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> out;
    for (const auto& s : steps_) {
      if (s.rfind(prefix, 0) == 0) out.push_back(s.substr(prefix.size()));
    }
    return out;
  }

  std::function<void(std::size_t)> onCreate;
  std::atomic<int> idles{0};
  std::array<std::atomic<std::size_t>, 4> points_{};  // by host

 private:
  void add(const std::string& step) {
    std::lock_guard<std::mutex> lock(mutex_);
    steps_.push_back(step);
  }
  mutable std::mutex mutex_;
  std::vector<std::string> steps_;
};

class WatchTest : public ::testing::Test {
 protected:
  WatchTest() {
    std::filesystem::remove_all(dir);
    settings.logPath = dir.string();
    settings.delayMs = 100;
    settings.waitMs = 500;
    settings.ttl = 61;
    settings.resolveMode = ResolveMode::No;
    shared.hostText.set({"10.0.0.5"});
    run.echoFactory = net.factory();
    run.clock = &clock;
    run.resolver.lookupHost = [this](const std::string& name) -> std::optional<HostEntry> {
      ++forwardLookups;
      if (name == "alpha.example") return HostEntry{name, {kHost}};
      if (name == "late.example" && lateKnown) return HostEntry{name, {0x0A000006}};
      return std::nullopt;
    };
    run.resolver.lookupAddress = [](Ipv4Address a) -> std::optional<HostEntry> {
      if (a == 0x7F000009) return HostEntry{"nine.example", {a}};
      return std::nullopt;
    };
  }
  ~WatchTest() override { std::filesystem::remove_all(dir); }

  // Each host answers its n-th request as the n-th letter of its script
  // says, the last one repeating: R a reply in 12 ms, L in 501 ms, T a
  // time-out, X an unknown status. Hosts without a script always answer.
  void script(std::map<Ipv4Address, std::string> scripts) {
    net.setResponder([scripts](const FakeSend& s) {
      const auto found = scripts.find(s.destination);
      const std::string& p = found == scripts.end() ? "R" : found->second;
      switch (p[std::min<std::size_t>(s.sendIndex, p.size() - 1)]) {
        case 'R':
          return FakeEchoNetwork::reply(s.destination, 12);
        case 'L':
          return FakeEchoNetwork::reply(s.destination, 501);
        case 'T':
          return FakeEchoNetwork::failure(status::kRequestTimedOut, s.destination);
        default:
          return FakeEchoNetwork::failure(11999, s.destination);
      }
    });
  }

  // One worker on its own until it has sent n requests, with a hook after
  // its start.
  void runWorker(std::size_t n, const std::function<void()>& after = {}) {
    const std::size_t sentBefore = net.sends().size();
    {
      TWatchTh worker(0, settings, shared, net.factory());
      worker.setClock(clock);
      ASSERT_TRUE(worker.start());
      if (after) after();
      EXPECT_TRUE(waitUntil([&] { return net.sends().size() >= sentBefore + n; }));
    }
    EXPECT_EQ(net.servicesOpen(), 0);
  }

  void startMonitor() {
    monitor = std::make_unique<TCtrlWatch>(run, view);
    ASSERT_TRUE(monitor->start());
  }
  void stopMonitor() {
    monitor->stop();
    monitor->waitFor();
    EXPECT_EQ(net.servicesOpen(), 0);
  }
  // The monitor over run.hosts until `done` holds.
  void runMonitor(const std::function<bool()>& done) {
    startMonitor();
    EXPECT_TRUE(waitUntil(done));
    stopMonitor();
  }
  std::function<bool()> points(std::size_t host, std::size_t n) {
    return [this, host, n] { return view.points_[host] >= n; };
  }
  std::string caption(std::size_t host) const {
    const auto all = view.all(RecordingWatchView::of("caption", host));
    return all.empty() ? "" : all.back();
  }

  // The log's lines from "RTT" on, after the address, date and time.
  std::vector<std::string> logTails(const std::string& name = "10_0_0_5.log") {
    std::ifstream in(dir / name);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line.substr(line.find("RTT")));
    return lines;
  }

  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("watch_test_" + std::to_string(::getpid()));
  WatchRun run;
  MonitorSettings& settings = run.settings;
  FakeEchoNetwork net;
  testing::ManualClock clock;
  RecordingWatchView view;
  ThreadSignal wakeup;
  MonitorShared shared{1, wakeup};
  std::unique_ptr<TCtrlWatch> monitor;
  std::atomic<int> forwardLookups{0};
  std::atomic<bool> lateKnown{false};
  // What a sink gets: "item|address|status" per result, "item|address|up"
  // per change of state, "item|caption" per caption.
  struct RecordingSink : ResultSink {
    void record(const std::string& item, const std::string& address,
                const WatchResult& r) override {
      add(lines, item + "|" + address + "|" + std::to_string(r.status));
    }
    void stateChanged(const std::string& item, const std::string& address,
                      HostState state) override {
      add(states, item + "|" + address + "|" + hostStateName(state));
    }
    void captionChanged(const std::string& item, const std::string& caption) override {
      add(captions, item + "|" + caption);
    }
    void add(std::vector<std::string>& to, std::string line) {
      std::lock_guard lock(mutex);
      to.push_back(std::move(line));
    }
    std::mutex mutex;
    std::vector<std::string> lines, states, captions;
  } history, metrics;
};

// What each log choice writes, with the counters of every request so far.
TEST_F(WatchTest, LogChoicesWriteTheirLinesWithTheRunningCounters) {
  const std::string ok = "RTT = 12, TTL = 64, Bytes = 32, Sent = ";
  const std::string lost = "RTT = 0, TTL = 0, Bytes = 0, Sent = ";
  const struct {
    LogChoice log;
    std::string script;
    std::vector<std::string> tails;
  } rows[] = {
      {{false, false, true},
       "RRRTT",
       {ok + "1, Recv = 1, Lost = 0, Loss = 0%, Success",
        lost + "4, Recv = 3, Lost = 1, Loss = 25%, Request timed out"}},
      {{true, false, false},
       "RTRTTX",
       {ok + "1, Recv = 1, Lost = 0, Loss = 0%, Success",
        ok + "3, Recv = 2, Lost = 1, Loss = 33%, Success"}},
      {{false, true, false},
       "RTXR",
       {lost + "2, Recv = 1, Lost = 1, Loss = 50%, Request timed out",
        lost + "3, Recv = 1, Lost = 2, Loss = 66%, ICMP Status = 11999"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.script);
    std::filesystem::remove_all(dir);
    settings.logChangesOnly = row.log.changesOnly;
    settings.logReplies = settings.logImmediate = row.log.replies;  // a file opened for every line
    settings.logTimeouts = row.log.timeouts;
    script({{kHost, row.script}});
    runWorker(row.script.size() + 2);
    EXPECT_EQ(logTails(), row.tails);
  }
}

TEST_F(WatchTest, AWorkerWaitsForItsAddressThenPacesStampsAndFollowsTheHostThatAnswers) {
  settings.stampSequence = true;
  settings.dataSize = 40;
  settings.logReplies = true;
  std::vector<long long> at;  // appended by the worker alone, read once it ended
  net.setResponder([&](const FakeSend&) {
    at.push_back(clock.elapsedMs());
    return FakeEchoNetwork::reply(kOther, 1);
  });
  shared.hostText.set({"alpha.example"});
  runWorker(8, [&] {
    EXPECT_TRUE(waitUntil([&] { return clock.elapsedMs() >= 5000; }));
    EXPECT_TRUE(net.sends().empty());   // a name is never pinged itself
    shared.hostText.set({"10.0.0.5"});  // as its resolver leaves it
  });
  const auto sends = net.sends();
  EXPECT_EQ(sends[0].destination, kHost);
  EXPECT_EQ(sends[1].destination, kOther);  // a broadcast's answering host is watched on
  EXPECT_EQ(std::string(sends[6].payload.begin(), sends[6].payload.begin() + 12), ".Seq=00007.L");
  EXPECT_EQ(sends[0].options, EchoOptions{61});  // no tos, flags or IP options
  EXPECT_EQ(sends[0].timeoutMs, 500u);
  for (std::size_t i = 1; i < 8; ++i) EXPECT_EQ(at[i] - at[i - 1], 100) << i;
  // The file is named after the address waited for, each line after the host pinged.
  std::ifstream log(dir / "10_0_0_5.log");
  std::string lines[2];
  for (std::string& line : lines) std::getline(log, line);
  EXPECT_EQ(lines[0].substr(0, 10) + lines[1].substr(0, 10), "10.0.0.5, 10.0.0.9, ");
}

// Without resolution a name keeps its text and gets no points.
TEST_F(WatchTest, TheMonitorStartsItsHostsInOrderAndShowsEachResult) {
  run.hosts = {"127.0.0.1", "127.0.0.2", "127.0.0.3", "alpha.example"};
  script({{0x7F000001, "R"}, {0x7F000002, "L"}, {0x7F000003, "T"}});
  runMonitor([&] { return points(0, 3)() && points(1, 3)() && points(2, 3)(); });
  EXPECT_EQ(view.all("status "),
            (std::vector<std::string>{
                "  Initialize Monitor : 1", "  Initialize Monitor : 2", "  Initialize Monitor : 3",
                "  Initialize Monitor : 4", "  Start Monitor: 1", "  Start Monitor: 2",
                "  Start Monitor: 3", "  Start Monitor: 4", "  Monitored addresses: 4"}));
  EXPECT_EQ(view.all("step "),
            (std::vector<std::string>{"begin", "group" + std::string(kMonitorStartingCaption),
                                      "create 0 127.0.0.1", "create 1 127.0.0.2",
                                      "create 2 127.0.0.3", "create 3 alpha.example", "ready 4",
                                      "group" + std::string(kMonitorCaption), "free", "end"}));
  EXPECT_EQ(view.all("point 0 ")[0], "G12");
  EXPECT_EQ(view.all("point 1 ")[0], "Y500");
  EXPECT_EQ(view.all("point 2 ")[0], "R500");
  EXPECT_TRUE(view.all("caption ").empty());
  EXPECT_TRUE(view.all("point 3 ").empty());
  EXPECT_EQ(forwardLookups.load(), 0);
}

TEST_F(WatchTest, AStopDuringTheStartPutsBackTheIdleCaption) {
  run.hosts = {"127.0.0.1", "127.0.0.2", "127.0.0.3"};
  view.onCreate = [&](std::size_t i) {
    if (i == 1) monitor->stop();
  };
  runMonitor([] { return true; });
  EXPECT_EQ(view.all("step group").back(), kMonitorCaption);
}

TEST_F(WatchTest, OneTryCaptionsNamesAndAddressesOnceAndAnUnknownNameGoesDown) {
  settings.resolveMode = ResolveMode::OneTry;
  run.hosts = {"http://alpha.example", "nowhere.example", "127.0.0.9"};
  run.sinks = {&history, &metrics};
  // Ten seconds on the run's clock: time enough for rounds that must not come.
  runMonitor([&] { return clock.elapsedMs() > 10000 && points(0, 1)() && points(1, 3)(); });
  EXPECT_EQ(caption(0), "alpha.example (10.0.0.5)");
  EXPECT_EQ(caption(1), "nowhere.example (--)");
  EXPECT_EQ(caption(2), "nine.example (127.0.0.9)");
  // An unknown name is never pinged, but counts as not reached: it goes down.
  for (const std::string& p : view.all("point 1 ")) EXPECT_EQ(p, "R500");
  EXPECT_EQ(view.all("state 1 ").at(0), "down notice nowhere.example after 3");
  EXPECT_TRUE(view.all("address 1 ").empty());  // no address to tell
  EXPECT_EQ(forwardLookups.load(), 2);
  // Every sink gets every result under the item and the address pinged,
  // and each caption under the item.
  EXPECT_EQ(history.lines.size(), view.points_[0] + view.points_[1] + view.points_[2]);
  EXPECT_EQ(metrics.lines, history.lines);
  for (const char* line : {"http://alpha.example|10.0.0.5|0", "nowhere.example||-1"}) {
    EXPECT_NE(std::find(history.lines.begin(), history.lines.end(), line), history.lines.end())
        << line;
  }
  std::sort(metrics.captions.begin(), metrics.captions.end());
  EXPECT_EQ(metrics.captions,
            (std::vector<std::string>{"127.0.0.9|nine.example (127.0.0.9)",
                                      "http://alpha.example|alpha.example (10.0.0.5)",
                                      "nowhere.example|nowhere.example (--)"}));
  EXPECT_NE(std::find(metrics.states.begin(), metrics.states.end(), "nowhere.example||down"),
            metrics.states.end());
}

TEST_F(WatchTest, ContinuousRetriesWithARestUntilTheNameIsKnown) {
  settings.resolveMode = ResolveMode::Continuous;
  run.hosts = {"late.example"};
  std::atomic<bool> pinged{false};
  net.setResponder([&](const FakeSend& s) {
    if (s.destination == 0x0A000006) pinged = true;
    return FakeEchoNetwork::reply(s.destination, 1);
  });
  startMonitor();
  EXPECT_TRUE(waitUntil([&] { return forwardLookups.load() >= 3; }));
  EXPECT_EQ(caption(0), "late.example (...)");
  // Rounds are a second apart on the run's clock, not back to back.
  EXPECT_LE(forwardLookups.load(), clock.elapsedMs() / 1000 + 2);
  lateKnown = true;
  // Until then its turns were not reached; now it is pinged at last.
  EXPECT_TRUE(waitUntil([&] {
    return pinged && caption(0) == "late.example (10.0.0.6)" && !view.all("address 0 ").empty();
  }));
  stopMonitor();
  // Told once, before its points; later rounds that find the same address tell nothing new.
  EXPECT_EQ(view.all("address 0 "), std::vector<std::string>{"10.0.0.6"});
}

TEST_F(WatchTest, APauseHoldsEveryWorkerUntilTheResume) {
  run.hosts = {"127.0.0.1", "127.0.0.2"};
  startMonitor();
  EXPECT_TRUE(waitUntil(points(1, 2)));
  // Two turns of the controller after the request: every worker has been told.
  auto turns = [&](int n) {
    const int from = view.idles;
    EXPECT_TRUE(waitUntil([&] { return view.idles >= from + n; }));
  };
  monitor->setPaused(true);
  turns(2);
  // A request already out when the pause came may still end.
  const std::size_t held = net.sends().size() + run.hosts.size();
  clock.advance(std::chrono::seconds(10));
  turns(2);
  EXPECT_LE(net.sends().size(), held);
  monitor->setPaused(false);
  EXPECT_TRUE(waitUntil([&] { return net.sends().size() > held + 2; }));
  stopMonitor();
}

TEST_F(WatchTest, HostsGoDownAndUpOnlyAfterTheirThresholds) {
  run.hosts = {"127.0.0.1", "127.0.0.2"};
  settings.thresholds = {3, 2};
  // Host 1 answers, flaps below both thresholds, misses three, flaps once
  // more and answers twice; host 2 never answers.
  script({{0x7F000001, "RRTTRTTRRTTTTRTRR"}, {0x7F000002, "T"}});
  run.sinks = {&metrics};
  runMonitor([&] { return points(0, 25)() && points(1, 10)(); });
  EXPECT_EQ(view.all("state 0 "), (std::vector<std::string>{"up silent 127.0.0.1 after 2",
                                                            "down notice 127.0.0.1 after 12",
                                                            "up notice 127.0.0.1 after 17"}));
  EXPECT_EQ(view.all("state 1 "), std::vector<std::string>{"down notice 127.0.0.2 after 3"});
  // A sink hears of every change, the first "up" too.
  std::lock_guard lock(metrics.mutex);
  std::stable_partition(metrics.states.begin(), metrics.states.end(),
                        [](const std::string& s) { return s.rfind("127.0.0.1", 0) == 0; });
  EXPECT_EQ(metrics.states,
            (std::vector<std::string>{"127.0.0.1|127.0.0.1|up", "127.0.0.1|127.0.0.1|down",
                                      "127.0.0.1|127.0.0.1|up", "127.0.0.2|127.0.0.2|down"}));
}

// A name service that takes the question and never answers (until the test
// ends): the monitor runs on meanwhile, a stop does not wait for it, and
// the late answer changes nothing of the ended run.
TEST_F(WatchTest, AStopDoesNotWaitForALookUpThatGetsNoAnswer) {
  struct Gate {
    std::promise<void> entered, opened;
    std::shared_future<void> open = opened.get_future().share();
  };
  auto gate = std::make_shared<Gate>();
  std::future<void> entered = gate->entered.get_future();
  const std::weak_ptr<Gate> held = gate;
  settings.resolveMode = ResolveMode::OneTry;
  run.hosts = {"silent.example", "127.0.0.9"};
  run.resolver.lookupHost = [gate = std::move(gate)](const std::string&) {
    gate->entered.set_value();
    gate->open.wait();
    return std::optional<HostEntry>(HostEntry{"silent.example", {0x0A000007}});
  };
  startMonitor();
  run = {};  // the run's resolver now lives only in the monitor's copy
  EXPECT_TRUE(waitUntil([&] { return caption(1) == "nine.example (127.0.0.9)"; }));
  EXPECT_TRUE(waitUntil(
      [&] { return entered.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
  monitor->stop();
  const bool prompt = waitUntil([&] { return monitor->finished(); });
  if (!prompt) held.lock()->opened.set_value();  // so the test can end
  ASSERT_TRUE(prompt) << "the stop waited for the look-up";
  monitor.reset();
  held.lock()->opened.set_value();
  EXPECT_TRUE(waitUntil([&] { return held.expired(); })) << "the look-up never let go";
  EXPECT_EQ(caption(0), "");
  EXPECT_EQ(view.all("step ").back(), "end");
}

}  // namespace
}  // namespace tarvo

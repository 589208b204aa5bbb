// The watch monitor run from the Watch tab against the scripted network.
#include <sys/stat.h>

#include <QGroupBox>
#include <QMessageBox>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <fstream>
#include <future>

#include "base/thread_base.h"
#include "engine/echo_status.h"
#include "ui/green_black_graph.h"
#include "ui/watch_page.h"
#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

using tarvo::testing::FakeEchoNetwork;
using tarvo::testing::FakeReply;
using tarvo::testing::FakeSend;

// Holds every request until the test lets it pass (ten seconds at most), so
// the monitor has nothing to hand over while the test looks at it.
class Gate {
 public:
  FakeReply pass(const FakeSend& send) {
    std::unique_lock<std::mutex> lock(mutex_);
    ++arrived_;
    passable_.wait_for(lock, std::chrono::seconds(10), [this] { return open_; });
    return FakeEchoNetwork::reply(send.destination, 1);
  }
  void open() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    passable_.notify_all();
  }
  int arrived() {
    std::lock_guard<std::mutex> lock(mutex_);
    return arrived_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable passable_;
  int arrived_ = 0;
  bool open_ = false;
};

class WatchMonitor : public WindowTest {
 protected:
  // Short delays keep the runs brisk; `more` adds settings.
  void openWith(const std::string& more = "") {
    writeSettings(R"("W_Delay":"20","W_ResolveNames":"0","W_Wait":"200",)" + more +
                  R"("PingHosts":{})");
    open();
  }
  WatchPage& page() { return window->watchPage(); }
  bool sendsGrow(std::size_t by = 3) {
    std::size_t from = network.sends().size();
    return waitUntil([&] { return network.sends().size() >= from + by; });
  }
  void start(const std::vector<WatchItem>& items) {
    page().setItems(items);
    selectTab(2);
    button("Button7")->click();
  }
  void startThree() {
    start({{"127.0.0.1", true}, {"127.0.0.2", true}, {"skip", false}, {"127.0.0.3", true}});
  }
  void TearDown() override {
    gate.open();
    WindowTest::TearDown();
  }

  // What the scripted answers depend on; members, so they outlive the runs
  // of a test that fails half-way.
  Gate gate;
};

TEST_F(WatchMonitor, CheckedHostsGetGraphsAndRequestsAndStopServesTheMonitorUntilItHasEnded) {
  openWith();
  network.setResponder([this](const FakeSend& send) { return gate.pass(send); });
  startThree();
  EXPECT_EQ(shown({"Button7"}) + enabled({"Button8"}), "S&top1");
  // Every first request held: the monitor has nothing more to hand over.
  ASSERT_TRUE(waitUntil(
      [&] { return gate.arrived() == 3 && find<QGroupBox>("GroupBox1")->title() == " Monitor "; }));
  EXPECT_EQ(panel(1), "  Monitored addresses: 3");
  ASSERT_EQ(page().graphCount(), 3u);
  EXPECT_EQ(page().graph(2)->caption(), "127.0.0.3");

  std::string whileStopping;
  // Posted before the monitor's closing steps, so the stop serves it first.
  QMetaObject::invokeMethod(
      window.get(),
      [&] {
        whileStopping = panel(1) + enabled({"Button7", "Button8"});
        gate.open();
      },
      Qt::QueuedConnection);
  button("Button7")->click();  // returns once the monitor has ended
  EXPECT_EQ(whileStopping, "  Stopping the Monitor...00");
  EXPECT_EQ(ThreadBase::liveThreads(), 0);
  EXPECT_EQ(page().graphCount(), 0u);
  EXPECT_EQ(panel(1) + shown({"Button7", "Button8"}) + enabled({"Button7", "Button8"}),
            "&Start|&Pause10");
  button("Button7")->click();  // and it starts again
  EXPECT_TRUE(sendsGrow());
}

// Plays until the test lets it end (ten seconds at most).
class HeldTone : public Tone {
 public:
  HeldTone(std::atomic<bool>& playing, std::shared_future<void> release)
      : playing_(playing), release_(std::move(release)) {}
  void play(std::uint32_t, std::uint32_t) override {
    playing_ = true;
    release_.wait_for(std::chrono::seconds(10));
    playing_ = false;
  }

 private:
  std::atomic<bool>& playing_;
  std::shared_future<void> release_;
};

TEST_F(WatchMonitor, ClosingTheWindowDoesNotJoinANoticeTone) {
  std::atomic<bool> playing{false};
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  adjustServices = [&](WindowServices& services) {
    services.toneFactory = [&] { return std::make_unique<HeldTone>(playing, released); };
  };
  openWith(R"("W_Notify":"1","W_NotifySound":"1",)");
  network.setResponder([](const FakeSend& s) {
    return FakeEchoNetwork::failure(status::kRequestTimedOut, s.destination);
  });
  start({{"127.0.0.1", true}});
  ASSERT_TRUE(waitUntil([&] { return playing.load(); }));
  // The window goes (after its grace for runs) while the tone still plays.
  closeWindow();
  EXPECT_TRUE(playing);
  release.set_value();
  EXPECT_TRUE(ThreadBase::waitAllEnded(10000));  // before the flags go
}

TEST_F(WatchMonitor, ClosingTheWindowStopsAndAwaitsTheMonitor) {
  // File > Exit, and a close while a stop waits for the monitor.
  for (bool whileStopping : {false, true}) {
    SCOPED_TRACE(whileStopping);
    openWith();
    startThree();
    ASSERT_TRUE(sendsGrow(9));
    if (whileStopping) {
      QTimer::singleShot(0, [&] { window->close(); });
      button("Button7")->click();
    } else {
      trigger("Exit1");
    }
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(ThreadBase::liveThreads(), 0);
    window.reset();
  }
}

TEST_F(WatchMonitor, AutostartMergesTheFileAndStartsOnlyWhenSwitchedOn) {
  const auto file = registry.folder() / "auto.txt";
  std::ofstream(file, std::ios::binary) << "127.0.0.1\r\n127.0.0.2\r\n";
  for (bool on : {true, false}) {
    SCOPED_TRACE(on);
    openWith(R"("W_AutoStart":")" + std::string(on ? "1" : "0") + R"(","W_AutoStartFile":")" +
             file.string() + R"(",)");
    EXPECT_EQ(find<QTabWidget>("PageControl1")->currentIndex(), on ? 2 : 0);
    EXPECT_TRUE(!on || sendsGrow());
    EXPECT_EQ(page().items(), (std::vector<WatchItem>{{"127.0.0.1", true}, {"127.0.0.2", true}}));
    EXPECT_EQ(page().monitorRunning(), on);
    closeWindow();
  }
}

// A FIFO would hold up the start were it read.
TEST_F(WatchMonitor, AnAutostartFifoIsRefusedInABoxThatWaitsForNobody) {
  const std::string fifo = (registry.folder() / "auto.fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  openWith(R"("W_AutoStart":"1","W_AutoStartFile":")" + fifo + R"(",)");
  EXPECT_FALSE(page().monitorRunning());
  auto* box = find<QMessageBox>("WatchListNotLoaded");
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(box->isModal());
  EXPECT_TRUE(box->text().contains(QString::fromStdString(fifo) + " is not a regular file"));
}

}  // namespace
}  // namespace tarvo::ui::testing

// The watch monitor run from the Watch tab against the scripted network.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QGroupBox>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <future>
#include <set>
#include <thread>

#include "base/thread_base.h"
#include "engine/echo_status.h"
#include "ui/green_black_graph.h"
#include "ui/watch_page.h"
#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

class WatchMonitor : public WindowTest {
 protected:
  // Short delays keep the runs brisk; autoStart adds the autostart values.
  void openWith(const std::string& autoStart = "") {
    registry.write(
        R"({"SOFTWARE":{"Dravenco":{"Tarvo":{"Settings":{"W_Delay":"20","W_ResolveNames":"0",
        "W_Wait":"200",)" +
        autoStart + R"("PingHosts":{}}}}}})");
    open();
  }
  WatchPage& page() { return window->watchPage(); }
  std::size_t sends() { return network.sends().size(); }
  bool sendsGrow(std::size_t by = 3) {
    std::size_t from = sends();
    return waitUntil([&] { return sends() >= from + by; }, 5000);
  }
  void startThree() {
    page().setItems(
        {{"127.0.0.1", true}, {"127.0.0.2", true}, {"skip", false}, {"127.0.0.3", true}});
    selectTab(2);
    button("Button7")->click();
  }
  std::string autoStartFile(const std::string& bytes) {
    auto path = registry.folder() / "auto.txt";
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
};

TEST_F(WatchMonitor, StartWithoutCheckedItemsDoesNothing) {
  openWith();
  page().setItems({{"127.0.0.1", false}});
  button("Button7")->click();
  EXPECT_FALSE(page().monitorRunning());
  EXPECT_EQ(button("Button7")->text(), "&Start");
  EXPECT_FALSE(button("Button8")->isEnabled());
}

TEST_F(WatchMonitor, ThreeHostsGetTheirGraphsStatusAndRequests) {
  openWith();
  startThree();
  EXPECT_EQ(button("Button7")->text(), "S&top");
  EXPECT_TRUE(button("Button8")->isEnabled());
  ASSERT_TRUE(waitUntil([&] { return panel(1) == "  Monitored addresses: 3"; }));
  EXPECT_EQ(find<QGroupBox>("GroupBox1")->title(), " Monitor ");
  ASSERT_EQ(page().graphCount(), 3u);
  EXPECT_EQ(page().graph(2)->caption(), "127.0.0.3");
  EXPECT_EQ(panel(0), "  Watch List (Total/Checked/Unchecked): 4/3/1");
  ASSERT_TRUE(sendsGrow(9));
  std::set<Ipv4Address> asked;
  for (const auto& send : network.sends()) asked.insert(send.destination);
  EXPECT_EQ(asked, (std::set<Ipv4Address>{0x7F000001, 0x7F000002, 0x7F000003}));
}

TEST_F(WatchMonitor, PauseHoldsTheRequestsAndResumeSendsAgain) {
  openWith();
  startThree();
  ASSERT_TRUE(sendsGrow());
  button("Button8")->click();
  EXPECT_EQ(button("Button8")->text(), "&Resume");
  // Requests under way finish; then nothing more is asked.
  QTest::qWait(400);
  std::size_t held = sends();
  QTest::qWait(300);
  EXPECT_EQ(sends(), held);
  button("Button8")->click();
  EXPECT_EQ(button("Button8")->text(), "&Pause");
  EXPECT_TRUE(sendsGrow());
}

TEST_F(WatchMonitor, StopServesTheMonitorUntilItHasEnded) {
  openWith();
  startThree();
  ASSERT_TRUE(sendsGrow(9));
  // Paused, the monitor hands nothing over; once the points under way are
  // shown, no serving of its steps is queued ahead of the probe below.
  button("Button8")->click();
  QTest::qWait(300);
  std::string shownWhileStopping;
  bool buttonsOff = false;
  // Posted before the monitor's own steps, so it is served ahead of them as
  // soon as the stop starts serving events (a zero timer may come later).
  QMetaObject::invokeMethod(
      window.get(),
      [&] {
        shownWhileStopping = panel(1);
        buttonsOff = !button("Button7")->isEnabled() && !button("Button8")->isEnabled();
      },
      Qt::QueuedConnection);
  button("Button7")->click();  // returns once the monitor has ended
  EXPECT_EQ(shownWhileStopping, "  Stopping the Monitor...");
  EXPECT_TRUE(buttonsOff);
  EXPECT_FALSE(page().monitorRunning());
  EXPECT_EQ(page().graphCount(), 0u);
  EXPECT_EQ(panel(1), "");
  EXPECT_EQ(button("Button7")->text(), "&Start");
  EXPECT_TRUE(button("Button7")->isEnabled());
  EXPECT_EQ(button("Button8")->text(), "&Pause");
  EXPECT_FALSE(button("Button8")->isEnabled());
  EXPECT_EQ(ThreadBase::liveThreads(), 0);
  // And it starts again.
  button("Button7")->click();
  EXPECT_TRUE(sendsGrow());
}

TEST_F(WatchMonitor, AHostThatStopsAnsweringIsDownSinceItsThirdTimeOutAndUpAgain) {
  openWith(R"("W_Notify":"1","W_NotifySound":"1",)");
  std::atomic<bool> answering{true};
  network.setResponder([&answering](const tarvo::testing::FakeSend& s) {
    return answering
               ? tarvo::testing::FakeEchoNetwork::reply(s.destination, 1)
               : tarvo::testing::FakeEchoNetwork::failure(status::kRequestTimedOut, s.destination);
  });
  page().setItems({{"127.0.0.1", true}});
  selectTab(2);
  button("Button7")->click();
  ASSERT_TRUE(waitUntil([&] { return panel(1) == "  Monitored addresses: 1"; }));
  ASSERT_TRUE(sendsGrow());
  // Answering from the start is no news.
  EXPECT_EQ(panel(1), "  Monitored addresses: 1");
  answering = false;
  // Without a tray here the notice goes to the status bar.
  const QRegularExpression downLine(R"(^  \d\d:\d\d:\d\d 127\.0\.0\.1 is down$)");
  ASSERT_TRUE(
      waitUntil([&] { return downLine.match(QString::fromStdString(panel(1))).hasMatch(); }));
  EXPECT_EQ(page().graph(0)->caption(), "127.0.0.1");
  EXPECT_EQ(page().graph(0)->shownCaption(),
            "127.0.0.1 \u00B7 down since " + QString::fromStdString(panel(1)).mid(2, 8));
  answering = true;
  ASSERT_TRUE(waitUntil([&] { return panel(1).ends_with(" 127.0.0.1 is up again"); }));
  EXPECT_EQ(page().graph(0)->shownCaption(), "127.0.0.1");
  button("Button7")->click();
}

// Plays until the test lets it end (ten seconds at most).
class HeldTone : public Tone {
 public:
  HeldTone(std::atomic<bool>& playing, std::atomic<bool>& release)
      : playing_(playing), release_(release) {}
  void play(std::uint32_t, std::uint32_t) override {
    playing_ = true;
    for (int i = 0; i < 10000 && !release_; ++i) sleepMs(1);
    playing_ = false;
  }

 private:
  std::atomic<bool>& playing_;
  std::atomic<bool>& release_;
};

TEST_F(WatchMonitor, ClosingTheWindowDoesNotJoinANoticeTone) {
  std::atomic<bool> playing{false}, release{false};
  adjustServices = [&](WindowServices& services) {
    services.toneFactory = [&] { return std::make_unique<HeldTone>(playing, release); };
  };
  openWith(R"("W_Notify":"1","W_NotifySound":"1",)");
  network.setResponder([](const tarvo::testing::FakeSend& s) {
    return tarvo::testing::FakeEchoNetwork::failure(status::kRequestTimedOut, s.destination);
  });
  page().setItems({{"127.0.0.1", true}});
  selectTab(2);
  button("Button7")->click();
  ASSERT_TRUE(waitUntil([&] { return playing.load(); }, 5000));
  // The window goes (after its grace for runs) while the tone still plays.
  closeWindow();
  EXPECT_TRUE(playing);
  release = true;
  EXPECT_TRUE(ThreadBase::waitAllEnded(10000));  // before the flags go
}

TEST_F(WatchMonitor, ClosingTheWindowStopsAndAwaitsTheMonitor) {
  openWith();
  startThree();
  ASSERT_TRUE(sendsGrow(9));
  window->findChild<QAction*>("Exit1")->trigger();  // "File > Exit"
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(ThreadBase::liveThreads(), 0);
}

TEST_F(WatchMonitor, ClosingWhileStoppingStillAwaitsTheMonitor) {
  openWith();
  startThree();
  ASSERT_TRUE(sendsGrow(9));
  QTimer::singleShot(0, [&] { window->close(); });
  button("Button7")->click();
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(page().monitorRunning());
  EXPECT_EQ(ThreadBase::liveThreads(), 0);
}

TEST_F(WatchMonitor, AutostartMergesTheFileAndStartsWhenSwitchedOn) {
  std::string file = autoStartFile("127.0.0.1\r\n127.0.0.2\r\n");
  openWith(R"("W_AutoStart":"1","W_AutoStartFile":")" + file + R"(",)");
  EXPECT_EQ(find<QTabWidget>("PageControl1")->currentIndex(), 2);
  EXPECT_TRUE(page().monitorRunning());
  EXPECT_EQ(page().items(), (std::vector<WatchItem>{{"127.0.0.1", true}, {"127.0.0.2", true}}));
  EXPECT_TRUE(sendsGrow());
}

TEST_F(WatchMonitor, AutostartSwitchedOffOnlyFillsTheList) {
  std::string file = autoStartFile("127.0.0.1\n");
  openWith(R"("W_AutoStart":"0","W_AutoStartFile":")" + file + R"(",)");
  EXPECT_EQ(find<QTabWidget>("PageControl1")->currentIndex(), 0);
  EXPECT_FALSE(page().monitorRunning());
  EXPECT_EQ(page().items(), (std::vector<WatchItem>{{"127.0.0.1", true}}));
  // Shown again later: no second merge, no start.
  window->hide();
  window->show();
  EXPECT_EQ(page().items().size(), 1u);
  EXPECT_FALSE(page().monitorRunning());
}

TEST_F(WatchMonitor, AnAutostartFifoIsRefusedWithoutHoldingUpTheStart) {
  const std::string fifo = (registry.folder() / "auto.fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Were the start to wait on the FIFO, a writer lets it go after 5 s.
  std::promise<void> opened;
  std::atomic<bool> held{false};
  std::thread release([&, done = opened.get_future()] {
    if (done.wait_for(std::chrono::seconds(5)) == std::future_status::ready) return;
    held = true;
    ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
  });
  openWith(R"("W_AutoStart":"1","W_AutoStartFile":")" + fifo + R"(",)");
  opened.set_value();
  release.join();
  EXPECT_FALSE(held);
  EXPECT_FALSE(page().monitorRunning());
  EXPECT_TRUE(page().items().empty());
  // Said in a box that waits for nobody.
  auto* box = window->findChild<QMessageBox*>("WatchListNotLoaded");
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->isVisible());
  EXPECT_FALSE(box->isModal());
  EXPECT_TRUE(box->text().contains(QString::fromStdString(fifo) + " is not a regular file"));
}

}  // namespace
}  // namespace tarvo::ui::testing

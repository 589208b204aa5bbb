// The window against real echo requests to the loopback network, as a user
// would drive it.
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "base/thread_base.h"
#include "privileged.h"
#include "ui/gui_hand_off.h"
#include "ui/watch_page.h"
#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

class WindowOnLoopback : public WindowTest {
 protected:
  void SetUp() override {
    NetworkCheck check = runNetworkCheck();
    if (!check.networkReady) TARVO_SKIP_UNPRIVILEGED("no echo socket: " + check.message);
    open(/*realEngine=*/true);
  }
};

TEST_F(WindowOnLoopback, EnterPingsFourTimesAndEscClosesAndSaves) {
  QTest::keyClicks(focused(), "127.0.0.1");
  setText("Edit4", "100");  // keep the run short; the count stays 4
  QTest::keyClick(focused(), Qt::Key_Return);
  ASSERT_TRUE(waitForLine("Memo1", kEndOfPingLine));
  EXPECT_TRUE(lines("Memo1")[1].starts_with("  \u00b7 Pinging 127.0.0.1"));
  EXPECT_EQ(countStartingWith("Memo1", "        Reply from 127.0.0.1: Bytes=32 Time="), 4);
  QTest::keyClick(focused(), Qt::Key_Escape);
  EXPECT_FALSE(window->isVisible());
  window.reset();
  EXPECT_EQ(stored()["Settings"]["PingHosts"]["P_DestHost_000"], "127.0.0.1");
  EXPECT_TRUE(stored()["SizePosition"].contains("Left"));
}

TEST_F(WindowOnLoopback, TracerouteToLoopbackIsOneHop) {
  selectTab(1);
  setText("Edit13", "127.0.0.1");
  QTest::keyClick(edit("Edit13"), Qt::Key_Return);
  ASSERT_TRUE(waitForLine("Memo2", kEndOfTraceLine));
  EXPECT_EQ(countStartingWith("Memo2", "            1  "), 1);
  EXPECT_EQ(countStartingWith("Memo2", "            2  "), 0);
}

// The monitor started at program start, as a user sets it up: its points
// reach the window and its log file grows.
class WatchOnLoopback : public WindowTest {};

TEST_F(WatchOnLoopback, AutostartedMonitorDrawsAndLogs) {
  NetworkCheck check = runNetworkCheck();
  if (!check.networkReady) TARVO_SKIP_UNPRIVILEGED("no echo socket: " + check.message);
  auto logs = registry.folder() / "logs";
  std::filesystem::create_directory(logs);
  auto list = registry.folder() / "watch.txt";
  std::ofstream(list, std::ios::binary) << "127.0.0.1\r\n";
  writeSettings(R"("W_Delay":"50","W_ResolveNames":"0","W_AutoStart":"1","W_LogReplies":"1",
      "W_LogImmediate":"1","W_AutoStartFile":")" +
                list.string() + R"(","W_LogPath":")" + logs.string() + R"(","PingHosts":{})");
  open(/*realEngine=*/true);
  ASSERT_TRUE(window->watchPage().monitorRunning());
  auto logFile = logs / "127_0_0_1.log";
  auto logSize = [&] {
    std::error_code ec;
    auto size = std::filesystem::file_size(logFile, ec);
    return ec ? std::uintmax_t{0} : size;
  };
  ASSERT_TRUE(waitUntil([&] { return logSize() > 0; }));
  const long steps = window->handOff().stepsRun();
  const std::uintmax_t size = logSize();
  // Ten more requests at 50 ms apart: more points and more lines.
  ASSERT_TRUE(
      waitUntil([&] { return logSize() > size && window->handOff().stepsRun() >= steps + 10; }));
  closeWindow();
  EXPECT_EQ(ThreadBase::liveThreads(), 0);
}

}  // namespace
}  // namespace tarvo::ui::testing

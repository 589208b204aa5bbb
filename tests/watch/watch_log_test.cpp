#include "watch/watch_log.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>
#include <vector>

#include "base/control_chars.h"
#include "engine/echo_service.h"
#include "watch/log_writer.h"
#include "watch/monitor_settings.h"

namespace tarvo {
namespace {

// Counters of a long run go past 32 bits without wrapping, the sequence
// stamp wraps to 1, and a graph point keeps its reply's microseconds.
TEST(WatchResults, CountersGoPast32BitsTheSequenceWrapsAndPointsKeepMicroseconds) {
  EchoResult timeout;
  timeout.roundTripMs = 999;  // never shown without a reply
  RoundTripStats stats;
  stats.sent = 5'000'000'001ULL;
  stats.received = 2'500'000'000ULL;
  EXPECT_EQ(logLine("10.0.0.5", "D, T", timeout, false, stats, "Request timed out"),
            "10.0.0.5, D, T, RTT = 0, TTL = 0, Bytes = 0, Sent = 5000000001, Recv = 2500000000, "
            "Lost = 2500000001, Loss = 50%, Request timed out");
  EXPECT_EQ(nextSequence(65535), 1u);
  EXPECT_EQ(graphPoint(WatchResult{.replied = true, .roundTripUs = 23'045}, 500).roundTripUs,
            23'045u);
}

TEST(WatchLogFile, NamesKeepDottedTextAndLeaveOutWhatANameMustNotHold) {
  struct Row {
    std::string folder, text, path;
  };
  const Row rows[] = {
      {"/var/log/w///", "192.168.001.010", "/var/log/w/192_168_001_010.log"},
      {"/w", " 10.0.0.5\f\r\n", "/w/10_0_0_5.log"},
      {"/w", "../../etc/x\x7f", "/w/______etc_x_.log"},
      {"/w", std::string("10\0.1", 5), "/w/10__1.log"},
      {"/w", "fd00:10::10", "/w/fd00_10__10.log"},
      {"/w", "fe80::1%eth0", "/w/fe80__1_eth0.log"},
  };
  for (const Row& row : rows) EXPECT_EQ(logFileName(row.folder, row.text), row.path) << row.text;
}

class WatchLogWriter : public testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("watch_log_test_" + std::to_string(::getpid()) + "_" +
           testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  LogWriter::Notify collect() {
    return [this](const std::string& text) {
      std::lock_guard<std::mutex> lock(noticeMutex);
      notices.push_back(text);
    };
  }
  static std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  std::filesystem::path dir;
  LogFilePool pool{8};
  std::mutex noticeMutex;
  std::vector<std::string> notices;
};

// Whatever sits where the file belongs, nothing is written through it, the
// run never waits on it, and the user hears why once and how much was lost.
TEST_F(WatchLogWriter, RefusesWhatIsNoPlainFileOfItsOwnAndSaysSoOnce) {
  const auto victim = dir / "victim";
  std::ofstream(victim) << "keep\n";
  struct Row {
    std::string path;
    std::function<void(const std::string&)> plant;
    std::string cause;
  };
  const std::string nul = (dir / std::string("a\0b", 3)).string();
  const Row rows[] = {
      {(dir / "fifo.log").string(), [](const std::string& p) { ::mkfifo(p.c_str(), 0666); },
       "not a regular file"},
      {(dir / "link.log").string(),
       [&](const std::string& p) { std::filesystem::create_symlink(victim, p); },
       "a symbolic link, not followed"},
      {logFileName(nul, "127.0.0.1"), nullptr, "the name holds a NUL character"},
  };
  for (const Row& row : rows) {
    notices.clear();
    if (row.plant) row.plant(row.path);
    auto written = std::async(std::launch::async, [&] {
      LogWriter writer(row.path, true, collect(), pool);
      for (int i = 0; i < 3; ++i) EXPECT_FALSE(writer.write("line"));
    });
    int reader = -1;
    if (written.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
      ADD_FAILURE() << row.path << " held the writer";
      reader = ::open(row.path.c_str(), O_RDONLY | O_NONBLOCK);  // lets a blocked open go
    }
    written.get();
    if (reader >= 0) ::close(reader);
    const std::string shown = escapeControlChars(row.path);
    EXPECT_EQ(notices, (std::vector<std::string>{"Log file " + shown + ": " + row.cause,
                                                 "Log file " + shown + ": 3 lines lost"}));
  }
  EXPECT_EQ(readAll(victim), "keep\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "a"));
  EXPECT_NE(notices.front().find("\\x00b/127_0_0_1.log"), std::string::npos) << notices.front();
}

TEST_F(WatchLogWriter, AFileRemovedWhileOpenIsMadeAgain) {
  const auto path = dir / "gone" / "127_0_0_1.log";
  LogWriter writer(path.string(), true, collect(), pool);
  EXPECT_TRUE(writer.write("first"));
  std::filesystem::remove_all(dir / "gone");
  EXPECT_TRUE(writer.write("second"));
  EXPECT_EQ(readAll(path), "second\n");
  EXPECT_TRUE(notices.empty());
}

TEST(WatchSettings, SnapshotHoldsTheLogChoice) {
  settings::Settings s;
  s.logFlipFlop = true;
  s.logTimeouts = true;
  s.logPath = "";
  const MonitorSettings m = monitorSettingsFrom(s);
  EXPECT_FALSE(m.logChangesOnly);  // only changes never goes with every time-out
  EXPECT_EQ(m.logPath, settings::defaultWatchLogPath());
}

}  // namespace
}  // namespace tarvo

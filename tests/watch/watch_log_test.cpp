#include "watch/watch_log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <vector>

#include "engine/echo_service.h"
#include "watch/monitor_settings.h"

namespace tarvo {
namespace {

TEST(WatchPoints, TokensBecomeGreenYellowOrRedPoints) {
  EXPECT_EQ(resultToken(true, 23), "123");
  EXPECT_EQ(resultToken(true, 0), "10");
  EXPECT_EQ(resultToken(false, 23), "0");

  const GraphPoint atWait = pointFromToken(resultToken(true, 500), 500);
  EXPECT_EQ(atWait.value, 500u);
  EXPECT_EQ(atWait.color, GraphPoint::kGreen);
  const GraphPoint quick = pointFromToken("10", 500);
  EXPECT_EQ(quick.value, 0u);
  EXPECT_EQ(quick.color, GraphPoint::kGreen);
  const GraphPoint late = pointFromToken("1501", 500);
  EXPECT_EQ(late.value, 500u);
  EXPECT_EQ(late.color, GraphPoint::kYellow);
  EXPECT_EQ(late.roundTripMs, 501u);
  const GraphPoint lost = pointFromToken("0", 500);
  EXPECT_EQ(lost.value, 500u);
  EXPECT_EQ(lost.color, GraphPoint::kRed);
  EXPECT_FALSE(lost.replied);
}

TEST(WatchSequence, StampOverwritesTheFirstElevenLettersAndWraps) {
  std::vector<std::uint8_t> payload(32);
  fillLetters(payload);
  stampSequence(payload, 7);
  EXPECT_EQ(std::string(payload.begin(), payload.begin() + 12), ".Seq=00007.L");
  stampSequence(payload, 65535);
  EXPECT_EQ(std::string(payload.begin(), payload.begin() + 11), ".Seq=65535.");
  std::vector<std::uint8_t> shortPayload(10, 'A');
  stampSequence(shortPayload, 7);
  EXPECT_EQ(shortPayload, std::vector<std::uint8_t>(10, 'A'));

  EXPECT_EQ(nextSequence(1), 2u);
  EXPECT_EQ(nextSequence(65534), 65535u);
  EXPECT_EQ(nextSequence(65535), 1u);
}

TEST(WatchLogLine, FieldsOfAReplyAndOfATimeout) {
  EchoResult reply;
  reply.status = 0;
  reply.roundTripMs = 12;
  reply.replyTtl = 128;
  reply.replyDataSize = 32;
  EXPECT_EQ(logLine("10.0.0.5", "D, 01:02:03.4", reply, true, {5, 5}, "Success"),
            "10.0.0.5, D, 01:02:03.4, RTT = 12, TTL = 128, Bytes = 32, Sent = 5, Recv = 5, "
            "Lost = 0, Loss = 0%, Success");
  EchoResult timeout;
  timeout.roundTripMs = 999;  // never shown without a reply
  EXPECT_EQ(logLine("10.0.0.5", "D, T", timeout, false, {3, 1}, "Request timed out"),
            "10.0.0.5, D, T, RTT = 0, TTL = 0, Bytes = 0, Sent = 3, Recv = 1, Lost = 2, "
            "Loss = 66%, Request timed out");

  WatchCounters oneOfThree{3, 2};
  EXPECT_EQ(oneOfThree.lossPercent(), 33u);
  // Counters of a long run go past 32 bits without wrapping.
  WatchCounters huge{5'000'000'000ULL, 2'500'000'000ULL};
  EXPECT_EQ(huge.lost(), 2'500'000'000ULL);
  EXPECT_EQ(huge.lossPercent(), 50u);
}

TEST(WatchLogLine, TimeFieldsAreDateThenUnpaddedMilliseconds) {
  const auto when =
      std::chrono::system_clock::from_time_t(86400 * 365) + std::chrono::milliseconds(7);
  const std::string text = logTimeFields(when);
  EXPECT_TRUE(std::regex_match(text, std::regex(".+, [0-2][0-9]:[0-5][0-9]:[0-5][0-9]\\.7")))
      << text;
}

TEST(WatchLogFile, NameFolderAndAppending) {
  EXPECT_EQ(logFileName("/var/log/w", "192.168.1.10"), "/var/log/w/192_168_1_10.log");
  EXPECT_EQ(logFileName("/var/log/w///", "10.0.0.5"), "/var/log/w/10_0_0_5.log");
  EXPECT_EQ(logFileName("/", "10.0.0.5"), "/10_0_0_5.log");

  const auto dir =
      std::filesystem::temp_directory_path() / ("watch_log_test_" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  const std::string path = logFileName((dir / "made" / "").string(), "127.0.0.1");
  {
    LogFile file;
    ASSERT_TRUE(file.open(path));  // the folder is created
    EXPECT_TRUE(file.write("first"));
  }
  EXPECT_TRUE(LogFile::appendOnce(path, "second"));
  LogFile again;
  ASSERT_TRUE(again.open(path));  // never truncated
  EXPECT_TRUE(again.write("third"));
  again.close();
  std::ifstream in(path, std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(all, "first\nsecond\nthird\n");
  EXPECT_FALSE(LogFile::appendOnce("/proc/no/such/127_0_0_1.log", "lost"));
  std::filesystem::remove_all(dir);
}

TEST(WatchSettings, SnapshotHoldsTheRulesAndTheLogChoice) {
  settings::Settings s;
  s.watchWait = 0;
  s.watchBytes = 10;
  s.watchResolveNames = 7;
  s.logFlipFlop = true;
  s.logTimeouts = true;
  s.logPath = "";
  const MonitorSettings m = monitorSettingsFrom(s);
  EXPECT_EQ(m.waitMs, 1u);
  EXPECT_EQ(m.dataSize, 18u);
  EXPECT_EQ(m.resolveMode, ResolveMode::OneTry);
  EXPECT_FALSE(m.logChangesOnly);  // only changes never goes with every time-out
  EXPECT_EQ(m.logPath, settings::defaultWatchLogPath());
}

}  // namespace
}  // namespace tarvo

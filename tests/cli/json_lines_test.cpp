#include "cli/json_lines.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>

#include "cli/json_records.h"

namespace tarvo::cli {
namespace {

TEST(JsonLines, OddHostTextsStayOneValidLine) {
  JsonObject record;
  record["host"] = std::string("a\"b\\c\nd\te\x01\x7f\0", 12);
  EXPECT_EQ(jsonLine(record), "{\"host\":\"a\\\"b\\\\c\\nd\\te\\u0001\x7f\\u0000\"}\n");
  // A byte that is not UTF-8 becomes U+FFFD; valid UTF-8 stays as it is.
  record["host"] = "x\xff\xc3y \xc3\xa4";
  EXPECT_EQ(jsonLine(record), "{\"host\":\"x\xef\xbf\xbd\xef\xbf\xbdy \xc3\xa4\"}\n");
}

TEST(JsonLines, RoundTripsAreMillisecondsToTheMicrosecond) {
  struct Row {
    std::optional<std::uint64_t> us;
    const char* line;
  };
  for (const Row& row : std::initializer_list<Row>{
           {0, "{\"rtt\":0}\n"},
           {43, "{\"rtt\":0.043}\n"},
           {5000, "{\"rtt\":5}\n"},  // a whole number stays one
           {4294967295000u, "{\"rtt\":4294967295}\n"},
           {std::nullopt, "{\"rtt\":null}\n"},
       }) {
    EXPECT_EQ(jsonLine({{"rtt", roundTripOrNull(row.us)}}), row.line);
  }
}

TEST(JsonRecords, RoundTripsKeepTheirMicroseconds) {
  EchoResult reply;
  reply.status = 0;
  reply.replyAddress = IpAddress::v4(0x7F000001);
  reply.roundTripMs = 1;
  reply.roundTripUs = 1043;
  EXPECT_EQ(pingRecord(1, reply)["rtt"].dump(), "1.043");

  // Min / avg / max over the microseconds, where the text's are all 0.
  RoundTripStats stats;
  for (std::uint64_t us : {43u, 120u, 20u}) {
    stats.addSent();
    stats.addReply(0, us);
  }
  RangeOutcome outcome;
  outcome.code = range_code::kReached;
  outcome.stats = stats;
  const JsonObject address = rangeRecord("127.0.0.1", outcome);
  EXPECT_EQ(address["min"].dump() + " " + address["avg"].dump() + " " + address["max"].dump(),
            "0.02 0.061 0.12");
}

// The time as isoTime writes it in that TZ zone (each test runs in a
// process of its own, so the zone set stays there).
std::string isoTimeIn(const char* zone, std::int64_t msSince1970) {
  setenv("TZ", zone, 1);
  tzset();
  return isoTime(std::chrono::system_clock::time_point{std::chrono::milliseconds(msSince1970)});
}

TEST(JsonLines, IsoTimeCarriesMillisecondsAndTheOffset) {
  constexpr std::int64_t t = 1'700'000'000'007;  // 2023-11-14 22:13:20.007Z
  EXPECT_EQ(isoTimeIn("UTC0", t), "2023-11-14T22:13:20.007+00:00");
  EXPECT_EQ(isoTimeIn("XST-5:30", t), "2023-11-15T03:43:20.007+05:30");  // east of UTC
  // Before 1970 the milliseconds still count forward within their second.
  EXPECT_EQ(isoTimeIn("UTC0", -1), "1969-12-31T23:59:59.999+00:00");
}

TEST(JsonLines, WriteGivesOneFlushedLinePerRecord) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  JsonLines out(file);
  out.write({{"type", "reply"}, {"seq", 1}});
  out.write({{"type", "summary"}});
  // Read past the stream's buffer: in the file already, without a flush by the caller.
  std::string text(128, '\0');
  text.resize(static_cast<std::size_t>(pread(fileno(file), text.data(), text.size(), 0)));
  EXPECT_EQ(text, "{\"type\":\"reply\",\"seq\":1}\n{\"type\":\"summary\"}\n");
  std::fclose(file);
}

TEST(JsonRecords, AbsentValuesAreNullNotZero) {
  // A ping error names who reported it only when someone did.
  EchoResult timedOut;
  timedOut.status = 11010;
  EXPECT_EQ(pingRecord(2, timedOut).dump(),
            R"({"type":"error","seq":2,"status":11010,"text":"Request timed out","address":null})");
  EchoResult reported;
  reported.status = 11003;
  reported.replyAddress = IpAddress::v4(0x0A000001);
  EXPECT_EQ(pingRecord(1, reported)["address"], "10.0.0.1");

  // No reply: min / avg / max are null, not the text output's zeros.
  RoundTripStats none;
  none.addSent();
  const JsonObject summary = pingSummaryRecord("h", none, {}, {});
  EXPECT_TRUE(summary["min"].is_null() && summary["avg"].is_null() && summary["max"].is_null());
  EXPECT_EQ(summary["lost"], 1);

  // A hop with one answered probe of three, and one that never probed.
  TraceHopOutcome hop;
  hop.roundTripsUs = {std::nullopt, 7250u, std::nullopt};
  hop.router = IpAddress::v4(0x7F000001);
  hop.status = 11013;
  hop.probed = true;
  EXPECT_EQ(hopRecord(3, 206, hop).dump(),
            R"({"type":"hop","hop":3,"rtt":[null,7.25,null],"address":"127.0.0.1","name":null,)"
            R"("status":11013,"text":null,"result":"router"})");
  TraceHopOutcome stopped;
  stopped.text = "UserBreak";
  EXPECT_EQ(hopRecord(4, 206, stopped)["rtt"].dump(), "[null,null,null]");
  EXPECT_EQ(hopRecord(4, 206, stopped)["result"], "not probed");
}

TEST(JsonRecords, SettingsKeepTextsThatLookLikeNumbers) {
  const JsonObject record = settingsRecord(
      {{"P_Countp", "4"}, {"T_Host", "1234"}, {"W_LogPath", "/x/"}, {"P_Odd", "007"}}, {"T_Host"});
  EXPECT_EQ(record.dump(),
            R"({"type":"settings","P_Countp":4,"T_Host":"1234","W_LogPath":"/x/","P_Odd":"007"})");
}

}  // namespace
}  // namespace tarvo::cli

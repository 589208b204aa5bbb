#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "metrics/exposition.h"
#include "metrics/listen_address.h"
#include "metrics/metrics_registry.h"

namespace tarvo::metrics {
namespace {

WatchResult reply(std::uint64_t us) { return WatchResult{true, us, 0, {}}; }
const WatchResult kTimeout{false, 0, 11010, {}};

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The sample lines of `name` (its full sample name, then "{").
std::vector<std::string> samples(const std::string& text, const std::string& name) {
  std::vector<std::string> out;
  for (const std::string& line : linesOf(text)) {
    if (line.rfind(name + "{", 0) == 0) out.push_back(line);
  }
  return out;
}

class MetricsTest : public ::testing::Test {
 protected:
  std::string text(ExpositionFormat format = ExpositionFormat::Text) {
    return exposition(registry.snapshot(), format, "0.1.0");
  }
  MetricsRegistry registry;
  const std::string kA = R"(host="10.0.0.5",address="10.0.0.5",caption="10.0.0.5")";
};

TEST_F(MetricsTest, ResultsFillTheHistogramAndCountersOfTheirHost) {
  registry.setHosts({"10.0.0.5", "alpha.example"});
  // On a bucket's bound, just above it, beyond the last one, and lost.
  for (std::uint64_t us : {40, 50, 51, 30'000'000})
    registry.record("10.0.0.5", "10.0.0.5", reply(us));
  registry.record("10.0.0.5", "10.0.0.5", kTimeout);
  registry.stateChanged("10.0.0.5", "10.0.0.5", HostState::Up);
  registry.record("gone.example", "", reply(1));  // not watched: dropped
  const std::string t = text();

  const char* bounds[] = {"5e-05",  "0.0001", "0.0002", "0.0004", "0.0008",  "0.0016",  "0.0032",
                          "0.0064", "0.0128", "0.0256", "0.0512", "0.1024",  "0.2048",  "0.4096",
                          "0.8192", "1.6384", "3.2768", "6.5536", "13.1072", "26.2144", "+Inf"};
  const auto buckets = samples(t, "tarvo_rtt_seconds_bucket");
  ASSERT_EQ(buckets.size(), 2 * std::size(bounds));
  for (std::size_t b = 0; b < std::size(bounds); ++b) {
    const int below = b == 0 ? 2 : b + 1 < std::size(bounds) ? 3 : 4;  // cumulative
    EXPECT_EQ(buckets[b], "tarvo_rtt_seconds_bucket{" + kA + ",le=\"" + bounds[b] + "\"} " +
                              std::to_string(below));
  }
  EXPECT_EQ(samples(t, "tarvo_rtt_seconds_sum")[0], "tarvo_rtt_seconds_sum{" + kA + "} 30.000141");
  EXPECT_EQ(samples(t, "tarvo_rtt_seconds_count")[0], "tarvo_rtt_seconds_count{" + kA + "} 4");
  EXPECT_EQ(samples(t, "tarvo_requests_total")[0], "tarvo_requests_total{" + kA + "} 5");
  EXPECT_EQ(samples(t, "tarvo_replies_total")[0], "tarvo_replies_total{" + kA + "} 4");
  // A name without an address yet: its series are there, empty, but it is
  // neither up nor down.
  const std::string b = R"(host="alpha.example",address="",caption="alpha.example")";
  EXPECT_EQ(samples(t, "tarvo_requests_total")[1], "tarvo_requests_total{" + b + "} 0");
  EXPECT_EQ(samples(t, "tarvo_up"), std::vector<std::string>{"tarvo_up{" + kA + "} 1"});
  EXPECT_EQ(samples(t, "tarvo_build_info"),
            std::vector<std::string>{R"(tarvo_build_info{version="0.1.0"} 1)"});
  EXPECT_EQ(t.find("gone.example"), std::string::npos);
}

TEST_F(MetricsTest, LabelValuesAreEscapedAndKeepTheirUtf8) {
  const std::string item = "a\"b\\c\nd \xC3\xA9 \xFF";
  registry.setHosts({item});
  registry.captionChanged(item, "caf\xC3\xA9 (--)");
  registry.stateChanged(item, "", HostState::Down);
  EXPECT_EQ(samples(text(), "tarvo_up"),
            std::vector<std::string>{
                "tarvo_up{host=\"a\\\"b\\\\c\\nd \xC3\xA9 \xEF\xBF\xBD\",address=\"\","
                "caption=\"caf\xC3\xA9 (--)\"} 0"});
}

TEST_F(MetricsTest, AChangedListKeepsTheHostsThatStayAndTheirStates) {
  registry.setHosts({"10.0.0.5", "10.0.0.6"});
  registry.record("10.0.0.5", "10.0.0.5", reply(100));
  for (HostState s : {HostState::Up, HostState::Down, HostState::Up}) {
    registry.stateChanged("10.0.0.5", "10.0.0.5", s);
  }
  registry.setHosts({"10.0.0.7", "10.0.0.5"});
  // The next run finds the state it had: no change.
  registry.stateChanged("10.0.0.5", "10.0.0.5", HostState::Up);
  const std::string t = text();
  EXPECT_EQ(
      samples(t, "tarvo_state_changes_total"),
      (std::vector<std::string>{
          R"(tarvo_state_changes_total{host="10.0.0.7",address="10.0.0.7",caption="10.0.0.7"} 0)",
          "tarvo_state_changes_total{" + kA + "} 2"}));
  EXPECT_EQ(samples(t, "tarvo_up"), std::vector<std::string>{"tarvo_up{" + kA + "} 1"});
  EXPECT_EQ(samples(t, "tarvo_requests_total")[1], "tarvo_requests_total{" + kA + "} 1");
  EXPECT_EQ(t.find("10.0.0.6"), std::string::npos);
}

TEST_F(MetricsTest, OpenMetricsNamesCounterFamiliesWithoutTotalAndEndsWithEof) {
  registry.setHosts({"10.0.0.5"});
  registry.record("10.0.0.5", "10.0.0.5", reply(100));
  const auto lines = linesOf(text(ExpositionFormat::OpenMetrics));
  auto has = [&](const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  };
  EXPECT_EQ(lines.back(), "# EOF");
  EXPECT_TRUE(has("# TYPE tarvo_requests counter"));
  EXPECT_TRUE(has("tarvo_requests_total{" + kA + "} 1"));
  EXPECT_TRUE(has("# UNIT tarvo_rtt_seconds seconds"));
  EXPECT_TRUE(has("# TYPE tarvo_build info"));
  EXPECT_NE(linesOf(text()).back(), "# EOF");
}

TEST(MetricsFormat, TheAcceptHeaderChoosesTheFormat) {
  const struct {
    const char* accept;
    ExpositionFormat format;
  } rows[] = {
      {"application/openmetrics-text;version=1.0.0,application/openmetrics-text;version=0.0.1;"
       "q=0.75,text/plain;version=0.0.4;q=0.5,*/*;q=0.1",
       ExpositionFormat::OpenMetrics},
      {"Application/OpenMetrics-Text", ExpositionFormat::OpenMetrics},
      {"", ExpositionFormat::Text},
      {"*/*", ExpositionFormat::Text},
      {"application/openmetrics-text; q=0", ExpositionFormat::Text},
      {"text/plain, application/openmetrics-text;q=0.9", ExpositionFormat::Text},
  };
  for (const auto& row : rows) EXPECT_EQ(formatForAccept(row.accept), row.format) << row.accept;
}

TEST(MetricsListen, APortAloneIsLoopbackAndAnythingOddIsRefused) {
  const struct {
    const char* text;
    const char* where;  // null: refused
  } rows[] = {
      {"9427", "127.0.0.1:9427"},
      {"0.0.0.0:9427", "0.0.0.0:9427"},
      {"127.0.0.5:1", "127.0.0.5:1"},
      {"0", nullptr},
      {"65536", nullptr},
      {"", nullptr},
      {"94x7", nullptr},
      {"+9427", nullptr},
      {"127.1:9427", nullptr},
      {"localhost:9427", nullptr},
      {":9427", nullptr},
      {"127.0.0.1:", nullptr},
      {"::1:9427", nullptr},
      {"1.2.3.4:9427:", nullptr},
  };
  for (const auto& row : rows) {
    const auto where = parseListenAddress(row.text);
    EXPECT_EQ(where ? where->text() : "refused", row.where ? row.where : "refused") << row.text;
  }
}

}  // namespace
}  // namespace tarvo::metrics

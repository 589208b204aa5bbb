#include "cli/history_format.h"

#include <gtest/gtest.h>

namespace tarvo::cli {
namespace {

constexpr history::TimeUs k14h = 1'796'652'000'000'000;  // 2026-12-07T14:00:00Z

history::Summary silentHost() {
  history::Summary s;
  s.host = {"gate,\"b\"", ""};
  s.sent = 4;
  s.lossPercent = 100;
  s.outages = 1;
  s.downSeconds = 1.5;
  return s;
}

history::Summary answeringHost() {
  history::Summary s;
  s.host = {"h\xc3\xa4st", "198.18.10.10"};
  s.sent = 3;
  s.received = 2;
  s.lossPercent = 100.0 / 3;
  s.minMs = 0.043;
  s.avgMs = 12.3456;
  s.maxMs = 24;
  s.mdevMs = 0.00001;  // rounds to 0, never "1e-05"
  s.p95Ms = 24;
  return s;
}

TEST(HistoryFormat, JsonHasNullsWhereThereIsNoneAndPlainNumbers) {
  EXPECT_EQ(jsonLine(historySummaryRecord(silentHost())),
            "{\"type\":\"summary\",\"host\":\"gate,\\\"b\\\"\",\"address\":null,\"sent\":4,"
            "\"received\":0,\"loss\":100,\"min\":null,\"avg\":null,\"max\":null,\"mdev\":null,"
            "\"p95\":null,\"outages\":1,\"down_seconds\":1.5}\n");
  EXPECT_EQ(jsonLine(historySummaryRecord(answeringHost())),
            "{\"type\":\"summary\",\"host\":\"h\xc3\xa4st\",\"address\":\"198.18.10.10\","
            "\"sent\":3,\"received\":2,\"loss\":33.333,\"min\":0.043,\"avg\":12.346,\"max\":24,"
            "\"mdev\":0,\"p95\":24,\"outages\":0,\"down_seconds\":0}\n");

  const history::HostKey host{"gate", "198.18.10.20"};
  EXPECT_EQ(jsonLine(historyOutageRecord(host, {k14h + 123'456, std::nullopt}, k14h + 2'500'000)),
            "{\"type\":\"outage\",\"host\":\"gate\",\"address\":\"198.18.10.20\","
            "\"start\":\"2026-12-07T14:00:00.123Z\",\"end\":null,\"seconds\":2.377}\n");
  EXPECT_EQ(historyResultRecord(host, {k14h, std::nullopt, 11010}).dump(),
            "{\"type\":\"result\",\"host\":\"gate\",\"address\":\"198.18.10.20\","
            "\"time\":\"2026-12-07T14:00:00.000Z\",\"rtt\":null,\"status\":11010}");
}

TEST(HistoryFormat, CsvQuotesTextsThatNeedItAndLeavesNullsEmpty) {
  const JsonObject record = historySummaryRecord(silentHost());
  EXPECT_EQ(csvHeader(record),
            "host,address,sent,received,loss,min,avg,max,mdev,p95,outages,down_seconds\r\n");
  EXPECT_EQ(csvLine(record), "\"gate,\"\"b\"\"\",,4,0,100,,,,,,1,1.5\r\n");
  history::Summary s = answeringHost();
  s.host.item = "two\nlines";
  EXPECT_EQ(csvLine(historySummaryRecord(s)),
            "\"two\nlines\",198.18.10.10,3,2,33.333,0.043,12.346,24,0,24,0,0\r\n");
}

TEST(HistoryFormat, TextColumnsLineUpAndShowADashForNone) {
  TextColumns columns = summaryColumns();
  history::Summary silent = silentHost();
  silent.host.item = "gate\x1b";  // a control character is shown, not obeyed
  for (const auto& s : {answeringHost(), silent}) columns.fit(summaryCells(s));
  EXPECT_EQ(
      columns.header() + columns.line(summaryCells(answeringHost())) +
          columns.line(summaryCells(silent)),
      "HOST      ADDRESS       SENT  LOSS%    MIN     AVG     MAX   MDEV     P95  OUTAGES  "
      "DOWN_S\n"
      "h\xc3\xa4st      198.18.10.10     3   33.3  0.043  12.346  24.000  0.000  24.000        0"
      "     0.0\n"
      "gate\\x1b  -                4  100.0      -       -       -      -       -        1"
      "     1.5\n");
}

}  // namespace
}  // namespace tarvo::cli

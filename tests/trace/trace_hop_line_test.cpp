#include "trace/trace_hop_line.h"

#include <gtest/gtest.h>

#include "engine/echo_status.h"
#include "trace/trace_hop_table.h"

namespace tarvo {
namespace {

constexpr Ipv4Address kDest = 0x0A000032;    // 10.0.0.50
constexpr Ipv4Address kRouter = 0x0A000001;  // 10.0.0.1

EchoResult answer(std::uint32_t status, Ipv4Address from, std::uint32_t rttMs = 0) {
  EchoResult r;
  r.status = status;
  r.replyAddress = from;
  r.roundTripMs = rttMs;
  return r;
}
const EchoResult kTimeout = answer(status::kRequestTimedOut, kDest);
EchoResult router(std::uint32_t rttMs) {
  return answer(status::kTtlExpiredTransit, kRouter, rttMs);
}
std::string sp(int n) { return std::string(n, ' '); }
const std::string kStars = std::string(kStarColumn) + kStarColumn + kStarColumn;

struct Hop {
  std::string line;
  std::uint32_t code;
};
Hop probe(std::uint32_t hop, std::initializer_list<EchoResult> results, std::string name = "") {
  HopLineBuilder b(hop, kDest);
  for (const EchoResult& r : results) b.addProbe(r);
  b.finish(name);
  return {b.line(), b.finalCode()};
}

TEST(HopLine, ColumnsAreRightAlignedByTheirDigits) {
  EXPECT_EQ(probe(1, {router(1), router(1), router(2)}).line, sp(12) + "1  " + sp(12) + "1ms" +
                                                                  sp(12) + "1ms" + sp(12) + "2ms" +
                                                                  sp(6) + "10.0.0.1" + sp(6));
  EXPECT_EQ(probe(100, {router(125), router(0), router(65535)}).line,
            sp(8) + "100  " + sp(8) + "125ms" + sp(12) + "0ms" + sp(4) + "65535ms" + sp(6) +
                "10.0.0.1" + sp(6));
  EXPECT_EQ(hopPadding(10), sp(10));
}

TEST(HopLine, UnansweredProbesShowStars) {
  // A code without a text of its own keeps the text of the probe before.
  const Hop silent = probe(4, {kTimeout, kTimeout, answer(status::kGeneralFailure, kDest)});
  EXPECT_EQ(silent.line, sp(12) + "4  " + sp(13) + "*" + sp(4) + kStarColumn + kStarColumn + sp(6) +
                             "Request timed out");
  EXPECT_EQ(silent.code, hopcode::kFinished);
  // The router's later answers clear the time-out text.
  EXPECT_EQ(
      probe(2, {kTimeout, router(3), router(4)}).line,
      sp(12) + "2  " + kStarColumn + sp(12) + "3ms" + sp(12) + "4ms" + sp(6) + "10.0.0.1" + sp(6));
  const Hop big = probe(3, {answer(status::kOptionTooBig, kDest)});
  EXPECT_EQ(big.line, sp(12) + "3  " + kStarColumn + sp(6) + "Option too big ");
  EXPECT_EQ(big.code, hopcode::kFinished);
}

TEST(HopLine, UnreachableEndsTheTrace) {
  const EchoResult unreachable = answer(status::kDestHostUnreachable, kRouter, 1);
  const Hop refused = probe(2, {unreachable, unreachable, unreachable});
  EXPECT_EQ(refused.line, sp(12) + "2  " + sp(12) + "1ms" + sp(12) + "1ms" + sp(12) + "1ms" +
                              sp(6) + "10.0.0.1" + sp(6) + "Destination host unreachable");
  EXPECT_EQ(refused.code, hopcode::kEndingError);
  // Reported without another address: the columns stay starred, the trace still ends.
  const EchoResult netDown = answer(status::kDestNetUnreachable, kDest);
  EXPECT_EQ(probe(3, {netDown, netDown, netDown}).line,
            sp(12) + "3  " + kStars + sp(6) + "Destination net unreachable");
  EXPECT_EQ(probe(3, {netDown}).code, hopcode::kEndingError);
}

}  // namespace
}  // namespace tarvo

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
EchoResult timeout() { return answer(status::kRequestTimedOut, kDest); }
EchoResult router(std::uint32_t rttMs) {
  return answer(status::kTtlExpiredTransit, kRouter, rttMs);
}

std::string sp(int n) { return std::string(n, ' '); }

TEST(HopLine, RouterHopWithNamesOff) {
  HopLineBuilder b(1, kDest);
  EXPECT_EQ(b.line(), sp(12) + "1  ");
  b.addProbe(router(1));
  b.addProbe(router(1));
  b.addProbe(router(2));
  b.finish("");
  EXPECT_EQ(b.line(), sp(12) + "1  " + sp(12) + "1ms" + sp(12) + "1ms" + sp(12) + "2ms" + sp(6) +
                          "10.0.0.1" + sp(6));
  EXPECT_EQ(b.finalCode(), hopcode::kFinished);
}

TEST(HopLine, NumbersAreRightAlignedByTheirDigits) {
  HopLineBuilder b(100, kDest);
  b.addProbe(router(125));
  b.addProbe(router(0));
  b.addProbe(router(65535));
  EXPECT_EQ(b.line(), sp(8) + "100  " + sp(8) + "125ms" + sp(12) + "0ms" + sp(4) + "65535ms");
  EXPECT_EQ(hopPadding(10), sp(10));
  EXPECT_EQ(hopPadding(255), sp(8));
}

TEST(HopLine, ThreeTimeOutsShowStarsAndTheText) {
  HopLineBuilder b(4, kDest);
  b.addProbe(timeout());
  b.addProbe(timeout());
  // A code without table text keeps the text of the probe before.
  b.addProbe(answer(status::kGeneralFailure, kDest));
  b.finish("");
  EXPECT_EQ(b.line(), sp(12) + "4  " + std::string(kStarColumn) + kStarColumn + kStarColumn +
                          sp(6) + "Request timed out");
  EXPECT_EQ(std::string(kStarColumn), sp(13) + "*" + sp(4));
  EXPECT_FALSE(b.hopAnswered());
  EXPECT_EQ(b.finalCode(), hopcode::kFinished);
}

TEST(HopLine, FirstProbeLostThenRouterAnswers) {
  HopLineBuilder b(2, kDest);
  b.addProbe(timeout());
  b.addProbe(router(3));
  b.addProbe(router(4));
  b.finish("");
  // The router's answers clear the time-out text: the status column is empty.
  EXPECT_EQ(b.line(), sp(12) + "2  " + kStarColumn + sp(12) + "3ms" + sp(12) + "4ms" + sp(6) +
                          "10.0.0.1" + sp(6));
  EXPECT_EQ(b.lastAnswerAddress(), kRouter);
}

TEST(HopLine, DestinationAnswerEndsTheTrace) {
  HopLineBuilder b(5, kDest);
  b.addProbe(answer(status::kSuccess, kDest, 7));
  b.addProbe(timeout());
  b.addProbe(answer(status::kSuccess, kDest, 9));
  b.finish("");
  EXPECT_EQ(b.line(), sp(12) + "5  " + sp(12) + "7ms" + kStarColumn + sp(12) + "9ms" + sp(6) +
                          "10.0.0.50" + sp(6));
  EXPECT_EQ(b.finalCode(), hopcode::kReached);
}

TEST(HopLine, UnreachableFromRouterIsAnEndingError) {
  HopLineBuilder b(2, kDest);
  for (int i = 0; i < 3; ++i) b.addProbe(answer(status::kDestHostUnreachable, kRouter, 1));
  b.finish("");
  EXPECT_EQ(b.line(), sp(12) + "2  " + sp(12) + "1ms" + sp(12) + "1ms" + sp(12) + "1ms" + sp(6) +
                          "10.0.0.1" + sp(6) + "Destination host unreachable");
  EXPECT_EQ(b.finalCode(), hopcode::kEndingError);
}

TEST(HopLine, UnansweredErrorsKeepTheirTexts) {
  HopLineBuilder big(3, kDest);
  for (int i = 0; i < 3; ++i) big.addProbe(answer(status::kOptionTooBig, kDest));
  big.finish("");
  EXPECT_EQ(big.line().substr(big.line().size() - 21), sp(6) + "Option too big ");
  EXPECT_EQ(big.finalCode(), hopcode::kFinished);

  HopLineBuilder net(3, kDest);
  for (int i = 0; i < 3; ++i) net.addProbe(answer(status::kDestNetUnreachable, kDest));
  net.finish("");
  EXPECT_EQ(net.line(), sp(12) + "3  " + kStarColumn + kStarColumn + kStarColumn + sp(6) +
                            "Destination net unreachable");
  EXPECT_EQ(net.finalCode(), hopcode::kEndingError);
}

TEST(HopLine, NameShownBeforeTheAddressWhenItDiffers) {
  HopLineBuilder named(1, kDest);
  named.addProbe(router(1));
  named.finish("router1.example");
  EXPECT_EQ(named.line().substr(named.line().size() - 39),
            sp(6) + "router1.example  [10.0.0.1]" + sp(6));

  HopLineBuilder same(1, kDest);
  same.addProbe(router(1));
  same.finish("10.0.0.1");
  EXPECT_EQ(same.line().substr(same.line().size() - 20), sp(6) + "10.0.0.1" + sp(6));
}

}  // namespace
}  // namespace tarvo

// The window against real echo requests to the loopback network, as a user
// would drive it.
#include <nlohmann/json.hpp>

#include "privileged.h"
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
  EXPECT_EQ(std::ranges::count_if(lines("Memo1"),
                                  [](const std::string& line) {
                                    return line.starts_with(
                                        "        Reply from 127.0.0.1: Bytes=32 Time=");
                                  }),
            4);
  QTest::keyClick(focused(), Qt::Key_Escape);
  EXPECT_FALSE(window->isVisible());
  window.reset();
  EXPECT_EQ(stored()["Settings"]["PingHosts"]["P_DestHost_000"], "127.0.0.1");
  EXPECT_TRUE(stored()["SizePosition"].contains("Left"));
}

}  // namespace
}  // namespace tarvo::ui::testing

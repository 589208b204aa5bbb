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
  ASSERT_TRUE(waitForLine("Memo1", kEndOfPing));
  std::vector<std::string> shown = lines("Memo1");
  EXPECT_EQ(shown[1].rfind("  \u00b7 Pinging 127.0.0.1", 0), 0u);
  EXPECT_EQ(countStartingWith("Memo1", "        Reply from 127.0.0.1: Bytes=32 Time="), 4);
  EXPECT_NE(std::find(shown.begin(), shown.end(),
                      "        Packets:     sent / received / lost = 4 / 4 / 0   (0% Loss)"),
            shown.end());
  QTest::keyClick(focused(), Qt::Key_Escape);
  EXPECT_FALSE(window->isVisible());
  window.reset();
  auto tree = nlohmann::json::parse(registry.read())["SOFTWARE"]["Dravenco"]["Tarvo"];
  EXPECT_EQ(tree["Settings"]["PingHosts"]["P_DestHost_000"], "127.0.0.1");
  EXPECT_EQ(tree["Settings"]["AutoSaveSettings"], "1");
  EXPECT_TRUE(tree["SizePosition"].contains("Left"));
}

TEST_F(WindowOnLoopback, TracerouteToLoopbackIsOneHop) {
  selectTab(1);
  setText("Edit13", "127.0.0.1");
  QTest::keyClick(edit("Edit13"), Qt::Key_Return);
  ASSERT_TRUE(waitForLine("Memo2", kEndOfTrace));
  std::vector<std::string> shown = lines("Memo2");
  EXPECT_EQ(countStartingWith("Memo2", "            1  "), 1);
  EXPECT_EQ(countStartingWith("Memo2", "            2  "), 0);
  EXPECT_EQ(shown.back(), kEndOfTrace);
}

}  // namespace
}  // namespace tarvo::ui::testing

// Runs started from the window against the scripted echo network, and how
// the window ends while they go on.
#include <QProgressBar>
#include <csignal>
#include <future>

#include "base/thread_base.h"
#include "ui/desktop_ending.h"
#include "ui/gui_hand_off.h"
#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

using tarvo::testing::FakeEchoNetwork;
using tarvo::testing::FakeSend;

class WindowRuns : public WindowTest {
 protected:
  void SetUp() override { open(); }
  void startPing(const char* host, const char* count, const char* delay = "1") {
    combo("ComboBox4")->setEditText(host);
    setText("Edit2", count);
    setText("Edit4", delay);
    button("Button1")->click();
  }
  void startRange(const char* first, const char* third, const char* fourth) {
    combo("ComboBox4")->setEditText(first);
    find<QCheckBox>("CheckBox1")->click();
    setText("Edit11", third);
    setText("Edit12", fourth);
    button("Button1")->click();
  }
};

TEST_F(WindowRuns, SinglePingFromTheButtonToTheEndLine) {
  startPing("127.0.0.1", "2");
  ASSERT_TRUE(waitForLine("Memo1", kEndOfPingLine));
  EXPECT_EQ(shown({"Button1", "ComboBox1"}), "&Ping|127.0.0.1");
  EXPECT_EQ(items("ComboBox4"), std::vector<std::string>{"127.0.0.1"});
  EXPECT_EQ(network.sends().at(1).options.ttl, 60);  // the window's value
}

TEST_F(WindowRuns, BreakEndsAnEndlessPingAndEscIsRefusedMeanwhile) {
  startPing("127.0.0.1", "0", "50");
  ASSERT_TRUE(waitUntil([&] { return network.sends().size() >= 2; }));
  EXPECT_EQ(enabled({"Button1", "Button2", "Button6", "Button4", "CheckBox1"}), "10000");
  QTest::keyClick(button("Button1"), Qt::Key_Escape);
  EXPECT_TRUE(window->isVisible());  // Exit is disabled, so Esc does nothing

  QTest::keyClick(button("Button1"), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  ASSERT_TRUE(waitForLine("Memo1", kEndOfPingLine));
  EXPECT_EQ(enabled({"Button1", "Button2", "Button6", "Button4", "CheckBox1"}), "11111");
}

TEST_F(WindowRuns, ASecondPressBeforeTheRunHasBegunBreaksItInsteadOfStartingAnother) {
  startPing("127.0.0.1", "0", "1");
  button("Button1")->click();  // no event processed in between
  EXPECT_EQ(button("Button1")->text(), "Wait...");
  // A second endless run would never end.
  ASSERT_TRUE(
      waitUntil([&] { return ThreadBase::liveThreads() == 0 && window->busyCount() == 0; }));
  EXPECT_EQ(std::ranges::count(lines("Memo1"), kEndOfPingLine), 1);
  EXPECT_EQ(network.servicesCreated(), 1);
}

TEST_F(WindowRuns, ABreakBeforeTheTracerouteHasBegunKeepsWait) {
  // The name look-up holds the traceroute between its begin and end steps.
  std::promise<void> lookUpMayEnd;
  std::shared_future<void> mayEnd = lookUpMayEnd.get_future().share();
  closeWindow();
  adjustServices = [&](WindowServices& services) {
    Resolver resolver;
    resolver.lookupHost = [mayEnd](const std::string&) -> std::optional<HostEntry> {
      mayEnd.wait_for(std::chrono::seconds(10));
      return std::nullopt;
    };
    resolver.lookupAddress = [](Ipv4Address) { return std::nullopt; };
    services.traceResolver = resolver;
  };
  open();
  selectTab(1);
  setText("Edit13", "slow.invalid");
  button("Button3")->click();
  button("Button3")->click();  // no event processed in between
  ASSERT_TRUE(waitUntil([&] { return window->busyCount() == 1; }));  // begun
  EXPECT_EQ(shown({"Button3"}) + enabled({"Button3"}), "Wait...0");
  lookUpMayEnd.set_value();
  ASSERT_TRUE(waitForLine("Memo2", kEndOfTraceLine));
  EXPECT_EQ(shown({"Button3"}) + enabled({"Button3"}), "&Traceroute1");
}

TEST_F(WindowRuns, RangePingShowsEveryAddressInOrderAndFillsTheLists) {
  // Every even address answers, the odd ones time out.
  network.setResponder([](const FakeSend& send) {
    if (send.destination % 2 == 0) return FakeEchoNetwork::reply(send.destination, 1, 32, 64, 5);
    return FakeEchoNetwork::failure(11010, send.destination, 30);
  });
  startRange("127.0.0.1", "0", "20");
  ASSERT_TRUE(waitForLine("Memo1", kEndOfRangePingLine));
  // Lines reach the text area in batches; none is lost or moved.
  int next = 1;
  for (const std::string& line : lines("Memo1")) {
    if (line.starts_with("      127.0.0.")) {
      EXPECT_EQ(std::stoi(line.substr(14)), next++) << line;
    }
  }
  EXPECT_EQ(next, 21);
  for (const char* list : {"ComboBox1", "ComboBox2", "ComboBox3"})
    EXPECT_EQ(items(list).size(), 10u);
  EXPECT_EQ(panel(0) + "|" + panel(1), "  Done |  Number of reached addresses: 10 of 20");
  button("Button4")->click();  // "&Clear" empties them
  EXPECT_TRUE(panel(1).empty() && lines("Memo1").empty() && items("ComboBox1").empty());
}

TEST_F(WindowRuns, InvalidRangeIsRefusedWithAMessage) {
  startRange("10.0.2.1", "1", "5");
  EXPECT_EQ(lines("Memo1"), (std::vector<std::string>{" ", "  \u00b7 Please check IP Range"}));
  EXPECT_EQ(focused(), edit("Edit11"));
  setText("Edit7", "0");  // 10.0.0.1 to 10.0.0.5, were the empty field read as 0
  setText("Edit11", "");
  button("Button1")->click();  // an empty field is refused
  EXPECT_EQ(lines("Memo1").size(), 4u);
  EXPECT_EQ(window->busyCount(), 0);
  EXPECT_TRUE(network.sends().empty());
}

// Closed by the user, by SIGTERM or by SIGHUP while a ping and a trace run:
// the usual closing steps, and the runs end by themselves without the window.
TEST_F(WindowRuns, ClosingDuringRunsSavesAndNeitherHangsNorTouchesTheGoneWindow) {
  network.setResponder([](const FakeSend& send) {  // routers answer: the trace collects hops
    if (send.options.ttl < 200) return FakeEchoNetwork::failure(11013, send.destination + 1, 20);
    return FakeEchoNetwork::reply(send.destination, 1, 32, 64, 20);
  });
  for (int signal : {0, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    if (!window) open();
    DesktopEnding ending(*window);
    window->resize(640, 480);
    startPing("127.0.0.1", "0", "1");
    selectTab(1);
    setText("Edit13", "127.0.0.1");
    setText("Edit15", "255");
    button("Button3")->click();
    ASSERT_TRUE(window->traceRunning());
    ASSERT_TRUE(waitUntil([&] { return window->handOff().stepsRun() > 20; }));
    if (signal == 0)
      window->close();
    else
      std::raise(signal);
    ASSERT_TRUE(waitUntil([&] { return !window->isVisible(); }));
    EXPECT_TRUE(ThreadBase::waitAllEnded(10000));
    EXPECT_EQ(stored()["Settings"]["T_Host"], "127.0.0.1");
    EXPECT_EQ(stored()["SizePosition"]["Width"], 640);
    closeWindow();
    std::filesystem::remove(registry.file());
  }
}

}  // namespace
}  // namespace tarvo::ui::testing

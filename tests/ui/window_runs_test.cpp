// Runs started from the window against the scripted echo network.
#include <QThread>
#include <algorithm>
#include <atomic>

#include "base/thread_base.h"
#include "ui/gui_hand_off.h"
#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

using tarvo::testing::FakeEchoNetwork;
using tarvo::testing::FakeSend;

constexpr Ipv4Address kLoopback = 0x7F000001;

class WindowRuns : public WindowTest {
 protected:
  void SetUp() override { open(); }
  void startPing(const char* host, const char* count, const char* delay = "1") {
    combo("ComboBox4")->setEditText(host);
    setText("Edit2", count);
    setText("Edit4", delay);
    button("Button1")->click();
  }
  bool exitButtonsEnabled() {
    return button("Button2")->isEnabled() || button("Button6")->isEnabled();
  }
  void switchToRange(const char* first, const char* last) {
    combo("ComboBox4")->setEditText(first);
    find<QCheckBox>("CheckBox1")->click();
    auto parts = QString(last).split('.');
    setText("Edit11", parts[2].toUtf8().constData());
    setText("Edit12", parts[3].toUtf8().constData());
  }
};

TEST_F(WindowRuns, SinglePingFromTheButtonToTheEndLine) {
  startPing("127.0.0.1", "2");
  EXPECT_EQ(focused(), button("Button1"));
  ASSERT_TRUE(waitForLine("Memo1", kEndOfPing));
  EXPECT_EQ(countStartingWith("Memo1", "        Reply from 127.0.0.1: Bytes=32"), 2);
  EXPECT_EQ(lines("Memo1").back(), kEndOfPing);
  EXPECT_EQ(combo("ComboBox1")->currentText(), "127.0.0.1");
  EXPECT_EQ(items("ComboBox2"), std::vector<std::string>{"127.0.0.1"});
  EXPECT_EQ(items("ComboBox4"), std::vector<std::string>{"127.0.0.1"});
  EXPECT_EQ(window->busyCount(), 0);
  EXPECT_EQ(button("Button1")->text(), "&Ping");
  EXPECT_TRUE(exitButtonsEnabled());
  EXPECT_EQ(focused(), combo("ComboBox4"));
  // The sends carried the window's values.
  std::vector<FakeSend> sends = network.sends();
  ASSERT_EQ(sends.size(), 2u);
  EXPECT_EQ(sends[0].destination, kLoopback);
  EXPECT_EQ(sends[0].options.ttl, 60);
}

TEST_F(WindowRuns, BreakEndsAnEndlessPingAndEscIsRefusedMeanwhile) {
  startPing("127.0.0.1", "0", "50");
  ASSERT_TRUE(waitUntil([&] { return network.sends().size() >= 2; }));
  EXPECT_TRUE(window->pingRunning());
  EXPECT_EQ(button("Button1")->text(), "&Break");
  EXPECT_FALSE(exitButtonsEnabled());
  EXPECT_FALSE(button("Button4")->isEnabled());
  EXPECT_FALSE(find<QCheckBox>("CheckBox1")->isEnabled());
  QTest::keyClick(button("Button1"), Qt::Key_Escape);
  EXPECT_TRUE(window->isVisible());  // Exit is disabled, so Esc does nothing

  QTest::keyClick(button("Button1"), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(button("Button1")->text(), "Wait...");
  EXPECT_FALSE(button("Button1")->isEnabled());
  ASSERT_TRUE(waitForLine("Memo1", kEndOfPing));
  EXPECT_EQ(button("Button1")->text(), "&Ping");
  EXPECT_TRUE(button("Button1")->isEnabled());
  EXPECT_TRUE(exitButtonsEnabled());
  EXPECT_FALSE(window->pingRunning());
}

TEST_F(WindowRuns, ASecondPressBeforeTheRunHasBegunBreaksItInsteadOfStartingAnother) {
  startPing("127.0.0.1", "0", "1");
  button("Button1")->click();  // no event processed in between
  EXPECT_EQ(button("Button1")->text(), "Wait...");
  ASSERT_TRUE(waitForLine("Memo1", kEndOfPing));
  QTest::qWait(50);
  EXPECT_EQ(countLines("Memo1", kEndOfPing), 1);
  EXPECT_EQ(network.servicesCreated(), 1);
  EXPECT_EQ(button("Button1")->text(), "&Ping");
  EXPECT_EQ(window->busyCount(), 0);
}

TEST_F(WindowRuns, ABreakBeforeTheTracerouteHasBegunKeepsWait) {
  // The name look-up holds the traceroute between its begin and end steps.
  std::atomic<bool> lookUpMayEnd{false};
  closeWindow();
  adjustServices = [&](WindowServices& services) {
    Resolver resolver;
    resolver.lookupHost = [&](const std::string&) -> std::optional<HostEntry> {
      for (int i = 0; i < 5000 && !lookUpMayEnd; ++i) QThread::msleep(1);
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
  EXPECT_EQ(button("Button3")->text(), "Wait...");
  EXPECT_FALSE(button("Button3")->isEnabled());
  lookUpMayEnd = true;
  ASSERT_TRUE(waitForLine("Memo2", kEndOfTrace));
  EXPECT_EQ(button("Button3")->text(), "&Traceroute");
  EXPECT_TRUE(button("Button3")->isEnabled());
}

TEST_F(WindowRuns, HistoryKeepsTheLimitAndTheStoredSpelling) {
  window.reset();
  registry.write(R"({"SOFTWARE":{"Dravenco":{"Tarvo":{"Settings":{"P_HistorySize":"3",
      "PingHosts":{"P_DestHost_000":"127.0.0.1","P_DestHost_001":"LOCALHOST",
                   "P_DestHost_002":"127.0.0.3"}}}}}})");
  open();
  EXPECT_EQ(combo("ComboBox4")->currentText(), "127.0.0.3");
  startPing("127.0.0.4", "1");
  ASSERT_TRUE(waitForLine("Memo1", kEndOfPing));
  EXPECT_EQ(items("ComboBox4"), (std::vector<std::string>{"LOCALHOST", "127.0.0.3", "127.0.0.4"}));
  startPing("localhost", "1");
  ASSERT_TRUE(waitUntil([&] { return countLines("Memo1", kEndOfPing) == 2; }));
  EXPECT_EQ(items("ComboBox4"), (std::vector<std::string>{"127.0.0.3", "127.0.0.4", "LOCALHOST"}));
  EXPECT_EQ(combo("ComboBox4")->currentText(), "LOCALHOST");
}

TEST_F(WindowRuns, RangePingShowsEveryAddressInOrderAndFillsTheLists) {
  // Every even address answers, the odd ones time out. The order of the
  // result lines is the controller tests'.
  network.setResponder([](const FakeSend& send) {
    if (send.destination % 2 == 0) return FakeEchoNetwork::reply(send.destination, 1, 32, 64, 5);
    return FakeEchoNetwork::failure(11010, send.destination, 30);
  });
  switchToRange("127.0.0.1", "127.0.0.20");
  button("Button1")->click();
  EXPECT_EQ(focused(), button("Button1"));
  ASSERT_TRUE(waitForLine("Memo1", kEndOfRange));
  EXPECT_EQ(lines("Memo1")[1], "  \u00b7 Pinging IP Range");
  // Lines reach the text area in batches; none is lost or moved.
  std::vector<std::string> addresses;
  for (const std::string& line : lines("Memo1")) {
    if (line.rfind("      127.0.0.", 0) == 0)
      addresses.push_back(line.substr(6, line.find(' ', 6) - 6));
  }
  ASSERT_EQ(addresses.size(), 20u);
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    EXPECT_EQ(addresses[i], "127.0.0." + std::to_string(i + 1));
  }
  EXPECT_EQ(items("ComboBox1").size(), 10u);
  EXPECT_EQ(combo("ComboBox1")->currentText(), "127.0.0.2");
  EXPECT_EQ(items("ComboBox2").size(), 10u);
  EXPECT_EQ(items("ComboBox3").size(), 10u);
  EXPECT_EQ(combo("ComboBox3")->currentText(), "127.0.0.1");
  EXPECT_EQ(panel(0), "  Done ");
  EXPECT_EQ(panel(1), "  Number of reached addresses: 10 of 20");
  EXPECT_EQ(focused(), edit("Edit1"));
  EXPECT_EQ(window->busyCount(), 0);

  // Each tab shows its own status texts.
  selectTab(1);
  EXPECT_EQ(panel(0), "");
  selectTab(2);
  EXPECT_EQ(panel(1), "");
  selectTab(0);
  EXPECT_EQ(panel(0), "  Done ");
  button("Button4")->click();  // "&Clear" empties them
  EXPECT_EQ(panel(1), "");
  EXPECT_TRUE(lines("Memo1").empty());
  EXPECT_TRUE(items("ComboBox1").empty());
}

TEST_F(WindowRuns, InvalidRangeIsRefusedWithAMessage) {
  switchToRange("10.0.2.1", "10.0.1.5");
  button("Button1")->click();
  EXPECT_EQ(lines("Memo1"), (std::vector<std::string>{" ", "  \u00b7 Please check IP Range"}));
  EXPECT_EQ(focused(), edit("Edit11"));
  setText("Edit11", "");
  setText("Edit12", "");
  button("Button1")->click();  // an empty field is refused too
  EXPECT_EQ(lines("Memo1").size(), 4u);
  EXPECT_FALSE(window->rangeRunning());
  EXPECT_EQ(window->busyCount(), 0);
  EXPECT_TRUE(network.sends().empty());
}

TEST_F(WindowRuns, TracerouteBesideARunningPing) {
  startPing("127.0.0.1", "0", "20");
  ASSERT_TRUE(waitUntil([&] { return window->pingRunning(); }));
  selectTab(1);
  EXPECT_EQ(edit("Edit13")->text(), "127.0.0.1");  // taken from the host box
  button("Button3")->click();
  EXPECT_TRUE(window->traceRunning());  // set once the controller has started
  ASSERT_TRUE(waitForLine("Memo2", kEndOfTrace));
  EXPECT_EQ(countStartingWith("Memo2", "            1  "), 1);
  EXPECT_FALSE(window->traceRunning());
  EXPECT_EQ(focused(), edit("Edit13"));
  EXPECT_FALSE(exitButtonsEnabled());  // the ping still runs
  EXPECT_TRUE(button("Button5")->isEnabled());
  selectTab(0);
  button("Button1")->click();
  ASSERT_TRUE(waitForLine("Memo1", kEndOfPing));
  EXPECT_TRUE(exitButtonsEnabled());
  EXPECT_EQ(window->busyCount(), 0);
}

TEST_F(WindowRuns, ClosingDuringRunsNeitherHangsNorTouchesTheGoneWindow) {
  network.setResponder(
      [](const FakeSend& send) { return FakeEchoNetwork::reply(send.destination, 1, 32, 64, 20); });
  startPing("127.0.0.1", "0", "1");
  selectTab(1);
  setText("Edit13", "127.0.0.1");
  setText("Edit15", "255");
  network.setResponder([](const FakeSend& send) {
    // Routers answer slowly, so the trace is still collecting hops.
    if (send.options.ttl < 200) return FakeEchoNetwork::failure(11013, send.destination + 1, 20);
    return FakeEchoNetwork::reply(send.destination, 1, 32, 64, 20);
  });
  button("Button3")->click();
  ASSERT_TRUE(waitUntil([&] { return network.sends().size() > 20; }));
  EXPECT_GT(window->handOff().stepsRun(), 0);
  window->close();
  // The runs notice the stop and end by themselves, without the window.
  EXPECT_TRUE(ThreadBase::waitAllEnded(10000));
  window.reset();
}

}  // namespace
}  // namespace tarvo::ui::testing

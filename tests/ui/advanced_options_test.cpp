// The "Advanced Options" dialog, opened from the menu and driven by its
// controls while it runs modally.
#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

using Names = std::vector<const char*>;

class AdvancedOptions : public WindowTest {
 protected:
  void SetUp() override { open(); }
  // Opens the dialog from the menu and runs `steps` while it is shown; a
  // dialog the steps leave open is cancelled.
  void withDialog(const std::function<void()>& steps) {
    EXPECT_TRUE(withModal(
        "Form4",
        [&](QWidget* shown) {
          dialog = shown;
          steps();
        },
        [&] { trigger("AdvancedOptions1"); }));
  }
  void click(const char* name) { child<QAbstractButton>(dialog, name)->click(); }
  void type(const char* name, const char* text) { child<QLineEdit>(dialog, name)->setText(text); }
  std::string inDialog(const Names& names) { return testing::shownIn(dialog, names); }
  void ok() { click("OkButton"); }
  const settings::Settings& values() { return window->values(); }

  QWidget* dialog = nullptr;
};

TEST_F(AdvancedOptions, ASmallerHistoryDropsTheOldestHostsAndTheTraceBoxFollows) {
  QComboBox* hosts = combo("ComboBox4");
  for (int i = 0; i < 10; ++i) hosts->addItem(QString("10.0.0.%1").arg(i));
  hosts->setEditText("typed.example");
  withDialog([&] {
    child<QComboBox>(dialog, "HistoryList")->setCurrentIndex(2);
    click("TraceResolveBox");
    ok();
  });
  EXPECT_EQ(items("ComboBox4"), (std::vector<std::string>{"10.0.0.7", "10.0.0.8", "10.0.0.9"}));
  EXPECT_EQ(shown({"ComboBox4", "CheckBox2"}), "typed.example|1");
}

TEST_F(AdvancedOptions, WatchNumbersAreRepairedIntoTheSettingsButNotInTheFields) {
  withDialog([&] {
    type("WatchBytesEdit", "5");
    ok();
    EXPECT_EQ(inDialog({"WatchBytesEdit"}), "5");
  });
  EXPECT_EQ(values().watchBytes, 18);
  withDialog([&] { EXPECT_EQ(inDialog({"WatchBytesEdit"}), "18"); });
}

TEST_F(AdvancedOptions, HistoryAndMetricsFieldsAreHeldToTheirRulesAndTheirDefaultsComeBack) {
  const Names history{"HistoryBox", "HistoryRawDaysEdit", "HistoryDaysEdit", "MetricsListenEdit"};
  withDialog([&] {
    click("HistoryBox");
    type("HistoryRawDaysEdit", "0");
    type("HistoryDaysEdit", "x");
    type("MetricsListenEdit", " 0.0.0.0:9427 ");
    ok();
  });
  EXPECT_FALSE(values().history);
  EXPECT_EQ(values().historyRawDays, 1);
  EXPECT_EQ(values().historyDays, 90);
  EXPECT_EQ(values().metricsListen, "0.0.0.0:9427");
  withDialog([&] {
    EXPECT_EQ(inDialog(history), "0|1|90|0.0.0.0:9427");
    type("HistoryDaysEdit", "99999999");
    child<QTabWidget>(dialog, "PageControl1")->setCurrentIndex(4);
    click("DefaultsButton");
    EXPECT_EQ(inDialog(history), "1|2|90|0.0.0.0:9427");  // where it is served stays
  });
}

TEST_F(AdvancedOptions, TheAddressPreferenceIsKeptAndItsDefaultIsTheSystemOrder) {
  withDialog([&] {
    child<QComboBox>(dialog, "AddressFamilyList")->setCurrentText("Prefer IPv6");
    ok();
  });
  EXPECT_EQ(values().addressFamily, 2);
  withDialog([&] {
    EXPECT_EQ(inDialog({"AddressFamilyList"}), "Prefer IPv6");
    child<QTabWidget>(dialog, "PageControl1")->setCurrentIndex(0);
    click("DefaultsButton");
    EXPECT_EQ(inDialog({"AddressFamilyList"}), "System order");
  });
}

TEST_F(AdvancedOptions, BoxesThatExcludeOrNeedEachOtherAndTheTypeOfServiceBits) {
  // A click, then what the boxes of its group show. Logging only changes
  // excludes logging every reply or timeout, and "immediate" needs
  // something to log.
  const Names ipHeader{"DontFragmentBox", "RouterAlertBox"};
  const Names show{"ShowReachedBox", "ShowNotReachedBox"};
  const Names log{"LogRepliesBox", "LogTimeoutsBox", "LogFlipFlopBox", "LogImmediateBox"};
  struct Step {
    const char* click;
    const Names& group;
    const char* shows;
  };
  const Step steps[] = {{"RouterAlertBox", ipHeader, "0|1"}, {"DontFragmentBox", ipHeader, "1|0"},
                        {"ShowReachedBox", show, "0|1"},     {"LogImmediateBox", log, "0|0|1|1"},
                        {"LogRepliesBox", log, "1|0|0|1"},   {"LogFlipFlopBox", log, "0|0|1|1"},
                        {"LogFlipFlopBox", log, "0|0|0|0"}};
  withDialog([&] {
    for (const Step& step : steps) {
      click(step.click);
      EXPECT_EQ(inDialog(step.group), step.shows) << step.click;
    }
    child<QComboBox>(dialog, "BitsList")->setCurrentText("30");
    EXPECT_EQ(inDialog({"NetMaskList"}), "255.255.255.252");
    click("DontPingNetBox");  // with both off the mask has no use
    click("DontBroadcastBox");
    EXPECT_EQ(enabledIn(dialog, {"NetMaskList", "BitsList"}), "00");
    click("DontBroadcastBox");
    // Type of service: each box its bit.
    click("TosBit4");
    click("TosBit2");
    EXPECT_EQ(inDialog({"TosDecimalEdit", "TosBinaryEdit"}), "20|00010100");
    ok();
  });
  EXPECT_EQ(values().tos, 20);
  EXPECT_TRUE(values().dontFragment && !values().routerAlert && values().showNotReached);
  EXPECT_EQ(values().netMaskBits, 30);
}

TEST_F(AdvancedOptions, CancelKeepsEverySettingButRemembersThePlace) {
  const auto before = settings::settingsValues(values());
  const std::string logPath = values().logPath;
  const QPoint moved = window->pos() + QPoint(40, 30);
  withDialog([&] {
    EXPECT_EQ(dialog->pos(), window->pos());
    child<QComboBox>(dialog, "TtlList")->setCurrentIndex(0);
    type("LogPathEdit", "/elsewhere/");
    dialog->move(moved);
    click("CancelButton");
  });
  EXPECT_EQ(settings::settingsValues(values()), before);
  EXPECT_EQ(values().logPath, logPath);
  withDialog([&] { EXPECT_EQ(dialog->pos(), moved); });
}

}  // namespace
}  // namespace tarvo::ui::testing

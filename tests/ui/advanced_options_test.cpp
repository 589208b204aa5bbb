// The "Advanced Options" dialog, opened from the menu and driven by its
// controls while it runs modally.
#include <QRadioButton>

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
    EXPECT_EQ(dialog->focusWidget(), child<QPushButton>(dialog, "OkButton"));
    child<QComboBox>(dialog, "HistoryList")->setCurrentIndex(2);
    click("TraceResolveBox");
    ok();
  });
  EXPECT_EQ(items("ComboBox4"), (std::vector<std::string>{"10.0.0.7", "10.0.0.8", "10.0.0.9"}));
  EXPECT_EQ(shown({"ComboBox4", "CheckBox2"}), "typed.example|1");
  closeWindow();
  EXPECT_EQ(stored()["Settings"]["P_HistorySize"], "3");
  EXPECT_EQ(stored()["Settings"]["PingHosts"].size(), 3u);
}

TEST_F(AdvancedOptions, WatchNumbersAreRepairedIntoTheSettingsButNotInTheFields) {
  withDialog([&] {
    type("WatchBytesEdit", "5");
    type("WatchWaitEdit", "70000");
    click("NotifyBox");
    type("NotifyDownEdit", "0");
    type("NotifyUpEdit", "500");
    ok();
    EXPECT_EQ(inDialog({"WatchBytesEdit"}), "5");
  });
  EXPECT_EQ(values().watchBytes, 18);
  EXPECT_EQ(values().watchWait, 65535u);
  EXPECT_TRUE(values().notify);
  EXPECT_EQ(values().notifyDown, 1);
  EXPECT_EQ(values().notifyUp, 100);
  withDialog([&] { EXPECT_EQ(inDialog({"WatchBytesEdit", "NotifyUpEdit"}), "18|100"); });
}

TEST_F(AdvancedOptions, RouterAlertWarningOnlyWithoutIpOptions) {
  for (bool ipOptions : {true, false}) {
    closeWindow();
    adjustServices = [ipOptions](WindowServices& services) {
      services.networkCheck = [ipOptions] {
        return NetworkCheck{true, ipOptions, "", EchoOpenResult::Ok, {}};
      };
    };
    open();
    withDialog([&] {
      EXPECT_EQ(enabledIn(dialog, {"RouterAlertBox"}), ipOptions ? "1" : "0");
      EXPECT_EQ(child<QLabel>(dialog, "WarningLabel")->isHidden(), ipOptions);
      EXPECT_EQ(child<QLabel>(dialog, "WarningTextLabel")->isHidden(), ipOptions);
    });
  }
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
  const Step steps[] = {{"DontFragmentBox", ipHeader, "1|0"}, {"RouterAlertBox", ipHeader, "0|1"},
                        {"DontFragmentBox", ipHeader, "1|0"}, {"ShowReachedBox", show, "0|1"},
                        {"ShowNotReachedBox", show, "1|0"},   {"LogImmediateBox", log, "0|0|1|1"},
                        {"LogRepliesBox", log, "1|0|0|1"},    {"LogTimeoutsBox", log, "1|1|0|1"},
                        {"LogFlipFlopBox", log, "0|0|1|1"},   {"LogFlipFlopBox", log, "0|0|0|0"}};
  withDialog([&] {
    for (const Step& step : steps) {
      click(step.click);
      EXPECT_EQ(inDialog(step.group), step.shows) << step.click;
    }
    auto* masks = child<QComboBox>(dialog, "NetMaskList");
    auto* bits = child<QComboBox>(dialog, "BitsList");
    masks->setCurrentIndex(0);
    EXPECT_EQ(bits->currentText(), "16");
    bits->setCurrentText("30");
    EXPECT_EQ(masks->currentText(), "255.255.255.252");
    const Names netFields{"NetMaskList", "BitsList"};
    for (auto [box, fields] : {std::pair{"DontPingNetBox", "11"},
                               {"DontBroadcastBox", "00"},
                               {"DontBroadcastBox", "11"}}) {
      click(box);
      EXPECT_EQ(enabledIn(dialog, netFields), fields) << box;
    }
    // Type of service: each box its bit; the reserved one stays off.
    EXPECT_EQ(enabledIn(dialog, {"TosBit0"}), "0");
    click("TosBit4");
    click("TosBit2");
    EXPECT_EQ(inDialog({"TosDecimalEdit", "TosBinaryEdit"}), "20|00010100");
    ok();
  });
  EXPECT_EQ(values().tos, 20);
  EXPECT_TRUE(values().dontFragment && !values().routerAlert && !values().showNotReached);
  EXPECT_EQ(values().netMaskBits, 30);
  EXPECT_FALSE(values().dontPingNet);
}

TEST_F(AdvancedOptions, DefaultsResetOnlyTheVisibleTabAndKeepTheLogPath) {
  const Names watchTab{"LogPathEdit",      "WatchWaitEdit", "PenWidthList",
                       "WatchResolveOnce", "AutoStartBox",  "NotifyBox"};
  withDialog([&] {
    click("TraceResolveBox");
    type("LogPathEdit", "/var/log/own/");
    type("WatchWaitEdit", "5");
    child<QComboBox>(dialog, "PenWidthList")->setCurrentIndex(3);
    click("WatchResolveContinuous");
    click("AutoStartBox");
    click("NotifyBox");
    auto* pages = child<QTabWidget>(dialog, "PageControl1");
    for (int i = 0; i < pages->count(); ++i) {
      if (pages->tabText(i) == "Watch") pages->setCurrentIndex(i);
    }
    click("DefaultsButton");
    EXPECT_EQ(inDialog(watchTab), "/var/log/own/|1000|2|1|0|0");
    EXPECT_EQ(inDialog({"TraceResolveBox"}), "1");
    ok();
  });
  EXPECT_EQ(values().logPath, "/var/log/own/");
  EXPECT_TRUE(values().traceResolveNames);
}

TEST_F(AdvancedOptions, CancelKeepsEverySettingButRemembersThePlace) {
  const auto before = settings::settingsValues(values());
  const std::string logPath = values().logPath;
  const QPoint moved = window->pos() + QPoint(40, 30);
  withDialog([&] {
    EXPECT_EQ(dialog->pos(), window->pos());
    click("AutoSaveBox");
    child<QComboBox>(dialog, "TtlList")->setCurrentIndex(0);
    click("TosBit3");
    type("WatchBytesEdit", "100");
    type("LogPathEdit", "/elsewhere/");
    dialog->move(moved);
    click("CancelButton");
  });
  EXPECT_EQ(settings::settingsValues(values()), before);
  EXPECT_EQ(values().logPath, logPath);
  withDialog([&] {
    EXPECT_EQ(dialog->pos(), moved);
    EXPECT_EQ(inDialog({"TtlList"}), "60");
  });
}

TEST_F(AdvancedOptions, TheChoosersHaveTheirTitlesAndACancelledChoiceKeepsTheField) {
  withDialog([&] {
    type("LogPathEdit", "/kept/");
    QStringList titles;
    for (const char* opener : {"LogPathButton", "AutoStartFileButton"}) {
      withModal(
          nullptr, [&](QWidget* chooser) { titles << chooser->windowTitle(); },
          [&] { click(opener); });
    }
    EXPECT_EQ(titles, (QStringList{"Select Directory", "Chose auto start Watch file"}));
    EXPECT_EQ(inDialog({"LogPathEdit"}), "/kept/");
  });
}

}  // namespace
}  // namespace tarvo::ui::testing

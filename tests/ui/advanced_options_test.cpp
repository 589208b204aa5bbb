// The "Advanced Options" dialog, opened from the menu and driven by its
// controls while it runs modally.
#include <QAction>
#include <QDialog>
#include <QFileDialog>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <nlohmann/json.hpp>

#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

class AdvancedOptions : public WindowTest {
 protected:
  // Opens the dialog from the menu and runs `steps` while it is shown; a
  // dialog the steps leave open is cancelled.
  void withDialog(const std::function<void()>& steps) {
    bool ran = false;
    QTimer::singleShot(0, window.get(), [&] {
      dialog = window->findChild<QDialog*>("Form4");
      if (dialog == nullptr) return;
      ran = true;
      steps();
      if (dialog->isVisible()) dialog->reject();
    });
    window->findChild<QAction*>("AdvancedOptions1")->trigger();
    EXPECT_TRUE(ran);
    dialog = nullptr;
  }

  template <typename T>
  T* in(const char* formName) {
    T* widget = dialog->findChild<T*>(formName);
    EXPECT_NE(widget, nullptr) << formName;
    return widget;
  }
  QCheckBox* box(const char* formName) { return in<QCheckBox>(formName); }
  QString text(const char* formName) { return in<QLineEdit>(formName)->text(); }
  void type(const char* formName, const char* text) { in<QLineEdit>(formName)->setText(text); }
  void showTab(const char* caption) {
    auto* pages = in<QTabWidget>("PageControl1");
    for (int i = 0; i < pages->count(); ++i) {
      if (pages->tabText(i) == caption) pages->setCurrentIndex(i);
    }
  }
  void ok() { in<QPushButton>("OkButton")->click(); }

  QDialog* dialog = nullptr;
};

TEST_F(AdvancedOptions, ASmallerHistoryDropsTheOldestHostsAndTheTraceBoxFollows) {
  open();
  QComboBox* hosts = combo("ComboBox4");
  for (int i = 0; i < 10; ++i) hosts->addItem(QString("10.0.0.%1").arg(i));
  hosts->setEditText("typed.example");
  withDialog([&] {
    EXPECT_EQ(dialog->windowTitle(), "Advanced Options");
    EXPECT_EQ(dialog->focusWidget(), in<QPushButton>("OkButton"));
    EXPECT_EQ(in<QComboBox>("HistoryList")->currentText(), "10");
    in<QComboBox>("HistoryList")->setCurrentIndex(2);
    box("TraceResolveBox")->click();
    ok();
  });
  EXPECT_EQ(items("ComboBox4"), (std::vector<std::string>{"10.0.0.7", "10.0.0.8", "10.0.0.9"}));
  EXPECT_EQ(hosts->currentText(), "typed.example");
  EXPECT_EQ(window->values().historySize, 3);
  selectTab(1);
  EXPECT_TRUE(find<QCheckBox>("CheckBox2")->isChecked());

  closeWindow();
  nlohmann::json stored = nlohmann::json::parse(registry.read());
  nlohmann::json saved = stored["SOFTWARE"]["Dravenco"]["Tarvo"]["Settings"];
  EXPECT_EQ(saved["P_HistorySize"], "3");
  EXPECT_EQ(saved["T_ResolveNames"], "1");
  EXPECT_EQ(saved["PingHosts"].size(), 3u);
}

TEST_F(AdvancedOptions, WatchNumbersAreRepairedIntoTheSettingsButNotInTheFields) {
  open();
  withDialog([&] {
    type("WatchBytesEdit", "5");
    type("WatchWaitEdit", "0");
    type("WatchDelayEdit", "-1");
    ok();
    EXPECT_EQ(text("WatchBytesEdit"), "5");
  });
  EXPECT_EQ(window->values().watchBytes, 18);
  EXPECT_EQ(window->values().watchWait, 1u);
  EXPECT_EQ(window->values().watchDelay, 65535u);
  withDialog([&] {
    EXPECT_EQ(text("WatchBytesEdit"), "18");
    type("WatchBytesEdit", "many");
    type("WatchWaitEdit", "70000");
    ok();
  });
  EXPECT_EQ(window->values().watchBytes, 32);
  EXPECT_EQ(window->values().watchWait, 65535u);
}

TEST_F(AdvancedOptions, NotificationsAreSwitchedOnWithTheirThresholdsHeldToTheirLimits) {
  open();
  EXPECT_FALSE(window->values().notify);
  withDialog([&] {
    EXPECT_EQ(text("NotifyDownEdit"), "3");
    EXPECT_EQ(text("NotifyUpEdit"), "1");
    box("NotifyBox")->click();
    box("NotifySoundBox")->click();
    type("NotifyDownEdit", "0");
    type("NotifyUpEdit", "500");
    ok();
  });
  EXPECT_TRUE(window->values().notify);
  EXPECT_TRUE(window->values().notifySound);
  EXPECT_EQ(window->values().notifyDown, 1);
  EXPECT_EQ(window->values().notifyUp, 100);
  withDialog([&] {
    EXPECT_EQ(text("NotifyUpEdit"), "100");
    showTab("Watch");
    in<QPushButton>("DefaultsButton")->click();
    EXPECT_FALSE(box("NotifyBox")->isChecked());
    EXPECT_EQ(text("NotifyDownEdit"), "3");
  });
}

TEST_F(AdvancedOptions, RouterAlertWarningOnlyWithoutIpOptions) {
  open();
  withDialog([&] {
    EXPECT_TRUE(box("RouterAlertBox")->isEnabled());
    EXPECT_TRUE(in<QLabel>("WarningLabel")->isHidden());
    EXPECT_TRUE(in<QLabel>("WarningTextLabel")->isHidden());
  });
  closeWindow();
  adjustServices = [](WindowServices& services) {
    services.networkCheck = [] { return NetworkCheck{true, false, "", EchoOpenResult::Ok, {}}; };
  };
  open();
  withDialog([&] {
    EXPECT_FALSE(box("RouterAlertBox")->isEnabled());
    EXPECT_EQ(in<QLabel>("WarningLabel")->text(), "WARNING !");
    EXPECT_EQ(in<QLabel>("WarningTextLabel")->text(),
              "In this version of Tarvo, Router Alert is disabled !");
    EXPECT_FALSE(in<QLabel>("WarningLabel")->isHidden());
    EXPECT_FALSE(in<QLabel>("WarningTextLabel")->isHidden());
  });
}

TEST_F(AdvancedOptions, TypeOfServiceBoxesSetTheirBits) {
  open();
  withDialog([&] {
    EXPECT_EQ(text("TosBinaryEdit"), "00000000");
    EXPECT_FALSE(box("TosBit0")->isEnabled());
    EXPECT_EQ(box("TosBit4")->text(), "Low delay");
    box("TosBit4")->click();
    box("TosBit2")->click();
    EXPECT_EQ(text("TosDecimalEdit"), "20");
    EXPECT_EQ(text("TosBinaryEdit"), "00010100");
    box("TosBit7")->click();
    box("TosBit7")->click();
    ok();
  });
  EXPECT_EQ(window->values().tos, 20);
  withDialog([&] {
    EXPECT_TRUE(box("TosBit4")->isChecked());
    EXPECT_TRUE(box("TosBit2")->isChecked());
    EXPECT_FALSE(box("TosBit7")->isChecked());
  });
}

TEST_F(AdvancedOptions, BoxesThatExcludeOrNeedEachOther) {
  open();
  withDialog([&] {
    box("DontFragmentBox")->click();
    box("RouterAlertBox")->click();
    EXPECT_FALSE(box("DontFragmentBox")->isChecked());
    box("DontFragmentBox")->click();
    EXPECT_FALSE(box("RouterAlertBox")->isChecked());

    box("ShowReachedBox")->click();
    box("ShowNotReachedBox")->click();
    EXPECT_TRUE(box("ShowReachedBox")->isChecked());
    EXPECT_FALSE(box("ShowNotReachedBox")->isChecked());

    QComboBox* masks = in<QComboBox>("NetMaskList");
    QComboBox* bits = in<QComboBox>("BitsList");
    EXPECT_EQ(masks->currentText(), "255.255.255.0");
    EXPECT_EQ(bits->currentText(), "24");
    masks->setCurrentIndex(0);
    EXPECT_EQ(bits->currentText(), "16");
    bits->setCurrentText("30");
    EXPECT_EQ(masks->currentText(), "255.255.255.252");
    box("DontPingNetBox")->click();
    EXPECT_TRUE(masks->isEnabled());
    box("DontBroadcastBox")->click();
    EXPECT_FALSE(masks->isEnabled());
    EXPECT_FALSE(bits->isEnabled());
    box("DontBroadcastBox")->click();
    EXPECT_TRUE(bits->isEnabled());

    // Logging only changes excludes logging every reply or timeout, and
    // "immediate" needs something to log.
    box("LogImmediateBox")->click();
    EXPECT_TRUE(box("LogFlipFlopBox")->isChecked());
    box("LogRepliesBox")->click();
    box("LogTimeoutsBox")->click();
    EXPECT_FALSE(box("LogFlipFlopBox")->isChecked());
    box("LogFlipFlopBox")->click();
    EXPECT_FALSE(box("LogRepliesBox")->isChecked());
    EXPECT_FALSE(box("LogTimeoutsBox")->isChecked());
    EXPECT_TRUE(box("LogImmediateBox")->isChecked());
    box("LogFlipFlopBox")->click();
    EXPECT_FALSE(box("LogImmediateBox")->isChecked());
    ok();
  });
  const settings::Settings& values = window->values();
  EXPECT_TRUE(values.dontFragment);
  EXPECT_FALSE(values.routerAlert);
  EXPECT_EQ(values.netMaskBits, 30);
  EXPECT_FALSE(values.dontPingNet);
  EXPECT_TRUE(values.showReached);
  EXPECT_FALSE(values.showNotReached);
}

TEST_F(AdvancedOptions, DefaultsResetOnlyTheVisibleTabAndKeepTheLogPath) {
  open();
  withDialog([&] {
    box("TraceResolveBox")->click();
    type("LogPathEdit", "/var/log/own/");
    type("WatchWaitEdit", "5");
    in<QComboBox>("PenWidthList")->setCurrentIndex(3);
    in<QRadioButton>("WatchResolveContinuous")->click();
    box("AutoStartBox")->click();
    showTab("Watch");
    in<QPushButton>("DefaultsButton")->click();
    EXPECT_EQ(text("LogPathEdit"), "/var/log/own/");
    EXPECT_EQ(text("WatchWaitEdit"), "1000");
    EXPECT_EQ(in<QComboBox>("PenWidthList")->currentText(), "2");
    EXPECT_TRUE(in<QRadioButton>("WatchResolveOnce")->isChecked());
    EXPECT_FALSE(box("AutoStartBox")->isChecked());
    EXPECT_TRUE(box("TraceResolveBox")->isChecked());
    ok();
  });
  EXPECT_EQ(window->values().logPath, "/var/log/own/");
  EXPECT_TRUE(window->values().traceResolveNames);
}

TEST_F(AdvancedOptions, CancelKeepsEverySettingButRemembersThePlace) {
  open();
  const auto before = settings::settingsValues(window->values());
  const std::string logPath = window->values().logPath;
  QPoint moved;
  withDialog([&] {
    EXPECT_EQ(dialog->pos(), window->pos());
    box("AutoSaveBox")->click();
    box("AudibleBox")->click();
    in<QComboBox>("TtlList")->setCurrentIndex(0);
    box("TosBit3")->click();
    box("BurstModeBox")->click();
    type("WatchBytesEdit", "100");
    type("LogPathEdit", "/elsewhere/");
    moved = window->pos() + QPoint(40, 30);
    dialog->move(moved);
    in<QPushButton>("CancelButton")->click();
  });
  EXPECT_EQ(settings::settingsValues(window->values()), before);
  EXPECT_EQ(window->values().logPath, logPath);
  withDialog([&] {
    EXPECT_EQ(dialog->pos(), moved);
    EXPECT_TRUE(box("AutoSaveBox")->isChecked());
    EXPECT_EQ(in<QComboBox>("TtlList")->currentText(), "60");
    EXPECT_EQ(text("WatchBytesEdit"), "32");
  });
}

TEST_F(AdvancedOptions, TheChoosersHaveTheirTitlesAndACancelledChoiceKeepsTheField) {
  open();
  withDialog([&] {
    type("LogPathEdit", "/kept/");
    QStringList titles;
    auto closeChooser = [&] {
      auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (chooser == nullptr) return;
      titles << chooser->windowTitle();
      if (chooser->fileMode() == QFileDialog::ExistingFile) {
        EXPECT_EQ(chooser->defaultSuffix(), "wri");
        EXPECT_EQ(chooser->nameFilters().size(), 3);
      }
      chooser->reject();
    };
    QTimer::singleShot(0, dialog, closeChooser);
    in<QPushButton>("LogPathButton")->click();
    QTimer::singleShot(0, dialog, closeChooser);
    in<QPushButton>("AutoStartFileButton")->click();
    EXPECT_EQ(titles, (QStringList{"Select Directory", "Chose auto start Watch file"}));
    EXPECT_EQ(text("LogPathEdit"), "/kept/");
  });
}

}  // namespace
}  // namespace tarvo::ui::testing

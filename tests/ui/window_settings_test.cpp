// What the window keeps in the settings file between starts, and a start
// without echo sockets.
#include <QMessageBox>

#include "engine/echo_permission.h"
#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

class WindowSettings : public WindowTest {};

TEST_F(WindowSettings, ValuesAndRangeModeSurviveACloseAndANewStart) {
  open();
  combo("ComboBox4")->setEditText("127.0.0.1");
  setText("Edit2", "1");
  setText("Edit3", "500");
  button("Button1")->click();
  ASSERT_TRUE(waitForLine("Memo1", kEndOfPingLine));
  selectTab(1);
  setText("Edit13", "127.0.0.9");
  setText("Edit15", "12");
  find<QCheckBox>("CheckBox2")->click();
  button("Button3")->click();
  ASSERT_TRUE(waitForLine("Memo2", kEndOfTraceLine));
  closeWindow();
  open();
  selectTab(1);
  EXPECT_EQ(shown({"ComboBox4", "Edit2", "Edit3", "Edit13", "Edit15", "CheckBox2"}),
            "127.0.0.1|1|500|127.0.0.9|12|1");
  // Range mode comes back with its addresses.
  selectTab(0);
  find<QCheckBox>("CheckBox1")->click();
  setText("Edit12", "3");
  button("Button1")->click();
  ASSERT_TRUE(waitForLine("Memo1", kEndOfRangePingLine));
  closeWindow();
  open();
  EXPECT_EQ(shown({"CheckBox1", "Label1", "Edit1", "Edit9", "Edit12"}), "1|First IP:|127|127|3");
  EXPECT_EQ(focused(), edit("Edit1"));
}

TEST_F(WindowSettings, WithoutAutoSaveOnlySaveSettingsNowWritesAndSaysWhenItCannot) {
  writeSettings(R"("AutoSaveSettings":"0","P_Countp":"7","PingHosts":{})");
  open();
  setText("Edit2", "9");
  button("Button1")->click();  // reads the fields (no host: nothing starts)
  closeWindow();
  EXPECT_EQ(stored()["Settings"]["P_Countp"], "7");
  open();
  std::filesystem::remove(registry.file());
  std::filesystem::create_directory(registry.file());  // no file can go there
  trigger("SaveSettingsNow");
  auto* box = find<QMessageBox>("SettingsNotSaved");
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->text().contains(QString::fromStdString(registry.file().string())));
  box->close();
  std::filesystem::remove(registry.file());
}

TEST_F(WindowSettings, AFailedStartUpShowsItsMessageWithAdviceAndTheFieldsOfAFirstStart) {
  writeSettings(R"("P_RangeEnabled":"1","P_FirstIP":"10.0.0.1","P_LastIP":"10.0.0.9",
      "P_Countp":"7","PingHosts":{})");
  adjustServices = [](WindowServices& services) {
    services.networkCheck = [] {
      return NetworkCheck{false, false, "  \u00b7 Could not load ICMP.DLL", EchoOpenResult::Ok, {}};
    };
  };
  open();
  const std::string advice = echoPermissionAdviceLine(ownExecutablePath("tarvo"));
  EXPECT_EQ(lines("Memo1"), (std::vector<std::string>{" ", "  \u00b7 Could not load ICMP.DLL",
                                                      "  \u00b7 " + advice}));
  EXPECT_EQ(shown({"StatusAdvice"}), advice);
  // Nothing loaded: the single-host fields, empty.
  EXPECT_TRUE(!window->rangeMode() && shown({"Edit2"}).empty());

  button("Button1")->click();
  EXPECT_EQ(lines("Memo1").back(), "  \u00b7 " + advice);
  button("Button3")->click();
  EXPECT_EQ(lines("Memo2").back(), "  \u00b7 Didn't see the errors on the Ping Tab Sheet ?");
  const std::string before = registry.read();
  closeWindow();
  EXPECT_EQ(registry.read(), before);  // nothing loaded, nothing saved
}

}  // namespace
}  // namespace tarvo::ui::testing

// What the window keeps in the settings file between starts.
#include <QMessageBox>
#include <nlohmann/json.hpp>

#include "engine/echo_permission.h"
#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

class WindowSettings : public WindowTest {
 protected:
  nlohmann::json stored() { return nlohmann::json::parse(registry.read()); }
  nlohmann::json storedSettings() { return stored()["SOFTWARE"]["Dravenco"]["Tarvo"]["Settings"]; }
};

TEST_F(WindowSettings, ValuesSurviveACloseAndANewStart) {
  open();
  combo("ComboBox4")->setEditText("127.0.0.1");
  setText("Edit2", "1");
  setText("Edit3", "500");
  setText("Edit4", "1");
  button("Button1")->click();
  ASSERT_TRUE(waitForLine("Memo1", kEndOfPing));
  selectTab(1);
  setText("Edit13", "127.0.0.9");
  setText("Edit15", "12");
  find<QCheckBox>("CheckBox2")->click();
  button("Button3")->click();
  ASSERT_TRUE(waitForLine("Memo2", kEndOfTrace));
  closeWindow();

  nlohmann::json settings = storedSettings();
  EXPECT_EQ(settings["PingHosts"]["P_DestHost_000"], "127.0.0.1");
  EXPECT_EQ(settings["AutoSaveSettings"], "1");
  EXPECT_EQ(settings["P_Waitp"], "500");
  EXPECT_EQ(settings["T_Host"], "127.0.0.9");
  EXPECT_EQ(settings["T_ResolveNames"], "1");
  nlohmann::json bounds = stored()["SOFTWARE"]["Dravenco"]["Tarvo"]["SizePosition"];
  EXPECT_GE(bounds["Width"].get<int>(), 600);
  EXPECT_GE(bounds["Height"].get<int>(), 450);

  open();
  EXPECT_EQ(combo("ComboBox4")->currentText(), "127.0.0.1");
  EXPECT_EQ(edit("Edit3")->text(), "500");
  EXPECT_EQ(edit("Edit2")->text(), "1");
  selectTab(1);
  EXPECT_EQ(edit("Edit13")->text(), "127.0.0.9");
  EXPECT_EQ(edit("Edit15")->text(), "12");
  EXPECT_TRUE(find<QCheckBox>("CheckBox2")->isChecked());
}

TEST_F(WindowSettings, RangeModeComesBackWithItsAddresses) {
  open();
  combo("ComboBox4")->setEditText("127.0.0.1");
  find<QCheckBox>("CheckBox1")->click();
  setText("Edit12", "3");
  button("Button1")->click();
  ASSERT_TRUE(waitForLine("Memo1", kEndOfRange));
  closeWindow();
  EXPECT_EQ(storedSettings()["P_FirstIP"], "127.0.0.1");
  EXPECT_EQ(storedSettings()["P_LastIP"], "127.0.0.3");

  open();
  EXPECT_TRUE(window->rangeMode());
  EXPECT_TRUE(find<QCheckBox>("CheckBox1")->isChecked());
  for (auto [name, text] : {std::pair{"Edit1", "127"},
                            {"Edit8", "1"},
                            {"Edit9", "127"},
                            {"Edit11", "0"},
                            {"Edit12", "3"}}) {
    EXPECT_EQ(edit(name)->text().toStdString(), text) << name;
  }
  EXPECT_EQ(find<QLabel>("Label1")->text(), "First IP:");
  EXPECT_EQ(focused(), edit("Edit1"));
}

TEST_F(WindowSettings, WithoutAutoSaveOnlyThatChoiceIsWritten) {
  registry.write(R"({"SOFTWARE":{"Dravenco":{"Tarvo":{"Settings":{"AutoSaveSettings":"0",
      "P_Countp":"7","PingHosts":{}}}}}})");
  open();
  EXPECT_EQ(edit("Edit2")->text(), "7");
  setText("Edit2", "9");
  button("Button1")->click();  // reads the fields (no host: nothing starts)
  closeWindow();
  EXPECT_EQ(storedSettings()["P_Countp"], "7");
  EXPECT_EQ(storedSettings()["AutoSaveSettings"], "0");
  EXPECT_FALSE(stored()["SOFTWARE"]["Dravenco"]["Tarvo"].contains("SizePosition"));

  open();
  window->findChild<QAction*>("SaveSettingsNow")->trigger();  // bounds always
  EXPECT_TRUE(stored()["SOFTWARE"]["Dravenco"]["Tarvo"].contains("SizePosition"));
}

TEST_F(WindowSettings, SaveSettingsNowSaysWhenNothingWasWritten) {
  open();
  std::filesystem::create_directory(registry.file());  // no file can go there
  window->findChild<QAction*>("SaveSettingsNow")->trigger();
  auto* box = window->findChild<QMessageBox*>("SettingsNotSaved");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->windowTitle(), "Settings not saved");
  EXPECT_TRUE(box->text().startsWith("The settings could not be saved: "));
  EXPECT_TRUE(box->text().contains(QString::fromStdString(registry.file().string())));
  box->close();
  std::filesystem::remove(registry.file());
}

TEST_F(WindowSettings, AFailedStartUpCheckShowsItsMessageWithAdviceAndStartsNothing) {
  WindowServices services;
  services.networkCheck = [] {
    return NetworkCheck{false, false, "  \u00b7 Could not load ICMP.DLL", EchoOpenResult::Ok, {}};
  };
  window = std::make_unique<MainWindow>(std::move(services));
  window->show();
  const std::string advice = echoPermissionAdviceLine(ownExecutablePath("tarvo"));
  EXPECT_EQ(lines("Memo1"), (std::vector<std::string>{" ", "  \u00b7 Could not load ICMP.DLL",
                                                      "  \u00b7 " + advice}));
  QLabel* statusAdvice = find<QLabel>("StatusAdvice");
  ASSERT_NE(statusAdvice, nullptr);
  EXPECT_EQ(statusAdvice->text().toStdString(), advice);
  EXPECT_TRUE(statusAdvice->isVisible());
  EXPECT_LE(window->width(), 600);  // the long line does not widen the window
  button("Button1")->click();
  std::vector<std::string> shown = lines("Memo1");
  EXPECT_EQ(shown[shown.size() - 2], "  \u00b7 Didn't see the errors above ?");
  EXPECT_EQ(shown.back(), "  \u00b7 " + advice);
  button("Button3")->click();
  EXPECT_EQ(lines("Memo2").back(), "  \u00b7 Didn't see the errors on the Ping Tab Sheet ?");
  closeWindow();
  EXPECT_FALSE(std::filesystem::exists(registry.file()));  // nothing loaded, nothing saved
}

TEST_F(WindowSettings, AFailedStartUpShowsTheFieldsOfAFirstStart) {
  WindowServices services;
  services.networkCheck = [] { return NetworkCheck{false, false, "x", EchoOpenResult::Ok, {}}; };
  window = std::make_unique<MainWindow>(std::move(services));
  window->show();
  EXPECT_FALSE(window->rangeMode());
  EXPECT_EQ(find<QLabel>("Label1")->text(), "Host:");
  EXPECT_TRUE(combo("ComboBox4")->isVisible());
  EXPECT_FALSE(edit("Edit1")->isVisible());
  for (const char* name : {"Edit11", "Edit12"}) EXPECT_FALSE(edit(name)->isEnabled()) << name;
  EXPECT_EQ(edit("Edit2")->text(), "");  // nothing loaded, nothing shown
}

}  // namespace
}  // namespace tarvo::ui::testing

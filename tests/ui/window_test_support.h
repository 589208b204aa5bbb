#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <chrono>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "fake_echo_service.h"
#include "ping/ping_view.h"
#include "range/range_view.h"
#include "temp_registry.h"
#include "trace/trace_view.h"
#include "ui/main_window.h"
#include "wait_until.h"

namespace tarvo::ui::testing {

// The one bounded wait, with the window's events served between polls.
inline bool waitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  return tarvo::testing::waitUntil(condition, limit, [] { QCoreApplication::processEvents(); });
}

template <typename T>
T* child(const QObject* parent, const char* name) {
  T* found = parent->findChild<T*>(name);
  EXPECT_NE(found, nullptr) << name;
  return found;
}

// What the named controls inside `parent` show, "|"-joined: the text of a
// field, list box, button or label; 1 or 0 for a check box or radio button.
std::string shownIn(const QObject* parent, const std::vector<const char*>& names);
// 1 or 0 for each named control: whether it is enabled.
std::string enabledIn(const QObject* parent, const std::vector<const char*>& names);

// Runs `steps` on the next modal window named `name` (null: any) from inside
// its event loop while `open` runs (`open` shows it and returns once it is closed); a
// dialog the steps leave open is cancelled. False when none showed.
bool withModal(const char* name, const std::function<void(QWidget*)>& steps,
               const std::function<void()>& open);

// "name|title|text" of the message box `open` shows, accepted then; "" when
// none shows.
std::string messageShownBy(const std::function<void()>& open);

// A window on the offscreen platform, shown and active, with handy access
// to its controls by form name.
class WindowTest : public ::testing::Test {
 protected:
  // The settings, the kept watch list and the history in the test's folder.
  WindowTest() {
    setenv("TARVO_REGISTRY", registry.file().c_str(), 1);
    setenv("XDG_STATE_HOME", (registry.folder() / "state").c_str(), 1);
    unsetenv("TARVO_HISTORY");
  }
  // The scripted network by default; realEngine for the net tests.
  void open(bool realEngine = false);
  void closeWindow();
  // Writes the settings file with these members of the Settings key.
  void writeSettings(const std::string& members);
  // The program's key of the settings file as stored now.
  nlohmann::json stored() const;

  template <typename T>
  T* find(const char* formName) {
    return child<T>(window.get(), formName);
  }
  QLineEdit* edit(const char* formName) { return find<QLineEdit>(formName); }
  QPushButton* button(const char* formName) { return find<QPushButton>(formName); }
  QComboBox* combo(const char* formName) { return find<QComboBox>(formName); }
  QPlainTextEdit* memo(const char* formName) { return find<QPlainTextEdit>(formName); }
  void trigger(const char* actionName) { find<QAction>(actionName)->trigger(); }
  QWidget* focused() const { return QApplication::focusWidget(); }
  std::string shown(const std::vector<const char*>& names) { return shownIn(window.get(), names); }
  std::string enabled(const std::vector<const char*>& names) {
    return enabledIn(window.get(), names);
  }
  std::vector<std::string> lines(const char* memoName);
  std::vector<std::string> items(const char* comboName);
  std::string panel(int index);
  void setText(const char* formName, const char* text) { edit(formName)->setText(text); }
  void selectTab(int index) { find<QTabWidget>("PageControl1")->setCurrentIndex(index); }
  // Waits for the memo to hold `count` lines equal to text.
  bool waitForLine(const char* memoName, const std::string& text, int count = 1);

  void TearDown() override;

  TempRegistry registry;
  tarvo::testing::FakeEchoNetwork network;
  // Changes the services of the next open(), after its defaults.
  std::function<void(WindowServices&)> adjustServices;
  std::unique_ptr<MainWindow> window;
};

}  // namespace tarvo::ui::testing

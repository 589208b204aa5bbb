#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fake_echo_service.h"
#include "temp_registry.h"
#include "ui/main_window.h"

namespace tarvo::ui::testing {

// Processes window events until the condition holds or the time is up.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 20000);

// A window on the offscreen platform, shown and active, with handy access
// to its controls by form name.
class WindowTest : public ::testing::Test {
 protected:
  WindowTest() { setenv("TARVO_REGISTRY", registry.file().c_str(), 1); }
  // The scripted network by default; realEngine for the net tests.
  void open(bool realEngine = false);
  void closeWindow();

  template <typename T>
  T* find(const char* formName) {
    T* widget = window->findChild<T*>(formName);
    EXPECT_NE(widget, nullptr) << formName;
    return widget;
  }
  QLineEdit* edit(const char* formName) { return find<QLineEdit>(formName); }
  QPushButton* button(const char* formName) { return find<QPushButton>(formName); }
  QComboBox* combo(const char* formName) { return find<QComboBox>(formName); }
  QPlainTextEdit* memo(const char* formName) { return find<QPlainTextEdit>(formName); }
  QWidget* focused() const { return QApplication::focusWidget(); }
  std::vector<std::string> lines(const char* memoName);
  std::vector<std::string> items(const char* comboName);
  std::string panel(int index);
  void setText(const char* formName, const char* text) { edit(formName)->setText(text); }
  void selectTab(int index);
  int countLines(const char* memoName, const std::string& text);
  int countStartingWith(const char* memoName, const std::string& prefix);
  // Waits for the memo to hold a line equal to text.
  bool waitForLine(const char* memoName, const std::string& text, int timeoutMs = 20000);

  void TearDown() override;

  TempRegistry registry;
  tarvo::testing::FakeEchoNetwork network;
  // Changes the services of the next open(), after its defaults.
  std::function<void(WindowServices&)> adjustServices;
  std::unique_ptr<MainWindow> window;
};

inline const std::string kEndOfPing =
    "    ------------------------End of Ping------------------------";
inline const std::string kEndOfRange =
    "    ------------------------ End of Range Ping -----------------------";
inline const std::string kEndOfTrace =
    "    ------------------------End of Traceroute------------------";

}  // namespace tarvo::ui::testing

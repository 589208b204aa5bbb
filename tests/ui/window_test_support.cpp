#include "window_test_support.h"

#include <QElapsedTimer>
#include <QStatusBar>
#include <QThread>
#include <algorithm>
#include <sstream>

#include "base/thread_base.h"

namespace tarvo::ui::testing {

namespace {

class SilentTone : public Tone {
 public:
  void play(std::uint32_t, std::uint32_t) override {}
};

}  // namespace

bool waitUntil(const std::function<bool()>& condition, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  return true;
}

void WindowTest::open(bool realEngine) {
  WindowServices services;
  if (!realEngine) {
    services.echoFactory = network.factory();
    services.networkCheck = [] { return NetworkCheck{true, true, "", EchoOpenResult::Ok, {}}; };
  }
  services.toneFactory = [] { return std::make_unique<SilentTone>(); };
  if (adjustServices) adjustServices(services);
  window = std::make_unique<MainWindow>(std::move(services));
  window->show();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
}

void WindowTest::closeWindow() {
  window->close();
  window.reset();
}

void WindowTest::TearDown() {
  if (window) closeWindow();
  // No run of one test may leak into the next.
  EXPECT_TRUE(ThreadBase::waitAllEnded(10000));
}

std::vector<std::string> WindowTest::lines(const char* memoName) {
  std::vector<std::string> result;
  std::stringstream text(memo(memoName)->toPlainText().toStdString());
  for (std::string line; std::getline(text, line);) result.push_back(line);
  return result;
}

std::vector<std::string> WindowTest::items(const char* comboName) {
  std::vector<std::string> result;
  QComboBox* box = combo(comboName);
  for (int i = 0; i < box->count(); ++i) result.push_back(box->itemText(i).toStdString());
  return result;
}

std::string WindowTest::panel(int index) {
  return find<QLabel>(index == 0 ? "StatusPanel0" : "StatusPanel1")->text().toStdString();
}

void WindowTest::selectTab(int index) { find<QTabWidget>("PageControl1")->setCurrentIndex(index); }

int WindowTest::countLines(const char* memoName, const std::string& text) {
  std::vector<std::string> shown = lines(memoName);
  return static_cast<int>(std::count(shown.begin(), shown.end(), text));
}

int WindowTest::countStartingWith(const char* memoName, const std::string& prefix) {
  std::vector<std::string> shown = lines(memoName);
  return static_cast<int>(std::count_if(shown.begin(), shown.end(), [&](const std::string& line) {
    return line.rfind(prefix, 0) == 0;
  }));
}

bool WindowTest::waitForLine(const char* memoName, const std::string& text, int timeoutMs) {
  return waitUntil(
      [&] {
        for (const std::string& line : lines(memoName)) {
          if (line == text) return true;
        }
        return false;
      },
      timeoutMs);
}

}  // namespace tarvo::ui::testing

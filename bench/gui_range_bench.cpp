// Shows a burst range ping of a /20 on the loopback network in the window
// and reports how long it took and the longest stall of the window's event
// loop meanwhile.
//
//   tarvo_gui_bench [FIRST LAST]      (default 127.0.0.0 127.0.15.255)
//
// Runs on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise.
// Uses its own settings file in a temporary folder (burst mode, every
// address pinged once).
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/echo_service.h"
#include "ui/main_window.h"

namespace {

constexpr const char* kEndOfRange =
    "    ------------------------ End of Range Ping -----------------------";

std::filesystem::path prepareRegistry() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tarvo-bench-XXXXXX").string();
  std::filesystem::path dir = mkdtemp(pattern.data());
  std::filesystem::path file = dir / "registry.json";
  std::ofstream(file) << R"({"SOFTWARE":{"Dravenco":{"Tarvo":{"Settings":{
      "P_BurstMode":"1","P_DontPingNet":"0","P_DontBroadcast":"0","P_Countr":"1",
      "P_Waitr":"1000","P_Delayr":"1","PingHosts":{}}}}}})";
  setenv("TARVO_REGISTRY", file.c_str(), 1);
  // The kept watch list and the history there too, not in the user's.
  setenv("XDG_STATE_HOME", dir.c_str(), 1);
  return dir;
}

std::array<QString, 4> octets(const char* text) {
  QStringList parts = QString(text).split('.');
  return {parts.value(0), parts.value(1), parts.value(2), parts.value(3)};
}

}  // namespace

int main(int argc, char* argv[]) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const char* first = argc > 2 ? argv[1] : "127.0.0.0";
  const char* last = argc > 2 ? argv[2] : "127.0.15.255";
  std::filesystem::path registryDir = prepareRegistry();
  int result = 0;
  {
    QApplication app(argc, argv);
    tarvo::NetworkCheck check = tarvo::runNetworkCheck();
    if (!check.networkReady) {
      std::fprintf(stderr, "no echo socket:%s\n", check.message.c_str());
      return 2;
    }
    tarvo::ui::MainWindow window;
    window.show();
    auto* combo = window.findChild<QComboBox*>("ComboBox4");
    auto* memo = window.findChild<QPlainTextEdit*>("Memo1");
    combo->setEditText(first);
    window.findChild<QCheckBox*>("CheckBox1")->click();
    auto l = octets(last);
    window.findChild<QLineEdit*>("Edit11")->setText(l[2]);
    window.findChild<QLineEdit*>("Edit12")->setText(l[3]);

    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 longestStall = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      qint64 now = clock.elapsed();
      longestStall = std::max(longestStall, now - lastTick);
      lastTick = now;
      if (!window.rangeRunning() && memo->document()->lastBlock().text() == kEndOfRange) {
        ticker.stop();
        app.quit();
      }
    });
    QTimer::singleShot(0, [&] {
      clock.start();
      window.findChild<QPushButton*>("Button1")->click();
      ticker.start();
    });
    QTimer::singleShot(600000, [&] {
      std::fprintf(stderr, "range did not end within 10 minutes\n");
      result = 1;
      app.quit();
    });
    QApplication::exec();
    qint64 total = clock.elapsed();
    std::printf("window: %s to %s, %d lines in %.3f s; longest event-loop stall %lld ms\n", first,
                last, memo->document()->blockCount(), total / 1000.0,
                static_cast<long long>(longestStall));
  }
  std::filesystem::remove_all(registryDir);
  return result;
}

// Runs the watch monitor in the window on loopback hosts (256 unless told),
// each asked every 100 ms, and reports the process's CPU use, the points
// handed to the graphs per second against the hosts x 10 the settings ask
// for, and the longest stall of the window's event loop.
//
//   tarvo_gui_watch_bench [SECONDS] [HOSTS]     (default 30 s, 256 hosts)
//
// Runs on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise.
// Uses its own settings file and watch list in a temporary folder.
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/echo_service.h"
#include "ui/gui_hand_off.h"
#include "ui/main_window.h"
#include "ui/watch_page.h"

namespace {

int kHosts = 256;
constexpr int kDelayMs = 100;

std::filesystem::path prepare() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tarvo-bench-XXXXXX").string();
  std::filesystem::path dir = mkdtemp(pattern.data());
  std::ofstream list(dir / "watch.txt");
  for (int i = 0; i < kHosts; ++i) list << "127.0." << 1 + i / 256 << "." << i % 256 << "\r\n";
  std::ofstream(dir / "registry.json") << R"({"SOFTWARE":{"Dravenco":{"Tarvo":{"Settings":{
      "W_Delay":")" << kDelayMs << R"(","W_Wait":"1000","W_ResolveNames":"0",
      "W_AutoStart":"1","W_AutoStartFile":")"
                                       << (dir / "watch.txt").string()
                                       << R"(","PingHosts":{}}}}}})";
  setenv("TARVO_REGISTRY", (dir / "registry.json").c_str(), 1);
  // The kept watch list and the history there too, not in the user's.
  setenv("XDG_STATE_HOME", dir.c_str(), 1);
  return dir;
}

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char* argv[]) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
  if (argc > 2) kHosts = std::max(1, std::atoi(argv[2]));
  std::filesystem::path dir = prepare();
  int result = 0;
  {
    QApplication app(argc, argv);
    tarvo::NetworkCheck check = tarvo::runNetworkCheck();
    if (!check.networkReady) {
      std::fprintf(stderr, "no echo socket:%s\n", check.message.c_str());
      return 2;
    }
    tarvo::ui::MainWindow window;
    window.show();  // the autostart starts the monitor
    auto* status = window.findChild<QLabel*>("StatusPanel1");
    const QString ready = "  Monitored addresses: " + QString::number(kHosts);

    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0, longestStall = 0, measureStart = -1;
    long stepsAtStart = 0;
    double cpuAtStart = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      qint64 now = clock.elapsed();
      if (measureStart >= 0) longestStall = std::max(longestStall, now - lastTick);
      lastTick = now;
      if (measureStart < 0 && status->text() == ready) {
        // Every graph and worker exists: from here on each step is a point.
        measureStart = now;
        stepsAtStart = window.handOff().stepsRun();
        cpuAtStart = cpuSeconds();
      }
      if (measureStart >= 0 && now - measureStart >= seconds * 1000LL) {
        double wall = (now - measureStart) / 1000.0;
        long points = window.handOff().stepsRun() - stepsAtStart;
        std::printf(
            "window: %d hosts every %d ms for %.1f s: CPU %.0f%% of one core, %.0f points/s "
            "(expected %d), longest event-loop stall %lld ms\n",
            kHosts, kDelayMs, wall, 100.0 * (cpuSeconds() - cpuAtStart) / wall, points / wall,
            kHosts * 1000 / kDelayMs, static_cast<long long>(longestStall));
        ticker.stop();
        app.quit();
      }
    });
    ticker.start();
    QTimer::singleShot((seconds + 120) * 1000, [&] {
      std::fprintf(stderr, "the monitor did not start within two minutes\n");
      result = 1;
      app.quit();
    });
    QApplication::exec();
    window.close();
  }
  std::filesystem::remove_all(dir);
  return result;
}

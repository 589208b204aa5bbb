// Takes the README's picture of the window: a fresh settings file, four
// pings of 127.0.0.1 from the Ping tab, then the window grabbed to a file,
// at 640x520 or the given size, showing the given tab (0 Ping by default).
// With "watch" and hosts instead of a tab, the monitor runs on those hosts
// for eight seconds first and the Watch tab is grabbed.
//
//   tarvo_gui_screenshot OUTPUT.png [WIDTHxHEIGHT [TAB | watch HOST...]]
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "gui_wait.h"
#include "ui/main_window.h"
#include "ui/watch_page.h"

int main(int argc, char* argv[]) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: tarvo_gui_screenshot OUTPUT.png [WIDTHxHEIGHT [TAB]]\n");
    return 2;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "tarvo-shot-XXXXXX").string();
  std::filesystem::path dir = mkdtemp(pattern.data());
  setenv("TARVO_REGISTRY", (dir / "registry.json").c_str(), 1);
  // The kept watch list and the history there too, not in the user's.
  setenv("XDG_STATE_HOME", dir.c_str(), 1);
  const bool watch = argc > 4 && std::string(argv[3]) == "watch";
  if (watch) {
    std::ofstream(dir / "registry.json") << R"({"SOFTWARE":{"Dravenco":{"Tarvo":{"Settings":{
        "W_Delay":"100","W_Wait":"500","W_ResolveNames":"0","PingHosts":{}}}}}})";
  }
  int result = 0;
  {
    QApplication app(argc, argv);
    tarvo::ui::MainWindow window;
    int width = 640;
    int height = 520;
    if (argc > 2 && std::sscanf(argv[2], "%dx%d", &width, &height) != 2) return 2;
    window.resize(width, height);
    window.show();
    window.findChild<QComboBox*>("ComboBox4")->setEditText("127.0.0.1");
    window.findChild<QLineEdit*>("Edit4")->setText("250");
    window.findChild<QPushButton*>("Button1")->click();
    auto* memo = window.findChild<QPlainTextEdit*>("Memo1");
    waitFor(20000, [&] { return memo->toPlainText().contains("End of Ping"); });
    if (watch) {
      std::vector<tarvo::WatchItem> hosts;
      for (int i = 4; i < argc; ++i) hosts.push_back({argv[i], true});
      tarvo::ui::WatchPage& page = window.watchPage();
      page.setItems(hosts);
      window.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(2);
      page.onStartButton();
      waitFor(8000);
    } else if (argc > 3)
      window.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(std::atoi(argv[3]));
    QCoreApplication::processEvents();
    if (!window.grab().save(argv[1])) result = 1;
    window.close();
  }
  std::filesystem::remove_all(dir);
  return result;
}

// Takes the README's pictures of the Watch tab's history: the window with
// the graphs of a time range read from an existing history file, and the
// statistics a graph's tooltip shows.
//
//   TARVO_HISTORY=FILE tarvo_gui_history_screenshot WINDOW.png STATS.png RANGE WAIT HOST...
//
// RANGE is a choice of the "Graphs:" box ("1 h", "24 h", ...); WAIT the
// watch time-out in ms, which is the graphs' full height; the hosts become
// the checked watch list.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QLabel>
#include <QTabWidget>
#include <QThread>
#include <QToolTip>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "gui_wait.h"
#include "ui/history_graph.h"
#include "ui/history_view.h"
#include "ui/main_window.h"
#include "ui/watch_page.h"

int main(int argc, char* argv[]) {
  if (argc < 6 || !std::getenv("TARVO_HISTORY")) {
    std::fprintf(stderr,
                 "usage: TARVO_HISTORY=FILE tarvo_gui_history_screenshot WINDOW.png STATS.png "
                 "RANGE WAIT HOST...\n");
    return 2;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "tarvo-shot-XXXXXX").string();
  std::filesystem::path dir = mkdtemp(pattern.data());
  setenv("TARVO_REGISTRY", (dir / "registry.json").c_str(), 1);
  setenv("XDG_STATE_HOME", dir.c_str(), 1);
  std::ofstream(dir / "registry.json")
      << R"({"SOFTWARE":{"Dravenco":{"Tarvo":{"Settings":{"W_Wait":")" << std::atoi(argv[4])
      << R"(","PingHosts":{}}}}}})";
  int result = 0;
  {
    QApplication app(argc, argv);
    tarvo::ui::MainWindow window;
    window.resize(760, 560);
    window.show();
    std::vector<tarvo::WatchItem> hosts;
    for (int i = 5; i < argc; ++i) hosts.push_back({argv[i], true});
    tarvo::ui::WatchPage& page = window.watchPage();
    page.setItems(hosts);
    window.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(2);
    window.findChild<QComboBox*>("HistoryRange")->setCurrentText(argv[3]);
    const tarvo::ui::HistoryView& view = page.historyView();
    waitFor(10000, [&] { return !view.busy() && view.graphCount() == hosts.size(); });
    waitFor(300);
    if (!window.grab().save(argv[1])) result = 1;
    // The tooltip of the second graph, pointed at its middle.
    if (view.graphCount() > 1) {
      tarvo::ui::THistoryGraph* graph = view.graph(1);
      const QPoint at(graph->width() / 2, graph->height() / 2);
      QLabel tip(graph->toolTipAt(at));
      tip.setTextFormat(Qt::AutoText);
      tip.setPalette(QToolTip::palette());
      tip.setFont(QToolTip::font());
      tip.setAutoFillBackground(true);
      tip.setMargin(6);
      tip.setFrameStyle(QFrame::Box | QFrame::Plain);
      tip.adjustSize();
      if (!tip.grab().save(argv[2])) result = 1;
    }
    window.close();
  }
  std::filesystem::remove_all(dir);
  return result;
}

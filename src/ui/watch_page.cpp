// The monitor side of the Watch tab: start, pause, stop and the graphs.
#include "ui/watch_page.h"

#include <QEventLoop>
#include <QScrollBar>
#include <QTimer>

#include "ui/green_black_graph.h"
#include "ui/gui_views.h"
#include "ui/history_view.h"
#include "ui/host_notices.h"
#include "ui/run_outputs.h"
#include "watch/watch_controller.h"

namespace tarvo::ui {

WatchPage::WatchPage(PageHost& host, QWidget* tabParent, const TracePage& trace)
    : TabPage(host), tab_(tabParent), trace_(trace) {
  connectList();
  QWidget* p = tab_.page;
  QObject::connect(tab_.startButton, &QPushButton::clicked, p, [this] { onStartButton(); });
  QObject::connect(tab_.pauseButton, &QPushButton::clicked, p, [this] { onPauseButton(); });
  host_.views().watch.attach(this);
  HistoryView::Hooks hooks;
  hooks.hosts = [this] {
    std::vector<std::string> hosts;
    for (const WatchItem& item : items()) {
      if (item.checked) hosts.push_back(item.text);
    }
    return hosts;
  };
  hooks.notice = [this](const std::string& text) { setMonitorText("  " + text); };
  hooks.now = [this] {
    if (host_.services().wallClockUs) return host_.services().wallClockUs();
    return static_cast<history::TimeUs>(std::chrono::duration_cast<std::chrono::microseconds>(
                                            std::chrono::system_clock::now().time_since_epoch())
                                            .count());
  };
  hooks.settings = [this] { return monitorSettingsFrom(host_.settings()); };
  history_ = std::make_unique<HistoryView>(tab_, std::move(hooks));
  outputs_ = std::make_unique<RunOutputs>();
}

WatchPage::~WatchPage() {
  // The window has asked the monitor to stop and closed its hand-off.
  reap();
  keepList(true);
  delete keepSoon_;  // and with it the list's connections to this page
}

void WatchPage::entered() { tab_.itemEdit->setFocus(); }

void WatchPage::requestStops() {
  if (run_ != nullptr) run_->stop();
}

void WatchPage::forgetRuns() {
  // Closing waits for the monitor: its workers and log files must be done
  // before the program ends. The hand-off is closed, so it ends without
  // the window. A stop already waiting in its own loop finishes the job.
  if (stopLoop_ != nullptr) {
    stopLoop_->quit();
    return;
  }
  reap();
}

TGreenBlack* WatchPage::graph(std::size_t index) const {
  return index < tab_.area->graphs.size() ? tab_.area->graphs[index] : nullptr;
}

// ---- Start, pause, stop ----------------------------------------------------

void WatchPage::onStartButton() {
  if (host_.closing()) return;
  if (tab_.startButton->text() == "&Start") {
    startMonitor();
  } else {
    stopMonitor();
  }
}

void WatchPage::startMonitor() {
  std::vector<std::string> hosts;
  for (const WatchItem& item : items()) {
    if (item.checked) hosts.push_back(item.text);
  }
  if (hosts.empty()) return;
  reap();  // a monitor that ended by itself may not be deleted yet
  tab_.startButton->setText("Wait...");
  tab_.startButton->setEnabled(false);

  WatchRun run;
  run.settings = monitorSettingsFrom(host_.settings());
  run.hosts = std::move(hosts);
  run.echoFactory = host_.services().echoFactory;
  run.resolver = host_.services().resolver();
  run.clock = host_.services().monitorClock;
  runSettings_ = run.settings;
  ended_ = false;
  for (std::string& problem : startOutputs(run)) run.startNotices.push_back("  " + problem);
  auto* controller = new TCtrlWatch(std::move(run), host_.views().watch);
  tab_.startButton->setEnabled(true);
  updateCounter(false);
  if (!controller->start()) {
    delete controller;
    outputs_->finish();
    tab_.startButton->setText("&Start");
    monitorText_.clear();
    showStatus();
    return;
  }
  run_ = controller;
  tab_.startButton->setText("S&top");
  tab_.pauseButton->setText("&Pause");
  tab_.pauseButton->setEnabled(true);
  monitorText_ = "  Monitor: ";
  showStatus();
  history_->setMonitorRunning(true);
}

std::vector<std::string> WatchPage::startOutputs(WatchRun& run) {
  // Said on the writer's thread, shown on the window's.
  QWidget* context = tab_.page;
  auto notice = [this, context](const std::string& text) {
    QMetaObject::invokeMethod(
        context, [this, text] { setMonitorText(text); }, Qt::QueuedConnection);
  };
  return outputs_->start(host_.settings(), run, std::move(notice));
}

void WatchPage::onPauseButton() {
  const bool pause = tab_.pauseButton->text() == "&Pause";
  if (run_ != nullptr) run_->setPaused(pause);
  tab_.pauseButton->setText(pause ? "&Resume" : "&Pause");
}

void WatchPage::stopMonitor() {
  if (run_ == nullptr) return;
  setStatus(1, monitorText_ = "  Stopping the Monitor...");
  tab_.startButton->setText("Wait...");
  tab_.startButton->setEnabled(false);
  tab_.pauseButton->setText("&Pause");
  tab_.pauseButton->setEnabled(false);
  run_->stop();
  // The monitor's closing steps are hand-offs to this thread; they are
  // served here until its stopped-state step quits the loop.
  if (!ended_) {
    QEventLoop loop;
    stopLoop_ = &loop;
    loop.exec();
    stopLoop_ = nullptr;
  }
  reap();
}

void WatchPage::reap() {
  if (run_ == nullptr) return;
  run_->waitFor();
  delete run_;
  run_ = nullptr;
  // Only now no more results can come.
  outputs_->finish();
  if (!host_.closing()) history_->setMonitorRunning(false);
}

// ---- Steps of the monitor --------------------------------------------------

void WatchPage::setMonitorText(const std::string& text) {
  // A status line handed over just before the stop keeps its place in the
  // queue; it must not hide that the monitor is stopping.
  if (stopLoop_ != nullptr) return;
  monitorText_ = text;
  setStatus(1, text);
}

void WatchPage::prepareGraphs(std::size_t count) {
  freeGraphs();
  tab_.area->graphs.assign(count, nullptr);
}

bool WatchPage::createGraph(std::size_t index, const std::string& caption) {
  if (index >= tab_.area->graphs.size()) return false;
  delete tab_.area->graphs[index];
  auto* graph = new TGreenBlack(runSettings_, tab_.area);
  graph->setObjectName(QString("Graph%1").arg(index));
  graph->setCaption(QString::fromStdString(caption));
  tab_.area->graphs[index] = graph;
  tab_.area->placeGraph(index);
  graph->show();
  return true;
}

void WatchPage::deleteGraph(std::size_t index) {
  if (index >= tab_.area->graphs.size()) return;
  delete tab_.area->graphs[index];
  tab_.area->graphs[index] = nullptr;
}

void WatchPage::graphsReady(std::size_t count) { tab_.area->setContentRows(count); }

void WatchPage::setGraphCaption(std::size_t index, const std::string& caption) {
  if (TGreenBlack* g = graph(index)) g->setCaption(QString::fromStdString(caption));
}

void WatchPage::addPoint(std::size_t index, const GraphPoint& point) {
  // The graph marks itself for repaint; the toolkit coalesces the paints.
  if (TGreenBlack* g = graph(index)) g->addPoint(point);
}

void WatchPage::setGroupCaption(const std::string& caption) {
  tab_.monitorGroup->setTitle(QString::fromStdString(caption));
  // While the graphs are being built the area does not scroll.
  tab_.scroll->setVerticalScrollBarPolicy(caption == kMonitorCaption ? Qt::ScrollBarAsNeeded
                                                                     : Qt::ScrollBarAlwaysOff);
}

void WatchPage::hostStateChanged(const HostStateChange& change) {
  const bool down = change.state == HostState::Down;
  if (TGreenBlack* g = graph(change.index)) {
    g->setDownSince(down ? QString::fromStdString(clockText(change.time)) : QString());
  }
  if (!runSettings_.notify || !change.notice) return;
  if (!notices_) {
    notices_ = std::make_unique<HostNotices>(tab_.page->window(), host_.services().toneFactory);
  }
  const std::string line = stateNoticeLine(change.time, change.address, change.state);
  // Without a tray the monitor's status panel tells of the change.
  if (!notices_->show(QString::fromStdString(line), down, runSettings_.notifySound)) {
    setMonitorText("  " + line);
  }
}

void WatchPage::freeGraphs() {
  for (TGreenBlack* g : tab_.area->graphs) delete g;
  tab_.area->graphs.clear();
  tab_.area->setContentRows(0);
}

void WatchPage::ended() {
  ended_ = true;
  updateCounter(false);
  monitorText_.clear();
  showStatus();
  tab_.startButton->setText("&Start");
  tab_.startButton->setEnabled(true);
  tab_.pauseButton->setText("&Pause");
  tab_.pauseButton->setEnabled(false);
  tab_.area->setContentRows(0);
  tab_.scroll->verticalScrollBar()->setValue(0);
  if (stopLoop_ != nullptr) {
    stopLoop_->quit();
  } else {
    // Ended by itself: deleted once its thread has left this step.
    QTimer::singleShot(0, tab_.page, [this] {
      if (ended_ && stopLoop_ == nullptr) reap();
    });
  }
}

}  // namespace tarvo::ui

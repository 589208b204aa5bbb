#include "ui/history_view.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QPixmap>
#include <QPointer>
#include <QVBoxLayout>

#include "base/detached_call.h"
#include "ui/history_graph.h"
#include "ui/history_loader.h"
#include "ui/history_text.h"
#include "ui/save_to_file.h"
#include "ui/watch_tab.h"

namespace tarvo::ui {

namespace {

// A view that ends this close to now still follows the present.
constexpr history::TimeUs kFollowSlackUs = 1'000'000;

}  // namespace

HistoryView::HistoryView(WatchTab& tab, Hooks hooks)
    : tab_(tab), hooks_(std::move(hooks)), context_(std::make_unique<QObject>()) {
  QWidget* window = tab_.page->window();
  pictureSaver_ =
      new SaveToFile(window, "ExportGraphFile", {"PNG images (*.png)", "All files (*)"});
  csvSaver_ = new SaveToFile(window, "ExportHistoryFile", {"CSV files (*.csv)", "All files (*)"});
  refresh_.setInterval(kRefreshMs);
  QObject::connect(&refresh_, &QTimer::timeout, context_.get(), [this] { requestLoad(); });
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMs);
  QObject::connect(&settle_, &QTimer::timeout, context_.get(), [this] { requestLoad(); });
  QObject::connect(tab_.range, &QComboBox::currentIndexChanged, context_.get(),
                   [this](int index) { choose(static_cast<GraphRange>(index)); });
}

HistoryView::~HistoryView() {
  // A read holds the store; it is short, and nothing it hands over may
  // arrive once the view is gone.
  if (loader_ != nullptr) {
    loader_->waitFor();
    delete loader_;
  }
  context_.reset();
}

THistoryGraph* HistoryView::graph(std::size_t index) const {
  return index < graphs_.size() ? graphs_[index] : nullptr;
}

bool HistoryView::busy() const { return loader_ != nullptr || reloadDue_ || settle_.isActive(); }

void HistoryView::setMonitorRunning(bool running) {
  running_ = running;
  if (range_ == GraphRange::Live) return;
  if (running) {
    refresh_.start();
  } else {
    refresh_.stop();
    requestLoad();  // the last results of the run
  }
}

void HistoryView::choose(GraphRange range) {
  range_ = range;
  const bool live = range == GraphRange::Live;
  tab_.scroll->setVisible(live);
  tab_.historyScroll->setVisible(!live);
  settle_.stop();
  if (live) {
    refresh_.stop();
    clearGraphs();
    return;
  }
  following_ = true;
  view_.reset();
  if (range != GraphRange::All) {
    const history::TimeUs now = hooks_.now();
    view_ = history::TimeRange{now - rangeLength(range), now};
  }
  if (running_) refresh_.start();
  requestLoad();
}

void HistoryView::requestLoad() {
  if (range_ == GraphRange::Live) return;
  if (loader_ != nullptr) {
    reloadDue_ = true;
    return;
  }
  reloadDue_ = false;
  const MonitorSettings settings = hooks_.settings();
  HistoryQuery query;
  query.hosts = hooks_.hosts();
  query.now = hooks_.now();
  if (view_ && following_) {
    *view_ = pannedView(*view_, query.now - view_->to, query.now);
    showView(*view_);
  }
  query.view = view_;
  query.thresholds = settings.thresholds;
  QObject* context = context_.get();
  loader_ = new HistoryLoader(std::move(store_), history::defaultHistoryPath(), std::move(query),
                              [this, context] {
                                QMetaObject::invokeMethod(
                                    context, [this] { loaded(); }, Qt::QueuedConnection);
                              });
  if (!loader_->start()) {
    store_ = loader_->takeStore();
    delete loader_;
    loader_ = nullptr;
    hooks_.notice("The history could not be read: no thread could be started.");
  }
}

void HistoryView::loaded() {
  loader_->waitFor();
  store_ = loader_->takeStore();
  HistoryLoad load = std::move(loader_->load());
  delete loader_;
  loader_ = nullptr;
  if (range_ == GraphRange::Live) return;
  if (load.problem != lastProblem_ && !load.problem.empty())
    hooks_.notice("History: " + load.problem);
  lastProblem_ = load.problem;

  const std::uint32_t maxMs = hooks_.settings().waitMs;
  bool same = graphs_.size() == load.hosts.size();
  for (std::size_t i = 0; same && i < graphs_.size(); ++i) {
    same = graphs_[i]->host() == load.hosts[i].host && graphs_[i]->model().maxValue() == maxMs;
  }
  if (!same) {
    clearGraphs();
    for (const HostHistory& h : load.hosts) graphs_.push_back(makeGraph(h.host, maxMs));
  }
  // The user may have moved the view meanwhile; the read that follows
  // fills it.
  const history::TimeRange shown = view_.value_or(load.view);
  for (std::size_t i = 0; i < graphs_.size(); ++i) {
    HostHistory& h = load.hosts[i];
    graphs_[i]->setView(shown);
    graphs_[i]->setData(std::move(h.samples), load.perMinute, std::move(h.statistics));
  }
  if (reloadDue_) requestLoad();
}

void HistoryView::showView(history::TimeRange view) {
  for (THistoryGraph* g : graphs_) g->setView(view);
}

THistoryGraph* HistoryView::makeGraph(const history::HostKey& host, std::uint32_t maxMs) {
  auto* g = new THistoryGraph(host, maxMs, tab_.historyArea);
  g->setObjectName(QString("HistoryGraph%1").arg(graphs_.size()));
  g->now = hooks_.now;
  g->viewWanted = [this](history::TimeRange view) {
    view_ = view;
    following_ = view.to >= hooks_.now() - kFollowSlackUs;
    showView(view);
    settle_.start();
  };
  QObject::connect(g->exportGraph, &QAction::triggered, g, [this, g] { exportGraph(*g); });
  QObject::connect(g->exportHistory, &QAction::triggered, g, [this, g] { exportHistory(*g); });
  // Before the stretch that keeps the graphs at the top.
  auto* layout = static_cast<QVBoxLayout*>(tab_.historyArea->layout());
  layout->insertWidget(layout->count() - 1, g);
  g->show();
  return g;
}

void HistoryView::clearGraphs() {
  for (THistoryGraph* g : graphs_) delete g;
  graphs_.clear();
}

void HistoryView::exportGraph(THistoryGraph& graph) {
  const QString name = pictureSaver_->choose();
  if (name.isEmpty()) return;
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  graph.grab().save(&buffer, "PNG");
  pictureSaver_->writeWhole(name, png.toStdString());
}

void HistoryView::exportHistory(const THistoryGraph& graph) {
  const QString name = csvSaver_->choose();
  if (name.isEmpty()) return;
  // Every result of the range, read and written out on a thread of its own
  // (days of results take a while; the window goes on meanwhile) through a
  // connection of its own: the reader's store may be busy on its thread.
  // The file is written back on the window's thread by the saver, if the
  // window still has it.
  QPointer<SaveToFile> saver = csvSaver_;
  const bool started =
      startDetachedThread([saver, name, host = graph.host(), range = graph.model().view()] {
        std::string csv;
        std::string failure;
        history::OpenOutcome opened = history::HistoryStore::open(
            history::defaultHistoryPath(), history::HistoryStore::Mode::Read);
        if (!opened.store) {
          failure = opened.message;
        } else {
          try {
            csv = historyCsv(host, opened.store->results(host, range));
          } catch (const std::exception& e) {
            failure = e.what();
          }
        }
        QMetaObject::invokeMethod(
            qApp,
            [saver, name, csv = std::move(csv), failure = std::move(failure)] {
              if (!saver) return;
              if (failure.empty()) {
                saver->writeWhole(name, csv);
              } else {
                saver->showFailure(name, QString::fromStdString(failure));
              }
            },
            Qt::QueuedConnection);
      });
  if (!started) csvSaver_->showFailure(name, "no thread could be started to read the history");
}

}  // namespace tarvo::ui

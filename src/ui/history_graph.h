#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "history/history_types.h"
#include "ui/green_black_graph.h"
#include "ui/history_graph_model.h"

class QAction;
class QMenu;

namespace tarvo::ui {

// What a history graph shows of one host besides its samples.
struct HostStatistics {
  history::Summary summary;
  std::vector<history::Outage> outages;
  history::TimeUs lastSeen = 0;  // ends an outage still going on
};

// One host's graph drawn from the history, in the strip chart's look:
// per-column bands from the fastest to the slowest reply with the average
// as a line, or a dot per result when the view is short; lost results as
// red marks at the bottom. The wheel zooms around the pointer, dragging
// moves through time; both only ask for a new view, which the owner then
// sets on every graph.
class THistoryGraph : public QWidget {
  Q_OBJECT

 public:
  THistoryGraph(const history::HostKey& host, std::uint32_t maxMs, QWidget* parent = nullptr);
  ~THistoryGraph() override;

  const history::HostKey& host() const { return host_; }
  void setView(history::TimeRange view);
  void setData(std::vector<HistorySample> samples, bool perMinute, HostStatistics statistics);
  const HistoryGraphModel& model() const { return model_; }
  const HostStatistics& statistics() const { return statistics_; }

  // The caption: the item, and the address where it differs.
  QString caption() const;
  // The result or column at pos, then the host's statistics for the view.
  QString toolTipAt(const QPoint& pos) const;
  QSize sizeHint() const override;

  // Asked for a new view (the wheel, a drag); `now` bounds it.
  std::function<void(history::TimeRange)> viewWanted;
  std::function<history::TimeUs()> now;
  // The context menu's entries.
  QAction* exportGraph;
  QAction* exportHistory;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void fitModel();
  void drawData(QPainter& p) const;
  std::vector<int> verticalGridLines() const;

  history::HostKey host_;
  HistoryGraphModel model_;
  HostStatistics statistics_;
  GraphFonts fonts_;
  QMenu* menu_;
  std::optional<int> dragX_;  // where a drag started
  history::TimeRange dragView_{};
};

}  // namespace tarvo::ui

#include "ui/history_graph.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>
#include <cmath>

#include "ui/history_text.h"
#include "watch/watch_log.h"

namespace tarvo::ui {

namespace {

const QColor kBand(QRgb{0x007000});
const QColor kAverage(static_cast<QRgb>(GraphPoint::kGreen));
const QColor kLoss(static_cast<QRgb>(GraphPoint::kRed));
// Each wheel step shows this much of the time around the pointer.
constexpr double kZoomStep = 0.8;
// Averages this close are joined by a line.
constexpr int kJoinedColumns = 3;

}  // namespace

THistoryGraph::THistoryGraph(const history::HostKey& host, std::uint32_t maxMs, QWidget* parent)
    : QWidget(parent), host_(host), model_(maxMs), menu_(new QMenu(this)) {
  setFixedHeight(GraphLayout::kHeight);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setAttribute(Qt::WA_OpaquePaintEvent);
  exportGraph = menu_->addAction("Export graph...");
  exportGraph->setObjectName("ExportGraph");
  exportHistory = menu_->addAction("Export history...");
  exportHistory->setObjectName("ExportHistory");
  fitModel();
}

THistoryGraph::~THistoryGraph() = default;

QSize THistoryGraph::sizeHint() const { return QSize(400, GraphLayout::kHeight); }

QString THistoryGraph::caption() const {
  std::string text = host_.item;
  if (!host_.address.empty() && host_.address != host_.item) text += " (" + host_.address + ")";
  return QString::fromStdString(text);
}

void THistoryGraph::setView(history::TimeRange view) {
  model_.setView(view);
  update();
}

void THistoryGraph::setData(std::vector<HistorySample> samples, bool perMinute,
                            HostStatistics statistics) {
  model_.setSamples(std::move(samples), perMinute);
  statistics_ = std::move(statistics);
  update();
}

QString THistoryGraph::toolTipAt(const QPoint& pos) const {
  std::string text;
  if (const auto column = model_.columnAt(pos.x())) text = historyColumnText(model_, *column);
  if (!text.empty()) text += "\n\n";
  text += historySummaryText(statistics_.summary, statistics_.outages, statistics_.lastSeen);
  return QString::fromStdString(text);
}

bool THistoryGraph::event(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QWidget::event(event);
  const auto* help = static_cast<QHelpEvent*>(event);
  // The tip goes once the pointer leaves the column it tells about.
  QRect around = rect();
  if (model_.columnAt(help->pos().x())) around = QRect(help->pos().x(), 0, 1, height());
  QToolTip::showText(help->globalPos(), toolTipAt(help->pos()), this, around);
  return true;
}

void THistoryGraph::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  fitModel();
}

void THistoryGraph::fitModel() {
  const int labelWidth =
      QFontMetrics(fonts_.label).horizontalAdvance(QString::number(model_.maxValue()));
  model_.setSize(width(), height(), labelWidth);
}

std::vector<int> THistoryGraph::verticalGridLines() const {
  std::vector<int> xs;
  const GraphLayout& l = model_.layout();
  for (int x = l.plotRight() - l.gridSpacing(); x >= l.plotLeft(); x -= l.gridSpacing()) {
    xs.push_back(x);
  }
  return xs;
}

void THistoryGraph::paintEvent(QPaintEvent*) {
  QPainter p(this);
  paintGraphFrame(p, model_.layout(), verticalGridLines(), model_.maxValue(), caption(), fonts_);
  drawData(p);
}

void THistoryGraph::drawData(QPainter& p) const {
  const GraphLayout& l = model_.layout();
  p.setClipRect(QRect(l.plotLeft(), l.plotTop(), std::max(0, l.plotRight() - l.plotLeft()),
                      l.plotBottom() - l.plotTop() + 1));
  const auto& columns = model_.columns();
  std::optional<QPoint> previous;  // the last average drawn
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const HistoryColumn& c = columns[i];
    const int x = model_.columnX(i);
    if (const int h = model_.lossHeight(c); h > 0) {
      p.fillRect(x, l.plotBottom() - h + 1, 1, h, kLoss);
    }
    if (c.received() == 0) continue;
    const int top = model_.yOf(static_cast<double>(c.maxUs));
    const int bottom = model_.yOf(static_cast<double>(c.minUs));
    if (bottom > top) p.fillRect(x, top, 1, bottom - top + 1, kBand);
    const QPoint average(x, model_.yOf(c.avgUs()));
    if (model_.perMinute() && previous && x - previous->x() <= kJoinedColumns) {
      p.setPen(kAverage);
      p.drawLine(*previous, average);
    } else {
      // A dot for a single result, as on the strip chart.
      p.fillRect(x, average.y() - 1, 2, 2, kAverage);
    }
    previous = average;
  }
}

void THistoryGraph::wheelEvent(QWheelEvent* event) {
  const double steps = event->angleDelta().y() / 120.0;
  if (steps == 0 || !viewWanted || !now) return;
  const GraphLayout& l = model_.layout();
  const double anchor = static_cast<double>(event->position().x() - l.plotLeft()) /
                        std::max(1, l.plotRight() - l.plotLeft());
  viewWanted(zoomedView(model_.view(), std::pow(kZoomStep, steps), anchor, now()));
  event->accept();
}

void THistoryGraph::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  dragX_ = qRound(event->position().x());
  dragView_ = model_.view();
}

void THistoryGraph::mouseMoveEvent(QMouseEvent* event) {
  if (!dragX_ || !viewWanted || !now) return;
  const GraphLayout& l = model_.layout();
  const double perPixel = static_cast<double>(dragView_.to - dragView_.from) /
                          std::max(1, l.plotRight() - l.plotLeft());
  // Dragging to the right brings earlier times into view.
  const double moved = event->position().x() - *dragX_;
  viewWanted(pannedView(dragView_, static_cast<history::TimeUs>(-moved * perPixel), now()));
}

void THistoryGraph::mouseReleaseEvent(QMouseEvent*) { dragX_.reset(); }

void THistoryGraph::contextMenuEvent(QContextMenuEvent* event) { menu_->popup(event->globalPos()); }

}  // namespace tarvo::ui

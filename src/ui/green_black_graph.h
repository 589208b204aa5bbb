#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <QWidget>
#include <vector>

#include "ui/green_black_model.h"
#include "watch/monitor_settings.h"
#include "watch/watch_log.h"

class QPainter;

namespace tarvo::ui {

// The faces of a graph's caption and scale labels.
struct GraphFonts {
  GraphFonts();
  QFont caption;
  QFont label;
};

// A graph's picture without its data: the black ground, the grid with the
// given vertical lines, the full-scale line, the scale labels, the caption
// and the frame. The strip chart and the history graphs share it.
void paintGraphFrame(QPainter& p, const GraphLayout& l, const std::vector<int>& verticalLines,
                     std::uint32_t maxValue, const QString& caption, const GraphFonts& fonts);

// One monitored host's strip chart: green-on-black columns scrolling left
// with every result, the host's caption on top.
class TGreenBlack : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kHeight = GraphLayout::kHeight;

  // The run's settings give the full scale (the reply wait) and the pen.
  explicit TGreenBlack(const MonitorSettings& settings, QWidget* parent = nullptr);
  ~TGreenBlack() override;

  QString caption() const;
  void setCaption(const QString& caption);
  // While the host is down the caption tells since when ("hh:nn:ss"); an
  // empty time takes the note away.
  void setDownSince(const QString& time);
  // The caption as drawn.
  QString shownCaption() const;
  // One result, newest at the right edge.
  void addPoint(const GraphPoint& point);

  // The time and round trip of the result drawn at pos, empty where none is.
  QString toolTipAt(const QPoint& pos) const;
  const GreenBlackModel& model() const { return model_; }
  QSize sizeHint() const override;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void fitModel();
  void redrawAll();
  void scrollIn(int columns);
  void drawStrip(QPainter& painter, std::size_t fromNewest);
  void drawPoints(QPainter& painter, const GraphColumn& column, int x);

  GreenBlackModel model_;
  GraphFonts fonts_;
  QImage buffer_;            // the picture, in device pixels
  bool wholeRedraw_ = true;  // caption, size or screen changed
  int pending_ = 0;          // columns that arrived since the last paint
};

}  // namespace tarvo::ui

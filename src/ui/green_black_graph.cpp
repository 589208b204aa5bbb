#include "ui/green_black_graph.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>
#include <chrono>
#include <cmath>
#include <cstring>

namespace tarvo::ui {

namespace {

const QColor kBackground(QRgb{0x000000});
const QColor kGrid(QRgb{0x008000});
const QColor kFrame(QRgb{0x008000});
const QColor kFullScale(QRgb{0xBB0000});
const QColor kText(QRgb{0xFFFFFF});

QFont sizedFont(QFontDatabase::SystemFont kind, int pointSize) {
  QFont font = QFontDatabase::systemFont(kind);
  font.setPointSize(pointSize);
  return font;
}

QRect plotRect(const GraphLayout& l) {
  return QRect(l.plotLeft(), l.plotTop(), l.plotRight() - l.plotLeft(),
               l.plotBottom() - l.plotTop() + 1);
}

}  // namespace

// The caption in the system's fixed-width face, the scale in its smallest
// readable one, both small enough for the 15-pixel margins.
GraphFonts::GraphFonts()
    : caption(sizedFont(QFontDatabase::FixedFont, 7)),
      label(sizedFont(QFontDatabase::SmallestReadableFont, 6)) {}

void paintGraphFrame(QPainter& p, const GraphLayout& l, const std::vector<int>& verticalLines,
                     std::uint32_t maxValue, const QString& caption, const GraphFonts& fonts) {
  const QRect plot = plotRect(l);
  const int fw = GraphLayout::kFrameWidth;
  p.fillRect(QRect(0, 0, l.width, l.height), kBackground);
  // Narrower than its margins, the graph stays black until it is widened.
  if (plot.width() <= 0) return;

  for (int y = l.plotBottom() - l.gridSpacing(); y >= l.plotTop(); y -= l.gridSpacing()) {
    p.fillRect(plot.left(), y, plot.width(), 1, kGrid);
  }
  for (int x : verticalLines) p.fillRect(x, plot.top(), 1, plot.height(), kGrid);
  p.fillRect(plot.left(), l.fullScaleY(), plot.width(), 1, kFullScale);

  p.setPen(kText);
  p.setFont(fonts.label);
  const int labelHeight = QFontMetrics(fonts.label).height();
  const int labelRight = plot.left() - 1 - fw;
  p.drawText(QRect(0, l.fullScaleY() - labelHeight / 2, labelRight, labelHeight),
             Qt::AlignRight | Qt::AlignVCenter, QString::number(maxValue));
  p.drawText(QRect(0, l.plotBottom() - labelHeight / 2, labelRight, labelHeight),
             Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("0"));

  p.setFont(fonts.caption);
  const int captionHeight = QFontMetrics(fonts.caption).height();
  const int captionLeft = l.leftMargin - fw;
  p.drawText(QRect(captionLeft, std::max(0, l.plotTop() - captionHeight - 3), l.width - captionLeft,
                   captionHeight),
             Qt::AlignLeft | Qt::AlignTop, caption);

  for (int i = 0; i < fw; ++i) {
    const QRect r = plot.adjusted(-1 - i, -1 - i, 1 + i, 1 + i);
    p.fillRect(r.left(), r.top(), r.width(), 1, kFrame);
    p.fillRect(r.left(), r.bottom(), r.width(), 1, kFrame);
    p.fillRect(r.left(), r.top(), 1, r.height(), kFrame);
    p.fillRect(r.right(), r.top(), 1, r.height(), kFrame);
  }
}

TGreenBlack::TGreenBlack(const MonitorSettings& settings, QWidget* parent)
    : QWidget(parent), model_(settings.waitMs, settings.penWidth) {
  setFixedHeight(kHeight);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setAttribute(Qt::WA_OpaquePaintEvent);
  fitModel();
}

TGreenBlack::~TGreenBlack() = default;

QSize TGreenBlack::sizeHint() const { return QSize(400, kHeight); }

QString TGreenBlack::caption() const { return QString::fromStdString(model_.caption()); }

void TGreenBlack::setCaption(const QString& caption) {
  if (!model_.setCaption(caption.toStdString())) return;
  wholeRedraw_ = true;
  update();
}

void TGreenBlack::setDownSince(const QString& time) {
  if (!model_.setNote(time.isEmpty() ? std::string() : "down since " + time.toStdString())) return;
  wholeRedraw_ = true;
  update();
}

QString TGreenBlack::shownCaption() const { return QString::fromStdString(model_.shownCaption()); }

void TGreenBlack::addPoint(const GraphPoint& point) {
  model_.addPoint(point);
  model_.closeColumn(std::chrono::system_clock::now());
  // Columns are drawn at the next paint, however many arrive before it.
  if (pending_ <= static_cast<int>(model_.capacity())) ++pending_;
  update();
}

QString TGreenBlack::toolTipAt(const QPoint& pos) const {
  const GraphLayout& l = model_.layout();
  if (pos.y() < l.plotTop() || pos.y() > l.plotBottom()) return {};
  const auto k = model_.columnAt(pos.x());
  if (!k) return {};
  return QString::fromStdString(GreenBlackModel::tipText(model_.column(*k)));
}

bool TGreenBlack::event(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QWidget::event(event);
  const auto* help = static_cast<QHelpEvent*>(event);
  const QString text = toolTipAt(help->pos());
  if (text.isEmpty()) {
    QToolTip::hideText();
    event->ignore();
  } else {
    // The tip goes once the pointer leaves the column it tells about.
    const int x = model_.columnX(*model_.columnAt(help->pos().x()));
    const QRect plot = plotRect(model_.layout());
    QToolTip::showText(help->globalPos(), text, this,
                       QRect(x, plot.top(), model_.columnWidth(), plot.height()));
  }
  return true;
}

void TGreenBlack::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  fitModel();
}

void TGreenBlack::fitModel() {
  const int labelWidth =
      QFontMetrics(fonts_.label).horizontalAdvance(QString::number(model_.maxValue()));
  if (model_.setSize(width(), height(), labelWidth)) wholeRedraw_ = true;
}

void TGreenBlack::paintEvent(QPaintEvent* event) {
  // The picture has whole pixels per point so that scrolling moves whole
  // pixels; a fractional screen ratio gets the next whole one, scaled down
  // when shown.
  const int scale = std::max(1, static_cast<int>(std::ceil(devicePixelRatioF())));
  const QSize device = size() * scale;
  if (buffer_.size() != device || buffer_.devicePixelRatio() != scale) {
    buffer_ = QImage(device, QImage::Format_RGB32);
    buffer_.setDevicePixelRatio(scale);
    wholeRedraw_ = true;
  }
  const GraphLayout& l = model_.layout();
  const int plotWidth = l.plotRight() - l.plotLeft();
  if (wholeRedraw_ || pending_ * model_.columnWidth() >= plotWidth) {
    redrawAll();
  } else if (pending_ > 0) {
    scrollIn(pending_);
  }
  // A partial paint that moved the picture leaves the rest of the screen
  // behind; the rest follows at once.
  if ((wholeRedraw_ || pending_ > 0) && !event->region().contains(rect())) update();
  wholeRedraw_ = false;
  pending_ = 0;
  QPainter painter(this);
  painter.drawImage(0, 0, buffer_);
}

void TGreenBlack::redrawAll() {
  const GraphLayout& l = model_.layout();
  const QRect plot = plotRect(l);
  QPainter p(&buffer_);
  paintGraphFrame(p, l, model_.verticalGridLines(), model_.maxValue(), shownCaption(), fonts_);
  if (plot.width() <= 0) return;
  p.setClipRect(plot);
  for (std::size_t k = 0; k < model_.columnCount(); ++k) {
    const int x = model_.columnX(k);
    if (x + model_.columnWidth() <= plot.left()) break;
    drawPoints(p, model_.column(k), x);
  }
}

void TGreenBlack::scrollIn(int columns) {
  const GraphLayout& l = model_.layout();
  const int d = static_cast<int>(buffer_.devicePixelRatio());
  const int left = l.plotLeft() * d;
  const int right = l.plotRight() * d;
  const int shift = columns * model_.columnWidth() * d;
  const auto bytes = static_cast<std::size_t>(right - left - shift) * 4;
  for (int y = l.plotTop() * d; y < (l.plotBottom() + 1) * d; ++y) {
    uchar* line = buffer_.scanLine(y);
    std::memmove(line + left * 4, line + (left + shift) * 4, bytes);
  }
  QPainter p(&buffer_);
  p.setClipRect(plotRect(l));
  for (int k = columns - 1; k >= 0; --k) {
    if (static_cast<std::size_t>(k) < model_.columnCount()) {
      drawStrip(p, static_cast<std::size_t>(k));
    }
  }
}

void TGreenBlack::drawStrip(QPainter& p, std::size_t fromNewest) {
  const GraphLayout& l = model_.layout();
  const int x = model_.columnX(fromNewest);
  const int cw = model_.columnWidth();
  const QRect plot = plotRect(l);
  p.fillRect(x, plot.top(), cw, plot.height(), kBackground);
  for (int y = l.plotBottom() - l.gridSpacing(); y >= l.plotTop(); y -= l.gridSpacing()) {
    p.fillRect(x, y, cw, 1, kGrid);
  }
  const GraphColumn& column = model_.column(fromNewest);
  if (column.gridLine) p.fillRect(x, plot.top(), 1, plot.height(), kGrid);
  p.fillRect(x, l.fullScaleY(), cw, 1, kFullScale);
  drawPoints(p, column, x);
}

void TGreenBlack::drawPoints(QPainter& p, const GraphColumn& column, int x) {
  const int bottom = model_.layout().plotBottom();
  const int size = model_.dotSize();
  for (int i = 0; i < column.count; ++i) {
    const GraphPoint& point = column.points[static_cast<std::size_t>(i)];
    // The square's lower edge stands the value's height above the zero line.
    const int top = bottom - model_.pointHeight(point.value) - size + 1;
    p.fillRect(x, top, size, size, QColor(static_cast<QRgb>(point.color)));
  }
}

}  // namespace tarvo::ui

// Draws a Prometheus range query's answer (the JSON of /api/v1/query_range)
// as a line graph into a PNG: one line per series, named by its "host" label
// and the series' "quantile" label where the query set one with
// label_replace. Values are seconds; the axis shows µs or ms.
//
//   tarvo_rtt_plot ANSWER.json OUTPUT.png "TITLE"
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

struct Series {
  QString name;
  bool dashed = false;
  std::vector<QPointF> points;  // seconds since the first sample, value in seconds
};

std::vector<Series> readSeries(const QJsonDocument& doc, double& start) {
  std::vector<Series> all;
  start = INFINITY;
  const QJsonArray result = doc.object()["data"].toObject()["result"].toArray();
  for (const auto& r : result) {
    for (const auto& v : r.toObject()["values"].toArray()) {
      start = std::min(start, v.toArray()[0].toDouble());
    }
  }
  for (const auto& r : result) {
    const QJsonObject metric = r.toObject()["metric"].toObject();
    Series s;
    const QString quantile = metric["quantile"].toString();
    s.name = metric["host"].toString() + (quantile.isEmpty() ? "" : " p" + quantile);
    s.dashed = quantile == "95";
    for (const auto& v : r.toObject()["values"].toArray()) {
      const double value = v.toArray()[1].toString().toDouble();
      if (std::isfinite(value)) s.points.emplace_back(v.toArray()[0].toDouble() - start, value);
    }
    if (!s.points.empty()) all.push_back(std::move(s));
  }
  std::sort(all.begin(), all.end(),
            [](const Series& a, const Series& b) { return a.name < b.name; });
  return all;
}

// A round upper bound for the axis: 1, 2 or 5 times a power of ten.
double niceCeiling(double v) {
  const double p = std::pow(10.0, std::floor(std::log10(v)));
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    if (v <= m * p) return m * p;
  }
  return 10 * p;
}

}  // namespace

int main(int argc, char* argv[]) {
  QGuiApplication app(argc, argv);
  if (argc < 4) {
    std::fprintf(stderr, "usage: tarvo_rtt_plot ANSWER.json OUTPUT.png TITLE\n");
    return 2;
  }
  QFile file(argv[1]);
  if (!file.open(QIODevice::ReadOnly)) return 1;
  double start = 0;
  const std::vector<Series> series = readSeries(QJsonDocument::fromJson(file.readAll()), start);
  if (series.empty()) {
    std::fprintf(stderr, "tarvo_rtt_plot: no series with values in %s\n", argv[1]);
    return 1;
  }
  double maxT = 1, maxV = 0;
  for (const Series& s : series) {
    for (const QPointF& p : s.points) {
      maxT = std::max(maxT, p.x());
      maxV = std::max(maxV, p.y());
    }
  }
  const bool micro = maxV < 1e-3;
  const double scale = micro ? 1e6 : 1e3;
  const double top = niceCeiling(std::max(maxV * scale * 1.1, 1.0));

  const int width = 960, height = 540;
  const QRectF plot(80, 50, width - 110, height - 130);
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QFont font = p.font();
  font.setPixelSize(13);
  p.setFont(font);
  auto at = [&](double t, double v) {
    return QPointF(plot.left() + t / maxT * plot.width(),
                   plot.bottom() - v * scale / top * plot.height());
  };
  // Grid and axes: five steps up, a line per 30 s across.
  p.setPen(QColor(225, 225, 225));
  for (int i = 0; i <= 5; ++i) {
    const double y = plot.bottom() - i * plot.height() / 5;
    p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    p.setPen(Qt::black);
    p.drawText(QRectF(0, y - 10, plot.left() - 8, 20), Qt::AlignRight | Qt::AlignVCenter,
               QString::number(top * i / 5, 'g', 4));
    p.setPen(QColor(225, 225, 225));
  }
  for (int s = 0; s <= maxT; s += 30) {
    const double x = at(s, 0).x();
    p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    p.setPen(Qt::black);
    p.drawText(QRectF(x - 30, plot.bottom() + 4, 60, 18), Qt::AlignCenter,
               QString::number(s) + " s");
    p.setPen(QColor(225, 225, 225));
  }
  p.setPen(Qt::black);
  p.drawRect(plot);
  p.save();
  p.translate(18, plot.center().y());
  p.rotate(-90);
  p.drawText(QRectF(-150, -10, 300, 20), Qt::AlignCenter,
             micro ? QString::fromUtf8("round trip [µs]") : QString("round trip [ms]"));
  p.restore();
  font.setPixelSize(16);
  font.setBold(true);
  p.setFont(font);
  p.drawText(QRectF(0, 10, width, 30), Qt::AlignCenter, QString::fromUtf8(argv[3]));
  font.setPixelSize(13);
  font.setBold(false);
  p.setFont(font);

  const QColor colours[] = {QColor(31, 119, 180),  QColor(214, 39, 40),  QColor(44, 160, 44),
                            QColor(148, 103, 189), QColor(255, 127, 14), QColor(23, 190, 207)};
  double legendX = plot.left();
  double legendY = plot.bottom() + 44;
  int colour = -1;
  QString lastHost;
  for (const Series& s : series) {
    const QString host = s.name.section(' ', 0, 0);
    if (host != lastHost) ++colour;
    lastHost = host;
    QPen pen(colours[colour % 6], 2, s.dashed ? Qt::DashLine : Qt::SolidLine);
    p.setPen(pen);
    QPainterPath path(at(s.points[0].x(), s.points[0].y()));
    for (const QPointF& pt : s.points) path.lineTo(at(pt.x(), pt.y()));
    p.drawPath(path);
    const double entry = 46 + p.fontMetrics().horizontalAdvance(s.name);
    if (legendX + entry > width - 10) {  // the next row
      legendX = plot.left();
      legendY += 22;
    }
    p.drawLine(QPointF(legendX, legendY), QPointF(legendX + 30, legendY));
    p.setPen(Qt::black);
    p.drawText(QRectF(legendX + 36, legendY - 10, entry, 20), Qt::AlignLeft | Qt::AlignVCenter,
               s.name);
    legendX += entry;
  }
  p.end();
  return image.save(argv[2]) ? 0 : 1;
}

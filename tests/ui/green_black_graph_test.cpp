#include "ui/green_black_graph.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

namespace tarvo::ui {
namespace {

MonitorSettings graphSettings() {
  MonitorSettings s;
  s.waitMs = 1000;
  s.penWidth = 3;
  return s;
}

GraphPoint result(const char* token) {
  return graphPoint(WatchResult{.replied = token[0] == '1',
                                .roundTripUs = std::strtoull(token + 1, nullptr, 10) * 1000},
                    1000);
}

// The graph's picture; pixels are read in the widget's own coordinates, so
// the checks hold at any device pixel ratio.
struct Picture {
  QImage image;
  explicit Picture(TGreenBlack& graph) : image(graph.grab().toImage()) {
    EXPECT_EQ(image.height(), qRound(TGreenBlack::kHeight * graph.devicePixelRatioF()));
  }
  QRgb at(int x, int y) const {
    const qreal d = image.devicePixelRatio();
    return image.pixel(static_cast<int>(x * d), static_cast<int>(y * d)) & 0xFFFFFF;
  }
};

TEST(GreenBlackGraph, PaintsEachResultAtItsHeightAndColour) {
  TGreenBlack graph(graphSettings());
  graph.resize(400, TGreenBlack::kHeight);
  graph.setCaption("host1");
  graph.addPoint(result("1500"));   // half the wait: green, halfway
  graph.addPoint(result("11800"));  // late: yellow on the full-scale line
  graph.addPoint(result("0"));      // lost: red on the full-scale line
  const GreenBlackModel& m = graph.model();
  const GraphLayout& l = m.layout();
  const Picture shot(graph);
  EXPECT_EQ(shot.at(m.columnX(0) + 1, l.fullScaleY()), GraphPoint::kRed);
  EXPECT_EQ(shot.at(m.columnX(1) + 1, l.fullScaleY()), GraphPoint::kYellow);
  EXPECT_EQ(shot.at(m.columnX(2) + 1, l.plotBottom() - 24), GraphPoint::kGreen);
  EXPECT_EQ(shot.at(m.columnX(2) + 1, l.plotBottom() - 24 + 1), 0x000000u);
  // Hovering a column tells its time and round trip.
  EXPECT_TRUE(graph.toolTipAt(QPoint(m.columnX(0) + 1, 40)).endsWith("  timeout"));

  // Squeezed below its margins and widened again, the newest still show.
  graph.resize(20, TGreenBlack::kHeight);
  graph.addPoint(result("0"));
  graph.grab();
  graph.resize(400, TGreenBlack::kHeight);
  EXPECT_EQ(Picture(graph).at(m.columnX(0) + 1, l.fullScaleY()), GraphPoint::kRed);
}

TEST(GreenBlackGraph, ScrolledPictureMatchesAFullRedraw) {
  TGreenBlack graph(graphSettings());
  graph.resize(300, TGreenBlack::kHeight);
  const GraphLayout& l = graph.model().layout();
  auto expectSameAsRedrawn = [&](const QString& caption) {
    const Picture scrolled(graph);
    graph.setCaption(caption);  // the whole picture anew
    const Picture redrawn(graph);
    for (int y = l.plotTop(); y <= l.plotBottom(); ++y) {
      for (int x = l.plotLeft(); x < l.plotRight(); ++x) {
        ASSERT_EQ(scrolled.at(x, y), redrawn.at(x, y)) << x << "," << y;
      }
    }
  };
  // Painted now and then, as the toolkit coalesces repaints, with grid lines
  // passing through the scrolled strips; first with the plot partly empty,
  // then with old columns dropped.
  for (int i = 0; i < 200; ++i) {
    graph.addPoint(result(i % 9 == 0 ? "0" : (i % 2 ? "1250" : "1700")));
    if (i % 3 == 0 || i % 7 == 0) graph.grab();
    if (i == 69) expectSameAsRedrawn("a");
  }
  EXPECT_LT(graph.model().capacity(), 200u);
  expectSameAsRedrawn("b");
}

}  // namespace
}  // namespace tarvo::ui

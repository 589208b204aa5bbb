#include "ui/green_black_model.h"

#include <gtest/gtest.h>

#include <clocale>
#include <stdexcept>

namespace tarvo::ui {
namespace {

using Clock = std::chrono::system_clock;

GraphPoint reply(std::uint32_t ms, std::uint32_t waitMs) {
  return graphPoint({true, ms * 1000ULL}, waitMs);
}

void addResult(GreenBlackModel& model, const GraphPoint& point) {
  model.addPoint(point);
  model.closeColumn(Clock::now());
}

TEST(GreenBlackModel, RingKeepsWhatFitsThePlotPlusTwoColumns) {
  GreenBlackModel model(1000, 3);
  model.setSize(400, GraphLayout::kHeight, 16);
  const int leftMargin = model.layout().leftMargin;
  EXPECT_EQ(leftMargin, 20);
  const std::size_t kept = static_cast<std::size_t>((400 - leftMargin - 10) / 3 + 2);
  EXPECT_EQ(model.capacity(), kept);

  for (std::uint32_t i = 0; i < kept + 50; ++i) addResult(model, reply(i, 1000));
  ASSERT_EQ(model.columnCount(), kept);
  EXPECT_EQ(model.column(0).points[0].roundTripMs, kept + 49);
  EXPECT_EQ(model.column(kept - 1).points[0].roundTripMs, 50u);
  // Newest at the right edge, each older one a pen width further left.
  EXPECT_EQ(model.columnX(0), 400 - 10 - 3);
  EXPECT_EQ(model.columnAt(387), 0u);
  EXPECT_EQ(model.columnAt(386), 1u);
  EXPECT_FALSE(model.columnAt(390).has_value());
  EXPECT_FALSE(model.columnAt(leftMargin - 1).has_value());
}

TEST(GreenBlackModel, ColumnTakesSixteenPointsAndRefusesMore) {
  GreenBlackModel model(500, 2);
  for (int i = 0; i < GraphColumn::kMaxPoints; ++i) model.addPoint(reply(10, 500));
  EXPECT_THROW(model.addPoint(reply(10, 500)), std::length_error);
  model.closeColumn(Clock::now());
  EXPECT_EQ(model.column(0).count, 16);
  EXPECT_NO_THROW(model.addPoint(reply(10, 500)));
}

TEST(GreenBlackModel, ValuesAreTruncatedAndCappedAtFullScale) {
  GreenBlackModel model(800, 3);
  model.setSize(400, GraphLayout::kHeight, 16);
  const GraphLayout& l = model.layout();
  ASSERT_EQ(l.valueHeight(), 48);
  EXPECT_EQ(model.pointHeight(799), 47);   // truncated
  EXPECT_EQ(model.pointHeight(5000), 48);  // never above full scale
}

TEST(GreenBlackModel, CaptionChangesOnlyForAnotherWatchItem) {
  // Letter case beyond ASCII is the user's locale's; a UTF-8 one here.
  const std::string before = std::setlocale(LC_CTYPE, nullptr);
  ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
  GreenBlackModel model(1000, 2);
  EXPECT_TRUE(model.setCaption("\u00C4pfel"));
  EXPECT_FALSE(model.setCaption("\u00E4PFEL"));
  EXPECT_FALSE(model.setCaption(""));
  EXPECT_EQ(model.caption(), "\u00C4pfel");
  EXPECT_TRUE(model.setCaption("\u00C4pfel (127.0.0.1)"));
  std::setlocale(LC_CTYPE, before.c_str());
}

TEST(GreenBlackModel, WiderGraphKeepsNewestPointsAtTheRightEdge) {
  GreenBlackModel model(1000, 3);
  model.setSize(200, GraphLayout::kHeight, 16);
  const std::size_t narrow = model.capacity();
  for (std::uint32_t i = 0; i < narrow + 10; ++i) addResult(model, reply(i, 1000));

  EXPECT_TRUE(model.setSize(600, GraphLayout::kHeight, 16));
  EXPECT_GT(model.capacity(), narrow);
  ASSERT_EQ(model.columnCount(), narrow);
  EXPECT_EQ(model.column(0).points[0].roundTripMs, narrow + 9);
  addResult(model, reply(1, 1000));
  EXPECT_EQ(model.columnCount(), narrow + 1);

  // Narrower again: only the newest that fit stay.
  EXPECT_TRUE(model.setSize(100, GraphLayout::kHeight, 16));
  EXPECT_EQ(model.columnCount(), model.capacity());
  EXPECT_EQ(model.column(0).points[0].roundTripMs, 1u);
  EXPECT_FALSE(model.setSize(100, GraphLayout::kHeight, 16));
}

TEST(GreenBlackModel, TipShowsTimeAndRoundTripOrTimeout) {
  std::tm t{};
  t.tm_hour = 14, t.tm_min = 3, t.tm_sec = 27, t.tm_mday = 6, t.tm_year = 126, t.tm_isdst = -1;
  GraphColumn column{.time = Clock::from_time_t(std::mktime(&t)), .count = 1};
  column.points[0] = graphPoint({}, 1000);
  EXPECT_EQ(GreenBlackModel::tipText(column), "14:03:27  timeout");
  column.points[1] = graphPoint({true, 2'500'000}, 1000);  // late replies tell their real time
  column.count = 2;
  EXPECT_EQ(GreenBlackModel::tipText(column), "14:03:27  timeout, 2500 ms");
}

}  // namespace
}  // namespace tarvo::ui

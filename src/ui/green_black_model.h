#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "watch/watch_log.h"

namespace tarvo::ui {

// Where a graph of a given size puts its plot. The plot spans x from
// plotLeft() up to (not including) plotRight(), y from plotTop() down to the
// zero line plotBottom(); the frame lies outside it.
struct GraphLayout {
  static constexpr int kHeight = 82;
  static constexpr int kRightMargin = 10;
  static constexpr int kTopMargin = 15;
  static constexpr int kBottomMargin = 15;
  static constexpr int kFrameWidth = 2;
  static constexpr int kHeadroom = 4;  // between the plot top and the full-scale line

  // Graphs stack in the monitor area, each following the area's width.
  static constexpr int kAreaLeft = 2;
  static constexpr int kAreaRightMargin = 6;
  static constexpr int kPitch = kHeight + 5;
  static int topInArea(int index) { return 6 + kPitch * index; }
  static int widthInArea(int areaWidth) { return areaWidth - kAreaRightMargin - kAreaLeft; }
  static int areaContentHeight(int graphs) { return kPitch * graphs + 10; }

  int width = 0;
  int height = kHeight;
  int leftMargin = 20;  // room for the scale labels

  // Takes the widget's size and its scale labels' width; false when
  // nothing changed.
  bool resize(int newWidth, int newHeight, int labelWidth) {
    const int margin = labelWidth + kFrameWidth + 2;
    if (newWidth == width && newHeight == height && margin == leftMargin) return false;
    width = newWidth;
    height = newHeight;
    leftMargin = margin;
    return true;
  }

  int plotLeft() const { return leftMargin; }
  int plotRight() const { return width - kRightMargin; }
  int plotTop() const { return kTopMargin; }
  int plotBottom() const { return height - kBottomMargin; }
  int fullScaleY() const { return plotTop() + kHeadroom; }
  // Pixels from the zero line up to the full-scale line.
  int valueHeight() const { return plotBottom() - fullScaleY(); }
  // Grid lines both ways, four of them up to full scale.
  int gridSpacing() const;
};

// The results that arrived at one moment; the monitor puts one in each.
struct GraphColumn {
  static constexpr int kMaxPoints = 16;
  std::chrono::system_clock::time_point time;
  int count = 0;
  std::array<GraphPoint, kMaxPoints> points{};
  bool gridLine = false;  // a vertical grid line runs through its strip
};

// The strip chart of one host without any drawing: the ring of columns that
// still fit the plot, the value scale, the phase of the vertical grid lines
// that scroll with the data, and the caption.
class GreenBlackModel {
 public:
  GreenBlackModel(std::uint32_t maxValue, int penWidth);

  std::uint32_t maxValue() const { return maxValue_; }
  int columnWidth() const { return columnWidth_; }
  int dotSize() const { return dotSize_; }
  const GraphLayout& layout() const { return layout_; }

  // The left margin follows the width of the maximum value's label. Returns
  // whether anything changed; a new width keeps the newest columns.
  bool setSize(int width, int height, int labelWidth);
  // Columns kept: those that fit the plot plus two partly hidden ones.
  std::size_t capacity() const { return capacity_; }

  // Adds to the column being filled; throws std::length_error past 16.
  void addPoint(const GraphPoint& point);
  // Closes the column being filled and opens the next one, dropping the
  // oldest when the ring is full. Returns whether a vertical grid line runs
  // through the new column's strip.
  bool closeColumn(std::chrono::system_clock::time_point time);

  std::size_t columnCount() const { return columns_.size(); }
  // 0 is the newest closed column, at the plot's right edge.
  const GraphColumn& column(std::size_t fromNewest) const;
  int columnX(std::size_t fromNewest) const;
  // The stored column under x, if any is drawn there.
  std::optional<std::size_t> columnAt(int x) const;

  // Pixels above the zero line: 0 at 0, valueHeight() at maxValue.
  int pointHeight(std::uint32_t value) const;
  // x of every vertical grid line of a full redraw, newest first.
  std::vector<int> verticalGridLines() const;

  const std::string& caption() const { return caption_; }
  // The caption as drawn: with " · <note>" while there is a note.
  std::string shownCaption() const;
  // Sets the note after the caption (empty: none); returns whether it changed.
  bool setNote(const std::string& note);
  // Ignores an empty caption and one that is the same watch item (differs
  // only in letter case, see sameWatchItem);
  // returns whether the caption changed, i.e. the picture must be redrawn.
  bool setCaption(const std::string& caption);

  // "14:03:27  23 ms" or "14:03:27  timeout", in local time.
  static std::string tipText(const GraphColumn& column);

 private:
  void fitCapacity();

  std::uint32_t maxValue_;
  int dotSize_;
  int columnWidth_;
  GraphLayout layout_;
  std::size_t capacity_ = 2;
  std::deque<GraphColumn> columns_;  // oldest first
  GraphColumn open_;
  int gridCounter_;
  std::size_t sinceGridLine_ = 0;  // columns closed since the last line
  std::uint64_t closed_ = 0;       // columns closed in all
  std::string caption_;
  std::string note_;
};

}  // namespace tarvo::ui

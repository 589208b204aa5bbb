#include "ui/green_black_model.h"

#include <algorithm>
#include <ctime>
#include <stdexcept>

#include "watch/watch_list.h"

namespace tarvo::ui {

int GraphLayout::gridSpacing() const { return std::max(2, valueHeight() / 4); }

GreenBlackModel::GreenBlackModel(std::uint32_t maxValue, int penWidth)
    : maxValue_(std::max<std::uint32_t>(maxValue, 1)),
      dotSize_(std::max(penWidth, 1)),
      columnWidth_(dotSize_) {
  // As if a line had just been drawn where the first column will appear.
  gridCounter_ = layout_.gridSpacing() - columnWidth_;
  fitCapacity();
}

bool GreenBlackModel::setSize(int width, int height, int labelWidth) {
  if (!layout_.resize(width, height, labelWidth)) return false;
  fitCapacity();
  return true;
}

void GreenBlackModel::fitCapacity() {
  const int plot = std::max(0, layout_.plotRight() - layout_.plotLeft());
  capacity_ = static_cast<std::size_t>(plot / columnWidth_ + 2);
  while (columns_.size() > capacity_) columns_.pop_front();
}

void GreenBlackModel::addPoint(const GraphPoint& point) {
  if (open_.count >= GraphColumn::kMaxPoints) {
    throw std::length_error("a graph column holds at most 16 points");
  }
  open_.points[static_cast<std::size_t>(open_.count++)] = point;
}

bool GreenBlackModel::closeColumn(std::chrono::system_clock::time_point time) {
  open_.time = time;
  // The counter runs down by one column width per column, so the lines keep
  // their distance in pixels and move with the data.
  gridCounter_ -= columnWidth_;
  open_.gridLine = gridCounter_ < 0;
  if (open_.gridLine) {
    while (gridCounter_ < 0) gridCounter_ += layout_.gridSpacing();
    sinceGridLine_ = 0;
  } else {
    ++sinceGridLine_;
  }
  if (columns_.size() >= capacity_) columns_.pop_front();
  columns_.push_back(open_);
  ++closed_;
  open_ = GraphColumn{};
  return columns_.back().gridLine;
}

const GraphColumn& GreenBlackModel::column(std::size_t fromNewest) const {
  return columns_.at(columns_.size() - 1 - fromNewest);
}

int GreenBlackModel::columnX(std::size_t fromNewest) const {
  return layout_.plotRight() - static_cast<int>(fromNewest + 1) * columnWidth_;
}

std::optional<std::size_t> GreenBlackModel::columnAt(int x) const {
  if (x < layout_.plotLeft() || x >= layout_.plotRight()) return std::nullopt;
  const std::size_t k = static_cast<std::size_t>((layout_.plotRight() - 1 - x) / columnWidth_);
  if (k >= columns_.size()) return std::nullopt;
  return k;
}

int GreenBlackModel::pointHeight(std::uint32_t value) const {
  const std::uint64_t v = std::min(value, maxValue_);
  return static_cast<int>(v * static_cast<std::uint64_t>(std::max(layout_.valueHeight(), 0)) /
                          maxValue_);
}

std::vector<int> GreenBlackModel::verticalGridLines() const {
  const int spacing = layout_.gridSpacing();
  std::vector<int> xs;
  for (std::size_t k = 0; k < columns_.size(); ++k) {
    if (column(k).gridLine) xs.push_back(columnX(k));
  }
  // Left of the stored columns: while none was dropped, the lines the empty
  // graph started with, scrolled along; otherwise (after widening) the lines
  // go on at their spacing.
  int x;
  if (closed_ == columns_.size()) {
    x = columnX(columns_.size());
  } else {
    x = xs.empty() ? columnX(sinceGridLine_) : xs.back() - spacing;
  }
  for (; x >= layout_.plotLeft(); x -= spacing) xs.push_back(x);
  std::erase_if(xs, [this](int v) { return v < layout_.plotLeft(); });
  return xs;
}

// A caption is a watch item's text or the name it resolves to, so it
// changes by the rule that tells watch items apart.
bool GreenBlackModel::setCaption(const std::string& caption) {
  if (caption.empty() || sameWatchItem(caption, caption_)) return false;
  caption_ = caption;
  return true;
}

std::string GreenBlackModel::shownCaption() const {
  return note_.empty() ? caption_ : caption_ + " \u00B7 " + note_;
}

bool GreenBlackModel::setNote(const std::string& note) {
  if (note == note_) return false;
  note_ = note;
  return true;
}

std::string GreenBlackModel::tipText(const GraphColumn& column) {
  const std::time_t t = std::chrono::system_clock::to_time_t(column.time);
  std::tm local{};
  localtime_r(&t, &local);
  char clock[16];
  std::strftime(clock, sizeof clock, "%H:%M:%S", &local);
  std::string text = clock;
  for (int i = 0; i < column.count; ++i) {
    const GraphPoint& p = column.points[static_cast<std::size_t>(i)];
    text += i == 0 ? "  " : ", ";
    text += p.replied ? std::to_string(p.roundTripMs) + " ms" : "timeout";
  }
  return text;
}

}  // namespace tarvo::ui

#include "cli/console_watch_view.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

#include "cli/console_output.h"
#include "cli/console_text.h"
#include "cli/json_lines.h"
#include "cli/json_records.h"

namespace tarvo::cli {

namespace {
constexpr std::size_t kStripLength = 30;
constexpr std::size_t kMaxCaptionWidth = 40;
constexpr auto kRedrawInterval = std::chrono::milliseconds(250);

std::string safe(const std::string& text) {
  return hasControlChars(text) ? escapeControlChars(text) : text;
}

// Display width of UTF-8 text, one column per character.
std::size_t columns(const std::string& text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string padded(const std::string& text, std::size_t width) {
  const std::size_t n = columns(text);
  return n >= width ? text : text + std::string(width - n, ' ');
}

std::string right(std::uint64_t value, std::size_t width) {
  std::string s = std::to_string(value);
  return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}
}  // namespace

ConsoleWatchView::ConsoleWatchView(bool table, JsonLines* json)
    : table_(table && json == nullptr), json_(json) {}

// Moves the cursor up over the table and clears it (with a "^C" the
// terminal echoed below it), writes the line there and draws the table anew
// below it: the table's next redraw then moves up over the table alone.
void ConsoleWatchView::lineAboveTable(const std::string& line) {
  if (table_ && rowsDrawn_ > 0) {
    const std::string up = "\x1b[" + std::to_string(rowsDrawn_) + "A\r\x1b[J";
    if (std::fwrite(up.data(), 1, up.size(), stdout) != up.size()) checkOutput(stdout);
    std::fflush(stdout);
    rowsDrawn_ = 0;
  }
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
  redraw(true);
}

void ConsoleWatchView::stopping(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  lineAboveTable(text);
}

void ConsoleWatchView::setStatus(StatusPart, const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  lineAboveTable(text);
}

void ConsoleWatchView::prepareGraphs(std::size_t count) {
  std::lock_guard<std::mutex> lock(mutex_);
  hosts_.resize(count);
}

void ConsoleWatchView::graphsReady(std::size_t count) {
  std::lock_guard<std::mutex> lock(mutex_);
  shown_ = count;
}

bool ConsoleWatchView::createGraph(std::size_t index, const std::string& caption) {
  std::lock_guard<std::mutex> lock(mutex_);
  hosts_[index] = HostRow{};
  hosts_[index].caption = safe(caption);
  hosts_[index].rawCaption = caption;
  return true;
}

void ConsoleWatchView::setGraphCaption(std::size_t index, const std::string& caption) {
  std::lock_guard<std::mutex> lock(mutex_);
  hosts_[index].caption = safe(caption);
  hosts_[index].rawCaption = caption;
  redraw(false);
}

void ConsoleWatchView::notice(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  lineAboveTable(safe(text));
}

void ConsoleWatchView::setHostAddress(std::size_t index, const std::string& address) {
  std::lock_guard<std::mutex> lock(mutex_);
  hosts_[index].address = address;
}

void ConsoleWatchView::hostStateChanged(const HostStateChange& change) {
  std::lock_guard<std::mutex> lock(mutex_);
  hosts_[change.index].state = change.state;
  if (!change.notice) return;
  if (json_ != nullptr) {
    json_->write(watchStateRecord(change.index + 1, hosts_[change.index].address,
                                  hostStateName(change.state), change.time));
  }
  lineAboveTable(stateNoticeLine(change.time, safe(change.address), change.state));
}

void ConsoleWatchView::writeResult(std::size_t index, const GraphPoint& point) {
  const HostRow& row = hosts_[index];
  json_->write(watchResultRecord(index + 1, row.rawCaption, row.address,
                                 point.replied ? std::optional(point.roundTripUs) : std::nullopt,
                                 hostStateName(row.state), std::chrono::system_clock::now()));
}

void ConsoleWatchView::setGroupCaption(const std::string& caption) {
  std::lock_guard<std::mutex> lock(mutex_);
  running_ = caption == kMonitorCaption;
  redraw(true);
}

void ConsoleWatchView::addPoint(std::size_t index, const GraphPoint& point) {
  std::lock_guard<std::mutex> lock(mutex_);
  HostRow& row = hosts_[index];
  row.stats.addSent();
  if (point.replied) row.stats.addReply(point.roundTripMs, point.roundTripUs);
  row.recent.push_back(point.color);
  if (row.recent.size() > kStripLength) row.recent.pop_front();
  if (json_ != nullptr) {
    writeResult(index, point);
    return;
  }
  if (table_) {
    redraw(false);
    return;
  }
  const std::string line =
      row.caption + "  " + (point.replied ? std::to_string(point.roundTripMs) + " ms" : "timeout");
  if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size() ||
      std::fputc('\n', stdout) == EOF) {
    checkOutput(stdout);
  }
  unflushed_ = true;
}

void ConsoleWatchView::idle() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (table_) {
    redraw(false);
  } else if (unflushed_) {
    std::fflush(stdout);
    checkOutput(stdout);
    unflushed_ = false;
  }
}

void ConsoleWatchView::end() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (table_) {
    redraw(true);
  } else {
    std::fflush(stdout);
    checkOutput(stdout);
  }
}

std::string ConsoleWatchView::formatRow(const HostRow& row, std::size_t captionWidth, bool colour) {
  const RoundTripStats& t = row.stats;
  std::string s = padded(row.caption, captionWidth);
  s += right(t.sent, 8) + right(t.received, 8) + right(t.lossPercent(), 5) + "%";
  s += right(t.last, 7) + right(t.minimum, 7) + right(t.average(), 7) + right(t.maximum, 7);
  s += "  ";
  std::uint32_t current = 0;
  for (std::uint32_t c : row.recent) {
    if (colour && c != current) {
      s += c == GraphPoint::kGreen    ? "\x1b[32m"
           : c == GraphPoint::kYellow ? "\x1b[33m"
                                      : "\x1b[31m";
      current = c;
    }
    s += colour ? "\u2588" : c == GraphPoint::kGreen ? "+" : c == GraphPoint::kYellow ? "~" : "x";
  }
  if (colour && current != 0) s += "\x1b[0m";
  return s;
}

void ConsoleWatchView::redraw(bool force) {
  if (!table_ || !running_) return;
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - lastDraw_ < kRedrawInterval) return;
  lastDraw_ = now;
  std::size_t width = 4;
  for (std::size_t i = 0; i < shown_; ++i) width = std::max(width, columns(hosts_[i].caption));
  width = std::min(width, kMaxCaptionWidth) + 2;
  std::string out;
  if (rowsDrawn_ > 0) out += "\x1b[" + std::to_string(rowsDrawn_) + "A";
  out += "\r\x1b[K" + padded("Host", width) +
         "    Sent    Recv  Loss   Last    Min    Avg    Max  Recent\n";
  // The table is redrawn by moving the cursor up over it, which cannot go
  // above the screen: rows that do not fit are counted instead.
  std::size_t fit = shown_;
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_row > 3) {
    fit = std::min<std::size_t>(shown_, size.ws_row - 3u);
  }
  for (std::size_t i = 0; i < fit; ++i) {
    out += "\r\x1b[K" + formatRow(hosts_[i], width, true) + "\n";
  }
  rowsDrawn_ = fit + 1;
  if (fit < shown_) {
    out += "\r\x1b[K  ... " + std::to_string(shown_ - fit) + " more hosts\n";
    ++rowsDrawn_;
  }
  if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size()) checkOutput(stdout);
  std::fflush(stdout);
  checkOutput(stdout);
}

}  // namespace tarvo::cli

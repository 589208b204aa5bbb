#include "ui/gui_views.h"

#include "range/range_progress.h"
#include "ui/main_window.h"
#include "ui/ping_page.h"
#include "ui/trace_page.h"
#include "ui/watch_page.h"

namespace tarvo::ui {

void GuiPingView::begin() {
  handOff_->run([&] { window_.pingPage().pingBegin(); });
}

void GuiPingView::end() {
  handOff_->run([&] { window_.pingPage().pingEnd(); });
}

void GuiPingView::appendLine(const std::string& line) {
  handOff_->run([&] { window_.pingPage().appendLine(line); });
}

void GuiPingView::replaceLastLine(const std::string& line) {
  handOff_->run([&] { window_.pingPage().replaceLine(line); });
}

// The single-host ping sets the panels as they are, whichever page shows.
void GuiPingView::setStatus(StatusPart part, const std::string& text) {
  handOff_->run([&] {
    if (part == StatusPart::Both) {
      window_.setPanels(text, text);
    } else {
      window_.pingPage().setStatusPanel(part == StatusPart::Doing ? 0 : 1, text);
    }
  });
}

void GuiPingView::hostResult(const std::string& address, bool reached) {
  handOff_->run([&] { window_.addHost(address, reached, false); });
}

void GuiPingView::pickFirstHost(bool reached) {
  handOff_->run([&] { window_.selectFirstHost(reached); });
}

void GuiPingView::forgetHosts() {
  handOff_->run([&] { window_.clearHostLists(); });
}

void GuiRangeView::collect(Step step) {
  pending_.push_back(std::move(step));
  if (pending_.size() >= kBatch) flush();
}

// The batch's lines go into the text area together, each run of them in one
// append: appending them one by one scrolled the area for every line, which
// cost the window more than the sweep itself. Steps for other controls need
// not wait for them, as nothing is drawn before the batch is done.
void GuiRangeView::flush(const std::function<void()>& step) {
  collectProgress();
  if (pending_.empty() && !step) return;
  std::vector<Step> steps;
  steps.swap(pending_);
  handOff_->run([&] {
    QStringList lines;
    auto writeLines = [&] {
      if (lines.isEmpty()) return;
      window_.pingPage().appendLines(lines);
      lines.clear();
    };
    for (const Step& s : steps) {
      if (!s.run) {
        lines.append(QString::fromStdString(s.line));
        continue;
      }
      if (s.touchesText) writeLines();
      s.run();
    }
    writeLines();
    if (step) step();
  });
}

void GuiRangeView::idle() { flush(); }

void GuiRangeView::begin() {
  start_ = std::chrono::steady_clock::now();
  done_ = total_ = 0;
  shownDone_ = std::nullopt;
  flush([this] { window_.pingPage().rangeBegin(); });
}

void GuiRangeView::end() {
  flush([this] {
    window_.endRangeProgress();
    window_.pingPage().rangeEnd();
  });
}

void GuiRangeView::progress(std::uint32_t done, std::uint32_t total) {
  done_ = done;
  total_ = total;
}

// The bar goes with the batch it belongs to, so it counts the lines shown.
void GuiRangeView::collectProgress() {
  if (total_ == 0 || done_ == shownDone_) return;
  shownDone_ = done_;
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start_);
  pending_.push_back(otherStep(
      [this, done = done_, total = total_, text = rangeProgressText(done_, total_, elapsed)] {
        window_.setRangeProgress(done, total, text);
      }));
}

void GuiRangeView::appendLine(const std::string& line) { collect(lineStep(line)); }

void GuiRangeView::replaceLastLine(const std::string& line) {
  collect(otherStep([this, line] { window_.pingPage().replaceLine(line); }, true));
}

// The range ping keeps a copy of its panels for when the Ping page returns.
void GuiRangeView::setStatus(StatusPart part, const std::string& text) {
  collect(otherStep([this, part, text] {
    if (part != StatusPart::Counted) window_.pingPage().setStatusPanel(0, text);
    if (part != StatusPart::Doing) window_.pingPage().setStatusPanel(1, text);
  }));
}

void GuiRangeView::hostResult(const std::string& address, bool reached) {
  collect(otherStep([this, address, reached] { window_.addHost(address, reached, false); }));
}

void GuiRangeView::pickFirstHost(bool reached) {
  flush([this, reached] { window_.selectFirstHost(reached); });
}

void GuiRangeView::forgetHosts() {
  flush([this] { window_.clearHostLists(); });
}

void GuiTraceView::begin() {
  handOff_->run([&] { window_.tracePage().begin(); });
}

void GuiTraceView::end() {
  handOff_->run([&] { window_.tracePage().end(); });
}

void GuiTraceView::appendLine(const std::string& line) {
  handOff_->run([&] { window_.tracePage().appendLine(line); });
}

void GuiTraceView::replaceLastLine(const std::string& line) {
  // Appends where the area is empty.
  handOff_->run([&] { window_.tracePage().replaceLine(line); });
}

}  // namespace tarvo::ui

namespace tarvo::ui {

// ---- Watch monitor -----------------------------------------------------------

void GuiWatchView::end() {
  handOff_->run([this] { page_->ended(); });
}

void GuiWatchView::setStatus(StatusPart, const std::string& text) {
  handOff_->run([&] { page_->setMonitorText(text); });
}

void GuiWatchView::prepareGraphs(std::size_t count) {
  handOff_->run([&] { page_->prepareGraphs(count); });
}

bool GuiWatchView::createGraph(std::size_t index, const std::string& caption) {
  bool created = false;
  handOff_->run([&] { created = page_->createGraph(index, caption); });
  // A closing window shows nothing more: no reason to try again.
  return created || handOff_->closing();
}

void GuiWatchView::deleteGraph(std::size_t index) {
  handOff_->run([&] { page_->deleteGraph(index); });
}

void GuiWatchView::graphsReady(std::size_t count) {
  handOff_->run([&] { page_->graphsReady(count); });
}

void GuiWatchView::setGraphCaption(std::size_t index, const std::string& caption) {
  handOff_->run([&] { page_->setGraphCaption(index, caption); });
}

void GuiWatchView::addPoint(std::size_t index, const GraphPoint& point) {
  handOff_->run([&] { page_->addPoint(index, point); });
}

void GuiWatchView::setGroupCaption(const std::string& caption) {
  handOff_->run([&] { page_->setGroupCaption(caption); });
}

void GuiWatchView::hostStateChanged(const HostStateChange& change) {
  handOff_->run([&] { page_->hostStateChanged(change); });
}

void GuiWatchView::freeGraphs() {
  handOff_->run([this] { page_->freeGraphs(); });
}

}  // namespace tarvo::ui

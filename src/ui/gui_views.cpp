#include "ui/gui_views.h"

#include "ui/main_window.h"

namespace tarvo::ui {

void GuiPingView::begin() {
  handOff_->run([&] { window_.pingBegin(); });
}

void GuiPingView::end() {
  handOff_->run([&] { window_.pingEnd(); });
}

void GuiPingView::appendLine(const std::string& line) {
  handOff_->run([&] { window_.appendPingLine(line); });
}

void GuiPingView::replaceLastLine(const std::string& line) {
  handOff_->run([&] { window_.replacePingLine(line); });
}

// The single-host ping sets the panels as they are, whichever page shows.
void GuiPingView::setStatusText(StatusPanel panel, const std::string& text) {
  handOff_->run([&] {
    if (panel == StatusPanel::Both) {
      window_.setPanels(text, text);
    } else {
      window_.setPingStatus(panel == StatusPanel::Left ? 0 : 1, text);
    }
  });
}

void GuiPingView::addHost(const std::string& address, bool reached) {
  handOff_->run([&] { window_.addHost(address, reached, false); });
}

void GuiPingView::selectFirstHost(bool reached) {
  handOff_->run([&] { window_.selectFirstHost(reached); });
}

void GuiPingView::clearLists() {
  handOff_->run([&] { window_.clearHostLists(); });
}

void GuiRangeView::collect(std::function<void()> step) {
  pending_.push_back(std::move(step));
  if (pending_.size() >= kBatch) flush();
}

void GuiRangeView::flush(const std::function<void()>& step) {
  if (pending_.empty() && !step) return;
  std::vector<std::function<void()>> steps;
  steps.swap(pending_);
  handOff_->run([&] {
    for (const auto& s : steps) s();
    if (step) step();
  });
}

void GuiRangeView::idle() { flush(); }

void GuiRangeView::begin() {
  flush([this] { window_.rangeBegin(); });
}

void GuiRangeView::end() {
  flush([this] { window_.rangeEnd(); });
}

void GuiRangeView::appendLine(const std::string& line) {
  collect([this, line] { window_.appendPingLine(line); });
}

void GuiRangeView::replaceLastLine(const std::string& line) {
  collect([this, line] { window_.replacePingLine(line); });
}

// The range ping keeps a copy of its panels for when the Ping page returns.
void GuiRangeView::setStatusText(StatusPanel panel, const std::string& text) {
  collect([this, panel, text] {
    if (panel != StatusPanel::Right) window_.setPingStatus(0, text);
    if (panel != StatusPanel::Left) window_.setPingStatus(1, text);
  });
}

void GuiRangeView::addHost(const std::string& address, bool reached) {
  collect([this, address, reached] { window_.addHost(address, reached, false); });
}

void GuiRangeView::selectFirstHost(bool reached) {
  flush([this, reached] { window_.selectFirstHost(reached); });
}

void GuiRangeView::clearLists() {
  flush([this] { window_.clearHostLists(); });
}

void GuiTraceView::begin() {
  handOff_->run([&] { window_.traceBegin(); });
}

void GuiTraceView::end() {
  handOff_->run([&] { window_.traceEnd(); });
}

void GuiTraceView::appendLine(const std::string& line) {
  handOff_->run([&] { window_.appendTraceLine(line); });
}

void GuiTraceView::replaceLastLine(const std::string& line) {
  // Appends where the area is empty.
  handOff_->run([&] { window_.replaceTraceLine(line); });
}

}  // namespace tarvo::ui

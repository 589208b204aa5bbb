#include "ui/gui_views.h"

#include "ui/main_window.h"

namespace tarvo::ui {

void GuiPingView::begin() {
  handOff_->run([&] { window_.pingBegin(); });
}

void GuiPingView::clearStatus(const std::string& status) {
  handOff_->run([&] { window_.setPanels(status, status); });
}

void GuiPingView::clearLists() {
  handOff_->run([&] { window_.clearHostLists(); });
}

void GuiPingView::appendLine(const std::string& line) {
  handOff_->run([&] { window_.appendPingLine(line); });
}

void GuiPingView::replaceLastLine(const std::string& line) {
  handOff_->run([&] { window_.replacePingLine(line); });
}

void GuiPingView::listHost(const std::string& displayAddress, bool reached) {
  handOff_->run([&] { window_.addHost(displayAddress, reached, true); });
}

void GuiPingView::end() {
  handOff_->run([&] { window_.pingEnd(); });
}

}  // namespace tarvo::ui

namespace tarvo::ui {

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

void GuiRangeView::startStep() {
  flush([this] { window_.rangeBegin(); });
}

void GuiRangeView::appendLine(const std::string& line) {
  collect([this, line] { window_.appendPingLine(line); });
}

void GuiRangeView::setStatusText0(const std::string& text) {
  collect([this, text] { window_.setPingStatus(0, text); });
}

void GuiRangeView::setStatusText1(const std::string& text) {
  collect([this, text] { window_.setPingStatus(1, text); });
}

void GuiRangeView::addReachedHost(const std::string& address) {
  collect([this, address] { window_.addHost(address, true, false); });
}

void GuiRangeView::addNotReachedHost(const std::string& address) {
  collect([this, address] { window_.addHost(address, false, false); });
}

void GuiRangeView::selectFirstReached() {
  flush([this] { window_.selectFirstHost(true); });
}

void GuiRangeView::selectFirstNotReached() {
  flush([this] { window_.selectFirstHost(false); });
}

void GuiRangeView::clearLists() {
  flush([this] { window_.clearHostLists(); });
}

void GuiRangeView::finishStep() {
  flush([this] { window_.rangeEnd(); });
}

void GuiTraceView::startStep() {
  handOff_->run([&] { window_.traceBegin(); });
}

void GuiTraceView::addLine(const std::string& line) {
  handOff_->run([&] { window_.appendTraceLine(line); });
}

void GuiTraceView::showLine(const std::string& line, bool replaceLast) {
  handOff_->run([&] {
    if (replaceLast) {
      window_.replaceTraceLine(line);  // appends where the area is empty
    } else {
      window_.appendTraceLine(line);
    }
  });
}

void GuiTraceView::finishStep() {
  handOff_->run([&] { window_.traceEnd(); });
}

}  // namespace tarvo::ui

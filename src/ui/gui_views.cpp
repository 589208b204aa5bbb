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

void GuiRangeView::startStep() {
  handOff_->run([&] { window_.rangeBegin(); });
}

void GuiRangeView::appendLine(const std::string& line) {
  handOff_->run([&] { window_.appendPingLine(line); });
}

void GuiRangeView::setStatusText0(const std::string& text) {
  handOff_->run([&] { window_.setPingStatus(0, text); });
}

void GuiRangeView::setStatusText1(const std::string& text) {
  handOff_->run([&] { window_.setPingStatus(1, text); });
}

void GuiRangeView::addReachedHost(const std::string& address) {
  handOff_->run([&] { window_.addHost(address, true, false); });
}

void GuiRangeView::addNotReachedHost(const std::string& address) {
  handOff_->run([&] { window_.addHost(address, false, false); });
}

void GuiRangeView::selectFirstReached() {
  handOff_->run([&] { window_.selectFirstHost(true); });
}

void GuiRangeView::selectFirstNotReached() {
  handOff_->run([&] { window_.selectFirstHost(false); });
}

void GuiRangeView::clearLists() {
  handOff_->run([&] { window_.clearHostLists(); });
}

void GuiRangeView::finishStep() {
  handOff_->run([&] { window_.rangeEnd(); });
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

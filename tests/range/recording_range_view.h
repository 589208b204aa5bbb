#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "range/range_view.h"

namespace tarvo::testing {

// Records every step a range run takes on its view. The hooks let a test
// act at a given moment, as a user pressing Break would.
class RecordingRangeView : public RunView {
 public:
  void begin() override { record(steps, "start"); }
  void appendLine(const std::string& line) override { record(lines, line, onLine); }
  void replaceLastLine(const std::string& line) override { record(lines, "replaced: " + line); }
  void setStatusText(StatusPanel panel, const std::string& text) override {
    if (panel != StatusPanel::Right) record(status0, text, onStatus0);
    if (panel != StatusPanel::Left) record(status1, text);
  }
  void addHost(const std::string& a, bool reached) override {
    record(steps, (reached ? "reached " : "not reached ") + a);
  }
  void selectFirstHost(bool reached) override {
    record(steps, reached ? "select reached" : "select not reached");
  }
  void clearLists() override { record(steps, "clear lists"); }
  void end() override {
    appendLine(kEndOfRangePingLine);
    record(steps, "finish");
  }

  std::vector<std::string> steps, lines, status0, status1;
  std::function<void(const std::string&)> onLine, onStatus0;

 private:
  void record(std::vector<std::string>& to, const std::string& text,
              const std::function<void(const std::string&)>& hook = {}) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      to.push_back(text);
    }
    if (hook) hook(text);
  }
  std::mutex mutex_;
};

}  // namespace tarvo::testing

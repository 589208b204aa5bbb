#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "range/range_view.h"

namespace tarvo::testing {

// Records every step a range run takes on its view. The hooks let a test
// act at a given moment, as a user pressing Break would.
class RecordingRangeView : public RangeView {
 public:
  void startStep() override { record(steps, "start"); }
  void appendLine(const std::string& line) override { record(lines, line, onLine); }
  void setStatusText0(const std::string& text) override { record(status0, text, onStatus0); }
  void setStatusText1(const std::string& text) override { record(status1, text); }
  void addReachedHost(const std::string& a) override { record(steps, "reached " + a); }
  void addNotReachedHost(const std::string& a) override { record(steps, "not reached " + a); }
  void selectFirstReached() override { record(steps, "select reached"); }
  void selectFirstNotReached() override { record(steps, "select not reached"); }
  void clearLists() override { record(steps, "clear lists"); }
  void finishStep() override {
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

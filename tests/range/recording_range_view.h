#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "range/range_view.h"

namespace tarvo::testing {

// Records every step a range run takes on its view. Hooks let a test act
// at a given moment, as a user pressing Break would.
class RecordingRangeView : public RangeView {
 public:
  void startStep() override { record("start"); }
  void appendLine(const std::string& line) override {
    std::function<void(const std::string&)> hook;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      lines.push_back(line);
      hook = onLine;
    }
    if (hook) hook(line);
  }
  void setStatusText0(const std::string& text) override {
    std::function<void(const std::string&)> hook;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      status0.push_back(text);
      hook = onStatus0;
    }
    if (hook) hook(text);
  }
  void setStatusText1(const std::string& text) override {
    std::lock_guard<std::mutex> lock(mutex_);
    status1.push_back(text);
  }
  void addReachedHost(const std::string& a) override { record("reached " + a); }
  void addNotReachedHost(const std::string& a) override { record("not reached " + a); }
  void selectFirstReached() override { record("select reached"); }
  void selectFirstNotReached() override { record("select not reached"); }
  void clearLists() override { record("clear lists"); }
  void finishStep() override {
    appendLine(kEndOfRangePingLine);
    record("finish");
  }

  std::vector<std::string> steps;
  std::vector<std::string> lines;
  std::vector<std::string> status0;
  std::vector<std::string> status1;
  std::function<void(const std::string&)> onLine;
  std::function<void(const std::string&)> onStatus0;

 private:
  void record(const std::string& step) {
    std::lock_guard<std::mutex> lock(mutex_);
    steps.push_back(step);
  }
  std::mutex mutex_;
};

}  // namespace tarvo::testing

#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "trace/trace_view.h"

namespace tarvo::testing {

// A Traceroute output memo in memory, readable while the run goes on.
class RecordingTraceView : public TraceView {
 public:
  void startStep() override {
    std::lock_guard<std::mutex> lock(mutex_);
    ++starts_;
  }
  void addLine(const std::string& line) override {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(line);
  }
  void showLine(const std::string& line, bool replaceLast) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (replaceLast && !lines_.empty()) {
      replaced_.push_back(lines_.back());
      lines_.back() = line;
    } else {
      lines_.push_back(line);
    }
  }
  void finishStep() override {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(kEndOfTraceLine);
    ++finishes_;
  }

  std::vector<std::string> lines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }
  // Every line that a later one replaced, in order.
  std::vector<std::string> replaced() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return replaced_;
  }
  int starts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return starts_;
  }
  int finishes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return finishes_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
  std::vector<std::string> replaced_;
  int starts_ = 0;
  int finishes_ = 0;
};

}  // namespace tarvo::testing

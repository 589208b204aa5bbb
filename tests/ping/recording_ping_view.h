#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "ping/ping_view.h"

namespace tarvo::testing {

// Records every view step in order, as the window would receive them.
class RecordingPingView : public RunView {
 public:
  void begin() override { add("begin"); }
  void setStatusText(StatusPanel, const std::string& s) override { add("status:" + s); }
  void clearLists() override { add("clearLists"); }
  void appendLine(const std::string& line) override {
    std::lock_guard<std::mutex> l(m_);
    steps_.push_back("line");
    lines_.push_back(line);
  }
  void replaceLastLine(const std::string& line) override {
    std::lock_guard<std::mutex> l(m_);
    steps_.push_back("replace");
    if (lines_.empty()) {
      lines_.push_back(line);
    } else {
      lines_.back() = line;
    }
  }
  void addHost(const std::string& address, bool reached) override {
    add(std::string(reached ? "reached:" : "notReached:") + address);
  }
  void selectFirstHost(bool reached) override {
    add(reached ? "select reached" : "select not reached");
  }
  void end() override {
    std::lock_guard<std::mutex> l(m_);
    steps_.push_back("end");
    lines_.push_back(kEndOfPingLine);
  }

  std::vector<std::string> lines() {
    std::lock_guard<std::mutex> l(m_);
    return lines_;
  }
  std::vector<std::string> steps() {
    std::lock_guard<std::mutex> l(m_);
    return steps_;
  }
  // Lines with the date-times cut off after the time labels. Start and end
  // are whole seconds, so a run of a few milliseconds may last 00:00:01.
  std::vector<std::string> maskedLines() {
    auto out = lines();
    for (auto& l : out) {
      if (l == "        Ping lasted [hh:mm:ss]  00:00:01")
        l = "        Ping lasted [hh:mm:ss]  00:00:00";
      for (const char* label : {"        Start time  ", "        End time  "}) {
        if (l.rfind(label, 0) == 0) l = std::string(label) + "<time>";
      }
    }
    return out;
  }

 private:
  void add(const std::string& s) {
    std::lock_guard<std::mutex> l(m_);
    steps_.push_back(s);
  }
  std::mutex m_;
  std::vector<std::string> steps_;
  std::vector<std::string> lines_;
};

}  // namespace tarvo::testing

#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "base/run_view.h"

namespace tarvo::testing {

// Records every step a run takes on its view, readable while the run goes
// on. end() appends the activity's closing line, as the window does. The
// hooks let a test act at a given moment, as a user pressing Break would.
class RecordingView : public RunView {
 public:
  explicit RecordingView(std::string endLine) : endLine_(std::move(endLine)) {}

  void begin() override { record("begin"); }
  void setStatus(StatusPart part, const std::string& text) override {
    {
      std::lock_guard<std::mutex> l(m_);
      steps_.push_back("status:" + text);
      if (part != StatusPart::Counted) status0_.push_back(text);
      if (part != StatusPart::Doing) status1_.push_back(text);
    }
    if (part != StatusPart::Counted && onStatus0) onStatus0(text);
  }
  void forgetHosts() override { record("clear lists"); }
  void appendLine(const std::string& line) override {
    {
      std::lock_guard<std::mutex> l(m_);
      steps_.push_back("line");
      lines_.push_back(line);
    }
    if (onLine) onLine(line);
  }
  void replaceLastLine(const std::string& line) override {
    std::lock_guard<std::mutex> l(m_);
    steps_.push_back("replace");
    if (lines_.empty()) {
      lines_.push_back(line);
    } else {
      replaced_.push_back(lines_.back());
      lines_.back() = line;
    }
  }
  void hostResult(const std::string& address, bool reached) override {
    record((reached ? "reached " : "not reached ") + address);
  }
  void pickFirstHost(bool reached) override {
    record(reached ? "select reached" : "select not reached");
  }
  void end() override {
    appendLine(endLine_);
    record("end");
  }

  std::vector<std::string> lines() const { return copy(lines_); }
  std::vector<std::string> steps() const { return copy(steps_); }
  // The steps without lines and status texts: the host lists' story.
  std::vector<std::string> listSteps() const {
    std::vector<std::string> out;
    for (const std::string& s : steps()) {
      if (s != "line" && s != "replace" && s.rfind("status:", 0) != 0) out.push_back(s);
    }
    return out;
  }
  std::vector<std::string> status0() const { return copy(status0_); }
  std::vector<std::string> status1() const { return copy(status1_); }
  // Lines a later one replaced.
  std::vector<std::string> replaced() const { return copy(replaced_); }

  std::function<void(const std::string&)> onLine, onStatus0;

 private:
  void record(const std::string& step) {
    std::lock_guard<std::mutex> l(m_);
    steps_.push_back(step);
  }
  std::vector<std::string> copy(const std::vector<std::string>& v) const {
    std::lock_guard<std::mutex> l(m_);
    return v;
  }
  const std::string endLine_;
  mutable std::mutex m_;
  std::vector<std::string> steps_, lines_, status0_, status1_, replaced_;
};

}  // namespace tarvo::testing

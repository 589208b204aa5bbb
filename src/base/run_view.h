#pragma once

#include <string>

namespace tarvo {

// The two parts of a run's status: what it is doing (the address a range
// ping is trying, then how it ended) and what it has counted (how many
// answered, how many hosts the monitor watches). Both empties the two at a
// run's start.
enum class StatusPart { Doing, Counted, Both };

// What a running activity (single-host ping, range ping, traceroute)
// reports as it runs, in the run's own terms; each front end decides how to
// show it. The activity's thread makes every call, one at a time. In the
// window each call is a blocking hand-off: it returns once the window
// thread has carried the step out, so lines appear in the order they were
// produced. The console and the tests implement the same steps; a step that
// has nothing to show in a front end does nothing there.
class RunView {
 public:
  virtual ~RunView() = default;

  // The run has started. The first call of every run.
  virtual void begin() = 0;

  // The run has ended, after its closing lines. The last call of a run; a
  // self-freeing activity deletes itself right after it.
  virtual void end() = 0;

  // A line of the run's output.
  virtual void appendLine(const std::string& line) = 0;
  // A new text for the run's last line; a line of its own where there is none.
  virtual void replaceLastLine(const std::string& line) = 0;

  // One part of the run's status is now this text.
  virtual void setStatus(StatusPart, const std::string&) {}

  // A host the run reached, or one it did not reach.
  virtual void hostResult(const std::string&, bool /*reached*/) {}
  // The first host reported reached (or not reached) is the one to go on
  // with, e.g. to connect to.
  virtual void pickFirstHost(bool /*reached*/) {}
  // The hosts earlier runs reported are void.
  virtual void forgetHosts() {}

  // Not a step: the activity is about to wait and has nothing new to report.
  // A front end that collects steps hands them over now. Called without a
  // hand-off.
  virtual void idle() {}
};

}  // namespace tarvo

#pragma once

#include <string>

namespace tarvo {

// The status bar's two panels. A range ping shows the address it is trying
// on the left and how many answered on the right; a single-host ping
// empties both at its start.
enum class StatusPanel { Left, Right, Both };

// What a running activity (single-host ping, range ping, traceroute) shows
// the user, in the user's terms. The activity's thread makes every call,
// one at a time. In the window each call is a blocking hand-off: it returns
// once the window thread has carried the step out, so lines appear in the
// order they were produced. The console and the tests implement the same
// steps; a step that has nothing to show in a front end does nothing there.
class RunView {
 public:
  virtual ~RunView() = default;

  // The run has started: its start button reads "&Break", the exit
  // buttons, the page's "&Clear" and the switches that must not change
  // during a run are disabled. The first call of every run.
  virtual void begin() = 0;

  // The run has ended: its start button reads as before and is enabled
  // again, the run's closing separator line is appended, the disabled
  // controls come back once no other run is active, and the focus returns
  // to the page's host field when that page is showing. The last call of a
  // run; a self-freeing activity deletes itself right after it.
  virtual void end() = 0;

  // Appends a line to the activity's output area.
  virtual void appendLine(const std::string& line) = 0;
  // Replaces the output area's last line; appends where there is none.
  virtual void replaceLastLine(const std::string& line) = 0;

  // Shows the text in a status bar panel.
  virtual void setStatusText(StatusPanel, const std::string&) {}

  // Adds an address to the reached hosts (the Ping page's list and the
  // Traceroute page's list) or to the hosts not reached.
  virtual void addHost(const std::string&, bool /*reached*/) {}
  // Makes the first entry of the reached or not-reached lists the chosen one.
  virtual void selectFirstHost(bool /*reached*/) {}
  // Empties the three host lists.
  virtual void clearLists() {}

  // Not a step: the activity is about to wait and has nothing new to show.
  // A front end that collects steps hands them over now. Called without a
  // hand-off.
  virtual void idle() {}
};

}  // namespace tarvo

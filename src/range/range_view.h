#pragma once

#include <string>

namespace tarvo {

// What a range ping does to the window. Every call except idle() is one
// blocking hand-off: the window runs the step on its own thread and the
// call returns when it has run, so lines appear in the order they were
// produced. The console and the tests implement the same steps.
class RangeView {
 public:
  virtual ~RangeView() = default;

  // rangeRunning set; Button1 reads "&Break"; both "E&xit" buttons,
  // Button4 "&Clear" and CheckBox1 "Enable range pinging" disabled;
  // busyCount + 1. Runs before anything else of the run.
  virtual void startStep() = 0;

  // Appends one line to the Ping output (Memo1).
  virtual void appendLine(const std::string& line) = 0;

  // Status bar panel 0 / panel 1 shows the text; the window keeps a copy
  // in pingStatus[0] / pingStatus[1].
  virtual void setStatusText0(const std::string& text) = 0;
  virtual void setStatusText1(const std::string& text) = 0;

  // Adds the address to "Reached hosts:" (ComboBox1, Ping tab) and to
  // "Hosts reached by Ping:" (ComboBox2, Traceroute tab).
  virtual void addReachedHost(const std::string& address) = 0;
  // Adds the address to "Hosts NOT reached by Ping:" (ComboBox3).
  virtual void addNotReachedHost(const std::string& address) = 0;
  // Selects item 0 of ComboBox1 and ComboBox2.
  virtual void selectFirstReached() = 0;
  // Selects item 0 of ComboBox3.
  virtual void selectFirstNotReached() = 0;
  // Empties ComboBox1, ComboBox2 and ComboBox3 and clears their selection.
  virtual void clearLists() = 0;

  // rangeRunning cleared; Button1 reads "&Ping" and is enabled;
  // kEndOfRangePingLine appended to Memo1; busyCount - 1 and, when it
  // reaches 0, both "E&xit" buttons enabled; Button4 and CheckBox1
  // enabled; when the Ping tab is the active page the focus goes to Edit1.
  // The last call of a run; a self-freeing controller deletes itself after.
  virtual void finishStep() = 0;

  // Not a window step: the controller is about to wait for its workers and
  // has nothing new to show. A front end that buffers its output writes it
  // out now. Called from the controller's thread, without a hand-off.
  virtual void idle() {}
};

// The separator the finish step appends.
inline constexpr const char* kEndOfRangePingLine =
    "    ------------------------ End of Range Ping -----------------------";

}  // namespace tarvo

#pragma once

#include <string>

namespace tarvo {

// What a traceroute shows in the Traceroute tab. Each call is one blocking
// hand-off: it returns when the front end has run the step (on the window
// thread in the GUI), so lines appear in the order they were produced. The
// controller makes every call from its own thread, one at a time.
class TraceView {
 public:
  virtual ~TraceView() = default;

  // Start step: "&Traceroute" (Button3) becomes "&Break"; both "E&xit"
  // buttons, the Traceroute tab's "&Clear" (Button5) and "Resolve addresses"
  // (CheckBox2) are disabled; busyCount + 1. The window sets traceRunning
  // itself once the controller's start flag is set, not here.
  virtual void startStep() = 0;

  // Add line: appends the line to the Traceroute output (Memo2).
  virtual void addLine(const std::string& line) = 0;

  // Show line: if Memo2 has no lines, appends; otherwise, with replaceLast,
  // replaces the last line of Memo2 by this one (a hop line rewritten while
  // its probes come in, the header replacing "  · Traceroute to... "); else
  // appends.
  virtual void showLine(const std::string& line, bool replaceLast) = 0;

  // Finish step: traceRunning cleared; Button3 back to "&Traceroute" and
  // enabled; kEndOfTraceLine appended to Memo2; busyCount - 1 and, at 0, both
  // "E&xit" buttons enabled; "&Clear" and "Resolve addresses" enabled; when
  // the Traceroute tab is the active page, the focus goes to its host field
  // (Edit13). A self-freeing controller is deleted right after this returns.
  virtual void finishStep() = 0;
};

// The separator the finish step appends.
inline constexpr const char* kEndOfTraceLine =
    "    ------------------------End of Traceroute------------------";

}  // namespace tarvo

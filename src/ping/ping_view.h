#pragma once

#include <string>

namespace tarvo {

// What a single-host ping shows. Each call is one blocking hand-off: it
// returns when the front end has run the step (the window thread in the
// GUI), so lines appear in the order they were produced.
class PingView {
 public:
  virtual ~PingView() = default;
  // pingRunning on, "&Break", Exit buttons, "&Clear" and the range switch
  // disabled, busyCount + 1.
  virtual void begin() = 0;
  // Both status panels set to the status text (empty at the start).
  virtual void clearStatus(const std::string& status) = 0;
  // The three host lists emptied, selections removed.
  virtual void clearLists() = 0;
  virtual void appendLine(const std::string& line) = 0;
  // Replaces the last line; appends where there is none.
  virtual void replaceLastLine(const std::string& line) = 0;
  // reached: into "Reached hosts:" and "Hosts reached by Ping:", otherwise
  // into "Hosts NOT reached by Ping:"; the first entry of each is selected.
  virtual void listHost(const std::string& displayAddress, bool reached) = 0;
  // pingRunning off, "&Ping", the end-of-ping line (kEndOfPingLine)
  // appended, buttons enabled again, busyCount - 1, focus to the host box.
  virtual void end() = 0;
};

// The separator the end step appends.
inline constexpr const char* kEndOfPingLine =
    "    ------------------------End of Ping------------------------";

}  // namespace tarvo

#pragma once

#include <functional>

namespace tarvo::cli {

// Ctrl+C and SIGTERM as the window's Break button: the first one calls
// onBreak (the run then stops as it would in the window and prints its
// closing lines), a second one ends the program at once (128 + signal).
// Call install() before any thread is started so that every thread inherits
// the blocked signals.
class ConsoleBreak {
 public:
  static void install();
  static void setHandler(std::function<void()> onBreak);
  // SIGHUP calls onReload (on the signal thread); without one it ends the
  // program (128 + signal), as a hang-up would.
  static void setReloadHandler(std::function<void()> onReload);
  // Stops the current run as Break would; false when no run is going.
  static bool breakRun();
  // True once a SIGTERM arrived: the program then exits 143.
  static bool terminated();
};

}  // namespace tarvo::cli

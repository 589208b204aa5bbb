#pragma once

#include <functional>

namespace tarvo::cli {

// Ctrl+C as the window's Break button: the first one calls onBreak (the run
// then stops as it would in the window and prints its closing lines), a
// second one ends the program at once. Call install() before any thread is
// started so that every thread inherits the blocked signal.
class ConsoleBreak {
 public:
  static void install();
  static void setHandler(std::function<void()> onBreak);
};

}  // namespace tarvo::cli

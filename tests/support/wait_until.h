#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace tarvo::testing {

// Polls until the condition holds, at most `limit`: the one bounded wait for
// work that happens on other threads. `between` runs at every poll, where a
// test needs an event loop turned (the window's tests process Qt's events).
// The limit only bounds a broken run; no test measures time with it.
inline bool waitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::seconds(10),
                      const std::function<void()>& between = {}) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    if (between) between();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace tarvo::testing

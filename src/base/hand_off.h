#pragma once

#include <functional>
#include <mutex>

namespace tarvo {

// A blocking hand-off runs one step on the thread that owns the view (the
// window thread in the GUI) and returns only when the step has run. Lines
// therefore appear in the order they were produced, and a thread's shared
// text is never read while it is being written.
class HandOff {
 public:
  virtual ~HandOff() = default;
  virtual void run(const std::function<void()>& step) = 0;
};

// Runs each step on the calling thread, one at a time: the console front end
// and the tests have no window thread, but still need the steps of several
// threads never to interleave.
class SerialHandOff : public HandOff {
 public:
  void run(const std::function<void()>& step) override {
    std::lock_guard<std::mutex> lock(mutex_);
    step();
  }

 private:
  std::mutex mutex_;
};

}  // namespace tarvo

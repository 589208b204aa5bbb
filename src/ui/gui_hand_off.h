#pragma once

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace tarvo::ui {

// Runs a worker's step on the window thread and blocks the worker until it
// has run. Once the window starts closing, steps are dropped and every
// waiting or later caller returns at once, so no worker touches a widget
// that is going away and none can hang the exit.
//
// A range ping hands over thousands of steps in a burst. Going through the
// event loop for each would cost a full wake-up of the window thread per
// step, so the window thread, once woken, keeps serving steps as they come
// for a few milliseconds before it returns to its other events.
//
// The object must outlive every worker that may call it.
class GuiHandOff {
 public:
  // Must be constructed on the window thread.
  GuiHandOff();
  ~GuiHandOff();

  void run(const std::function<void()>& step);

  // Called on the window thread when the window closes.
  void shutDown();
  bool closing() const;

  // Number of steps carried out so far (for tests and the benchmark).
  long stepsRun() const;
  // Steps whose callers wait for the window thread to run them.
  std::size_t queued() const;

 private:
  struct Request;
  void postDrain();
  void drain();

  std::unique_ptr<QObject> receiver_;  // lives on the window thread
  mutable std::mutex mutex_;
  std::condition_variable workArrived_;
  std::condition_variable stepDone_;
  std::deque<std::shared_ptr<Request>> queue_;
  bool drainPosted_ = false;  // a drain call waits in the event queue
  bool draining_ = false;     // the window thread is serving steps now
  bool closing_ = false;
  long stepsRun_ = 0;
};

}  // namespace tarvo::ui

#pragma once

#include <QObject>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "base/hand_off.h"

namespace tarvo::ui {

// Runs a worker's step on the window thread and blocks the worker until it
// has run. Once the window starts closing, steps are dropped and every
// waiting or later caller returns at once, so no worker touches a widget
// that is going away and none can hang the exit.
//
// The object must outlive every worker that may call it; the window's
// views and this hand-off therefore live until the process ends.
class GuiHandOff : public HandOff {
 public:
  // Must be constructed on the window thread.
  GuiHandOff();
  ~GuiHandOff() override;

  void run(const std::function<void()>& step) override;

  // Called on the window thread when the window closes.
  void shutDown();
  bool closing() const;

  // Number of steps carried out so far (for tests and the benchmark).
  long stepsRun() const;

 private:
  struct Request;
  void serve(const std::shared_ptr<Request>& request);

  std::unique_ptr<QObject> receiver_;  // lives on the window thread
  mutable std::mutex mutex_;
  std::condition_variable done_;
  bool closing_ = false;
  long stepsRun_ = 0;
};

}  // namespace tarvo::ui

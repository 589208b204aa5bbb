#include "ui/gui_hand_off.h"

#include <QMetaObject>
#include <QThread>

namespace tarvo::ui {

struct GuiHandOff::Request {
  const std::function<void()>* step = nullptr;
  bool running = false;
  bool done = false;
  bool abandoned = false;  // the caller gave up waiting; never run it
};

GuiHandOff::GuiHandOff() : receiver_(std::make_unique<QObject>()) {}

GuiHandOff::~GuiHandOff() = default;

void GuiHandOff::run(const std::function<void()>& step) {
  if (QThread::currentThread() == receiver_->thread()) {
    // Already on the window thread (a step run from a handler).
    if (!closing()) step();
    return;
  }
  auto request = std::make_shared<Request>();
  request->step = &step;
  std::unique_lock<std::mutex> lock(mutex_);
  if (closing_) return;
  QMetaObject::invokeMethod(
      receiver_.get(), [this, request] { serve(request); }, Qt::QueuedConnection);
  // A step that is running finishes even when closing starts meanwhile, so
  // the caller's step object stays alive for as long as it is used.
  done_.wait(lock, [&] { return request->done || (closing_ && !request->running); });
  if (!request->done) request->abandoned = true;
}

void GuiHandOff::serve(const std::shared_ptr<Request>& request) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closing_ || request->abandoned) return;
    request->running = true;
  }
  (*request->step)();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    request->running = false;
    request->done = true;
    ++stepsRun_;
  }
  done_.notify_all();
}

void GuiHandOff::shutDown() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
  }
  done_.notify_all();
}

bool GuiHandOff::closing() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return closing_;
}

long GuiHandOff::stepsRun() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return stepsRun_;
}

}  // namespace tarvo::ui

#include "ui/gui_hand_off.h"

#include <QMetaObject>
#include <QThread>
#include <chrono>

namespace tarvo::ui {

namespace {

using Clock = std::chrono::steady_clock;

// The longest the window thread serves steps before it looks at its other
// events again: well below what a user would notice as a stall.
constexpr auto kDrainBudget = std::chrono::milliseconds(8);
// How long the window thread waits for a worker's next step before it goes
// back to the event loop; a worker in a burst comes back much sooner.
constexpr auto kNextStepWait = std::chrono::microseconds(500);

}  // namespace

struct GuiHandOff::Request {
  const std::function<void()>* step = nullptr;
  bool running = false;
  std::atomic<bool> done{false};
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
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closing_) return;
    queue_.push_back(request);
    if (draining_) {
      workArrived_.notify_one();
    } else if (!drainPosted_) {
      postDrain();
    }
  }
  std::unique_lock<std::mutex> lock(mutex_);
  // A step that is running finishes even when closing starts meanwhile, so
  // the caller's step object stays alive for as long as it is used.
  stepDone_.wait(lock, [&] { return request->done.load() || (closing_ && !request->running); });
  if (!request->done.load()) {
    // Dropped at closing: make sure the window never runs it later.
    std::erase(queue_, request);
  }
}

void GuiHandOff::postDrain() {
  drainPosted_ = true;
  QMetaObject::invokeMethod(
      receiver_.get(), [this] { drain(); }, Qt::QueuedConnection);
}

void GuiHandOff::drain() {
  const Clock::time_point until = Clock::now() + kDrainBudget;
  std::unique_lock<std::mutex> lock(mutex_);
  drainPosted_ = false;
  if (draining_) return;  // a step opened a nested event loop; the outer drain serves
  draining_ = true;
  while (!closing_ && Clock::now() < until) {
    if (queue_.empty()) {
      if (queue_.empty() && !workArrived_.wait_for(lock, kNextStepWait,
                                                   [&] { return !queue_.empty() || closing_; })) {
        break;
      }
      continue;
    }
    std::shared_ptr<Request> request = queue_.front();
    queue_.pop_front();
    request->running = true;
    lock.unlock();
    (*request->step)();
    lock.lock();
    request->running = false;
    request->done.store(true, std::memory_order_release);
    ++stepsRun_;
    stepDone_.notify_all();
  }
  draining_ = false;
  // Steps left over when the budget ran out wait for the next turn, after
  // the window has handled its other events.
  if (!queue_.empty() && !closing_ && !drainPosted_) postDrain();
}

void GuiHandOff::shutDown() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
    queue_.clear();
  }
  workArrived_.notify_all();
  stepDone_.notify_all();
}

bool GuiHandOff::closing() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return closing_;
}

long GuiHandOff::stepsRun() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return stepsRun_;
}

std::size_t GuiHandOff::queued() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return queue_.size();
}

}  // namespace tarvo::ui

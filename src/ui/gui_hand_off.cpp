#include "ui/gui_hand_off.h"

#include <QMetaObject>
#include <QThread>
#include <chrono>
#include <thread>

namespace tarvo::ui {

namespace {

using Clock = std::chrono::steady_clock;

// The longest the window thread serves steps before it looks at its other
// events again: well below what a user would notice as a stall.
constexpr auto kDrainBudget = std::chrono::milliseconds(8);
// How long the window thread waits for a worker's next step before it goes
// back to the event loop; a worker in a burst comes back much sooner.
constexpr auto kNextStepWait = std::chrono::microseconds(500);
// Between two steps of a burst the other side usually comes back within
// microseconds, far sooner than a sleeping thread is woken, so both sides
// first check busily, giving the processor to any other ready thread of
// ours meanwhile.
constexpr int kSpinYields = 200;
// A yield that takes longer than this lost the processor to another
// program: then yielding costs whole time slices, so for a while the
// window thread checks without yielding and a worker simply sleeps.
constexpr auto kLostProcessor = std::chrono::microseconds(500);
constexpr auto kContendedPause = std::chrono::milliseconds(50);
constexpr auto kPauseSpin = std::chrono::microseconds(200);

std::atomic<Clock::rep> contendedUntil{0};

bool contended() { return Clock::now().time_since_epoch().count() < contendedUntil.load(); }

template <typename Ready>
void spinWithoutYielding(Ready ready) {
  const Clock::time_point until = Clock::now() + kPauseSpin;
  for (int i = 0; !ready(); ++i) {
    if ((i & 31) == 31 && Clock::now() >= until) return;
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
  }
}

// Waits busily for ready() for a short while; the caller sleeps afterwards
// if it is still not ready.
template <typename Ready>
void spinUntil(Ready ready, bool windowThread) {
  if (contended()) {
    if (windowThread) spinWithoutYielding(ready);
    return;
  }
  for (int i = 0; i < kSpinYields && !ready(); ++i) {
    const Clock::time_point before = Clock::now();
    std::this_thread::yield();
    const Clock::time_point after = Clock::now();
    if (after - before > kLostProcessor) {
      contendedUntil.store((after + kContendedPause).time_since_epoch().count());
      return;
    }
  }
}

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
    queued_.store(queue_.size(), std::memory_order_release);
    if (draining_) {
      workArrived_.notify_one();
    } else if (!drainPosted_) {
      postDrain();
    }
  }
  spinUntil([&] { return request->done.load(std::memory_order_acquire); }, false);
  std::unique_lock<std::mutex> lock(mutex_);
  // A step that is running finishes even when closing starts meanwhile, so
  // the caller's step object stays alive for as long as it is used.
  stepDone_.wait(lock, [&] { return request->done.load() || (closing_ && !request->running); });
  if (!request->done.load()) {
    // Dropped at closing: make sure the window never runs it later.
    std::erase(queue_, request);
    queued_.store(queue_.size(), std::memory_order_release);
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
      lock.unlock();
      spinUntil([&] { return queued_.load(std::memory_order_acquire) != 0; }, true);
      lock.lock();
      if (queue_.empty() && !workArrived_.wait_for(lock, kNextStepWait,
                                                   [&] { return !queue_.empty() || closing_; })) {
        break;
      }
      continue;
    }
    std::shared_ptr<Request> request = queue_.front();
    queue_.pop_front();
    queued_.store(queue_.size(), std::memory_order_release);
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
    queued_.store(0, std::memory_order_release);
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

}  // namespace tarvo::ui

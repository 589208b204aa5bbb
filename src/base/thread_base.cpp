#include "base/thread_base.h"

#include <chrono>
#include <thread>

namespace tarvo {

namespace {
// Never destroyed: a detached thread may still be leaving while the process
// runs its exit handlers.
std::mutex& liveMutex = *new std::mutex;
std::condition_variable& liveChanged = *new std::condition_variable;
int liveCount = 0;
}  // namespace

ThreadBase::~ThreadBase() {
  // A joinable thread that was never waited for must not be left behind.
  if (started_ && !joined_ && !freeOnTerminate_) {
    pthread_join(handle_, nullptr);
  }
}

bool ThreadBase::start() {
  if (started_) return true;
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, kStackBytes);
  if (freeOnTerminate_) pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  {
    std::lock_guard<std::mutex> lock(liveMutex);
    ++liveCount;
  }
  // Set before the thread exists, and the handle kept only by owners that
  // wait: a self-freeing thread may end and delete this object before
  // pthread_create has even returned.
  const bool selfFreeing = freeOnTerminate_;
  started_ = true;
  pthread_t handle{};
  int rc = pthread_create(&handle, &attr, &ThreadBase::entry, this);
  pthread_attr_destroy(&attr);
  if (rc == 0 && !selfFreeing) handle_ = handle;
  if (rc != 0) {
    started_ = false;
    std::lock_guard<std::mutex> lock(liveMutex);
    --liveCount;
    liveChanged.notify_all();
    return false;
  }
  return true;
}

void* ThreadBase::entry(void* arg) {
  auto* self = static_cast<ThreadBase*>(arg);
  const bool freeSelf = self->freeOnTerminate_;
  self->execute();
  if (freeSelf) {
    delete self;
  } else {
    self->finished_.store(true, std::memory_order_release);
  }
  {
    std::lock_guard<std::mutex> lock(liveMutex);
    --liveCount;
  }
  liveChanged.notify_all();
  return nullptr;
}

void ThreadBase::waitFor() {
  if (!started_ || joined_ || freeOnTerminate_) return;
  pthread_join(handle_, nullptr);
  joined_ = true;
}

int ThreadBase::liveThreads() {
  std::lock_guard<std::mutex> lock(liveMutex);
  return liveCount;
}

bool ThreadBase::waitAllEnded(std::uint32_t timeoutMs) {
  std::unique_lock<std::mutex> lock(liveMutex);
  return liveChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [] { return liveCount == 0; });
}

bool ThreadBase::sleepInSlices(std::uint32_t ms) {
  clock_->sleepMs(ms % 500);
  for (std::uint32_t i = 0; i < ms / 500; ++i) {
    if (stopRequested()) return true;
    clock_->sleepMs(500);
  }
  return false;
}

void sleepMs(std::uint32_t ms) { systemClock().sleepMs(ms); }

}  // namespace tarvo

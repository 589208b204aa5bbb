#include "base/thread_base.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace tarvo {

namespace {
// Never destroyed: a detached thread may still be leaving while the process
// runs its exit handlers.
std::mutex& liveMutex = *new std::mutex;
std::condition_variable& liveChanged = *new std::condition_variable;
std::atomic<int> liveCount{0};

// A system thread waiting for its next object. It lives on that thread's
// stack; while it is in the parked list, whoever takes it out owes it a
// post of `given`.
struct Parked {
  OneShot given;
  ThreadBase* next = nullptr;
};
struct ParkedThreads {
  std::mutex mutex;
  std::vector<Parked*> threads;  // the most recently parked last
};
ParkedThreads& parked = *new ParkedThreads;

// Hands the object to a parked thread; false when none is waiting.
bool handToParked(ThreadBase* object) {
  Parked* p = nullptr;
  {
    std::lock_guard<std::mutex> lock(parked.mutex);
    if (parked.threads.empty()) return false;
    // The thread that parked last is the one whose stack is still cached.
    p = parked.threads.back();
    parked.threads.pop_back();
  }
  p->next = object;
  p->given.post();
  return true;
}

// Parks the calling thread for a while; the next object to run, or null when
// the thread should exit.
ThreadBase* awaitNext() {
  Parked me;
  {
    std::lock_guard<std::mutex> lock(parked.mutex);
    if (parked.threads.size() >= ThreadBase::kMaxParked) return nullptr;
    parked.threads.push_back(&me);
  }
  const auto until =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(ThreadBase::kParkedLifeMs);
  if (!me.given.waitUntil(until)) {
    std::lock_guard<std::mutex> lock(parked.mutex);
    auto& list = parked.threads;
    const auto it = std::find(list.begin(), list.end(), &me);
    // Still listed: nobody owes it a post, so it may go.
    if (it != list.end()) {
      list.erase(it);
      return nullptr;
    }
    // Taken just now: its object is on the way.
    me.given.wait();
  }
  return me.next;
}

void countEnded() {
  if (liveCount.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    // Taken and released so a waiter between its check and its sleep does
    // not miss the notification.
    { std::lock_guard<std::mutex> lock(liveMutex); }
    liveChanged.notify_all();
  }
}
}  // namespace

ThreadBase::~ThreadBase() {
  // A thread that was never waited for must not outlive its object.
  waitFor();
}

bool ThreadBase::start() {
  if (started_) return true;
  liveCount.fetch_add(1, std::memory_order_relaxed);
  // Set before the thread may run it: a self-freeing object may end and be
  // deleted before start() has returned, so nothing below touches it.
  started_ = true;
  if (handToParked(this)) return true;

  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, kStackBytes);
  // Objects are waited for through their own end signal, so the system
  // threads are never joined.
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  pthread_t handle{};
  const int rc = pthread_create(&handle, &attr, &ThreadBase::entry, this);
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    // The object never ran, so it is still the caller's.
    started_ = false;
    startError_ = rc;
    countEnded();
    return false;
  }
  return true;
}

void* ThreadBase::entry(void* first) {
  for (auto* object = static_cast<ThreadBase*>(first); object; object = awaitNext()) {
    object->run();
  }
  return nullptr;
}

void ThreadBase::run() {
  const bool freeSelf = freeOnTerminate_;
  execute();
  // A stop or wake may still be leaving the signal it has just given.
  signal_.settle();
  if (freeSelf) {
    delete this;
    countEnded();
    return;
  }
  // An owner that has waited for its object finds it no longer counted.
  countEnded();
  // The owner may delete the object once the post is made: nothing after it.
  done_.post();
}

void ThreadBase::waitFor() {
  // Once posted, the signal stays given: waiting again returns at once.
  if (started_ && !freeOnTerminate_) done_.wait();
}

std::size_t ThreadBase::parkedThreads() {
  std::lock_guard<std::mutex> lock(parked.mutex);
  return parked.threads.size();
}

int ThreadBase::liveThreads() { return liveCount.load(); }

bool ThreadBase::waitAllEnded(std::uint32_t timeoutMs) {
  std::unique_lock<std::mutex> lock(liveMutex);
  return liveChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [] { return liveCount.load() == 0; });
}

void sleepMs(std::uint32_t ms) { systemClock().sleepMs(ms); }

}  // namespace tarvo

#pragma once

#include <semaphore.h>

#include <chrono>

namespace tarvo {

// A signal given once, from one thread to one waiting thread, for hand-offs
// that happen tens of thousands of times a second. Unlike a condition
// variable with its mutex, the woken thread does not at once block again
// on a lock its waker still holds, so one hand-off costs one wake-up.
//
// Whatever the poster wrote before post() is visible to the waiter once its
// wait returns true. The waiter may destroy the object as soon as its wait
// has returned true, even while post() is still returning: the poster must
// not touch the object after post().
class OneShot {
 public:
  OneShot() { sem_init(&sem_, 0, 0); }
  ~OneShot() { sem_destroy(&sem_); }
  OneShot(const OneShot&) = delete;
  OneShot& operator=(const OneShot&) = delete;

  void post() { sem_post(&sem_); }
  // Waits for the signal; false when the deadline came first.
  bool waitUntil(std::chrono::steady_clock::time_point deadline);
  void wait();

 private:
  sem_t sem_;
};

}  // namespace tarvo

#include "base/one_shot.h"

#include <cerrno>
#include <ctime>

namespace tarvo {

bool OneShot::waitUntil(std::chrono::steady_clock::time_point deadline) {
  using namespace std::chrono;
  // The steady clock counts from the monotonic clock's origin.
  const auto ns = duration_cast<nanoseconds>(deadline.time_since_epoch()).count();
  timespec until{};
  until.tv_sec = static_cast<time_t>(ns / 1000000000);
  until.tv_nsec = static_cast<long>(ns % 1000000000);
  if (until.tv_nsec < 0) until = timespec{};
  while (sem_clockwait(&sem_, CLOCK_MONOTONIC, &until) != 0) {
    if (errno == ETIMEDOUT) return false;
  }
  return true;
}

void OneShot::wait() {
  while (sem_wait(&sem_) != 0) {
  }
}

}  // namespace tarvo

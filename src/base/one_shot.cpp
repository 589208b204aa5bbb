#include "base/one_shot.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace tarvo {

namespace {
// The futex calls work on the atomic's own word.
static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t));

std::uint32_t* word(std::atomic<std::uint32_t>& a) { return reinterpret_cast<std::uint32_t*>(&a); }
}  // namespace

void OneShot::post() {
  std::uint32_t* address = word(state_);
  if (state_.exchange(kPosted, std::memory_order_release) == kSleeping) {
    syscall(SYS_futex, address, FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
  }
}

bool OneShot::sleep(const std::chrono::steady_clock::time_point* deadline) {
  timespec until{};
  if (deadline) {
    // The steady clock counts from the monotonic clock's origin, which is
    // what an absolute FUTEX_WAIT_BITSET time-out is measured on.
    const auto ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(deadline->time_since_epoch()).count();
    if (ns > 0) {
      until.tv_sec = static_cast<time_t>(ns / 1000000000);
      until.tv_nsec = static_cast<long>(ns % 1000000000);
    }
  }
  const long rc = syscall(SYS_futex, word(state_), FUTEX_WAIT_BITSET_PRIVATE, kSleeping,
                          deadline ? &until : nullptr, nullptr, FUTEX_BITSET_MATCH_ANY);
  return !(rc != 0 && errno == ETIMEDOUT);
}

bool OneShot::await(const std::chrono::steady_clock::time_point* deadline) {
  std::uint32_t seen = state_.load(std::memory_order_acquire);
  while (seen != kPosted) {
    if (seen == kWaiting &&
        !state_.compare_exchange_weak(seen, kSleeping, std::memory_order_acquire)) {
      continue;  // seen now holds what changed it
    }
    if (!sleep(deadline)) return state_.load(std::memory_order_acquire) == kPosted;
    seen = state_.load(std::memory_order_acquire);
  }
  return true;
}

}  // namespace tarvo

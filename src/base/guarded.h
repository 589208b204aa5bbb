#pragma once

#include <mutex>
#include <utility>

namespace tarvo {

// A value together with the lock that guards it: the value can only be
// reached with the lock held, so no caller can forget it or take the wrong
// one. Keep the work inside with() short; it runs under the lock.
template <typename T>
class Guarded {
 public:
  template <typename... Args>
  explicit Guarded(Args&&... args) : value_(std::forward<Args>(args)...) {}
  Guarded(const Guarded&) = delete;
  Guarded& operator=(const Guarded&) = delete;

  // Runs f(value) under the lock and returns what f returns.
  template <typename F>
  decltype(auto) with(F&& f) {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::forward<F>(f)(value_);
  }
  template <typename F>
  decltype(auto) with(F&& f) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::forward<F>(f)(std::as_const(value_));
  }

  T get() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return value_;
  }
  void set(T value) {
    std::lock_guard<std::mutex> lock(mutex_);
    value_ = std::move(value);
  }

 private:
  mutable std::mutex mutex_;
  T value_;
};

}  // namespace tarvo

#pragma once

// Pieces of the echo dispatcher that need none of its state: the broadcast
// test, the futex hash choice and the deadlines of asynchronous requests.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <queue>
#include <utility>
#include <vector>

#include "engine/echo_service.h"
#include "engine/echo_status.h"
#include "engine/ipv4_address.h"

namespace tarvo::dispatch {

// Tells an EACCES for a broadcast destination (which our sockets may not
// send to) from one of a prohibit route: a UDP socket allowed to broadcast
// can be connected to the former but not to the latter. Nothing is sent.
inline bool isBroadcastAddress(Ipv4Address destination) {
  if (destination == 0xFFFFFFFFu) return true;
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const int on = 1;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(9);
  to.sin_addr.s_addr = htonl(destination);
  const bool broadcast = setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0 &&
                         ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
  ::close(fd);
  return broadcast;
}

// Reads and thereby clears a socket's pending error, so that it does not
// wake the reader again and again.
inline void clearSocketError(int fd) {
  int e = 0;
  socklen_t len = sizeof e;
  getsockopt(fd, SOL_SOCKET, SO_ERROR, &e, &len);
}

// Every waiting sender sleeps on a futex of its own. Since Linux 6.16 a
// threaded process gets a private futex hash sized by the number of CPUs
// (16 buckets on a small machine), and every wake-up walks its bucket's
// chain: with thousands of waiting workers each reply would cost time in
// proportion to the number of open services. Going back to the system-wide
// hash, as every earlier kernel had it, keeps a wake-up cheap. Older kernels
// refuse the request, which is fine. Asked while the process has one thread
// (the sockets open before anything else starts), it is immediate; once a
// private hash is in use, replacing it kept every run waiting some 35 ms.
inline void useSystemFutexHash() {
  constexpr int kPrFutexHash = 78;         // PR_FUTEX_HASH
  constexpr int kPrFutexHashSetSlots = 1;  // PR_FUTEX_HASH_SET_SLOTS
  prctl(kPrFutexHash, kPrFutexHashSetSlots, 0, 0, 0);
}

// When asynchronous requests time out. The receiver sleeps until the
// earliest deadline; a request whose deadline is earlier than the sleep it
// planned wakes it through an eventfd in its epoll set. Answered requests
// leave their deadline behind; it is dropped once its request (by
// generation, which changes as the request ends) is no longer the one it
// was set for.
template <class Pending>
class AsyncDeadlines {
 public:
  using Clock = std::chrono::steady_clock;
  struct Entry {
    Clock::time_point at;
    Pending* pending;
    std::uint64_t generation;
    bool operator>(const Entry& o) const { return at > o.at; }
  };

  AsyncDeadlines() : wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
  ~AsyncDeadlines() {
    if (wakeFd_ >= 0) ::close(wakeFd_);
  }
  int wakeFd() const { return wakeFd_; }

  void add(const Entry& e) {
    bool wake = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      heap_.push(e);
      wake = e.at < plannedWake_;
      if (wake) plannedWake_ = e.at;
    }
    if (wake) this->wake();
  }

  // Ends the receiver's wait at once (or its next one).
  void wake() {
    const std::uint64_t one = 1;
    if (wakeFd_ >= 0) {
      [[maybe_unused]] const auto n = ::write(wakeFd_, &one, sizeof one);
    }
  }

  // The receiver's next sleep in whole milliseconds (rounded up, so it
  // never wakes before the deadline), at most `longest`.
  int sleepMs(Clock::time_point now, int longest) {
    std::lock_guard<std::mutex> lock(mutex_);
    // The deadlines of requests answered since are no reason to wake.
    while (!heap_.empty() && heap_.top().pending->generation.load(std::memory_order_relaxed) !=
                                 heap_.top().generation) {
      heap_.pop();
    }
    int ms = longest;
    if (!heap_.empty()) {
      const auto left = heap_.top().at - now;
      const auto up = std::chrono::ceil<std::chrono::milliseconds>(left).count();
      ms = up <= 0 ? 0 : up < longest ? static_cast<int>(up) : longest;
    }
    plannedWake_ = now + std::chrono::milliseconds(ms);
    return ms;
  }

  // Takes the deadlines that are due.
  void takeDue(Clock::time_point now, std::vector<Entry>& out) {
    std::lock_guard<std::mutex> lock(mutex_);
    while (!heap_.empty() && heap_.top().at <= now) {
      out.push_back(heap_.top());
      heap_.pop();
    }
  }

  void clearWake() {
    std::uint64_t n = 0;
    if (wakeFd_ >= 0) {
      [[maybe_unused]] const auto r = ::read(wakeFd_, &n, sizeof n);
    }
  }

 private:
  int wakeFd_;
  std::mutex mutex_;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> heap_;
  Clock::time_point plannedWake_ = Clock::time_point::max();
};

// Pendings of requests that do not wait, kept for the next request rather
// than freed: a sweep or a monitor makes no allocation per request once it
// has as many as it keeps in flight. A pending's generation changes as it
// is handed out and as it comes back, so its old deadline goes stale.
template <class Pending>
class PendingPool {
 public:
  Pending* acquire() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (free_.empty()) {
      owned_.push_back(std::make_unique<Pending>());
      free_.push_back(owned_.back().get());
    }
    Pending* p = free_.back();
    free_.pop_back();
    bump(*p);
    return p;
  }
  void release(Pending& p) {
    p.completion = nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    bump(p);
    free_.push_back(&p);
  }

 private:
  // Only ever changed under the pool's lock, so a plain store will do: a
  // locked add would cost every request for nothing.
  static void bump(Pending& p) {
    p.generation.store(p.generation.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
  }

  std::mutex mutex_;
  std::vector<std::unique_ptr<Pending>> owned_;
  std::vector<Pending*> free_;
};

// Runs the sending of a request that does not wait. What it can throw
// (memory exhaustion, a failed lock) comes before the request is
// registered, so the request is simply ended as short of resources.
inline IpAddress replyAddressOf(Ipv4Address destination) { return IpAddress::v4(destination); }
inline const IpAddress& replyAddressOf(const IpAddress& destination) { return destination; }

template <class Destination, class Send>
void sendOrRefuse(EchoCompletion& done, const Destination& destination, Send&& send) noexcept {
  try {
    send();
  } catch (...) {
    EchoResult r;
    r.status = status::kNoResources;
    r.replyAddress = replyAddressOf(destination);
    done.echoDone(r);
  }
}

// Answers a reader has taken and not yet handed on: they go out together
// once its read is over, so a requester that sleeps is woken once for many.
class HeldAnswers {
 public:
  static void hold(EchoCompletion* done, const EchoResult& result) {
    held().emplace_back(done, result);
  }
  static void handOn() {
    auto& answers = held();
    // echoDone may start the next request, which may finish at once.
    for (std::size_t i = 0; i < answers.size(); ++i) {
      auto [done, result] = answers[i];
      done->echoDone(result);
    }
    answers.clear();
  }

 private:
  static std::vector<std::pair<EchoCompletion*, EchoResult>>& held() {
    thread_local std::vector<std::pair<EchoCompletion*, EchoResult>> answers;
    return answers;
  }
};

}  // namespace tarvo::dispatch

#include "engine/echo6_dispatcher_impl.h"

namespace tarvo {

Pending* Echo6Dispatcher::Impl::acquirePending() { return pending.acquire(); }

void Echo6Dispatcher::Impl::releasePending(Pending& p) { pending.release(p); }

void Echo6Dispatcher::Impl::finishAsync(Pending& p, std::uint32_t st, const IpAddress& from,
                                        std::uint8_t hopLimit, std::uint32_t dataSize,
                                        Clock::time_point at) {
  // Pairs with the sender's store after it filled the request in.
  const Clock::time_point sentAt{Clock::duration(p.sentAt.load(std::memory_order_acquire))};
  EchoResult r;
  r.status = st;
  r.replyAddress = sameHost(from, p.named) ? p.named : from;
  r.replyTtl = hopLimit;
  r.replyDataSize = static_cast<std::uint16_t>(dataSize > 0xFFFF ? 0xFFFF : dataSize);
  if (st != status::kRequestTimedOut) {
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(at - sentAt).count();
    r.roundTripUs = us > 0 ? static_cast<std::uint32_t>(us) : 0;
    r.roundTripMs = r.roundTripUs / 1000;
  }
  EchoCompletion* done = p.completion;
  releasePending(p);
  dispatch::HeldAnswers::hold(done, r);
}

void Echo6Dispatcher::Impl::handOnHeldAnswers() { dispatch::HeldAnswers::handOn(); }

void Echo6Dispatcher::Impl::expireDue(Clock::time_point now) {
  thread_local std::vector<dispatch::AsyncDeadlines<Pending>::Entry> due;
  due.clear();
  deadlines.takeDue(now, due);
  for (const auto& e : due) {
    Pending& p = *e.pending;
    if (p.generation.load(std::memory_order_relaxed) != e.generation) continue;
    {
      std::lock_guard<std::mutex> lock(tableMutex);
      // Answered already, or answered and reused for another request.
      if (waiting.find(p.key) != &p ||
          p.generation.load(std::memory_order_relaxed) != e.generation) {
        continue;
      }
      waiting.erase(p.key);
    }
    finishAsync(p, status::kRequestTimedOut, p.named, 0, 0, now);
  }
  handOnHeldAnswers();
}

void Echo6Dispatcher::Impl::sendAsync(const IpAddress& destination,
                                      std::span<const std::uint8_t> payload,
                                      const EchoOptions& options, std::uint32_t timeoutMs,
                                      EchoCompletion& done) {
  EchoResult result;
  result.status = status::kRequestTimedOut;
  result.replyAddress = destination;
  if (!ready.load(std::memory_order_acquire)) {
    result.status = status::kGeneralFailure;
    return done.echoDone(result);
  }
  if (!destination.isV6() || isBadDestination(destination)) {
    result.status = status::kBadDestination;
    return done.echoDone(result);
  }
  const std::optional<IpAddress> zoned = resolveZone(destination);
  if (!zoned) {
    result.status = statusFromLocalError(ENODEV, false);
    return done.echoDone(result);
  }
  Pending* p = acquirePending();
  const std::uint64_t generation = p->generation.load(std::memory_order_relaxed);
  p->destination = *zoned;
  p->named = destination;
  p->completion = &done;
  std::uint16_t identifier = 0, sequence = 0;
  Channel* channel = nullptr;
  {
    std::lock_guard<std::mutex> lock(tableMutex);
    channel = allocate(p, identifier, sequence);
    p->key = requestKey(identifier, sequence);
  }
  if (!channel) {
    releasePending(*p);
    result.status = status::kNoResources;
    return done.echoDone(result);
  }
  auto sentAt = Clock::now();
  p->sentAt.store(sentAt.time_since_epoch().count(), std::memory_order_release);
  const int err = sendOwnRequest(*channel->socket, *p, identifier, sequence, payload, options,
                                 sentAt + milliseconds(timeoutMs), sentAt);
  if (err != 0) {
    // Something answered a request that never left: that answer finishes it.
    if (!unregister(requestKey(identifier, sequence))) return;
    finishAsync(*p, err == kNeverSent ? status::kRequestTimedOut : statusFromLocalError(err, false),
                destination, 0, 0, Clock::now());
    return handOnHeldAnswers();
  }
  try {
    deadlines.add({sentAt + milliseconds(timeoutMs), p, generation});
  } catch (const std::bad_alloc&) {
    // Without a deadline nothing would end the wait.
    if (unregister(requestKey(identifier, sequence))) {
      finishAsync(*p, status::kNoResources, destination, 0, 0, Clock::now());
      handOnHeldAnswers();
    }
  }
}

void Echo6Dispatcher::sendAsync(const IpAddress& destination, std::span<const std::uint8_t> payload,
                                const EchoOptions& options, std::uint32_t timeoutMs,
                                EchoCompletion& done) noexcept {
  dispatch::sendOrRefuse(done, destination,
                         [&] { impl_->sendAsync(destination, payload, options, timeoutMs, done); });
}

}  // namespace tarvo

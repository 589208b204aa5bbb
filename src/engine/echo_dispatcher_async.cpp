#include "engine/echo_dispatcher_impl.h"

namespace tarvo {

void EchoDispatcher::Impl::handOnHeldAnswers() { HeldAnswers::handOn(); }

Pending* EchoDispatcher::Impl::acquirePending() { return pending.acquire(); }

void EchoDispatcher::Impl::finishAsync(Pending& p, std::uint32_t st, Ipv4Address from,
                                       std::uint8_t ttl, std::uint32_t dataSize,
                                       Clock::time_point at) {
  // Pairs with the sender's store after it filled the request in.
  const Clock::time_point sentAt{Clock::duration(p.sentAt.load(std::memory_order_acquire))};
  EchoResult r;
  r.status = st;
  r.replyAddress = IpAddress::v4(from);
  r.replyTtl = ttl;
  r.replyDataSize = static_cast<std::uint16_t>(dataSize > 0xFFFF ? 0xFFFF : dataSize);
  if (st != status::kRequestTimedOut) {
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(at - sentAt).count();
    r.roundTripMs = us > 0 ? static_cast<std::uint32_t>(us / 1000) : 0;
    r.roundTripUs = us > 0 ? static_cast<std::uint32_t>(us) : 0;
  }
  EchoCompletion* done = p.completion;
  if (p.channel) p.channel->inUse.fetch_sub(1);
  pending.release(p);
  // Last: the requester may start its next request from here.
  HeldAnswers::hold(done, r);
}

void EchoDispatcher::Impl::expireDue(Clock::time_point now) {
  thread_local std::vector<AsyncDeadlines<Pending>::Entry> due;
  due.clear();
  deadlines.takeDue(now, due);
  for (const auto& e : due) {
    Pending& p = *e.pending;
    if (p.generation.load(std::memory_order_relaxed) != e.generation) continue;
    {
      Shard& s = shardOf(p.key);
      std::lock_guard<std::mutex> lock(s.mutex);
      // Answered already, or answered and reused for another request.
      if (s.waiting.find(p.key) != &p ||
          p.generation.load(std::memory_order_relaxed) != e.generation) {
        continue;
      }
      s.waiting.erase(p.key);
    }
    finishAsync(p, status::kRequestTimedOut, p.destination, 0, 0, now);
  }
  handOnHeldAnswers();
}

void EchoDispatcher::Impl::sendAsync(Ipv4Address destination, std::span<const std::uint8_t> payload,
                                     const EchoOptions& options, std::uint32_t timeoutMs,
                                     EchoCompletion& done) {
  EchoResult result;
  result.status = status::kRequestTimedOut;
  result.replyAddress = IpAddress::v4(destination);
  if (!ready.load(std::memory_order_acquire)) {
    result.status = status::kGeneralFailure;
    return done.echoDone(result);
  }
  if (destination == 0 || destination == 0xFFFFFFFFu) {
    result.status = status::kBadDestination;
    return done.echoDone(result);
  }
  const bool df = (options.flags & EchoOptions::kDontFragment) != 0;
  Pending* p = acquirePending();
  const std::uint64_t generation = p->generation.load(std::memory_order_relaxed);
  p->destination = destination;
  p->completion = &done;
  p->channel = nullptr;
  Slot slot;
  const auto start = Clock::now();
  if (!allocate(df, p, start + milliseconds(timeoutMs), slot)) {
    pending.release(*p);
    return done.echoDone(result);
  }
  p->channel = slot.channel;
  p->key = slot.key;
  p->sentAt.store(start.time_since_epoch().count(), std::memory_order_release);

  // Taking a raw socket's key is a moment's work; a datagram socket's may
  // have waited for a sequence or opened a socket.
  Clock::time_point sentAt = raw ? start : Clock::now();
  const int err = sendOwnRequest(slot, destination, payload, options,
                                 start + milliseconds(timeoutMs), sentAt, &p->sentAt);
  if (err != 0) {
    // Something answered a request that never left: that answer finishes it.
    if (!unregister(slot.key)) return;
    // A request that could not get out before its time ran out (only errors
    // meant for others stood in its way) simply timed out.
    const std::uint32_t st =
        err == kNeverSent
            ? status::kRequestTimedOut
            : statusFromLocalError(err, err == EACCES && isBroadcastAddress(destination));
    finishAsync(*p, st, destination, 0, 0, Clock::now());
    return handOnHeldAnswers();
  }
  try {
    deadlines.add({sentAt + milliseconds(timeoutMs), p, generation});
  } catch (const std::bad_alloc&) {
    // Without a deadline nothing would end the wait: unless the answer is
    // already being delivered, the request ends here.
    if (unregister(slot.key)) {
      finishAsync(*p, status::kNoResources, destination, 0, 0, Clock::now());
      handOnHeldAnswers();
    }
  }
}

void EchoDispatcher::sendAsync(Ipv4Address destination, std::span<const std::uint8_t> payload,
                               const EchoOptions& options, std::uint32_t timeoutMs,
                               EchoCompletion& done) noexcept {
  sendOrRefuse(done, destination,
               [&] { impl_->sendAsync(destination, payload, options, timeoutMs, done); });
}

}  // namespace tarvo

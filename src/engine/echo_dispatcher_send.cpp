#include "engine/echo_dispatcher_impl.h"

namespace tarvo {

int EchoDispatcher::Impl::sendOwnRequest(const Slot& slot, Ipv4Address destination,
                                         std::span<const std::uint8_t> payload,
                                         const EchoOptions& options, Clock::time_point giveUp,
                                         Clock::time_point& sentAt,
                                         std::atomic<Clock::rep>* sentAtShared) {
  EchoSocket& socket = *slot.channel->socket;
  bool first = true;
  auto attempt = [&] {
    // The first attempt goes at the moment the caller read just before.
    if (!std::exchange(first, false)) sentAt = Clock::now();
    // The receiver may have the answer before the send returns.
    if (sentAtShared)
      sentAtShared->store(sentAt.time_since_epoch().count(), std::memory_order_release);
    return socket.sendEcho(destination, slot.identifier, slot.sequence, payload, options);
  };
  int err = attempt();
  if (err == 0 || socket.kind() != EchoSocketKind::Datagram) return err;
  int unprovenRepeats = 0;
  for (int round = 1; err != 0 && couldBePendingSocketError(err); ++round) {
    if (isOwnRefusalCandidate(err)) {
      const int own = ownSendRefusal(destination, options, icmp::kIcmpHeaderSize + payload.size());
      if (own == err) return err;
      // Without a probe socket, the same refusal again and again is taken
      // as its own; errors of others come and go.
      if (own < 0 && ++unprovenRepeats >= kUnprovenRepeats) return err;
    }
    if (round >= kMaxResends || Clock::now() >= giveUp) return kNeverSent;
    if (round % 16 == 0) std::this_thread::sleep_for(kResendPause);
    const int again = attempt();
    if (again != err) unprovenRepeats = 0;
    err = again;
  }
  return err;
}

EchoResult EchoDispatcher::Impl::send(Ipv4Address destination,
                                      std::span<const std::uint8_t> payload,
                                      const EchoOptions& options, std::uint32_t timeoutMs) {
  EchoResult result;
  result.status = status::kRequestTimedOut;
  result.replyAddress = IpAddress::v4(destination);
  if (!ready.load(std::memory_order_acquire)) {
    result.status = status::kGeneralFailure;
    return result;
  }
  // 0.0.0.0 would quietly go to this host; the limited broadcast is never
  // ours to send (and without a default route it would read as "net
  // unreachable").
  if (destination == 0 || destination == 0xFFFFFFFFu) {
    result.status = status::kBadDestination;
    return result;
  }
  const bool df = (options.flags & EchoOptions::kDontFragment) != 0;
  Pending p;
  p.destination = destination;
  Slot slot;
  if (!allocate(df, &p, Clock::now() + milliseconds(timeoutMs), slot)) return result;

  const auto giveUp = Clock::now() + milliseconds(timeoutMs);
  auto sentAt = Clock::now();
  const int err = sendOwnRequest(slot, destination, payload, options, giveUp, sentAt);
  if (err != 0) {
    if (!unregister(slot.key)) {
      // Something answered a request that never left; let it finish.
      p.answered.wait();
    }
    slot.channel->inUse.fetch_sub(1);
    // A request that could not get out before its time ran out (only
    // errors meant for others stood in its way) simply timed out.
    if (err != kNeverSent) {
      result.status = statusFromLocalError(err, err == EACCES && isBroadcastAddress(destination));
    }
    return result;
  }

  drainBeforeWaiting(raw ? *rawChannels[0] : *slot.channel, p);
  bool answered = p.answered.waitUntil(sentAt + milliseconds(timeoutMs));
  if (!answered && !unregister(slot.key)) {
    // Timed out just as its answer was taken: that answer is a moment away.
    p.answered.wait();
    answered = true;
  }
  slot.channel->inUse.fetch_sub(1);
  if (!answered) return result;
  result.status = p.status;
  result.replyAddress = IpAddress::v4(p.from);
  result.replyTtl = p.ttl;
  result.replyDataSize = static_cast<std::uint16_t>(p.dataSize > 0xFFFF ? 0xFFFF : p.dataSize);
  const auto rtt = std::chrono::duration_cast<milliseconds>(p.at - sentAt).count();
  result.roundTripMs = rtt > 0 ? static_cast<std::uint32_t>(rtt) : 0;
  // The same moments, finer, for records that keep what is below a millisecond.
  const auto rttUs = std::chrono::duration_cast<std::chrono::microseconds>(p.at - sentAt).count();
  result.roundTripUs = rttUs > 0 ? static_cast<std::uint32_t>(rttUs) : 0;
  return result;
}

}  // namespace tarvo

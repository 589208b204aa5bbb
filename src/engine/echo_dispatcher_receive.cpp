#include <algorithm>

#include "engine/echo_dispatcher_impl.h"

namespace tarvo {

void EchoDispatcher::Impl::deliver(const icmp::IcmpMessage& m, bool truncated,
                                   Clock::time_point at) {
  std::optional<std::uint32_t> st;
  if (m.kind == icmp::IcmpMessage::EchoReply) {
    // A reply that could not be read whole still answers the request.
    st = truncated ? status::kGeneralFailure : status::kSuccess;
  } else if (m.kind == icmp::IcmpMessage::Error) {
    st = statusFromIcmp(m.type, m.code);
  }
  if (!st) return;
  const std::uint32_t key = requestKey(m.identifier, m.sequence);
  Pending* found = nullptr;
  {
    Shard& s = shardOf(key);
    std::lock_guard<std::mutex> lock(s.mutex);
    found = s.waiting.find(key);
    if (!found) return;
    // An error counts only when it quotes a request to our destination.
    if (m.kind == icmp::IcmpMessage::Error && m.quotedDestination != found->destination) return;
    s.waiting.erase(key);
  }
  Pending& p = *found;
  if (p.completion) {
    finishAsync(p, *st, m.source != 0 ? m.source : p.destination, m.ttl,
                m.kind == icmp::IcmpMessage::EchoReply ? m.dataSize : 0, at);
    return;
  }
  // The sender may return as soon as the post is made: nothing after it.
  p.status = *st;
  p.from = m.source != 0 ? m.source : p.destination;
  p.ttl = m.ttl;
  p.dataSize = m.kind == icmp::IcmpMessage::EchoReply ? m.dataSize : 0;
  p.at = at;
  p.answered.post();
}

void EchoDispatcher::Impl::drain(Channel& ch, bool errors, const Pending* until) {
  if (!errors) return drainData(ch, until);
  EchoSocket::Received r;
  auto& buffer = ch.buffer;
  for (int i = 0; i < kReadsPerWake; ++i) {
    if (until && until->answered.posted()) return;
    const auto state = ch.socket->readError(buffer, r);
    if (state == EchoSocket::ReadState::Empty) {
      if (!until) clearSocketError(ch.socket->fd());
      return;
    }
    if (state == EchoSocket::ReadState::Message) deliver(r.message, r.truncated, Clock::now());
  }
}

void EchoDispatcher::Impl::drainData(Channel& ch, const Pending* until) {
  if (!ch.batch) ch.batch = std::make_unique<EchoSocket::ReadBatch>(ch.buffer.size());
  EchoSocket::Received r;
  for (int i = 0; i < kReadsPerWake;) {
    if (until && until->answered.posted()) return;
    const auto state = ch.socket->readDataBatch(*ch.batch);
    if (state == EchoSocket::ReadState::Empty) {
      // Nothing queued, yet the socket woke us: a pending error.
      if (!until && i == 0) clearSocketError(ch.socket->fd());
      return;
    }
    if (state != EchoSocket::ReadState::Message) {
      ++i;
      continue;
    }
    // Read together, so they came by this moment.
    const auto at = Clock::now();
    const int n = ch.batch->count();
    for (int k = 0; k < n; ++k) {
      if (ch.socket->dataAt(*ch.batch, k, r) == EchoSocket::ReadState::Message) {
        deliver(r.message, r.truncated, at);
      }
    }
    i += n;
    if (n < EchoSocket::ReadBatch::kMessages) return;  // the socket is empty
  }
}

void EchoDispatcher::Impl::drainAndHandOn(Channel& ch, bool errors, const Pending* until) {
  drain(ch, errors, until);
  handOnHeldAnswers();
}

void EchoDispatcher::Impl::drainBeforeWaiting(Channel& ch, const Pending& p) {
  // The receiver or another sender is at it already.
  std::unique_lock<std::mutex> lock(ch.reading, std::try_to_lock);
  if (lock) drainAndHandOn(ch, false, &p);
}

void EchoDispatcher::Impl::closeIdleSockets(Clock::time_point now) {
  std::lock_guard<std::mutex> lock(mutex);
  for (auto it = channels.begin(); it != channels.end();) {
    Channel& ch = **it;
    if (!ch.primary && ch.inUse.load() == 0 && now - ch.lastUsed >= kIdleSocketLinger) {
      epoll_ctl(epollFd, EPOLL_CTL_DEL, ch.socket->fd(), nullptr);
      it = channels.erase(it);
    } else {
      ++it;
    }
  }
}

void EchoDispatcher::Impl::poll(int timeoutMs) {
  epoll_event events[64];
  // The wait planned here is what a new, earlier deadline must interrupt.
  const int wait = deadlines.sleepMs(Clock::now(), std::min(timeoutMs, 1000));
  const int n = epoll_wait(epollFd, events, 64, wait);
  for (int i = 0; i < n; ++i) {
    auto* ch = static_cast<Channel*>(events[i].data.ptr);
    if (!ch) {
      deadlines.clearWake();
      continue;
    }
    std::lock_guard<std::mutex> lock(ch->reading);
    if (events[i].events & EPOLLERR) {
      if (ch->socket->kind() == EchoSocketKind::Datagram) {
        drainAndHandOn(*ch, true);
      } else {
        clearSocketError(ch->socket->fd());
      }
    }
    if (events[i].events & EPOLLIN) drainAndHandOn(*ch, false);
  }
  const auto now = Clock::now();
  expireDue(now);
  if (now - lastHousekeeping >= std::chrono::seconds(1)) {
    closeIdleSockets(now);
    lastHousekeeping = now;
  }
}

}  // namespace tarvo

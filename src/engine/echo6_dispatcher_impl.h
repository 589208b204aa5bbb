#pragma once

// The IPv6 dispatcher's inside, shared by its files: the blocking requests
// (echo6_dispatcher.cpp) and those that do not wait (echo6_dispatcher_async.cpp).

#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <system_error>
#include <thread>
#include <vector>

#include "base/one_shot.h"
#include "engine/echo6_dispatcher.h"
#include "engine/echo6_socket.h"
#include "engine/echo_dispatcher_support.h"
#include "engine/echo_status.h"
#include "engine/icmp_status_map.h"
#include "engine/request_table.h"
#include "engine/send_refusal.h"

namespace tarvo {

namespace dispatch6 {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// As for IPv4: a request refused with errors meant for others is sent again
// this often at most (within its time-out); the same refusal this many
// times in a row is taken as its own.
constexpr int kMaxResends = 4096;
constexpr int kOwnRepeats = 3;
constexpr int kReadsPerWake = 512;
constexpr int kNeverSent = -1;
constexpr std::uint32_t kSequenceSpace = 65536;
constexpr auto kSequenceQuarantine = std::chrono::seconds(60);
constexpr std::size_t kMaxSockets = 64;

struct Pending {
  IpAddress destination;
  OneShot answered;
  // A request that does not wait hears its answer here instead; such a
  // Pending belongs to the dispatcher's pool.
  EchoCompletion* completion = nullptr;
  IpAddress named;  // the destination as the caller named it, zone and all
  std::uint32_t key = 0;
  std::atomic<std::uint64_t> generation{0};
  std::atomic<Clock::rep> sentAt{0};
  std::uint32_t status = status::kRequestTimedOut;
  IpAddress from;
  std::uint8_t hopLimit = 0;
  std::uint32_t dataSize = 0;
  Clock::time_point at;
};

// A socket and, for a ping socket, where its sequence numbers stand.
struct Channel {
  std::unique_ptr<Echo6Socket> socket;
  std::uint32_t nextSequence = 0;
  Clock::time_point cycleStart = Clock::now();
};

inline std::uint32_t requestKey(std::uint16_t identifier, std::uint16_t sequence) {
  return static_cast<std::uint32_t>(identifier) << 16 | sequence;
}

// The kernel reports addresses with their scope id and no zone name, so
// hosts are compared by their bytes.
inline bool sameHost(const IpAddress& a, const IpAddress& b) { return a.bytes() == b.bytes(); }

// The unspecified address would quietly go to this host, and a multicast
// group is not one host to answer.
inline bool isBadDestination(const IpAddress& a) {
  return a.bytes() == IpAddress::Bytes{} || a.bytes()[0] == 0xFF;
}

}  // namespace dispatch6

// Only the dispatcher's own files include this header.
using namespace dispatch6;

struct Echo6Dispatcher::Impl {
  using Clock = dispatch6::Clock;
  std::mutex mutex;  // opening and starting
  bool tried = false;
  EchoOpenResult opened = EchoOpenResult::LibraryMissing;
  bool receiverStarted = false;
  std::atomic<bool> ready{false};
  bool raw = false;
  int epollFd = -1;

  std::mutex tableMutex;  // the table, and the channels once open
  RequestTable<Pending> waiting;
  // The first is opened with the privileges; more ping sockets are added
  // when sequences would come round too soon. Never closed.
  std::vector<std::unique_ptr<Channel>> channels;
  std::uint32_t nextToken = 0;  // raw socket: identifier and sequence in one
  std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(65536 + 64);

  EchoOpenResult openSockets() {
    if (tried) return opened;
    tried = true;
    std::vector<EchoSocketKind> order = {EchoSocketKind::Datagram, EchoSocketKind::Raw};
    if (auto forced = forcedEchoSocketKind()) order = {*forced};
    bool configFailed = false;
    epollFd = epoll_create1(EPOLL_CLOEXEC);
    if (epollFd < 0) return opened;
    for (auto k : order) {
      auto opening = Echo6Socket::open(k, false, RawRole::Receive);
      configFailed |= opening.error == EchoSocket::OpenError::NotConfigurable;
      if (opening.socket && !addChannel(std::move(opening.socket))) configFailed = true;
      if (!channels.empty()) {
        raw = k == EchoSocketKind::Raw;
        nextToken = std::random_device{}();
        opened = EchoOpenResult::Ok;
        return opened;
      }
    }
    opened = configFailed ? EchoOpenResult::EntryPointMissing : EchoOpenResult::LibraryMissing;
    return opened;
  }

  bool addChannel(std::unique_ptr<Echo6Socket> socket) {
    auto ch = std::make_unique<Channel>();
    ch->socket = std::move(socket);
    epoll_event ev{};
    ev.events = EPOLLIN;  // EPOLLERR is always reported
    ev.data.ptr = ch.get();
    if (epoll_ctl(epollFd, EPOLL_CTL_ADD, ch->socket->fd(), &ev) != 0) return false;
    channels.push_back(std::move(ch));
    return true;
  }

  // Registers the request under a free key (under tableMutex). On a ping
  // socket a sequence comes round again only after a whole cycle and at
  // least a minute, so a late answer to an earlier request is never taken
  // for a later one; where every socket is that busy another is opened,
  // and only where none can be had does a cycle end early.
  Channel* allocate(Pending* p, std::uint16_t& identifier, std::uint16_t& sequence) {
    if (raw) {
      for (int tries = 0; tries < 1024; ++tries) {
        const std::uint32_t key = nextToken++;
        if (waiting.insert(key, p)) {
          identifier = static_cast<std::uint16_t>(key >> 16);
          sequence = static_cast<std::uint16_t>(key & 0xFFFF);
          return channels.front().get();
        }
      }
      return nullptr;
    }
    const auto now = Clock::now();
    for (int pass = 0; pass < 3; ++pass) {
      if (pass == 1) {
        if (channels.size() >= kMaxSockets) continue;
        auto opening = Echo6Socket::open(EchoSocketKind::Datagram, false, RawRole::Receive);
        if (!opening.socket || !addChannel(std::move(opening.socket))) continue;
      }
      for (auto& ch : channels) {
        for (std::uint32_t tries = 0; tries < kSequenceSpace; ++tries) {
          if (ch->nextSequence == kSequenceSpace) {
            if (pass < 2 && now - ch->cycleStart < kSequenceQuarantine) break;
            ch->nextSequence = 0;
            ch->cycleStart = now;
          }
          const auto seq = static_cast<std::uint16_t>(ch->nextSequence++);
          if (waiting.insert(requestKey(ch->socket->identifier(), seq), p)) {
            identifier = ch->socket->identifier();
            sequence = seq;
            return ch.get();
          }
        }
      }
    }
    return nullptr;
  }

  bool unregister(std::uint32_t key) {
    std::lock_guard<std::mutex> lock(tableMutex);
    return waiting.erase(key);
  }

  void deliver(const icmp6::Icmp6Message& m, bool truncated, Clock::time_point at) {
    std::optional<std::uint32_t> st;
    if (m.kind == icmp6::Icmp6Message::EchoReply) {
      st = truncated ? status::kGeneralFailure : status::kSuccess;
    } else if (m.kind == icmp6::Icmp6Message::Error) {
      st = statusFromIcmp6(m.type, m.code);
    }
    if (!st) return;
    Pending* p = nullptr;
    {
      std::lock_guard<std::mutex> lock(tableMutex);
      const std::uint32_t key = requestKey(m.identifier, m.sequence);
      p = waiting.find(key);
      if (!p) return;
      // An error counts only when it quotes a request to our destination.
      if (m.kind == icmp6::Icmp6Message::Error && !sameHost(m.quotedDestination, p->destination)) {
        return;
      }
      waiting.erase(key);
    }
    // The sender may return as soon as the post is made: nothing after it.
    const bool unknownSource = m.source.bytes() == IpAddress::Bytes{};
    const IpAddress from =
        unknownSource || sameHost(m.source, p->destination) ? p->destination : m.source;
    if (p->completion) {
      return finishAsync(*p, *st, from, m.hopLimit,
                         m.kind == icmp6::Icmp6Message::EchoReply ? m.dataSize : 0, at);
    }
    p->status = *st;
    p->from = from;
    p->hopLimit = m.hopLimit;
    p->dataSize = m.kind == icmp6::Icmp6Message::EchoReply ? m.dataSize : 0;
    p->at = at;
    p->answered.post();
  }

  void drain(Echo6Socket& s, bool errors) {
    if (errors && s.kind() == EchoSocketKind::Raw) return dispatch::clearSocketError(s.fd());
    Echo6Socket::Received r;
    for (int i = 0; i < kReadsPerWake; ++i) {
      const auto state = errors ? s.readError(buffer, r) : s.readData(buffer, r);
      if (state == Echo6Socket::ReadState::Empty) {
        // Nothing queued, yet the socket woke us: clear a pending error so
        // it does not wake us again and again.
        if (errors || i == 0) dispatch::clearSocketError(s.fd());
        return;
      }
      if (state == Echo6Socket::ReadState::Message) deliver(r.message, r.truncated, Clock::now());
    }
  }

  void receiveLoop() {
    epoll_event events[16];
    if (deadlines.wakeFd() >= 0) {
      epoll_event ev{};
      ev.events = EPOLLIN;
      ev.data.ptr = nullptr;  // the deadlines' wake-up, not a channel
      epoll_ctl(epollFd, EPOLL_CTL_ADD, deadlines.wakeFd(), &ev);
    }
    for (;;) {
      const int n = epoll_wait(epollFd, events, 16, deadlines.sleepMs(Clock::now(), 1000));
      for (int i = 0; i < n; ++i) {
        auto* ch = static_cast<Channel*>(events[i].data.ptr);
        if (!ch) {
          deadlines.clearWake();
          continue;
        }
        if (events[i].events & EPOLLERR) drain(*ch->socket, true);
        if (events[i].events & EPOLLIN) drain(*ch->socket, false);
        handOnHeldAnswers();
      }
      expireDue(Clock::now());
    }
  }

  // --- requests that do not wait (echo6_dispatcher_async.cpp) ---------------

  dispatch::AsyncDeadlines<Pending> deadlines;
  dispatch::PendingPool<Pending> pending;
  Pending* acquirePending();
  void releasePending(Pending& p);
  void finishAsync(Pending& p, std::uint32_t status, const IpAddress& from, std::uint8_t hopLimit,
                   std::uint32_t dataSize, Clock::time_point at);
  void handOnHeldAnswers();
  void expireDue(Clock::time_point now);
  void sendAsync(const IpAddress& destination, std::span<const std::uint8_t> payload,
                 const EchoOptions& options, std::uint32_t timeoutMs, EchoCompletion& done);

  // Sends the request; 0, the errno of its own refusal, or kNeverSent when
  // only errors pending for others stood in its way until its time ran out
  // (see send_refusal.h).
  int sendOwnRequest(Echo6Socket& socket, Pending& p, std::uint16_t identifier,
                     std::uint16_t sequence, std::span<const std::uint8_t> payload,
                     const EchoOptions& options, Clock::time_point giveUp,
                     Clock::time_point& sentAt) {
    int last = 0;
    int repeats = 0;
    for (int round = 0; round < kMaxResends; ++round) {
      sentAt = Clock::now();
      // The receiver may have the answer before the send returns.
      p.sentAt.store(sentAt.time_since_epoch().count(), std::memory_order_release);
      const int err =
          socket.sendEcho(p.destination, identifier, sequence, payload, options.ttl, options.tos);
      if (err == 0 || socket.kind() != EchoSocketKind::Datagram || !couldBePendingSocketError(err))
        return err;
      repeats = err == last ? repeats + 1 : 1;
      last = err;
      if (isOwnRefusalCandidate(err) && repeats >= kOwnRepeats) return err;
      if (Clock::now() >= giveUp) break;
      if (round % 16 == 15) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return kNeverSent;
  }

  EchoResult send(const IpAddress& destination, std::span<const std::uint8_t> payload,
                  const EchoOptions& options, std::uint32_t timeoutMs) {
    EchoResult result;
    result.status = status::kRequestTimedOut;
    result.replyAddress = destination;
    if (!ready.load(std::memory_order_acquire)) {
      result.status = status::kGeneralFailure;
      return result;
    }
    if (!destination.isV6() || isBadDestination(destination)) {
      result.status = status::kBadDestination;
      return result;
    }
    Pending p;
    if (auto zoned = resolveZone(destination)) {
      p.destination = *zoned;
    } else {
      result.status = statusFromLocalError(ENODEV, false);
      return result;
    }
    // Routers never fragment IPv6, so there is nothing to forbid them: the
    // do-not-fragment setting does not apply, and the source fragments what
    // does not fit the path it knows.
    std::uint16_t identifier = 0, sequence = 0;
    Channel* channel = nullptr;
    {
      std::lock_guard<std::mutex> lock(tableMutex);
      channel = allocate(&p, identifier, sequence);
    }
    if (!channel) {
      result.status = status::kNoResources;
      return result;
    }
    const std::uint32_t key = requestKey(identifier, sequence);
    Echo6Socket& s = *channel->socket;
    auto sentAt = Clock::now();
    const auto giveUp = sentAt + milliseconds(timeoutMs);
    const int err = sendOwnRequest(s, p, identifier, sequence, payload, options, giveUp, sentAt);
    if (err != 0) {
      // Something answered a request that never left; let it finish.
      if (!unregister(key)) p.answered.wait();
      if (err != kNeverSent) result.status = statusFromLocalError(err, false);
      return result;
    }
    bool answered = p.answered.waitUntil(sentAt + milliseconds(timeoutMs));
    if (!answered && !unregister(key)) {
      // Timed out just as its answer was taken: that answer is a moment away.
      p.answered.wait();
      answered = true;
    }
    if (!answered) return result;
    result.status = p.status;
    // The destination answers as the caller named it, zone and all.
    result.replyAddress = sameHost(p.from, destination) ? destination : p.from;
    result.replyTtl = p.hopLimit;
    result.replyDataSize = static_cast<std::uint16_t>(p.dataSize > 0xFFFF ? 0xFFFF : p.dataSize);
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(p.at - sentAt).count();
    result.roundTripUs = us > 0 ? static_cast<std::uint32_t>(us) : 0;
    result.roundTripMs = result.roundTripUs / 1000;
    return result;
  }
};

}  // namespace tarvo

#pragma once

// The dispatcher's inside, shared by its parts: opening and the request
// table (echo_dispatcher.cpp), receiving (echo_dispatcher_receive.cpp) and
// sending (echo_dispatcher_send.cpp).

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <mutex>
#include <random>
#include <system_error>
#include <thread>
#include <vector>

#include "base/event_loop.h"
#include "base/one_shot.h"
#include "engine/echo_dispatcher.h"
#include "engine/echo_dispatcher_support.h"
#include "engine/echo_status.h"
#include "engine/icmp_status_map.h"
#include "engine/request_table.h"
#include "engine/send_refusal.h"

namespace tarvo {

namespace dispatch {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A sequence number is used again on a socket only this long after its
// cycle began: far beyond any answer that could still be on its way.
constexpr auto kSequenceQuarantine = std::chrono::seconds(60);
// Extra datagram sockets close after this long without a request.
constexpr auto kIdleSocketLinger = std::chrono::seconds(60);
constexpr auto kRetryPause = milliseconds(10);
// A request refused with errors meant for others is sent again this often
// at most (within its time-out), pausing now and then to let the receiver
// empty the error queue.
constexpr int kMaxResends = 4096;
constexpr auto kResendPause = std::chrono::microseconds(200);
constexpr int kUnprovenRepeats = 3;
constexpr int kReadsPerWake = 512;
constexpr int kShardBits = 8;
constexpr std::size_t kShardCount = std::size_t{1} << kShardBits;
constexpr int kKeysPerShardRunBits = 6;
constexpr std::uint32_t kSequenceSpace = 65536;

struct Channel;

// One request waiting for its answer; lives on the sender's stack. The
// receiver that finds it in the table takes it out (under the shard's lock)
// before it fills in the answer and posts `answered`, so a sender whose wait
// ran out knows from the table whether an answer is on its way, and the
// shard's lock is held only for the look-up.
struct Pending {
  Ipv4Address destination = 0;
  // An asynchronous request hears its answer here instead of `answered`;
  // such a Pending belongs to the dispatcher's pool.
  EchoCompletion* completion = nullptr;
  Channel* channel = nullptr;
  std::uint32_t key = 0;
  std::atomic<std::uint64_t> generation{0};  // tells a stale deadline from the current one
  std::atomic<Clock::rep> sentAt{0};         // of the last attempt (asynchronous only)
  OneShot answered;
  std::uint32_t status = status::kRequestTimedOut;
  Ipv4Address from = 0;
  std::uint8_t ttl = 0;
  std::uint32_t dataSize = 0;
  Clock::time_point at;
};

struct Shard {
  std::mutex mutex;
  RequestTable<Pending> waiting;
};

struct Channel {
  std::unique_ptr<EchoSocket> socket;
  bool primary = false;
  // Whoever reads the socket holds this and uses the channel's buffer: the
  // receiver, or a sender looking for an answer that is already there.
  std::mutex reading;
  std::vector<std::uint8_t> buffer;
  std::unique_ptr<EchoSocket::ReadBatch> batch;  // made at the first read of answers
  std::atomic<std::uint32_t> inUse{0};           // requests registered and not yet finished
  // Datagram sockets only: the sequence counter and when its cycle began.
  std::uint32_t nextSequence = 0;
  Clock::time_point cycleStart;
  Clock::time_point lastUsed;
};

inline std::uint32_t requestKey(std::uint16_t identifier, std::uint16_t sequence) {
  return static_cast<std::uint32_t>(identifier) << 16 | sequence;
}

}  // namespace dispatch

// Only the dispatcher's own files include this header.
using namespace dispatch;

struct EchoDispatcher::Impl final : LoopPoller {
  using Clock = dispatch::Clock;  // not the activities' pretend-able clock
  mutable std::mutex mutex;       // sockets and allocation; taken before a shard's lock
  std::optional<EchoSocketKind> kind;
  bool optionsAccepted = false;
  std::vector<std::unique_ptr<Channel>> channels;
  // Set once the sockets are open; read without the lock by every send.
  std::atomic<bool> ready{false};
  bool raw = false;
  // Raw sockets never change once open: sends pick them without the lock.
  Channel* rawChannels[2] = {nullptr, nullptr};  // [do-not-fragment]
  std::atomic<std::uint32_t> nextRawToken{0};
  int epollFd = -1;
  bool receiverStarted = false;
  std::atomic<int> attached{0};
  std::array<Shard, kShardCount> shards;

  Shard& shardOf(std::uint32_t key) {
    // Keys are handed out in runs (a counter, or a socket's sequences): a
    // run shares one shard, whose lock and table are then still in the
    // cache for the next request and for the answers, where spreading
    // each key apart would fetch a cold shard every time.
    return shards[(key >> kKeysPerShardRunBits) & (kShardCount - 1)];
  }

  // --- opening ---------------------------------------------------------

  enum class InitResult { Ok, NotAllowed, NotConfigurable, NoDescriptor };

  // Why the last open failed, for the user (under mutex).
  EchoRefusal refusal;

  // Keeps the cause that says most: descriptors that ran out hide whether
  // the other kind would have been allowed, so they win over a refusal.
  void noteRefusal(EchoRefusal::Cause cause, int err) {
    using C = EchoRefusal::Cause;
    const auto rank = [](C c) {
      return c == C::NoDescriptor ? 3 : c == C::NoThread ? 2 : c == C::Other ? 1 : 0;
    };
    if (refusal.cause == C::None || rank(cause) > rank(refusal.cause)) refusal = {cause, err};
  }

  InitResult fromOpenError(const EchoSocket::OpenResult& r) {
    using C = EchoRefusal::Cause;
    if (r.error == EchoSocket::OpenError::NoDescriptor) {
      noteRefusal(C::NoDescriptor, r.err);
    } else if (r.error == EchoSocket::OpenError::NotAllowed &&
               (r.err == EPERM || r.err == EACCES)) {
      noteRefusal(C::NotPermitted, r.err);
    } else {
      noteRefusal(C::Other, r.err);
    }
    switch (r.error) {
      case EchoSocket::OpenError::None:
        return InitResult::Ok;
      case EchoSocket::OpenError::NoDescriptor:
        return InitResult::NoDescriptor;
      case EchoSocket::OpenError::NotConfigurable:
        return InitResult::NotConfigurable;
      default:
        return InitResult::NotAllowed;
    }
  }

  bool registerChannel(Channel* ch) {
    epoll_event ev{};
    ev.events = EPOLLIN;  // EPOLLERR is always reported
    ev.data.ptr = ch;
    return epoll_ctl(epollFd, EPOLL_CTL_ADD, ch->socket->fd(), &ev) == 0;
  }

  std::unique_ptr<Channel> makeChannel(std::unique_ptr<EchoSocket> socket, bool primary) {
    auto ch = std::make_unique<Channel>();
    ch->buffer.resize(65536 + 64);
    ch->socket = std::move(socket);
    ch->primary = primary;
    ch->cycleStart = ch->lastUsed = Clock::now();
    return ch;
  }

  // Opens the two primary sockets (do-not-fragment off and on) of one kind.
  InitResult openPrimaries(EchoSocketKind k) {
    auto off = EchoSocket::open(k, false, RawRole::Receive);
    if (!off.socket) return fromOpenError(off);
    auto on = EchoSocket::open(k, true, RawRole::SendOnly);
    if (!on.socket) return fromOpenError(on);
    if (epollFd < 0) {
      epollFd = epoll_create1(EPOLL_CLOEXEC);
      if (epollFd < 0) {
        const bool noDescriptor = errno == EMFILE || errno == ENFILE;
        noteRefusal(noDescriptor ? EchoRefusal::Cause::NoDescriptor : EchoRefusal::Cause::Other,
                    errno);
        return noDescriptor ? InitResult::NoDescriptor : InitResult::NotConfigurable;
      }
    }
    if (deadlines.wakeFd() >= 0) {
      epoll_event ev{};
      ev.events = EPOLLIN;
      ev.data.ptr = nullptr;  // the deadlines' wake-up, not a channel
      epoll_ctl(epollFd, EPOLL_CTL_ADD, deadlines.wakeFd(), &ev);
    }
    optionsAccepted = off.socket->acceptsIpOptions();
    auto chOff = makeChannel(std::move(off.socket), true);
    auto chOn = makeChannel(std::move(on.socket), true);
    // Every datagram socket reads its own replies; of the raw ones only the
    // receiving one does.
    if (!registerChannel(chOff.get())) return InitResult::NotConfigurable;
    if (k == EchoSocketKind::Datagram && !registerChannel(chOn.get())) {
      epoll_ctl(epollFd, EPOLL_CTL_DEL, chOff->socket->fd(), nullptr);
      return InitResult::NotConfigurable;
    }
    rawChannels[0] = chOff.get();
    rawChannels[1] = chOn.get();
    channels.push_back(std::move(chOff));
    channels.push_back(std::move(chOn));
    std::random_device rd;
    nextRawToken = rd();
    kind = k;
    raw = k == EchoSocketKind::Raw;
    return InitResult::Ok;
  }

  // Opens the shared sockets once; with `startReading`, also starts the
  // receiver, without which no service may use them. A process that gives
  // up its privileges opens the sockets first and starts the receiver only
  // after the drop, so that thread never holds a capability.
  EchoOpenResult ensureOpen(bool startReading) {
    std::lock_guard<std::mutex> lock(mutex);
    if (!kind) {
      useSystemFutexHash();
      std::vector<EchoSocketKind> order;
      if (auto forced = forcedEchoSocketKind()) {
        order.push_back(*forced);
      } else {
        order = {EchoSocketKind::Datagram, EchoSocketKind::Raw};
      }
      // Out of descriptors: no use waiting, nothing in this process is
      // about to give one back before the user learns of it.
      bool configFailed = false;
      // A cause met before the privileges were given up (descriptors that
      // ran out) is kept: a later try is refused for permission alone.
      for (auto k : order) {
        const InitResult r = openPrimaries(k);
        if (r == InitResult::Ok) break;
        configFailed |= r == InitResult::NotConfigurable;
      }
      if (!kind) {
        return configFailed ? EchoOpenResult::EntryPointMissing : EchoOpenResult::LibraryMissing;
      }
    }
    if (!startReading) return EchoOpenResult::Ok;
    // The system may refuse the thread (a process limit): the echo
    // mechanism cannot be had then, like a refused socket.
    if (!startReceiver()) {
      noteRefusal(EchoRefusal::Cause::NoThread, EAGAIN);
      return EchoOpenResult::LibraryMissing;
    }
    refusal = {};
    ready.store(true, std::memory_order_release);
    return EchoOpenResult::Ok;
  }

  bool startReceiver() {
    if (receiverStarted) return true;
    try {
      // The dispatcher lives as long as the process; so does its reader.
      std::thread([this] { engine.run(); }).detach();
    } catch (const std::system_error&) {
      return false;
    }
    receiverStarted = true;
    return true;
  }

  // --- allocation --------------------------------------------------------

  struct Slot {
    Channel* channel = nullptr;
    std::uint16_t identifier = 0;
    std::uint16_t sequence = 0;
    std::uint32_t key = 0;
  };

  bool tryRegister(std::uint32_t key, Pending* p) {
    Shard& s = shardOf(key);
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.waiting.insert(key, p);
  }

  // Takes the request out of the table; false when the receiver took it
  // first (its answer is then being filled in).
  bool unregister(std::uint32_t key) {
    Shard& s = shardOf(key);
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.waiting.erase(key);
  }

  // Takes the next sequence of a datagram channel, honouring the quarantine
  // unless `relaxed` (no other socket can be had).
  bool allocateOn(Channel& ch, Pending* p, Clock::time_point now, bool relaxed, Slot& out) {
    for (std::uint32_t tries = 0; tries < kSequenceSpace; ++tries) {
      if (ch.inUse.load() >= kSequenceSpace) return false;
      if (ch.nextSequence == kSequenceSpace) {
        if (!relaxed && now - ch.cycleStart < kSequenceQuarantine) return false;
        ch.nextSequence = 0;
        ch.cycleStart = now;
      }
      const auto seq = static_cast<std::uint16_t>(ch.nextSequence++);
      const std::uint32_t key = requestKey(ch.socket->identifier(), seq);
      if (tryRegister(key, p)) {
        out = Slot{&ch, ch.socket->identifier(), seq, key};
        return true;
      }
    }
    return false;
  }

  bool allocateDatagram(bool df, Pending* p, Clock::time_point now, Slot& out) {
    for (auto& ch : channels) {
      if (ch->socket->dontFragment() == df && allocateOn(*ch, p, now, false, out)) return true;
    }
    auto opened = EchoSocket::open(EchoSocketKind::Datagram, df, RawRole::Receive);
    if (opened.socket) {
      auto ch = makeChannel(std::move(opened.socket), false);
      if (registerChannel(ch.get())) {
        channels.push_back(std::move(ch));
        if (allocateOn(*channels.back(), p, now, false, out)) return true;
      }
    }
    // No further socket: rather reuse sequences early than fail.
    for (auto& ch : channels) {
      if (ch->socket->dontFragment() == df && allocateOn(*ch, p, now, true, out)) return true;
    }
    return false;
  }

  // Lock-free but for the table's shard: raw sockets are fixed once open.
  bool allocateRaw(bool df, Pending* p, Slot& out) {
    Channel* target = rawChannels[df ? 1 : 0];
    for (int tries = 0; tries < 1024; ++tries) {
      const std::uint32_t key = nextRawToken.fetch_add(1, std::memory_order_relaxed);
      if (tryRegister(key, p)) {
        out = Slot{target, static_cast<std::uint16_t>(key >> 16),
                   static_cast<std::uint16_t>(key & 0xFFFF), key};
        return true;
      }
    }
    return false;
  }

  bool allocate(bool df, Pending* p, Clock::time_point giveUp, Slot& out) {
    for (;;) {
      if (raw) {
        if (allocateRaw(df, p, out)) {
          out.channel->inUse.fetch_add(1);
          return true;
        }
      } else {
        std::lock_guard<std::mutex> lock(mutex);
        const auto now = Clock::now();
        if (allocateDatagram(df, p, now, out)) {
          out.channel->inUse.fetch_add(1);
          out.channel->lastUsed = now;
          return true;
        }
      }
      if (Clock::now() >= giveUp) return false;
      std::this_thread::sleep_for(kRetryPause);
    }
  }

  // --- receiving -----------------------------------------------------------

  void deliver(const icmp::IcmpMessage& m, bool truncated, Clock::time_point at);

  // Reads what the socket holds, up to kReadsPerWake messages; the caller
  // holds ch.reading. Stops early once `until` has its answer.
  void drain(Channel& ch, bool errors, const Pending* until = nullptr);
  void drainData(Channel& ch, const Pending* until);
  // The same, then the answers of asynchronous requests go to their owners.
  void drainAndHandOn(Channel& ch, bool errors, const Pending* until = nullptr);
  // A sender's look for answers already queued (on loopback the answer is
  // there before the send returns), so it need not sleep and be woken.
  void drainBeforeWaiting(Channel& ch, const Pending& p);

  void closeIdleSockets(Clock::time_point now);

  // The receiver's thread is the engine's loop: it reads every answer and
  // runs the small state machines of sweeps and monitors, whose answers
  // then need no hand-off to another thread.
  EventLoop engine{systemClock(), this};
  Clock::time_point lastHousekeeping = Clock::now();
  void poll(int timeoutMs) override;
  void wake() override { deadlines.wake(); }

  // --- asynchronous requests (echo_dispatcher_async.cpp) ------------------

  AsyncDeadlines<Pending> deadlines;
  PendingPool<Pending> pending;
  Pending* acquirePending();
  void finishAsync(Pending& p, std::uint32_t status, Ipv4Address from, std::uint8_t ttl,
                   std::uint32_t dataSize, Clock::time_point at);
  // Hands the answers finishAsync took on this thread to their requesters.
  void handOnHeldAnswers();
  // Times out every asynchronous request whose deadline has passed.
  void expireDue(Clock::time_point now);
  void sendAsync(Ipv4Address destination, std::span<const std::uint8_t> payload,
                 const EchoOptions& options, std::uint32_t timeoutMs, EchoCompletion& done);

  // --- sending -------------------------------------------------------------

  static constexpr int kNeverSent = -1;

  // Sends the request; 0, the errno of its own refusal, or kNeverSent. On a
  // datagram socket a failure may be an ICMP error pending for another
  // request (see send_refusal.h): that error was used up by the failed send
  // and its report still waits in the error queue for its owner, so the
  // request is sent again, for as long as its time allows, unless the
  // refusal proves to be its own.
  // `sentAt` comes in as the moment of the first attempt (read just
  // before) and goes out as that of the last.
  int sendOwnRequest(const Slot& slot, Ipv4Address destination,
                     std::span<const std::uint8_t> payload, const EchoOptions& options,
                     Clock::time_point giveUp, Clock::time_point& sentAt,
                     std::atomic<Clock::rep>* sentAtShared = nullptr);

  EchoResult send(Ipv4Address destination, std::span<const std::uint8_t> payload,
                  const EchoOptions& options, std::uint32_t timeoutMs);
};

}  // namespace tarvo

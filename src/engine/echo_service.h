#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "engine/echo_types.h"

namespace tarvo {

class EventLoop;

// Outcome of EchoService::open(). The two failure kinds keep the messages
// users know: the echo mechanism cannot be had at all, or it can be had but
// not set up.
enum class EchoOpenResult { Ok, LibraryMissing, EntryPointMissing };
// "Could not load ICMP.DLL" or "Error getting ICMP proc address", without
// any prefix; empty for Ok.
std::string echoOpenFailureText(EchoOpenResult result);

// Why no echo socket could be had. Only a refusal for lack of permission is
// mended by allowing ping sockets or granting the capability; a user out of
// descriptors or threads must hear that instead.
struct EchoRefusal {
  enum class Cause { None, NotPermitted, NoDescriptor, NoThread, Other };
  Cause cause = Cause::None;
  int err = 0;  // the errno that came with it, 0 when none
};
// "no descriptor is free for an echo socket (Too many open files)" and the
// like; empty for None and NotPermitted, which the permission advice covers.
std::string echoRefusalText(const EchoRefusal& refusal);

// Hears the outcome of an asynchronous echo request: exactly once, on
// whichever thread has it (possibly within sendAsync itself). The object
// must stay alive until then.
class EchoCompletion {
 public:
  virtual void echoDone(const EchoResult& result) = 0;

 protected:
  ~EchoCompletion() = default;
};

// One echo service per worker, used by one worker at a time, in the order
// open, createHandle, send..., closeHandle, close.
class EchoService {
 public:
  virtual ~EchoService() = default;
  virtual EchoOpenResult open() = 0;
  virtual void createHandle() = 0;
  // Sends one echo request and waits at most timeoutMs for the first reply
  // or error report. Never throws; every problem arrives as a status code.
  // The destination's family picks the echo protocol.
  virtual EchoResult send(const IpAddress& destination, std::span<const std::uint8_t> payload,
                          const EchoOptions& options, std::uint32_t timeoutMs) = 0;
  // The same request without waiting: `done` hears the result, at most
  // timeoutMs after it went out. Payload and service stay untouched by the
  // caller until then. This one runs send() on a thread of its own (on the
  // caller's, blocking, where none can be had); a service that can wait for
  // its answers without a thread does better.
  virtual void sendAsync(const IpAddress& destination, std::span<const std::uint8_t> payload,
                         const EchoOptions& options, std::uint32_t timeoutMs, EchoCompletion& done);
  // The loop that hears this service's asynchronous answers on its own
  // thread, where a state machine best runs (no hand-off per answer); none
  // for a service whose answers come from a thread of their own.
  virtual EventLoop* engine() { return nullptr; }
  virtual void closeHandle() = 0;
  virtual void close() = 0;
};

// Makes a fresh service for one worker. Activities are given a factory so
// tests can put a scripted service in place of the real one.
using EchoServiceFactory = std::function<std::unique_ptr<EchoService>()>;

// The real ICMP service.
EchoServiceFactory icmpEchoServiceFactory();

// Result of the start-up check the window makes once.
struct NetworkCheck {
  bool networkReady = false;
  bool ipOptionsSupported = false;
  // When not ready: the message line ("  · Could not load ICMP.DLL", ...).
  std::string message;
  // What opening the echo service gave; LibraryMissing means no echo socket
  // may be had at all, which the user can allow.
  EchoOpenResult opened = EchoOpenResult::Ok;
  EchoRefusal refusal;
};
NetworkCheck runNetworkCheck();

// Fills a payload with A to Z over and over.
void fillLetters(std::span<std::uint8_t> payload);

}  // namespace tarvo

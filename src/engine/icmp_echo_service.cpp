#include "engine/icmp_echo_service.h"

#include <cstring>
#include <string>

#include "engine/echo6_dispatcher.h"
#include "engine/echo_dispatcher.h"
#include "engine/echo_status.h"

namespace tarvo {

IcmpEchoService::~IcmpEchoService() { close(); }

EchoOpenResult IcmpEchoService::open() {
  if (open_) return EchoOpenResult::Ok;
  const EchoOpenResult r = EchoDispatcher::instance().attach();
  open_ = r == EchoOpenResult::Ok;
  return r;
}

EchoResult IcmpEchoService::send(const IpAddress& destination,
                                 std::span<const std::uint8_t> payload, const EchoOptions& options,
                                 std::uint32_t timeoutMs) {
  EchoResult r;
  r.status = status::kGeneralFailure;
  r.replyAddress = destination;
  if (!open_) return r;
  if (const std::optional<Ipv4Address> v4 = destination.asV4()) {
    return EchoDispatcher::instance().send(*v4, payload, options, timeoutMs);
  }
  // IPv6 sockets are opened on their own: where they cannot be had, only
  // IPv6 requests fail.
  if (!open6_) open6_ = Echo6Dispatcher::instance().attach() == EchoOpenResult::Ok;
  if (!open6_) return r;
  return Echo6Dispatcher::instance().send(destination, payload, options, timeoutMs);
}

void IcmpEchoService::sendAsync(const IpAddress& destination, std::span<const std::uint8_t> payload,
                                const EchoOptions& options, std::uint32_t timeoutMs,
                                EchoCompletion& done) {
  EchoResult failed;
  failed.status = status::kGeneralFailure;
  failed.replyAddress = destination;
  if (!open_) return done.echoDone(failed);
  if (const std::optional<Ipv4Address> v4 = destination.asV4()) {
    return EchoDispatcher::instance().sendAsync(*v4, payload, options, timeoutMs, done);
  }
  if (!open6_) open6_ = Echo6Dispatcher::instance().attach() == EchoOpenResult::Ok;
  if (!open6_) return done.echoDone(failed);
  Echo6Dispatcher::instance().sendAsync(destination, payload, options, timeoutMs, done);
}

EventLoop* IcmpEchoService::engine() {
  return open_ ? &EchoDispatcher::instance().engine() : nullptr;
}

void IcmpEchoService::close() {
  if (!open_) return;
  open_ = false;
  EchoDispatcher::instance().detach();
}

EchoServiceFactory icmpEchoServiceFactory() {
  return []() -> std::unique_ptr<EchoService> { return std::make_unique<IcmpEchoService>(); };
}

NetworkCheck runNetworkCheck() {
  NetworkCheck check;
  IcmpEchoService service;
  check.opened = service.open();
  if (check.opened != EchoOpenResult::Ok) {
    check.refusal = EchoDispatcher::instance().refusal();
    check.message = "  \u00B7 " + echoOpenFailureText(check.opened);
    return check;
  }
  service.close();
  // The dispatcher keeps the sockets it opened here, so a front end may give
  // up its raw-socket privilege after this check.
  check.ipOptionsSupported = EchoDispatcher::instance().ipOptionsAccepted();
  check.networkReady = true;
  return check;
}

std::string echoOpenFailureText(EchoOpenResult result) {
  switch (result) {
    case EchoOpenResult::LibraryMissing:
      return "Could not load ICMP.DLL";
    case EchoOpenResult::EntryPointMissing:
      return "Error getting ICMP proc address";
    case EchoOpenResult::Ok:
      break;
  }
  return {};
}

std::string echoRefusalText(const EchoRefusal& refusal) {
  const std::string cause =
      refusal.err != 0 ? " (" + std::string(std::strerror(refusal.err)) + ")" : "";
  switch (refusal.cause) {
    case EchoRefusal::Cause::NoDescriptor:
      return "no descriptor is free for an echo socket" + cause;
    case EchoRefusal::Cause::NoThread:
      return "no thread could be started to read the echo replies" + cause;
    case EchoRefusal::Cause::Other:
      return "the echo socket could not be opened" + cause;
    case EchoRefusal::Cause::None:
    case EchoRefusal::Cause::NotPermitted:
      break;
  }
  return {};
}

void fillLetters(std::span<std::uint8_t> payload) {
  for (std::size_t i = 0; i < payload.size(); ++i)
    payload[i] = static_cast<std::uint8_t>('A' + i % 26);
}

}  // namespace tarvo

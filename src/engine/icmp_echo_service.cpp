#include "engine/icmp_echo_service.h"

#include <cstring>
#include <string>

#include "engine/address.h"
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

EchoResult IcmpEchoService::send(Ipv4Address destination, std::span<const std::uint8_t> payload,
                                 const EchoOptions& options, std::uint32_t timeoutMs) {
  if (!open_) {
    EchoResult r;
    r.status = status::kGeneralFailure;
    r.replyAddress = destination;
    return r;
  }
  return EchoDispatcher::instance().send(destination, payload, options, timeoutMs);
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
  if (check.opened != EchoOpenResult::Ok) check.refusal = EchoDispatcher::instance().refusal();
  switch (check.opened) {
    case EchoOpenResult::LibraryMissing:
      check.message = "  \u00B7 Could not load ICMP.DLL";
      return check;
    case EchoOpenResult::EntryPointMissing:
      check.message = "  \u00B7 Error getting ICMP proc address";
      return check;
    case EchoOpenResult::Ok:
      break;
  }
  service.createHandle();
  const SocketStart start = startSockets();
  if (start.kind == SocketStart::StartError) {
    check.message = "  \u00B7 WinSock startup error: " + std::to_string(start.code);
  } else if (start.kind == SocketStart::WrongVersion) {
    check.message = "  \u00B7 WinSock version 2.0 not supported";
  }
  stopSockets();
  service.closeHandle();
  service.close();
  if (!check.message.empty()) return check;
  // The dispatcher keeps the sockets it opened here, so a front end may give
  // up its raw-socket privilege after this check.
  check.ipOptionsSupported = EchoDispatcher::instance().ipOptionsAccepted();
  check.networkReady = true;
  return check;
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

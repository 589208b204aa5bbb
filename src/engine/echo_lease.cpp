#include "engine/echo_lease.h"

#include <new>

namespace tarvo {

std::string echoStartFailureText(EchoStartFailure failure, int code, StartupWording wording) {
  switch (failure) {
    case EchoStartFailure::None:
      return {};
    case EchoStartFailure::LibraryMissing:
      return "Could not load ICMP.DLL";
    case EchoStartFailure::EntryPointMissing:
      return "Error getting ICMP proc address";
    case EchoStartFailure::SocketStartError:
      return (wording == StartupWording::WithCall ? "WinSock startup() error: "
                                                  : "WinSock startup error: ") +
             std::to_string(code);
    case EchoStartFailure::SocketWrongVersion:
      return "WinSock version 2.0 not supported";
  }
  return {};
}

EchoStartFailure SocketStartLease::start() {
  const SocketStart start = startSockets();
  started_ = true;
  code_ = start.code;
  switch (start.kind) {
    case SocketStart::StartError:
      return EchoStartFailure::SocketStartError;
    case SocketStart::WrongVersion:
      return EchoStartFailure::SocketWrongVersion;
    case SocketStart::Ok:
      break;
  }
  return EchoStartFailure::None;
}

void SocketStartLease::release() {
  if (started_) stopSockets();
  started_ = false;
}

bool EchoLease::open() {
  const EchoOpenResult opened = service_ ? service_->open() : EchoOpenResult::LibraryMissing;
  if (opened != EchoOpenResult::Ok) {
    failure_ = opened == EchoOpenResult::EntryPointMissing ? EchoStartFailure::EntryPointMissing
                                                           : EchoStartFailure::LibraryMissing;
    return false;
  }
  opened_ = true;
  failure_ = sockets_.start();
  return failure_ == EchoStartFailure::None;
}

void EchoLease::preparePayload(std::size_t bytes) {
  try {
    payload_.resize(bytes);
  } catch (const std::bad_alloc&) {
    std::vector<std::uint8_t>().swap(payload_);
  }
  fillLetters(payload_);
}

void EchoLease::createHandle() {
  service_->createHandle();
  handle_ = true;
}

void EchoLease::release() {
  std::vector<std::uint8_t>().swap(payload_);
  sockets_.release();
  if (handle_) service_->closeHandle();
  if (opened_) service_->close();
  handle_ = opened_ = false;
}

}  // namespace tarvo

#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/address.h"
#include "engine/echo_service.h"

namespace tarvo {

// Why a run could not set up its echo requests.
enum class EchoStartFailure {
  None,
  LibraryMissing,     // no echo mechanism at all
  EntryPointMissing,  // the mechanism is there but cannot be set up
  SocketStartError,   // the socket library did not start
  SocketWrongVersion  // the socket library is too old
};

// How the socket start-up error is worded. The range ping has always
// written the start-up call with its parentheses.
enum class StartupWording { Plain, WithCall };

// The text of a start-up failure, without any prefix: "Could not load
// ICMP.DLL", "Error getting ICMP proc address", "WinSock startup error: N",
// "WinSock version 2.0 not supported". Empty for None.
std::string echoStartFailureText(EchoStartFailure failure, int code,
                                 StartupWording wording = StartupWording::Plain);

// The socket library's start and its matching stop, held for one run. The
// stop follows every start, even a failed one, as every run has done.
class SocketStartLease {
 public:
  SocketStartLease() = default;
  ~SocketStartLease() { release(); }
  SocketStartLease(const SocketStartLease&) = delete;
  SocketStartLease& operator=(const SocketStartLease&) = delete;

  // Starts the socket library; None or the kind of failure.
  EchoStartFailure start();
  int code() const { return code_; }
  void release();

 private:
  bool started_ = false;
  int code_ = 0;
};

// Everything one worker holds while it sends echo requests: the echo
// service, the socket start, the service's handle and the request data.
// open() takes the service and the socket start; release() (also run by the
// destructor) gives back what was taken, in the order data, socket start,
// handle, service, so every path out of a run releases the same way.
class EchoLease {
 public:
  // A null service counts as a missing echo mechanism.
  explicit EchoLease(std::unique_ptr<EchoService> service) : service_(std::move(service)) {}
  ~EchoLease() { release(); }
  EchoLease(const EchoLease&) = delete;
  EchoLease& operator=(const EchoLease&) = delete;

  // Opens the service, then starts the sockets. False on failure, which
  // failureText() then describes; what was taken is released by release().
  bool open();
  EchoStartFailure failure() const { return failure_; }
  std::string failureText(StartupWording wording = StartupWording::Plain) const {
    return echoStartFailureText(failure_, sockets_.code(), wording);
  }

  // Sizes the request data and fills it with letters. Without memory for it
  // the requests go out empty, which is no failure.
  void preparePayload(std::size_t bytes);
  const std::vector<std::uint8_t>& payload() const { return payload_; }

  // The service's handle, closed again on release.
  void createHandle();

  EchoService& service() { return *service_; }

  void release();

 private:
  std::unique_ptr<EchoService> service_;
  SocketStartLease sockets_;
  std::vector<std::uint8_t> payload_;
  EchoStartFailure failure_ = EchoStartFailure::None;
  bool opened_ = false;
  bool handle_ = false;
};

}  // namespace tarvo

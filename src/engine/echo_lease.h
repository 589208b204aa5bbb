#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/echo_service.h"

namespace tarvo {

// Everything one worker holds while it sends echo requests: the echo
// service, the service's handle and the request data. open() takes the
// service; release() (also run by the destructor) gives back what was
// taken, in the order data, handle, service, so every path out of a run
// releases the same way.
class EchoLease {
 public:
  // A null service counts as a missing echo mechanism.
  explicit EchoLease(std::unique_ptr<EchoService> service) : service_(std::move(service)) {}
  ~EchoLease() { release(); }
  EchoLease(const EchoLease&) = delete;
  EchoLease& operator=(const EchoLease&) = delete;

  // Opens the service. False on failure, which failureText() then
  // describes without any prefix: "Could not load ICMP.DLL" or "Error
  // getting ICMP proc address".
  bool open();
  std::string failureText() const { return echoOpenFailureText(result_); }

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
  std::vector<std::uint8_t> payload_;
  EchoOpenResult result_ = EchoOpenResult::Ok;
  bool opened_ = false;
  bool handle_ = false;
};

}  // namespace tarvo

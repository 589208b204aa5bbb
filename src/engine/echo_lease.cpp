#include "engine/echo_lease.h"

#include <new>

namespace tarvo {

bool EchoLease::open() {
  result_ = service_ ? service_->open() : EchoOpenResult::LibraryMissing;
  opened_ = result_ == EchoOpenResult::Ok;
  return opened_;
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
  if (handle_) service_->closeHandle();
  if (opened_) service_->close();
  handle_ = opened_ = false;
}

}  // namespace tarvo

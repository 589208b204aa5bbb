#include "engine/echo6_dispatcher_impl.h"

namespace tarvo {

Echo6Dispatcher& Echo6Dispatcher::instance() {
  // Never destroyed: its reader thread may still run while the process exits.
  static Echo6Dispatcher* d = new Echo6Dispatcher();
  return *d;
}

Echo6Dispatcher::Echo6Dispatcher() : impl_(new Impl()) {}

EchoOpenResult Echo6Dispatcher::openSocketsOnly() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->openSockets();
}

EchoOpenResult Echo6Dispatcher::attach() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  const EchoOpenResult r = impl_->openSockets();
  if (r != EchoOpenResult::Ok || impl_->receiverStarted) return r;
  try {
    // The dispatcher lives as long as the process; so does its reader.
    std::thread([impl = impl_] { impl->receiveLoop(); }).detach();
  } catch (const std::system_error&) {
    return EchoOpenResult::LibraryMissing;
  }
  impl_->receiverStarted = true;
  impl_->ready.store(true, std::memory_order_release);
  return r;
}

std::optional<EchoSocketKind> Echo6Dispatcher::kind() const {
  std::lock_guard<std::mutex> lock(impl_->tableMutex);
  if (impl_->channels.empty()) return std::nullopt;
  return impl_->raw ? EchoSocketKind::Raw : EchoSocketKind::Datagram;
}

int Echo6Dispatcher::openSockets() const {
  std::lock_guard<std::mutex> lock(impl_->tableMutex);
  return static_cast<int>(impl_->channels.size());
}

EchoResult Echo6Dispatcher::send(const IpAddress& destination,
                                 std::span<const std::uint8_t> payload, const EchoOptions& options,
                                 std::uint32_t timeoutMs) noexcept {
  try {
    return impl_->send(destination, payload, options, timeoutMs);
  } catch (...) {
    // Only memory exhaustion or a failed lock can get here.
    EchoResult r;
    r.status = status::kNoResources;
    r.replyAddress = destination;
    return r;
  }
}

}  // namespace tarvo

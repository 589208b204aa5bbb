#include "engine/echo_dispatcher_impl.h"

namespace tarvo {

EchoDispatcher& EchoDispatcher::instance() {
  // Never destroyed: its reader thread may still run while the process exits.
  static EchoDispatcher* d = new EchoDispatcher();
  return *d;
}

EchoDispatcher::EchoDispatcher() : impl_(new Impl()) {}

EchoOpenResult EchoDispatcher::openSocketsOnly() { return impl_->ensureOpen(false); }

EchoOpenResult EchoDispatcher::attach() {
  const EchoOpenResult r = impl_->ensureOpen(true);
  if (r == EchoOpenResult::Ok) impl_->attached.fetch_add(1);
  return r;
}

EventLoop& EchoDispatcher::engine() { return impl_->engine; }

void EchoDispatcher::detach() { impl_->attached.fetch_sub(1); }

EchoResult EchoDispatcher::send(Ipv4Address destination, std::span<const std::uint8_t> payload,
                                const EchoOptions& options, std::uint32_t timeoutMs) noexcept {
  try {
    return impl_->send(destination, payload, options, timeoutMs);
  } catch (...) {
    // Only memory exhaustion or a failed lock can get here.
    EchoResult r;
    r.status = status::kNoResources;
    r.replyAddress = IpAddress::v4(destination);
    return r;
  }
}

EchoRefusal EchoDispatcher::refusal() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->refusal;
}

std::optional<EchoSocketKind> EchoDispatcher::kind() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->kind;
}

bool EchoDispatcher::ipOptionsAccepted() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->optionsAccepted;
}

int EchoDispatcher::attachedServices() const { return impl_->attached.load(); }

int EchoDispatcher::openSockets() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return static_cast<int>(impl_->channels.size());
}

int EchoDispatcher::pendingRequests() const {
  int n = 0;
  for (auto& s : impl_->shards) {
    std::lock_guard<std::mutex> lock(s.mutex);
    n += static_cast<int>(s.waiting.size());
  }
  return n;
}

}  // namespace tarvo

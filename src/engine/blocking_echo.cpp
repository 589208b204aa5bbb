// The asynchronous request of a service that can only wait: send() on a
// thread of its own, which hands the result on and frees itself.

#include <new>
#include <vector>

#include "base/thread_base.h"
#include "engine/echo_service.h"

namespace tarvo {

namespace {

class BlockingEcho : public ThreadBase {
 public:
  BlockingEcho(EchoService& service, const IpAddress& destination,
               std::span<const std::uint8_t> payload, const EchoOptions& options,
               std::uint32_t timeoutMs, EchoCompletion& done)
      : service_(service),
        destination_(destination),
        payload_(payload),
        options_(options),
        timeoutMs_(timeoutMs),
        done_(done) {}

  void call() { done_.echoDone(service_.send(destination_, payload_, options_, timeoutMs_)); }

 protected:
  void execute() override { call(); }

 private:
  EchoService& service_;
  IpAddress destination_;
  std::span<const std::uint8_t> payload_;
  EchoOptions options_;
  std::uint32_t timeoutMs_;
  EchoCompletion& done_;
};

}  // namespace

void EchoService::sendAsync(const IpAddress& destination, std::span<const std::uint8_t> payload,
                            const EchoOptions& options, std::uint32_t timeoutMs,
                            EchoCompletion& done) {
  BlockingEcho* call =
      new (std::nothrow) BlockingEcho(*this, destination, payload, options, timeoutMs, done);
  if (call) {
    call->setFreeOnTerminate(true);
    if (call->start()) return;
  }
  // No thread to be had: the caller waits, rather than the request failing
  // for a shortage that says nothing about the destination.
  if (call) {
    call->call();
    delete call;
  } else {
    done.echoDone(send(destination, payload, options, timeoutMs));
  }
}

}  // namespace tarvo

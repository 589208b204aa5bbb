#include "fake_echo_service.h"

#include <chrono>
#include <thread>

namespace tarvo::testing {

class FakeEchoService : public EchoService {
 public:
  explicit FakeEchoService(FakeEchoNetwork& net) : net_(net) {}
  ~FakeEchoService() override { close(); }
  EchoOpenResult open() override {
    EchoOpenResult r = net_.openResult_.load();
    if (r == EchoOpenResult::Ok) {
      opened_ = true;
      net_.open_.fetch_add(1);
    }
    return r;
  }
  void createHandle() override {}
  EchoResult send(const IpAddress& destination, std::span<const std::uint8_t> payload,
                  const EchoOptions& options, std::uint32_t timeoutMs) override {
    FakeSend s;
    s.address = destination;
    s.destination = destination.asV4().value_or(0);
    s.payload.assign(payload.begin(), payload.end());
    s.options = options;
    s.timeoutMs = timeoutMs;
    s.sendIndex = sends_++;
    FakeReply r = net_.answer(std::move(s));
    if (r.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(r.delayMs));
    return r.result;
  }
  void closeHandle() override {}
  void close() override {
    if (opened_) {
      opened_ = false;
      net_.open_.fetch_sub(1);
    }
  }

 private:
  FakeEchoNetwork& net_;
  int sends_ = 0;
  bool opened_ = false;
};

FakeEchoNetwork::FakeEchoNetwork() {
  responder_ = [](const FakeSend& s) {
    return reply(s.address, 1, static_cast<std::uint16_t>(s.payload.size()));
  };
}

void FakeEchoNetwork::setResponder(Responder responder) {
  std::lock_guard<std::mutex> lock(mutex_);
  responder_ = std::move(responder);
}

EchoServiceFactory FakeEchoNetwork::factory() {
  return [this]() -> std::unique_ptr<EchoService> {
    created_.fetch_add(1);
    return std::make_unique<FakeEchoService>(*this);
  };
}

std::vector<FakeSend> FakeEchoNetwork::sends() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return sends_;
}

FakeReply FakeEchoNetwork::answer(FakeSend send) {
  Responder responder;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    sends_.push_back(send);
    responder = responder_;
  }
  return responder(send);
}

FakeReply FakeEchoNetwork::reply(const IpAddress& from, std::uint32_t rttMs, std::uint16_t bytes,
                                 std::uint8_t ttl, std::uint32_t delayMs) {
  FakeReply r;
  r.result.status = 0;
  r.result.replyAddress = from;
  r.result.roundTripMs = rttMs;
  r.result.replyDataSize = bytes;
  r.result.replyTtl = ttl;
  r.delayMs = delayMs;
  return r;
}

FakeReply FakeEchoNetwork::failure(std::uint32_t status, const IpAddress& from,
                                   std::uint32_t delayMs) {
  FakeReply r;
  r.result.status = status;
  r.result.replyAddress = from;
  r.delayMs = delayMs;
  return r;
}

}  // namespace tarvo::testing

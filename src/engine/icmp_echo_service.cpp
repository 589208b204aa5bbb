// Placeholder until the socket engine lands: reports the mechanism missing.
#include "engine/echo_service.h"

namespace tarvo {

namespace {
class MissingEchoService : public EchoService {
 public:
  EchoOpenResult open() override { return EchoOpenResult::LibraryMissing; }
  void createHandle() override {}
  EchoResult send(Ipv4Address destination, std::span<const std::uint8_t>, const EchoOptions&,
                  std::uint32_t) override {
    EchoResult r;
    r.status = 11050;
    r.replyAddress = destination;
    return r;
  }
  void closeHandle() override {}
  void close() override {}
};
}  // namespace

EchoServiceFactory icmpEchoServiceFactory() {
  return [] { return std::make_unique<MissingEchoService>(); };
}

NetworkCheck runNetworkCheck() { return {false, false, "  \u00B7 Could not load ICMP.DLL"}; }

void fillLetters(std::span<std::uint8_t> payload) {
  for (std::size_t i = 0; i < payload.size(); ++i)
    payload[i] = static_cast<std::uint8_t>('A' + i % 26);
}

}  // namespace tarvo

#include "range/range_worker.h"

#include <chrono>
#include <memory>
#include <new>
#include <vector>

#include "engine/address.h"
#include "engine/echo_status.h"
#include "range/range_plan.h"

namespace tarvo {

namespace {

using Clock = std::chrono::steady_clock;

// Everything a worker holds while it pings, released on every path out in
// the established order: buffers, socket start, handle, service.
class EchoSession {
 public:
  explicit EchoSession(std::unique_ptr<EchoService> service) : service_(std::move(service)) {}
  ~EchoSession() { release(); }
  EchoSession(const EchoSession&) = delete;
  EchoSession& operator=(const EchoSession&) = delete;

  EchoService& service() { return *service_; }
  void opened() { opened_ = true; }
  void socketsStarted() { sockets_ = true; }
  void handleCreated() { handle_ = true; }
  std::vector<std::uint8_t>& payload() { return payload_; }

  void release() {
    std::vector<std::uint8_t>().swap(payload_);
    if (sockets_) stopSockets();
    if (handle_) service_->closeHandle();
    if (opened_) service_->close();
    sockets_ = handle_ = opened_ = false;
  }

 private:
  std::unique_ptr<EchoService> service_;
  std::vector<std::uint8_t> payload_;
  bool opened_ = false;
  bool sockets_ = false;
  bool handle_ = false;
};

std::string reachedOutcome(std::uint16_t bytes, std::uint32_t sent, std::uint32_t received,
                           std::uint32_t minimum, std::uint32_t sum, std::uint32_t maximum,
                           std::uint32_t ttl) {
  const std::uint32_t lost = sent - received;
  if (minimum == 65536) minimum = 0;
  const std::uint32_t average = sum / received;
  return "Bytes=" + std::to_string(bytes) + ";  sent/recv/lost=" + std::to_string(sent) + "/" +
         std::to_string(received) + "/" + std::to_string(lost) +
         ";  min/avg/max=" + std::to_string(minimum) + "/" + std::to_string(average) + "/" +
         std::to_string(maximum) + ";  TTL=" + std::to_string(ttl);
}

// Milliseconds still to wait so that at least intervalMs lie between since
// and now, rounded up so the interval is never cut short.
std::uint32_t remainingMs(Clock::time_point since, std::uint32_t intervalMs) {
  const auto elapsed = Clock::now() - since;
  const auto interval = std::chrono::milliseconds(intervalMs);
  if (elapsed >= interval) return 0;
  return static_cast<std::uint32_t>(
      std::chrono::ceil<std::chrono::milliseconds>(interval - elapsed).count());
}

}  // namespace

TPingrange::TPingrange(RangeSlotTable& table, std::uint32_t slot, std::string destination,
                       std::uint32_t third, std::uint32_t fourth,
                       const RangeWorkerSettings& settings)
    : table_(table),
      settings_(settings),
      slot_(slot),
      destination_(std::move(destination)),
      third_(third),
      fourth_(fourth) {}

void TPingrange::publish(std::int32_t code, const std::string& outcome) {
  std::string line;
  line.reserve(6 + destination_.size() + 2 + outcome.size());
  line += "      ";
  line += destination_;
  line += "  ";
  line += outcome;
  table_.publish(slot_, code, std::move(line));
}

void TPingrange::execute() {
  std::string outcome = "User break";
  publish(range_code::kRunning, outcome);
  table_.markStarted(started_);

  const int bits = settings_.netMaskBits;
  if (settings_.skipNetwork && isNetworkAddress(third_, fourth_, bits)) {
    publish(range_code::kNetwork, "--- IP subnet address. Not pinged. ---");
    return;
  }
  if (settings_.skipBroadcast && isBroadcastAddress(third_, fourth_, bits)) {
    publish(range_code::kBroadcast, "--- Broadcast address. Not pinged. ---");
    return;
  }

  std::unique_ptr<EchoSession> session;
  try {
    session = std::make_unique<EchoSession>(settings_.echoFactory());
  } catch (const std::bad_alloc&) {
    publish(range_code::kNotReached, "Memory allocation failure");
    return;
  }
  auto fail = [&](const std::string& text) {
    session->release();
    publish(range_code::kNotReached, text);
  };

  switch (session->service().open()) {
    case EchoOpenResult::Ok:
      session->opened();
      break;
    case EchoOpenResult::LibraryMissing:
      return fail("Could not load ICMP.DLL");
    case EchoOpenResult::EntryPointMissing:
      return fail("Error getting ICMP proc address");
  }
  const SocketStart sockets = startSockets();
  session->socketsStarted();  // released even after a failed start, as every run does
  if (sockets.kind == SocketStart::StartError) {
    return fail("WinSock startup() error: " + std::to_string(sockets.code));
  }
  if (sockets.kind == SocketStart::WrongVersion) {
    return fail("WinSock version 2.0 not supported");
  }
  const std::optional<Ipv4Address> parsed = parseDottedAddress(destination_);
  if (!parsed) return fail("Wrong IP address format");
  Ipv4Address destination = *parsed;

  // A request buffer that cannot be had is no failure: the requests then
  // carry no data.
  try {
    session->payload().resize(settings_.dataSize);
  } catch (const std::bad_alloc&) {
    std::vector<std::uint8_t>().swap(session->payload());
  }
  fillLetters(session->payload());
  session->service().createHandle();
  session->handleCreated();

  std::int32_t code = range_code::kNotReached;
  std::uint32_t sent = 0;
  std::uint32_t received = 0;
  std::uint32_t sum = 0;
  std::uint32_t minimum = 65536;
  std::uint32_t maximum = 0;
  std::uint16_t replyBytes = 0;
  std::uint32_t replyTtl = 0;
  Clock::time_point lastSend{};

  for (std::uint32_t round = 0; settings_.count == 0 || round < settings_.count; ++round) {
    if (stopRequested() || (round > 0 && sleepInSlices(remainingMs(lastSend, settings_.delayMs)))) {
      session->release();
      return publish(code, outcome);
    }
    lastSend = Clock::now();
    const EchoResult result = session->service().send(destination, session->payload(),
                                                      settings_.options, settings_.waitMs);
    ++sent;
    const ReplySource source = formatReplySource(result, destination);
    outcome = source.fromOther ? "Reply from " + source.text + ": " : std::string();
    if (result.status == 0) {
      code = range_code::kReached;
      ++received;
      replyBytes = result.replyDataSize;
      replyTtl = result.replyTtl;
      sum += result.roundTripMs;
      if (result.roundTripMs < minimum) minimum = result.roundTripMs;
      if (result.roundTripMs > maximum) maximum = result.roundTripMs;
      destination = result.replyAddress;
    } else if (const char* text = echoStatusText(result.status)) {
      outcome += text;
    } else {
      outcome = "ICMP Status = " + std::to_string(static_cast<std::int32_t>(result.status));
    }
    if (code != range_code::kReached) code = range_code::kNotReached;
  }

  session->release();
  if (code == range_code::kReached) {
    outcome = reachedOutcome(replyBytes, sent, received, minimum, sum, maximum, replyTtl);
  }
  publish(code, outcome);
}

}  // namespace tarvo

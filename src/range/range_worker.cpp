#include "range/range_worker.h"

#include <memory>
#include <new>

#include "base/pacer.h"
#include "base/round_trip_stats.h"
#include "engine/address.h"
#include "engine/echo_lease.h"
#include "engine/echo_status.h"
#include "range/range_plan.h"

namespace tarvo {

namespace {

std::string reachedOutcome(std::uint16_t bytes, const RoundTripStats& stats, std::uint32_t ttl) {
  return "Bytes=" + std::to_string(bytes) + ";  sent/recv/lost=" + std::to_string(stats.sent) +
         "/" + std::to_string(stats.received) + "/" + std::to_string(stats.lost()) +
         ";  min/avg/max=" + std::to_string(stats.minimum) + "/" + std::to_string(stats.average()) +
         "/" + std::to_string(stats.maximum) + ";  TTL=" + std::to_string(ttl);
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
  if (table_.keepsOutcomes() && code != range_code::kRunning) {
    table_.publishOutcome(slot_, {code, stats_, replyBytes_, replyTtl_, lastStatus_, outcome});
  }
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

  std::unique_ptr<EchoLease> echo;
  try {
    echo = std::make_unique<EchoLease>(settings_.echoFactory());
  } catch (const std::bad_alloc&) {
    publish(range_code::kNotReached, "Memory allocation failure");
    return;
  }
  auto fail = [&](const std::string& text) {
    echo->release();
    publish(range_code::kNotReached, text);
  };

  if (!echo->open()) return fail(echo->failureText());
  std::optional<IpAddress> parsed;
  if (const std::optional<Ipv4Address> v4 = parseDottedAddress(destination_)) {
    parsed = IpAddress::v4(*v4);
  } else {
    parsed = parseIpv6Literal(destination_);
  }
  if (!parsed) return fail("Wrong IP address format");
  IpAddress destination = *parsed;

  echo->preparePayload(settings_.dataSize);
  echo->createHandle();

  std::int32_t code = range_code::kNotReached;
  Pacer pacer(clock(), settings_.delayMs);

  for (std::uint32_t round = 0; settings_.count == 0 || round < settings_.count; ++round) {
    if (stopRequested() || (round > 0 && rest(pacer.remainingMs()))) {
      echo->release();
      return publish(code, outcome);
    }
    pacer.markStart();
    const EchoResult result =
        echo->service().send(destination, echo->payload(), settings_.options, settings_.waitMs);
    stats_.addSent();
    lastStatus_ = result.status;
    const ReplySource source = formatReplySource(result, destination);
    outcome = source.fromOther ? "Reply from " + source.text + ": " : std::string();
    if (result.status == 0) {
      code = range_code::kReached;
      replyBytes_ = result.replyDataSize;
      replyTtl_ = result.replyTtl;
      stats_.addReply(result.roundTripMs, roundTripMicros(result));
      if (result.replyAddress.family() == destination.family()) destination = result.replyAddress;
    } else if (const char* text = echoStatusText(result.status)) {
      outcome += text;
    } else {
      outcome = echoStatusTextOrCode(result.status);
    }
    if (code != range_code::kReached) code = range_code::kNotReached;
  }

  echo->release();
  if (code == range_code::kReached) outcome = reachedOutcome(replyBytes_, stats_, replyTtl_);
  publish(code, outcome);
}

}  // namespace tarvo

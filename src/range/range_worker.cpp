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

TPingrange::~TPingrange() = default;

bool TPingrange::start() {
  if (!settings_.loop) return false;
  settings_.loop->post(*this);
  return true;
}

void TPingrange::requestStop() {
  stop_.store(true, std::memory_order_release);
  if (settings_.loop) settings_.loop->post(*this);
}

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

// The last step: after retire() the controller may free the worker.
void TPingrange::finish(std::int32_t code, const std::string& outcome) {
  if (echo_) echo_->release();
  publish(code, outcome);
  settings_.loop->retire(*this);
}

void TPingrange::run() {
  switch (step_) {
    case Step::Begin:
      return begin();
    case Step::InFlight:
      // A stop waits for the answer of the request that is out.
      if (takeDelivery()) answered();
      return;
    case Step::Resting:
      if (stopRequested()) return finish(code_, outcome_);
      if (pacer_->remaining() > Clock::Duration::zero()) return;  // woken early by a post
      return send();
  }
}

void TPingrange::begin() {
  publish(range_code::kRunning, outcome_);
  table_.markStarted(started_);

  const int bits = settings_.netMaskBits;
  if (settings_.skipNetwork && isNetworkAddress(third_, fourth_, bits)) {
    return finish(range_code::kNetwork, "--- IP subnet address. Not pinged. ---");
  }
  if (settings_.skipBroadcast && isBroadcastAddress(third_, fourth_, bits)) {
    return finish(range_code::kBroadcast, "--- Broadcast address. Not pinged. ---");
  }
  try {
    echo_ = std::make_unique<EchoLease>(settings_.echoFactory());
  } catch (const std::bad_alloc&) {
    return finish(range_code::kNotReached, "Memory allocation failure");
  }
  if (!echo_->open()) return finish(range_code::kNotReached, echo_->failureText());
  std::optional<IpAddress> parsed;
  if (const std::optional<Ipv4Address> v4 = parseDottedAddress(destination_)) {
    parsed = IpAddress::v4(*v4);
  } else {
    parsed = parseIpv6Literal(destination_);
  }
  if (!parsed) return finish(range_code::kNotReached, "Wrong IP address format");
  target_ = *parsed;
  echo_->preparePayload(settings_.dataSize);
  echo_->createHandle();
  pacer_.emplace(*clock_, settings_.delayMs);
  if (settings_.count == 0 || round_ < settings_.count) {
    if (stopRequested()) return finish(code_, outcome_);
    return send();
  }
  finish(code_, outcome_);
}

void TPingrange::send() {
  pacer_->markStart();
  step_ = Step::InFlight;
  echo_->service().sendAsync(target_, echo_->payload(), settings_.options, settings_.waitMs, *this);
}

void TPingrange::echoDone(const EchoResult& result) {
  result_ = result;
  settings_.loop->deliver(*this);
}

void TPingrange::answered() {
  const EchoResult& result = result_;
  stats_.addSent();
  lastStatus_ = result.status;
  const ReplySource source = formatReplySource(result, target_);
  outcome_ = source.fromOther ? "Reply from " + source.text + ": " : std::string();
  if (result.status == 0) {
    code_ = range_code::kReached;
    replyBytes_ = result.replyDataSize;
    replyTtl_ = result.replyTtl;
    stats_.addReply(result.roundTripMs, roundTripMicros(result));
    if (result.replyAddress.family() == target_.family()) target_ = result.replyAddress;
  } else if (const char* text = echoStatusText(result.status)) {
    outcome_ += text;
  } else {
    outcome_ = echoStatusTextOrCode(result.status);
  }
  ++round_;
  if (settings_.count != 0 && round_ >= settings_.count) {
    if (code_ == range_code::kReached) outcome_ = reachedOutcome(replyBytes_, stats_, replyTtl_);
    return finish(code_, outcome_);
  }
  if (stopRequested()) return finish(code_, outcome_);
  step_ = Step::Resting;
  const std::uint32_t ms = pacer_->remainingMs();
  if (ms == 0) return send();
  settings_.loop->runAt(*this, clock_->now() + std::chrono::milliseconds(ms));
}

}  // namespace tarvo

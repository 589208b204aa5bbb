#include "watch/watch_worker.h"

#include <algorithm>
#include <chrono>

#include "engine/address.h"
#include "engine/echo_status.h"
#include "watch/watch_address.h"

namespace tarvo {

namespace {
constexpr std::uint32_t kAddressRetryMs = 1000;

std::string statusTextOf(std::uint32_t status) {
  return status == 0 ? "Success" : echoStatusTextOrCode(status);
}
}  // namespace

TWatchTh::TWatchTh(std::size_t index, const MonitorSettings& settings, MonitorShared& shared,
                   EchoServiceFactory echoFactory, EventLoop* loop)
    : index_(index),
      settings_(settings),
      shared_(shared),
      echoFactory_(std::move(echoFactory)),
      loop_(loop) {}

TWatchTh::~TWatchTh() {
  if (!loop_) return;  // never started
  requestStop();
  waitFor();
}

bool TWatchTh::start() {
  if (!loop_) {
    try {
      ownLoop_ = std::make_unique<EventLoop>(*clock_);
    } catch (const std::bad_alloc&) {
      startError_ = ENOMEM;
      return false;
    }
    if (!ownLoop_->start()) {
      startError_ = EAGAIN;
      ownLoop_.reset();
      return false;
    }
    loop_ = ownLoop_.get();
  }
  loop_->post(*this);
  return true;
}

void TWatchTh::requestStop() {
  stop_.store(true, std::memory_order_release);
  if (loop_) loop_->post(*this);
}

void TWatchTh::setPaused(bool paused) {
  paused_.store(paused, std::memory_order_release);
  if (loop_) loop_->post(*this);
}

void TWatchTh::run() {
  if (step_ == Step::InFlight) {
    // A stop or pause waits for the answer of the request that is out.
    if (takeDelivery()) answered();
    return;
  }
  if (stopRequested()) return finish();
  switch (step_) {
    case Step::Begin:
      return begin();
    case Step::Address:
      return lookForAddress();
    case Step::Ready:
      return next();
    case Step::InFlight:
      return;
  }
}

// The last step: what the log lost is said before the controller takes its
// last notices, and after retire() the controller may free the worker.
void TWatchTh::finish() {
  logWriter_.reset();
  echo_.reset();
  loop_->retire(*this);
}

void TWatchTh::begin() {
  echo_ = std::make_unique<EchoLease>(echoFactory_ ? echoFactory_() : nullptr);
  if (!echo_->open()) return finish();  // the graph stays empty
  step_ = Step::Address;
  lookForAddress();
}

// A name item is pinged only once its resolver has put the address here.
// While its look-up has failed, each turn counts as a request that got no
// reply, so the host is shown and judged down rather than silent.
void TWatchTh::lookForAddress() {
  if (addressDue_ && now() < *addressDue_) {
    return loop_->runAt(*this, *addressDue_);  // woken early (a pause, say)
  }
  std::string addressText = shared_.host(index_);
  if (const std::optional<IpAddress> parsed = watchAddressOf(addressText)) {
    return prepare(*parsed, std::move(addressText));
  }
  std::uint32_t restMs = kAddressRetryMs;
  if (shared_.unresolved(index_)) {
    if (paused_.load(std::memory_order_acquire)) {
      addressDue_.reset();
      return loop_->cancelTimer(*this);  // the resume posts the worker
    }
    shared_.appendResult(index_, WatchResult{.time = std::chrono::system_clock::now()});
    restMs = std::max(settings_.delayMs, settings_.waitMs);
  }
  addressDue_ = now() + std::chrono::milliseconds(restMs);
  loop_->runAt(*this, *addressDue_);
}

void TWatchTh::prepare(const IpAddress& parsed, std::string addressText) {
  loop_->cancelTimer(*this);
  // An IPv6 address is named by its canonical text, in the log's name too;
  // a zone typed as an interface name is given its number once, here.
  if (parsed.isV6()) addressText = parsed.toString();
  destination_ = resolveZone(parsed).value_or(parsed);

  echo_->preparePayload(settings_.dataSize);
  payload_ = echo_->payload();
  echo_->createHandle();

  log_ = LogChoice{settings_.logReplies, settings_.logTimeouts, settings_.logChangesOnly};
  // Lines that cannot be written are counted and said; the file is tried
  // again at every line.
  if (log_.any()) {
    logWriter_.emplace(logFileName(settings_.logPath, addressText), !settings_.logImmediate,
                       [this](const std::string& text) { shared_.addNotice(text); });
  }
  options_.ttl = settings_.ttl;
  pacer_.emplace(*clock_, settings_.delayMs);
  step_ = Step::Ready;
  next();
}

void TWatchTh::next() {
  if (paused_.load(std::memory_order_acquire)) return loop_->cancelTimer(*this);
  // One reading of the clock for the whole step: a big monitor takes this
  // step thousands of times a second.
  const Clock::TimePoint at = now();
  if (const Clock::Duration due = anySent_ ? pacer_->remainingAt(at) : Clock::Duration::zero();
      due > Clock::Duration::zero()) {
    // A pause that comes meanwhile holds the request back. Half a percent
    // of the delay late costs as much of the results, and lets the loop
    // send to hosts due about the same time together.
    return loop_->runAt(*this, at + due, std::chrono::milliseconds(settings_.delayMs) / 200);
  }
  loop_->cancelTimer(*this);
  pacer_->markStartAt(at);
  anySent_ = true;
  lineAddress_ = log_.any() ? destination_.toString() : std::string();
  if (settings_.stampSequence) stampSequence(payload_, sequence_);
  step_ = Step::InFlight;
  echo_->service().sendAsync(destination_, payload_, options_, settings_.waitMs, *this);
}

void TWatchTh::echoDone(const EchoResult& result) {
  result_ = result;
  loop_->deliver(*this);
}

void TWatchTh::answered() {
  const EchoResult& result = result_;
  counters_.addSent();
  sequence_ = nextSequence(sequence_);
  const bool replied = result.status == 0;
  if (replied) {
    counters_.addReply(result.roundTripMs, roundTripMicros(result));
    // A broadcast address is answered by a host; that host is watched on.
    if (destination_.isV4() && result.replyAddress.isV4()) destination_ = result.replyAddress;
  }
  shared_.appendResult(index_, WatchResult{replied, replied ? roundTripMicros(result) : 0,
                                           static_cast<std::int32_t>(result.status),
                                           std::chrono::system_clock::now()});
  if (log_.any() && log_.write(replied, previousReplied_, first_)) {
    const std::string line = logLine(lineAddress_, logTimeFields(std::chrono::system_clock::now()),
                                     result, replied, counters_, statusTextOf(result.status));
    logWriter_->write(line);
  }
  first_ = false;
  previousReplied_ = replied;
  step_ = Step::Ready;
  if (stopRequested()) return finish();
  next();
}

}  // namespace tarvo

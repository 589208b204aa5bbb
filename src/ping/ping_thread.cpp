#include "ping/ping_thread.h"

#include <optional>
#include <thread>

#include "base/clock.h"
#include "base/pacer.h"
#include "base/round_trip_stats.h"
#include "engine/address.h"
#include "engine/echo_lease.h"
#include "engine/echo_status.h"
#include "ping/beeper.h"
#include "ping/ping_lines.h"

namespace tarvo {

namespace {
const std::string kDot = "  \u00B7 ";
}

TPing::TPing(PingSnapshot snapshot, RunView& view, EchoServiceFactory echoFactory,
             ToneFactory toneFactory)
    : snap_(std::move(snapshot)),
      view_(view),
      echoFactory_(std::move(echoFactory)),
      toneFactory_(std::move(toneFactory)) {}

namespace {

// What the run needs of its thread: the stop request, the rest a stop ends
// and the clock.
struct PingThreadHooks {
  std::function<bool()> stopRequested;
  std::function<bool(std::uint32_t)> rest;
  Clock& clock;
};

// The run's resources, released on every path out of it.
class PingRun {
 public:
  PingRun(const PingSnapshot& snap, RunView& view) : snap_(snap), view_(view), host_(snap.host) {}

  // False when the run could not start at all.
  bool run(EchoServiceFactory& echoFactory, ToneFactory& toneFactory,
           const PingThreadHooks& thread);
  bool reached() const { return gotReply_; }

 private:
  void print(const std::string& line) { view_.appendLine(line); }
  bool resolveTarget();
  void noteOptionsThatDoNotApply();
  void finish();
  void cleanUp();
  void listHost();

  const PingSnapshot& snap_;
  RunView& view_;
  std::string host_;
  std::string displayAddress_;
  IpAddress destination_;
  std::optional<EchoLease> echo_;
  std::unique_ptr<TBeep> beeper_;
  bool beeperReady_ = false;
  RoundTripStats stats_;
  bool gotReply_ = false;
  bool listed_ = false;
  std::time_t startTime_ = 0;
  PingResults::TimePoint startClock_{};
};

void PingRun::cleanUp() {
  if (beeper_) {
    beeper_->requestStop();
    beeper_->waitFor();
    beeper_.reset();
  }
  if (echo_) echo_->release();
}

void PingRun::listHost() {
  view_.hostResult(displayAddress_, gotReply_);
  view_.pickFirstHost(gotReply_);
  listed_ = true;
}

bool PingRun::resolveTarget() {
  print(" ");
  if (auto address = parseHostLiteral(host_)) {
    destination_ = *address;
    displayAddress_ = host_;
    if (snap_.resolveNames) {
      print(kDot + "Resolving name, please wait...");
      if (auto entry = snap_.resolver.addressIn(destination_); entry && !entry->all.empty()) {
        destination_ = entry->all.front();
        view_.replaceLastLine(kDot + "Pinging " + entry->officialName + " [" + host_ + "]");
      } else {
        view_.replaceLastLine(kDot + "Name resolution failed. Pinging " + host_);
      }
    } else {
      print(kDot + "Pinging " + host_);
    }
    noteOptionsThatDoNotApply();
    return true;
  }
  const std::string lookingUp = kDot + "Lookup destination...";
  host_ = stripUrlScheme(host_);
  print(lookingUp);
  auto entry = snap_.resolver.hostIn(host_, snap_.family);
  if (!entry || entry->all.empty()) {
    print(kDot + host_ + " not found");
    return false;
  }
  destination_ = entry->all.front();
  displayAddress_ = destination_.toString();
  print(kDot + "Pinging " + entry->officialName + " [" + displayAddress_ + "]");
  noteOptionsThatDoNotApply();
  return true;
}

// IPv6 routers never fragment and the options area is IPv4's: said once,
// where the user asked for either.
void PingRun::noteOptionsThatDoNotApply() {
  if (destination_.isV6() && (snap_.dontFragment || snap_.routerAlert)) {
    print("  Don't fragment and router alert do not apply to IPv6.");
  }
}

bool PingRun::run(EchoServiceFactory& echoFactory, ToneFactory& toneFactory,
                  const PingThreadHooks& thread) {
  view_.begin();
  view_.setStatus(StatusPart::Both, "");
  view_.forgetHosts();

  echo_.emplace(echoFactory());
  if (!echo_->open()) {
    print(kDot + echo_->failureText());
    cleanUp();
    return false;
  }

  const EchoOptions options = makeEchoOptions(snap_.ttl, snap_.tos, snap_.dontFragment,
                                              snap_.routerAlert, snap_.ipOptionsSupported);

  if (snap_.audible) {
    beeper_ = std::make_unique<TBeep>(toneFactory());
    if (beeper_->start()) {
      // The beeper comes up at once; waiting here means no early reply
      // goes unheard.
      while (!beeper_->ready()) std::this_thread::yield();
      beeperReady_ = true;
    } else {
      beeper_.reset();
    }
  }

  if (!resolveTarget()) {
    cleanUp();
    return true;
  }

  echo_->preparePayload(snap_.dataSize);
  echo_->createHandle();

  const std::uint32_t limit = snap_.count == 0 ? 1 : snap_.count;
  const std::uint32_t step = snap_.count == 0 ? 0 : 1;

  startTime_ = wholeSecondsNow();
  startClock_ = std::chrono::system_clock::now();
  print("        Start time  " + formatDateTime(startTime_));

  Pacer pacer(thread.clock, snap_.delayMs);
  for (std::uint32_t index = 0; index < limit; index += step) {
    if (thread.stopRequested()) break;
    if (const std::uint32_t wait = pacer.remainingMs()) {
      if (thread.rest(wait)) break;
    }
    pacer.markStart();
    const EchoResult result =
        echo_->service().send(destination_, echo_->payload(), options, snap_.waitMs);
    stats_.addSent();
    if (result.status == status::kSuccess) {
      if (beeperReady_) beeper_->requestTone();
      stats_.addReply(result.roundTripMs, roundTripMicros(result));
      gotReply_ = true;
      displayAddress_ = result.replyAddress.toString();
    }
    if (result.status == status::kSuccess && !listed_) listHost();
    if (snap_.results) snap_.results->request(stats_.sent, destination_, result);
    print(formatPingResultLine(result, destination_));
  }
  finish();
  return true;
}

void PingRun::finish() {
  cleanUp();
  const std::time_t endTime = wholeSecondsNow();
  print("        End time  " + formatDateTime(endTime));
  for (const auto& line : formatPingStatistics(host_, stats_, endTime - startTime_)) print(line);
  if (snap_.results) {
    snap_.results->summary(host_, stats_, startClock_, std::chrono::system_clock::now());
  }
  if (!listed_) listHost();
}

}  // namespace

void TPing::execute() {
  PingRun run(snap_, view_);
  const bool started = run.run(
      echoFactory_, toneFactory_,
      {[this] { return stopRequested(); }, [this](std::uint32_t ms) { return rest(ms); }, clock()});
  startFailed_ = !started;
  reached_ = run.reached();
  view_.end();
}

}  // namespace tarvo

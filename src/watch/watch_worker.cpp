#include "watch/watch_worker.h"

#include <sys/prctl.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

#include "base/pacer.h"
#include "engine/address.h"
#include "engine/echo_lease.h"
#include "engine/echo_status.h"
#include "watch/log_writer.h"
#include "watch/watch_address.h"
#include "watch/watch_log.h"

namespace tarvo {

namespace {
constexpr std::uint32_t kAddressRetryMs = 1000;
constexpr unsigned long kDelaySlackNs = 3'000'000;

std::string statusTextOf(std::uint32_t status) {
  return status == 0 ? "Success" : echoStatusTextOrCode(status);
}
}  // namespace

TWatchTh::TWatchTh(std::size_t index, const MonitorSettings& settings, MonitorShared& shared,
                   EchoServiceFactory echoFactory)
    : index_(index), settings_(settings), shared_(shared), echoFactory_(std::move(echoFactory)) {}

TWatchTh::~TWatchTh() {
  requestStop();
  waitFor();
}

void TWatchTh::setPaused(bool paused) {
  paused_.store(paused);
  wake();
}

bool TWatchTh::waitWhilePaused() {
  while (paused_.load()) {
    if (waitForWake()) return true;
  }
  return stopRequested();
}

void TWatchTh::execute() {
  // Each delay may end up to this much late (less than a 10 ms poll would), which
  // lets the kernel wake many workers of a large monitor together.
  prctl(PR_SET_TIMERSLACK, kDelaySlackNs, 0, 0, 0);
  EchoLease echo(echoFactory_ ? echoFactory_() : nullptr);
  if (!echo.open()) return;  // the graph stays empty; the lease gives back what it took

  // A name item is pinged only once its resolver has put the address here.
  // While its look-up has failed, each turn counts as a request that got no
  // reply, so the host is shown and judged down rather than silent.
  std::string addressText;
  std::optional<IpAddress> parsed;
  for (;;) {
    if (stopRequested()) return;
    addressText = shared_.host(index_);
    parsed = watchAddressOf(addressText);
    if (parsed) break;
    if (!shared_.unresolved(index_)) {
      if (rest(kAddressRetryMs)) return;
      continue;
    }
    if (waitWhilePaused()) return;
    shared_.appendResult(index_, WatchResult{.time = std::chrono::system_clock::now()});
    if (rest(std::max(settings_.delayMs, settings_.waitMs))) return;
  }
  // An IPv6 address is named by its canonical text, in the log's name too;
  // a zone typed as an interface name is given its number once, here.
  if (parsed->isV6()) addressText = parsed->toString();
  IpAddress destination = resolveZone(*parsed).value_or(*parsed);

  echo.preparePayload(settings_.dataSize);
  std::vector<std::uint8_t> payload = echo.payload();
  echo.createHandle();

  LogChoice log{settings_.logReplies, settings_.logTimeouts, settings_.logChangesOnly};
  // Lines that cannot be written are counted and said; the file is tried
  // again at every line. Lost lines are said as the worker ends, before
  // the controller takes its last notices.
  std::optional<LogWriter> logWriter;
  if (log.any()) {
    logWriter.emplace(logFileName(settings_.logPath, addressText), !settings_.logImmediate,
                      [this](const std::string& text) { shared_.addNotice(text); });
  }

  EchoOptions options;
  options.ttl = settings_.ttl;
  RoundTripStats counters;
  std::uint32_t sequence = 1;
  bool previousReplied = false;
  bool first = true;
  Pacer pacer(clock(), settings_.delayMs);
  bool anySent = false;
  for (;;) {
    if (waitWhilePaused()) break;
    if (const std::uint32_t due = anySent ? pacer.remainingMs() : 0) {
      if (rest(due)) break;
      continue;  // a pause that came meanwhile holds the request back
    }
    pacer.markStart();
    anySent = true;
    const std::string lineAddress = log.any() ? destination.toString() : std::string();
    if (settings_.stampSequence) stampSequence(payload, sequence);
    const EchoResult result = echo.service().send(destination, payload, options, settings_.waitMs);
    counters.addSent();
    sequence = nextSequence(sequence);
    const bool replied = result.status == 0;
    if (replied) {
      counters.addReply(result.roundTripMs, roundTripMicros(result));
      // A broadcast address is answered by a host; that host is watched on.
      if (destination.isV4() && result.replyAddress.isV4()) destination = result.replyAddress;
    }
    shared_.appendResult(index_, WatchResult{replied, replied ? roundTripMicros(result) : 0,
                                             static_cast<std::int32_t>(result.status),
                                             std::chrono::system_clock::now()});
    if (log.any() && log.write(replied, previousReplied, first)) {
      const std::string line = logLine(lineAddress, logTimeFields(std::chrono::system_clock::now()),
                                       result, replied, counters, statusTextOf(result.status));
      logWriter->write(line);
    }
    first = false;
    previousReplied = replied;
  }
}

}  // namespace tarvo

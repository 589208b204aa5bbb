#include "trace/trace_controller.h"

#include <algorithm>
#include <new>

#include "base/clock.h"
#include "base/pacer.h"
#include "engine/address.h"

namespace tarvo {

void TraceStartFlag::set() { started_.post(); }

bool TraceStartFlag::isSet() const { return started_.posted(); }

void TraceStartFlag::waitUntilSet() { started_.wait(); }

TCtrlTrace::TCtrlTrace(TraceSnapshot snapshot, RunView& view,
                       std::shared_ptr<TraceStartFlag> startFlag)
    : snap_(std::move(snapshot)),
      view_(view),
      startFlag_(startFlag ? std::move(startFlag) : std::make_shared<TraceStartFlag>()) {
  // The tables are indexed by hop and the hop is the probes' time to live.
  snap_.maxHops = std::clamp<std::uint32_t>(snap_.maxHops, settings::kMaxHopsRule.minimum,
                                            settings::kMaxHopsRule.maximum);
  if (snap_.clock) setClock(*snap_.clock);
}

TCtrlTrace::~TCtrlTrace() = default;

void TCtrlTrace::execute() {
  startFlag_->set();
  view_.begin();
  trace();
  view_.end();
}

// Resolves the destination and builds the header; false (after showing why)
// when the host name cannot be resolved.
bool TCtrlTrace::resolveHeader(std::string& header) {
  const Resolver& resolver = snap_.resolver;
  if (const auto literal = parseHostLiteral(snap_.host)) {
    destination_ = *literal;
    std::optional<HostEntry> entry;
    if (snap_.resolveNames) entry = resolver.addressIn(*literal);
    if (entry && !entry->all.empty()) {
      destination_ = entry->all.front();
      header = "  · Traceroute to " + entry->officialName + " [" + destination_.toString() + "]";
    } else {
      header = "  · Traceroute to " + snap_.host;
    }
    return true;
  }
  // A name pasted from a browser: only the scheme goes, a path stays.
  const std::string name = stripUrlScheme(snap_.host);
  const std::optional<HostEntry> entry = resolver.hostIn(name, snap_.family);
  if (!entry || entry->all.empty()) {
    replaceLast_ = true;
    showLine("  · Could not resolve host name " + name);
    return false;
  }
  destination_ = entry->all.front();
  header = "  · Traceroute to " + entry->officialName + " [" + destination_.toString() + "]";
  return true;
}

void TCtrlTrace::trace() {
  view_.appendLine(" ");
  view_.appendLine("  · Traceroute to... ");
  std::string header;
  if (!resolveHeader(header)) return;
  header += " over max " + std::to_string(snap_.maxHops) + " hops";
  replaceLast_ = true;
  showLine(header);

  std::unique_ptr<TraceHopTable> table;
  try {
    table = std::make_unique<TraceHopTable>(snap_.maxHops);
    workers_.resize(snap_.maxHops + 1);
  } catch (const std::bad_alloc&) {
    return;
  }

  const std::time_t startTime = wholeSecondsNow();
  const auto startClock = std::chrono::system_clock::now();
  view_.appendLine("        Start time:  " + formatDateTime(startTime));
  hopsStarted_ = 0;
  hopsCollected_ = 0;
  replaceLast_ = false;
  errorText_.clear();

  runHops(*table);
  discardWorkers(*table, 1, snap_.maxHops);  // none is left; the table must outlive them all
  table.reset();
  workers_.clear();

  const std::time_t endTime = wholeSecondsNow();
  view_.appendLine("        End time:  " + formatDateTime(endTime));
  view_.appendLine("          Traceroute lasted [hh:mm:ss]  " +
                   formatDuration(static_cast<std::int64_t>(endTime - startTime)));
  if (snap_.results) {
    snap_.results->summary(snap_.host, destination_, hopsCollected_, reached_, startClock,
                           std::chrono::system_clock::now());
  }
}

// Alternates collecting (showing the lowest uncollected hop as far as it
// has come) and starting the next hop worker. Only the lowest uncollected
// hop is ever shown, so the output stays in hop order while later hops are
// already being probed.
void TCtrlTrace::runHops(TraceHopTable& table) {
  const std::uint32_t maxHops = table.maxHops();
  Pacer pollPacer(clock(), kPollIntervalMs);
  Pacer startPacer(clock(), kStartIntervalMs);
  bool finished = false;
  while (!finished) {
    while (true) {
      pollPacer.paceAndMark();
      const std::uint32_t hop = hopsCollected_ + 1;
      const std::uint32_t code = table.takeCodeForShowing(hop);
      if (code == hopcode::kEndingError || code == hopcode::kReached) {
        showHop(table, hop);
        reportHop(table, hop, code);
        replaceLast_ = false;
        hopsCollected_ = hop;
        reached_ = code == hopcode::kReached;
        // Later hops are already running; they are stopped and never shown.
        discardWorkers(table, hop, hopsStarted_);
        finished = true;
        break;
      }
      if (code == hopcode::kChanged) {
        showHop(table, hop);
        replaceLast_ = true;  // the hop's next line replaces this one
        continue;
      }
      if (code == hopcode::kFinished) {
        showHop(table, hop);
        reportHop(table, hop, code);
        replaceLast_ = false;
        hopsCollected_ = hop;
        discardWorkers(table, hop, hop);
        if (hopsCollected_ >= maxHops) {
          finished = true;
          break;
        }
        continue;
      }
      // Nothing new from the lowest hop.
      if (!stopRequested()) break;
      // Break: the hop under way keeps the line last shown; later ones are
      // dropped unseen.
      if (hopsCollected_ < hopsStarted_) discardWorkers(table, 1, maxHops);
      if (!errorText_.empty()) {
        replaceLast_ = false;
        view_.appendLine(errorText_);
      }
      finished = true;
      break;
    }
    if (finished || hopsStarted_ >= maxHops || stopRequested()) continue;

    startPacer.paceAndMark();
    const std::uint32_t hop = hopsStarted_ + 1;
    if (!table.allocateLine(hop)) {
      errorText_ = "Memory failure at hop " + std::to_string(hop) + " !";
      table.setCode(hop, hopcode::kNoLineBuffer);
      requestStop();
    } else if (!startWorker(table, hop)) {
      table.freeLine(hop);
      errorText_ = "Thread failure at hop " + std::to_string(hop) + " !";
      table.setCode(hop, hopcode::kNoWorker);
      requestStop();
    } else {
      hopsStarted_ = hop;
    }
  }
}

bool TCtrlTrace::startWorker(TraceHopTable& table, std::uint32_t hop) {
  TraceHopParams params;
  params.flags = snap_.flags;
  params.tos = snap_.tos;
  params.waitMs = snap_.waitMs;
  params.hop = hop;
  params.resolveNames = snap_.resolveNames;
  params.destination = destination_;
  try {
    auto worker = std::make_unique<TTraceTh>(
        params, table, snap_.echoFactory,
        [resolver = snap_.resolver](const IpAddress& a) { return resolver.addressIn(a); });
    worker->setClock(clock());
    if (!worker->start()) return false;
    workers_[hop] = std::move(worker);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

void TCtrlTrace::showHop(TraceHopTable& table, std::uint32_t hop) { showLine(table.line(hop)); }

void TCtrlTrace::reportHop(TraceHopTable& table, std::uint32_t hop, std::uint32_t code) {
  if (snap_.results) snap_.results->hop(hop, code, table.outcome(hop));
}

// A hop line rewritten while its probes come in, and the header replacing
// "  · Traceroute to... ", take the place of the last line.
void TCtrlTrace::showLine(const std::string& line) {
  if (replaceLast_) {
    view_.replaceLastLine(line);
  } else {
    view_.appendLine(line);
  }
}

// Stops the workers of hops first to last, waits for them all and deletes
// them; a hop's line is freed only once its worker has ended. All are asked
// first so that their pending probes run out side by side.
void TCtrlTrace::discardWorkers(TraceHopTable& table, std::uint32_t first, std::uint32_t last) {
  for (std::uint32_t hop = first; hop <= last && hop < workers_.size(); ++hop) {
    if (workers_[hop]) workers_[hop]->requestStop();
  }
  for (std::uint32_t hop = first; hop <= last && hop < workers_.size(); ++hop) {
    if (workers_[hop]) {
      workers_[hop]->waitFor();
      workers_[hop].reset();
    }
    table.freeLine(hop);
  }
}

}  // namespace tarvo

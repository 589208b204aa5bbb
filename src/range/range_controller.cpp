#include "range/range_controller.h"

#include <algorithm>
#include <new>

#include "base/clock.h"
#include "range/range_report.h"
#include "settings/field_rules.h"

namespace tarvo {

namespace {
// Longest a wait on a worker lasts before the controller looks at its own
// stop request again.
constexpr std::uint32_t kStopCheckMs = 50;
// Pause between two attempts to create a thread the system refused.
constexpr std::uint32_t kRetryWhileWorkersRunMs = 1;
constexpr std::uint32_t kRetryWhileIdleMs = 10;
// Collected workers left to finish their last steps before they are waited
// for and freed.
constexpr std::size_t kJoinLag = 64;
// Starts burst mode may run ahead of the workers' handshakes.
constexpr std::size_t kStartWindow = 1024;

RangeWorkerSettings workerSettingsOf(const RangeSnapshot& s) {
  RangeWorkerSettings w;
  w.netMaskBits = std::clamp(s.netMaskBits, settings::kNetMaskBitsRule.minimum,
                             settings::kNetMaskBitsRule.maximum);
  // IPv6 has no broadcast, and a subnet's first address is an ordinary host.
  w.skipNetwork = s.skipNetwork && !s.input.v6;
  w.skipBroadcast = s.skipBroadcast && !s.input.v6;
  w.count = s.count;
  w.waitMs = s.waitMs;
  w.delayMs = s.delayMs;
  w.dataSize = s.dataSize;
  // Range requests never carry IP options, whatever the platform allows.
  w.options.ttl = s.ttl;
  w.options.tos = s.tos;
  w.options.flags = s.flags;
  w.options.optionSize = 0;
  w.echoFactory = s.echoFactory;
  return w;
}
}  // namespace

TCtrlPing::TCtrlPing(RangeSnapshot snapshot, RunView& view)
    : snapshot_(std::move(snapshot)),
      view_(view),
      progressView_(dynamic_cast<RangeView*>(&view)),
      workerSettings_(workerSettingsOf(snapshot_)),
      startPacer_(snapshot_.clock ? *snapshot_.clock : systemClock(),
                  snapshot_.burstMode ? 0 : kStartIntervalMs),
      pollPacer_(snapshot_.clock ? *snapshot_.clock : systemClock(),
                 snapshot_.burstMode ? 0 : kPollIntervalMs) {
  if (snapshot_.clock) setClock(*snapshot_.clock);
}

TCtrlPing::~TCtrlPing() {
  // Only reached with workers left when the run itself never ended them.
  for (auto& worker : workers_) {
    if (worker) worker->requestStop();
  }
  for (auto& worker : workers_) {
    if (worker) worker->waitFor();
  }
}

TCtrlPing* TCtrlPing::launch(RangeSnapshot snapshot, RunView& view) {
  TCtrlPing* controller = nullptr;
  try {
    controller = new TCtrlPing(std::move(snapshot), view);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  controller->setFreeOnTerminate(true);
  if (!controller->start()) {
    delete controller;
    return nullptr;
  }
  // The run's first step is a hand-off to the caller's thread, so the object
  // stays alive at least until the caller returns to its event loop.
  return controller;
}

void TCtrlPing::execute() {
  view_.begin();
  view_.appendLine(" ");
  view_.appendLine("  \u00B7 Pinging IP Range");
  view_.forgetHosts();
  view_.setStatus(StatusPart::Doing, "");
  view_.setStatus(StatusPart::Counted, "");

  plan_ = RangePlan::build(snapshot_.input);
  if (!plan_) {
    view_.appendLine(" ");
    view_.appendLine("  \u00B7 Please check IP Range");
    view_.end();
    return;
  }
  counts_.total = plan_->total();
  try {
    workerSettings_.loop = loop_.open(workerSettings_.echoFactory, clock());
    table_ = std::make_unique<RangeSlotTable>(counts_.total, snapshot_.results != nullptr);
    workers_.resize(std::size_t{counts_.total} + 1);
  } catch (const std::bad_alloc&) {
    table_.reset();
    std::vector<std::unique_ptr<TPingrange>>().swap(workers_);
    view_.appendLine("  \u00B7 Memory allocation failed!");
    view_.end();
    return;
  }

  view_.setStatus(StatusPart::Counted, reachedSoFarText(0));
  showProgress();
  const std::time_t startTime = wholeSecondsNow();
  const auto startClock = std::chrono::system_clock::now();
  view_.appendLine("    Start time  " + formatDateTime(startTime));

  runLoop();
  joinEnding(ending_.size());
  closingReport(startTime, startClock);

  table_.reset();
  std::vector<std::unique_ptr<TPingrange>>().swap(workers_);
  view_.end();
}

void TCtrlPing::runLoop() {
  while (!collectPhase()) {
    if (counts_.started < counts_.total && !stopRequested()) {
      startPhase();
    } else if (pollPacer_.intervalMs() == 0) {
      // Nothing to start: sleep until the awaited slot has its answer
      // rather than spinning on it.
      view_.idle();
      table_->waitForFinal(counts_.collected + 1, kStopCheckMs);
    }
  }
}

bool TCtrlPing::collectPhase() {
  bool awaitAnswer = false;
  while (true) {
    const std::uint32_t slot = counts_.collected + 1;
    std::int32_t code = 0;
    if (pollPacer_.intervalMs() > 0) {
      pace(pollPacer_);
      code = table_->code(slot);
    } else if (awaitAnswer) {
      view_.idle();
      code = table_->waitForFinal(slot, kStopCheckMs);
    } else {
      code = table_->code(slot);
    }

    if (isFinalRangeCode(code)) {
      if (code == range_code::kNotReached) {
        ++counts_.notReached;
        view_.hostResult(table_->address(slot), false);
        if (counts_.notReached == 1) view_.pickFirstHost(false);
      } else if (code == range_code::kReached) {
        ++counts_.reached;
        view_.setStatus(StatusPart::Counted, reachedSoFarText(counts_.reached));
        view_.hostResult(table_->address(slot), true);
        if (counts_.reached == 1) view_.pickFirstHost(true);
      } else if (code == range_code::kNetwork) {
        ++counts_.network;
      } else {
        ++counts_.broadcast;
      }
      takeSlot(slot, code);
      showProgress();
      const std::uint32_t target = stopRequested() ? counts_.started : counts_.total;
      if (counts_.collected >= target) return true;
      awaitAnswer = false;
      continue;
    }
    if (code == range_code::kNoThread) {
      view_.appendLine("      Thread start failure !");
      return true;
    }
    if (!stopRequested()) return false;
    if (snapshot_.stopSoonOnBreak) {
      stopWorkers(slot, counts_.started);
      return true;
    }
    if (counts_.collected >= counts_.started) return true;
    awaitAnswer = true;  // let the running workers end on their own
  }
}

void TCtrlPing::startPhase() {
  if (startPacer_.intervalMs() > 0) pace(startPacer_);
  const std::uint32_t slot = counts_.started + 1;
  std::string destination;
  try {
    destination = plan_->currentAddressText();
    table_->setAddress(slot, destination);
  } catch (const std::bad_alloc&) {
    table_->freeSlot(slot);
    table_->setCode(slot, range_code::kNoBuffers);
    requestStop();
    return;
  }

  std::unique_ptr<TPingrange> worker;
  try {
    worker = std::make_unique<TPingrange>(*table_, slot, destination, plan_->currentThird(),
                                          plan_->currentFourth(), workerSettings_);
  } catch (const std::bad_alloc&) {
  }
  if (worker) worker->setClock(clock());
  if (!worker || !startWorker(*worker)) {
    worker.reset();
    startFailed(slot);
    return;
  }
  failingSince_.reset();

  if (!snapshot_.burstMode) {
    while (!table_->waitStarted(worker->startedFlag(), kStopCheckMs)) {
      if (stopRequested()) {
        worker->requestStop();
        worker->waitFor();
        worker.reset();
        table_->freeSlot(slot);
        table_->setCode(slot, range_code::kStoppedStarting);
        return;
      }
    }
  }
  workers_[slot] = std::move(worker);
  ++counts_.started;
  view_.setStatus(StatusPart::Doing, "  Trying to reach: " + destination);
  plan_->advance();
  if (snapshot_.burstMode) {
    unconfirmed_.push_back(slot);
    confirmStarts(kStartWindow);
  }
}

// Burst mode does not wait for each worker's handshake, which would cost a
// hand-off per address, but it stays at most kStartWindow starts ahead of
// the workers that have confirmed theirs, so the loop's queue of starts
// stays short and answers are read as they come. Workers start in the order
// they were handed over: waiting for the one half a window back confirms
// every one before it with a single wake-up.
void TCtrlPing::confirmStarts(std::size_t window) {
  if (unconfirmed_.size() <= window) return;
  const std::size_t confirm = unconfirmed_.size() - window / 2;
  // A slot already taken or reaped has long confirmed.
  if (const TPingrange* worker = workers_[unconfirmed_[confirm - 1]].get()) {
    while (!table_->waitStarted(worker->startedFlag(), kStopCheckMs)) {
      if (stopRequested()) return;
    }
  }
  unconfirmed_.erase(unconfirmed_.begin(), unconfirmed_.begin() + static_cast<long>(confirm));
}

// The system refused a thread (or the memory for one). That is a shortage,
// not an answer about the address: the slot stays pending and the same
// address is tried again once running workers have ended and given their
// threads back. Only when none of this run's workers is left and creation
// still fails for threadRetryMs does the slot get code 110, which ends the
// run with "Thread start failure !".
void TCtrlPing::startFailed(std::uint32_t slot) {
  table_->freeSlot(slot);
  reapFinishedWorkers();
  if (counts_.collected < counts_.started) {
    failingSince_.reset();
    rest(kRetryWhileWorkersRunMs);
    return;
  }
  const Clock::TimePoint now = clock().now();
  if (!failingSince_) failingSince_ = now;
  if (now - *failingSince_ >= std::chrono::milliseconds(snapshot_.threadRetryMs)) {
    table_->setCode(slot, range_code::kNoThread);
    return;
  }
  rest(kRetryWhileIdleMs);
}

// Frees workers that have already ended, also those ahead of the slot under
// collection; their system threads are already parked for the next start.
void TCtrlPing::reapFinishedWorkers() {
  joinEnding(ending_.size());
  for (std::uint32_t s = counts_.collected + 1; s <= counts_.started; ++s) {
    auto& worker = workers_[s];
    if (worker && worker->finished()) {
      worker->waitFor();
      worker.reset();
    }
  }
}

void TCtrlPing::takeSlot(std::uint32_t slot, std::int32_t code) {
  const bool show = code == range_code::kReached ? snapshot_.showReached : snapshot_.showNotReached;
  if (show) {
    view_.appendLine(table_->takeLine(slot));
    if (snapshot_.results)
      snapshot_.results->address(table_->address(slot), table_->takeOutcome(slot));
  }
  ++counts_.collected;
  // The worker has published its final result and is on its way out; it is
  // waited for a few slots later, when it has surely ended, so the
  // controller does not sleep on every end.
  if (auto& worker = workers_[slot]) {
    worker->requestStop();
    ending_.push_back(std::move(worker));
    if (ending_.size() > kJoinLag) joinEnding(ending_.size() - kJoinLag);
  }
  table_->freeSlot(slot);
}

void TCtrlPing::joinEnding(std::size_t n) {
  for (; n > 0 && !ending_.empty(); --n) {
    ending_.front()->waitFor();
    ending_.pop_front();
  }
}

void TCtrlPing::endWorker(std::uint32_t slot) {
  if (auto& worker = workers_[slot]) {
    worker->requestStop();
    worker->waitFor();
    worker.reset();
  }
}

// Stops the workers of slots from..to: all are asked first so they end in
// parallel; their results are neither shown nor counted.
void TCtrlPing::stopWorkers(std::uint32_t from, std::uint32_t to) {
  for (std::uint32_t s = from; s <= to; ++s) {
    if (workers_[s]) workers_[s]->requestStop();
  }
  for (std::uint32_t s = from; s <= to; ++s) {
    endWorker(s);
    table_->freeSlot(s);
  }
}

// Sleeps out the rest of the pacer's interval; a front end that collects
// steps hands them over before the controller sleeps.
void TCtrlPing::pace(Pacer& pacer) {
  if (pacer.remaining() > Clock::Duration::zero()) view_.idle();
  pacer.paceAndMark();
}

void TCtrlPing::showProgress() {
  if (progressView_) progressView_->progress(counts_.collected, counts_.total);
}

void TCtrlPing::closingReport(std::time_t startTime, RangeResults::TimePoint startClock) {
  const std::time_t endTime = wholeSecondsNow();
  view_.appendLine("    End time  " + formatDateTime(endTime));
  view_.appendLine("      Pinging IP Range lasted [hh:mm:ss]  " +
                   formatDuration(static_cast<std::int64_t>(endTime - startTime)));
  for (const std::string& line : rangeStatisticsLines(counts_)) view_.appendLine(line);
  if (plan_->isV6()) view_.appendLine(kRange6NoSkipLine);
  if (snapshot_.results) {
    snapshot_.results->summary(counts_, startClock, std::chrono::system_clock::now());
  }
  view_.setStatus(StatusPart::Doing, rangeDoneText(counts_));
  view_.setStatus(StatusPart::Counted, reachedOfTotalText(counts_));
}

}  // namespace tarvo

#include "watch/watch_controller.h"

#include <cerrno>
#include <chrono>
#include <cstring>

#include "engine/address.h"
#include "watch/watch_address.h"

namespace tarvo {

std::string notWatchedNotice(const std::vector<std::string>& hosts, int err) {
  constexpr std::size_t kNamed = 10;
  std::string text = "  Not watched, no thread could be started";
  if (err != 0) text += std::string(" (") + std::strerror(err) + ")";
  text += ": ";
  for (std::size_t i = 0; i < hosts.size() && i < kNamed; ++i) {
    if (i > 0) text += ", ";
    text += hosts[i];
  }
  if (hosts.size() > kNamed) text += " and " + std::to_string(hosts.size() - kNamed) + " more";
  return text;
}

namespace {
// The longest the controller rests without news: resolver steps that wait
// on a thread that failed to start are retried at this pace.
constexpr auto kIdleWait = std::chrono::milliseconds(50);
// The shortest turn: results closer together are shown together, still
// far quicker than the eye follows a graph.
constexpr std::uint32_t kMinTurnMs = 20;
}  // namespace

TCtrlWatch::TCtrlWatch(WatchRun run, WatchView& view)
    : run_(std::move(run)),
      view_(view),
      shared_(std::make_unique<MonitorShared>(run_.hosts.size(), signal())) {
  if (run_.clock) setClock(*run_.clock);
}

TCtrlWatch::~TCtrlWatch() {
  stop();
  waitFor();
}

void TCtrlWatch::stop() { requestStop(); }

void TCtrlWatch::setPaused(bool paused) {
  shared_->pauseRequest.set(paused);
  wake();
}

void TCtrlWatch::status(const std::string& text) { view_.setStatus(StatusPart::Counted, text); }

void TCtrlWatch::execute() {
  view_.begin();
  initialise();
  startWorkers();
  monitor();
  finish();
}

void TCtrlWatch::initialise() {
  const std::size_t n = run_.hosts.size();
  // Without a loop every worker makes one of its own as it starts, and
  // those that cannot are said as not watched.
  workerLoop_ = loop_.open(run_.echoFactory, clock());
  view_.prepareGraphs(n);
  workers_.resize(n);
  resolvers_.resize(n);
  states_.assign(n, HostStateTracker(run_.settings.thresholds));
  addresses_.assign(n, std::string());
  addressDue_.assign(n, 1);
  shared_->hostText.with([&](auto& h) { h = run_.hosts; });
  shared_->resolve.with([](auto& r) {
    for (ResolveSlot& slot : r) slot = ResolveSlot{ResolveState::ToLookUp, false};
  });
  view_.setGroupCaption(kMonitorStartingCaption);
  captionStarting_ = true;
  const bool resolving = run_.settings.resolveMode != ResolveMode::No;
  std::size_t started = 0;
  for (std::size_t i = 0; i < n && !stopRequested(); ++i) {
    bool made = false;
    for (int attempt = 1; attempt <= kCreateAttempts && !made; ++attempt) {
      const bool graph = view_.createGraph(i, run_.hosts[i]);
      workers_[i] =
          std::make_unique<TWatchTh>(i, run_.settings, *shared_, run_.echoFactory, workerLoop_);
      workers_[i]->setClock(clock());
      status("  Initialize Monitor : " + std::to_string(i + 1));
      // The resolver's place is held from the start, as the window's
      // monitor has always done; the stand-in does nothing and costs nothing.
      if (resolving) {
        resolvers_[i] =
            std::make_unique<TResolveTh>(TResolveTh::kPlaceholder, i, run_.settings.resolveMode,
                                         run_.settings.family, *shared_, run_.resolver);
      }
      made = graph;
      if (!made) {
        resolvers_[i].reset();
        workers_[i].reset();
        view_.deleteGraph(i);
        if (attempt < kCreateAttempts && rest(1000)) break;
      }
    }
    if (!made) break;
    started = i + 1;
  }
  startedCount_ = started;
  if (!stopRequested()) view_.graphsReady(started);
}

void TCtrlWatch::startWorkers() {
  const std::size_t started = startedCount_;
  std::vector<std::string> refused;
  int refusal = 0;
  std::size_t watched = 0;
  for (std::size_t i = 0; i < started && !stopRequested(); ++i) {
    resolvers_[i].reset();
    // A worker whose thread cannot be had leaves its graph without points;
    // the user is told which hosts are not watched.
    if (workers_[i]->start()) {
      ++watched;
    } else {
      refusal = workers_[i]->startError();
      workers_[i].reset();
      refused.push_back(run_.hosts[i]);
    }
    status("  Start Monitor: " + std::to_string(i + 1));
    rest(1);
  }
  watchedCount_ = watched;
  const bool stopped = stopRequested();
  if (!stopped) status("  Monitored addresses: " + std::to_string(watched));
  // After the count, so the window's status line ends on what went wrong.
  if (!refused.empty()) view_.notice(notWatchedNotice(refused, refusal));
  for (const std::string& text : run_.startNotices) view_.notice(text);
  if (stopped) return;
  view_.setGroupCaption(kMonitorCaption);
  captionStarting_ = false;
}

void TCtrlWatch::newRound() {
  resolveDone_ = false;
  doneCount_ = 0;
  const std::size_t started = startedCount_;
  shared_->resolve.with([&](auto& r) {
    for (std::size_t i = 0; i < started; ++i) {
      if (r[i].retry) {
        r[i].state = ResolveState::ToLookUp;
      } else {
        r[i].state = ResolveState::Idle;
        ++doneCount_;
      }
    }
  });
}

bool TCtrlWatch::resolveStep(std::size_t i) {
  using enum ResolveState;
  const ResolveState state = shared_->state(i);
  switch (state) {
    case ToLookUp:
      if (run_.settings.resolveMode == ResolveMode::No) {
        shared_->setState(i, Done);
        ++doneCount_;
        return false;
      }
      resolvers_[i] = std::make_unique<TResolveTh>(run_.hosts[i], i, run_.settings.resolveMode,
                                                   run_.settings.family, *shared_, run_.resolver);
      resolvers_[i]->setClock(clock());
      // Marked running first: a quick resolver may already have finished
      // by the time start() returns.
      shared_->setState(i, Running);
      if (!resolvers_[i]->start()) {
        resolvers_[i].reset();
        shared_->setState(i, ToLookUp);
      }
      return false;
    case Resolved:
    case NameFailed:
    case AddressFailed: {
      shared_->resolve.with([&](auto& r) { r[i].retry = state != Resolved; });
      shared_->setUnresolved(i, state == NameFailed);
      // Only a finished look-up changes what the host is pinged at.
      if (state == Resolved) addressDue_[i] = 1;
      const std::string caption = shared_->captionText.with([i](const auto& c) { return c[i]; });
      if (!caption.empty()) {
        view_.setGraphCaption(i, caption);
        for (ResultSink* sink : run_.sinks) sink->captionChanged(run_.hosts[i], caption);
      }
      shared_->setState(i, Taken);
      return true;
    }
    case Stopped:
      shared_->resolve.with([&](auto& r) { r[i].retry = false; });
      shared_->setState(i, Taken);
      return true;
    case Taken:
      if (resolvers_[i]) resolvers_[i]->requestStop();
      shared_->setState(i, Told);
      return true;
    case Told:
      resolvers_[i].reset();
      shared_->setState(i, Done);
      ++doneCount_;
      return false;
    default:
      return false;
  }
}

void TCtrlWatch::drain(std::size_t i) {
  if (addressDue_[i]) {
    addressDue_[i] = 0;
    // The item text may be a name, or an address with blanks around it:
    // what the host is pinged at is the address read from it, if any.
    const auto parsed = watchAddressOf(shared_->host(i));
    if (std::string address = parsed ? parsed->toString() : std::string();
        address != addresses_[i]) {
      addresses_[i] = std::move(address);
      view_.setHostAddress(i, addresses_[i]);
    }
  }
  // A host goes down under its name while the name is not resolved.
  const std::string& address = addresses_[i].empty() ? run_.hosts[i] : addresses_[i];
  shared_->takeResults(i, taken_);
  for (const WatchResult& result : taken_) {
    const GraphPoint point = graphPoint(result, run_.settings.waitMs);
    if (point.replied) replies_.fetch_add(1, std::memory_order_relaxed);
    for (ResultSink* sink : run_.sinks) sink->record(run_.hosts[i], addresses_[i], result);
    // The change comes first, so the point is shown in the host's new state.
    if (const auto change = states_[i].feed(point.replied)) {
      for (ResultSink* sink : run_.sinks)
        sink->stateChanged(run_.hosts[i], addresses_[i], change->to);
      view_.hostStateChanged(HostStateChange{i, change->to, change->notice(),
                                             std::chrono::system_clock::now(), address});
    }
    view_.addPoint(i, point);
  }
}

void TCtrlWatch::monitor() {
  const std::size_t started = startedCount_;
  const bool continuous = run_.settings.resolveMode == ResolveMode::Continuous;
  while (!stopRequested()) {
    const bool request = shared_->pauseRequest.get();
    if (request != pausedNow_) {
      pausedNow_ = request;
      for (std::size_t i = 0; i < started; ++i) {
        if (workers_[i]) workers_[i]->setPaused(request);
      }
    }
    if (!pausedNow_) {
      if (resolveDone_ && continuous && roundEnded_ &&
          clock().now() - *roundEnded_ >= std::chrono::milliseconds(kRoundPauseMs)) {
        newRound();
      }
      // Host by host in order, as the graphs show them; only hosts with
      // something new need a look once their names are settled.
      const std::vector<std::size_t> waiting = shared_->takeWaiting();
      auto next = waiting.begin();
      for (std::size_t i = 0; i < started; ++i) {
        if (!resolveDone_) {
          while (resolveStep(i)) {
          }
        } else if (next == waiting.end()) {
          break;
        } else if (i < *next) {
          i = *next - 1;
          continue;
        }
        if (next != waiting.end() && *next == i) {
          drain(i);
          ++next;
        }
      }
      if (!resolveDone_ && doneCount_ >= started) {
        resolveDone_ = true;
        roundEnded_ = clock().now();
      }
    }
    sayNotices();
    view_.idle();
    // News (a result, a finished look-up, a pause, the stop) ends the wait.
    if (waitForWake(kIdleWait)) break;
    // Results that arrive close together are shown in one turn.
    if (rest(kMinTurnMs)) break;
  }
}

void TCtrlWatch::sayNotices() {
  for (const std::string& text : shared_->takeNotices()) view_.notice(text);
}

void TCtrlWatch::finish() {
  for (auto& r : resolvers_) {
    if (r) r->requestStop();
  }
  for (auto& r : resolvers_) r.reset();
  for (auto& w : workers_) {
    if (w) w->requestStop();
  }
  for (auto& w : workers_) w.reset();
  // What the workers said as they ended (lines a log file lost) still counts.
  sayNotices();
  // A stop during the start leaves no "starting" caption behind.
  if (captionStarting_) view_.setGroupCaption(kMonitorCaption);
  view_.freeGraphs();
  view_.end();
}

}  // namespace tarvo

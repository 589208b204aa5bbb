#include "ping/ping_thread.h"

#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "base/clock.h"
#include "engine/address.h"
#include "engine/echo_status.h"
#include "ping/beeper.h"
#include "ping/ping_lines.h"

namespace tarvo {

namespace {
const std::string kDot = "  \u00B7 ";
}

TPing::TPing(PingSnapshot snapshot, PingView& view, EchoServiceFactory echoFactory,
             ToneFactory toneFactory)
    : snap_(std::move(snapshot)),
      view_(view),
      echoFactory_(std::move(echoFactory)),
      toneFactory_(std::move(toneFactory)) {}

namespace {

// The run's resources, released on every path out of it.
class PingRun {
 public:
  PingRun(const PingSnapshot& snap, PingView& view) : snap_(snap), view_(view), host_(snap.host) {}

  bool run(EchoServiceFactory& echoFactory, ToneFactory& toneFactory,
           const std::function<bool()>& stopRequested,
           const std::function<bool(std::uint32_t)>& sleepInSlices);

 private:
  void print(const std::string& line) { view_.appendLine(line); }
  bool resolveTarget();
  void finish();
  void cleanUp();
  void listHost();

  const PingSnapshot& snap_;
  PingView& view_;
  std::string host_;
  std::string displayAddress_;
  Ipv4Address destination_ = 0;
  std::unique_ptr<EchoService> echo_;
  bool echoOpen_ = false;
  bool socketsStarted_ = false;
  std::mutex beepLock_;
  std::mutex readyLock_;
  std::unique_ptr<TBeep> beeper_;
  bool beeperReady_ = false;
  PingStatistics stats_;
  bool gotReply_ = false;
  bool listed_ = false;
  std::time_t startTime_ = 0;
};

void PingRun::cleanUp() {
  if (beeper_) {
    beeper_->requestStop();
    beeper_->waitFor();
    beeper_.reset();
  }
  if (socketsStarted_) {
    stopSockets();
    socketsStarted_ = false;
  }
  if (echoOpen_) {
    echo_->closeHandle();
    echo_->close();
    echoOpen_ = false;
  }
}

void PingRun::listHost() {
  view_.listHost(displayAddress_, gotReply_);
  listed_ = true;
}

bool PingRun::resolveTarget() {
  print(" ");
  if (auto address = parseDottedAddress(host_)) {
    destination_ = *address;
    displayAddress_ = host_;
    if (snap_.resolveNames) {
      print(kDot + "Resolving name, please wait...");
      if (auto entry = lookupAddress(destination_)) {
        destination_ = entry->addresses.front();
        view_.replaceLastLine(kDot + "Pinging " + entry->officialName + " [" + host_ + "]");
      } else {
        view_.replaceLastLine(kDot + "Name resolution failed. Pinging " + host_);
      }
    } else {
      print(kDot + "Pinging " + host_);
    }
    return true;
  }
  const std::string lookingUp = kDot + "Lookup destination...";
  host_ = stripUrlScheme(host_);
  print(lookingUp);
  auto entry = lookupHost(host_);
  if (!entry) {
    print(kDot + host_ + " not found");
    return false;
  }
  destination_ = entry->addresses.front();
  displayAddress_ = formatAddress(destination_);
  print(kDot + "Pinging " + entry->officialName + " [" + displayAddress_ + "]");
  return true;
}

bool PingRun::run(EchoServiceFactory& echoFactory, ToneFactory& toneFactory,
                  const std::function<bool()>& stopRequested,
                  const std::function<bool(std::uint32_t)>& sleepInSlices) {
  view_.begin();
  view_.clearStatus("");
  view_.clearLists();

  echo_ = echoFactory();
  switch (echo_->open()) {
    case EchoOpenResult::LibraryMissing:
      print(kDot + "Could not load ICMP.DLL");
      return false;
    case EchoOpenResult::EntryPointMissing:
      print(kDot + "Error getting ICMP proc address");
      echo_->close();
      return false;
    case EchoOpenResult::Ok:
      echoOpen_ = true;
      break;
  }
  const SocketStart sockets = startSockets();
  socketsStarted_ = true;
  if (sockets.kind != SocketStart::Ok) {
    print(sockets.kind == SocketStart::StartError
              ? kDot + "WinSock startup error: " + std::to_string(sockets.code)
              : kDot + "WinSock version 2.0 not supported");
    cleanUp();
    return false;
  }

  const EchoOptions options = makeEchoOptions(snap_.ttl, snap_.tos, snap_.dontFragment,
                                              snap_.routerAlert, snap_.ipOptionsSupported);

  if (snap_.audible) {
    beeper_ = std::make_unique<TBeep>(beepLock_, readyLock_, toneFactory());
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

  std::vector<std::uint8_t> payload;
  try {
    payload.resize(snap_.dataSize);
  } catch (const std::bad_alloc&) {
    payload.clear();  // go on with an empty request rather than give up
  }
  fillLetters(payload);

  echo_->createHandle();

  const std::uint32_t limit = snap_.count == 0 ? 1 : snap_.count;
  const std::uint32_t step = snap_.count == 0 ? 0 : 1;

  startTime_ = wholeSecondsNow();
  print("        Start time  " + formatDateTime(startTime_));

  std::uint32_t lastSend = 0;
  for (std::uint32_t index = 0; index < limit; index += step) {
    if (stopRequested()) break;
    const std::uint32_t elapsed = tickMs() - lastSend;
    if (elapsed < snap_.delayMs) {
      if (sleepInSlices(snap_.delayMs - elapsed)) break;
    }
    lastSend = tickMs();
    const EchoResult result = echo_->send(destination_, payload, options, snap_.waitMs);
    ++stats_.sent;
    if (result.status == status::kSuccess) {
      if (beeperReady_) beeper_->requestTone();
      stats_.addReply(result.roundTripMs);
      gotReply_ = true;
      displayAddress_ = formatAddress(result.replyAddress);
    }
    if (result.status == status::kSuccess && !listed_) listHost();
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
  if (!listed_) listHost();
}

}  // namespace

void TPing::execute() {
  PingRun run(snap_, view_);
  const bool started = run.run(
      echoFactory_, toneFactory_, [this] { return stopRequested(); },
      [this](std::uint32_t ms) { return sleepInSlices(ms); });
  startFailed_ = !started;
  view_.end();
}

}  // namespace tarvo

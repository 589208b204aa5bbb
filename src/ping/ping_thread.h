#pragma once

#include <cstdint>
#include <string>

#include "base/thread_base.h"
#include "engine/echo_service.h"
#include "engine/resolver.h"
#include "ping/ping_view.h"
#include "ping/tone.h"

namespace tarvo {

// Everything a single-host ping needs, copied when it starts: the thread
// never reads settings or controls afterwards.
struct PingSnapshot {
  std::string host;              // as typed; a URL scheme may be stripped
  std::uint32_t count = 4;       // 0 = endless
  std::uint32_t waitMs = 1000;   // echo time-out
  std::uint32_t delayMs = 1000;  // minimum start-to-start interval
  std::uint16_t dataSize = 32;
  std::uint8_t ttl = 60;
  std::uint8_t tos = 0;
  bool dontFragment = false;
  bool routerAlert = false;  // ignored when dontFragment is set
  bool resolveNames = false;
  bool audible = false;
  bool ipOptionsSupported = true;
  Resolver resolver;  // names of the target
  // Which answers of a name are pinged (the first of them).
  FamilyPreference family = FamilyPreference::System;
  PingResults* results = nullptr;  // the results as data as well, where wanted
};

// The single-host ping run. Create it, start() it; with freeOnTerminate it
// deletes itself after its end step, so the owner must keep its handle only
// while its running flag (cleared in the end step) is set.
//
// The view sees: begin, both status parts emptied, earlier hosts forgotten,
// the run's lines (a look-up line is replaced by its outcome), the host as
// reached or not reached and picked as the first of its kind, end.
class TPing : public ThreadBase {
 public:
  TPing(PingSnapshot snapshot, RunView& view, EchoServiceFactory echoFactory,
        ToneFactory toneFactory = defaultToneFactory());

  // After the end step: true when the run could not start at all (no echo
  // mechanism or socket start-up), as opposed to a target not found.
  bool startFailed() const { return startFailed_; }
  // After the end step: true when the host answered at least once.
  bool reached() const { return reached_; }

 protected:
  void execute() override;

 private:
  PingSnapshot snap_;
  RunView& view_;
  EchoServiceFactory echoFactory_;
  ToneFactory toneFactory_;
  bool startFailed_ = false;
  bool reached_ = false;
};

}  // namespace tarvo

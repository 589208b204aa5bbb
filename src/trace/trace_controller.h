#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/one_shot.h"
#include "base/thread_base.h"
#include "engine/echo_service.h"
#include "engine/resolver.h"
#include "settings/field_rules.h"
#include "trace/trace_hop_table.h"
#include "trace/trace_hop_thread.h"
#include "trace/trace_view.h"

namespace tarvo {

// The flag a front end waits on before it counts a traceroute as running.
// The front end creates it for the run and shares it with the controller,
// which sets it as its very first act, before its first hand-off: a window
// may therefore poll it on the window thread (every 10 ms) without
// deadlocking against the start step.
class TraceStartFlag {
 public:
  void set();
  bool isSet() const;
  // Waits until the flag is set. Only for a controller whose start()
  // succeeded, or this never returns.
  void waitUntilSet();

 private:
  OneShot started_;
};

// Everything a traceroute needs, copied when it starts: the controller never
// reads settings or controls afterwards.
struct TraceSnapshot {
  std::string host;  // as typed: name, dotted address, or URL with "://"
  std::uint32_t maxHops = settings::kMaxHopsRule.defaultValue;   // held to its rule's limits
  std::uint32_t waitMs = settings::kTraceWaitRule.defaultValue;  // time-out of every probe
  bool resolveNames = false;       // names of the target and the routers
  std::uint8_t tos = 0;            // always 0 from the window
  std::uint8_t flags = 0;          // always 0 from the window
  EchoServiceFactory echoFactory;  // one service per hop worker
  Resolver resolver;
  FamilyPreference family = FamilyPreference::System;  // which answers of a name count
  Clock* clock = nullptr;           // the run's and its workers' clock; the system clock when null
  TraceResults* results = nullptr;  // the results as data as well, where wanted
};

// One traceroute run. It resolves the destination, starts one hop worker
// per time to live (60 ms apart, without waiting for earlier hops), shows
// the lowest uncollected hop's line while its probes come in, and ends at
// the first hop that reached the destination or met an ending error, at the
// maximum hop count, or on a stop request (Break).
//
// The view sees: begin, a blank line and "Traceroute to... " replaced by the
// header (or by why the name was not found), the start time, each hop's line
// replaced in place while its probes come in, the end time and duration, end.
//
// Construct, then start(). In the GUI it frees itself (setFreeOnTerminate
// before start()); the window keeps only the handle for requestStop() while
// traceRunning is set. A console may instead waitFor() it and then read
// destinationReached().
class TCtrlTrace : public ThreadBase {
 public:
  static constexpr std::uint32_t kStartIntervalMs = 60;
  static constexpr std::uint32_t kPollIntervalMs = 5;

  // startFlag: the front end's flag for this run; a fresh one when null. A
  // window creates it, keeps its own reference and polls isSet() after
  // start(): a self-freeing controller must not be touched for it.
  TCtrlTrace(TraceSnapshot snapshot, RunView& view,
             std::shared_ptr<TraceStartFlag> startFlag = nullptr);
  ~TCtrlTrace() override;

  const std::shared_ptr<TraceStartFlag>& startFlag() const { return startFlag_; }

  // After the run has ended: whether a hop reported the destination.
  bool destinationReached() const { return reached_; }

 protected:
  void execute() override;

 private:
  void trace();
  bool resolveHeader(std::string& header);
  void runHops(TraceHopTable& table);
  bool startWorker(TraceHopTable& table, std::uint32_t hop);
  void showHop(TraceHopTable& table, std::uint32_t hop);
  void reportHop(TraceHopTable& table, std::uint32_t hop, std::uint32_t code);
  void showLine(const std::string& line);
  void discardWorkers(TraceHopTable& table, std::uint32_t first, std::uint32_t last);

  TraceSnapshot snap_;
  RunView& view_;
  std::shared_ptr<TraceStartFlag> startFlag_;
  IpAddress destination_;
  std::vector<std::unique_ptr<TTraceTh>> workers_;  // by hop number; controller only
  std::uint32_t hopsStarted_ = 0;
  std::uint32_t hopsCollected_ = 0;
  bool replaceLast_ = false;  // the next shown line replaces the last one
  std::string errorText_;
  bool reached_ = false;
};

}  // namespace tarvo

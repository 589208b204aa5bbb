#pragma once

#include <memory>

#include "base/clock.h"
#include "base/event_loop.h"
#include "engine/echo_service.h"

namespace tarvo {

// Where a run's workers (small state machines) go. On the echo engine's
// loop, which reads the sockets, when the run uses the real echo service on
// real time: an answer then reaches its worker without a hand-off. Otherwise
// (scripted services, a pretend clock) on a loop of the run's own. Holds
// what it made until it is destroyed, after the run's workers.
class WorkerLoop {
 public:
  WorkerLoop() = default;
  WorkerLoop(const WorkerLoop&) = delete;
  WorkerLoop& operator=(const WorkerLoop&) = delete;

  // Null when no loop can be had (the system refused its thread).
  EventLoop* open(const EchoServiceFactory& factory, Clock& clock);

 private:
  std::unique_ptr<EchoService> engineService_;  // keeps the engine's sockets open
  std::unique_ptr<EventLoop> own_;
};

}  // namespace tarvo

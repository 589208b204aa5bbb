#include "engine/worker_loop.h"

#include <new>

namespace tarvo {

EventLoop* WorkerLoop::open(const EchoServiceFactory& factory, Clock& clock) {
  if (&clock == &systemClock() && factory) {
    engineService_ = factory();
    if (engineService_ && engineService_->open() == EchoOpenResult::Ok) {
      if (EventLoop* engine = engineService_->engine()) return engine;
    }
    engineService_.reset();
  }
  own_ = std::make_unique<EventLoop>(clock);
  if (own_->start()) return own_.get();
  own_.reset();
  return nullptr;
}

}  // namespace tarvo

#pragma once

#include <mutex>

#include "base/thread_base.h"
#include "ping/tone.h"

namespace tarvo {

// Sounds the reply tone on its own thread so the ping never waits for the
// sound. Replies that arrive while a tone plays merge into one further tone;
// a request pending when the stop comes is still played.
//
// The two locks belong to the ping run and outlive the beeper.
class TBeep : public ThreadBase {
 public:
  TBeep(std::mutex& beepLock, std::mutex& readyLock, std::unique_ptr<Tone> tone);

  bool ready();        // under the ready lock
  void requestTone();  // under the beep lock

  static constexpr std::uint32_t kFrequencyHz = 1000;
  static constexpr std::uint32_t kDurationMs = 80;

 protected:
  void execute() override;

 private:
  std::mutex& beepLock_;
  std::mutex& readyLock_;
  std::unique_ptr<Tone> tone_;
  bool ready_ = false;          // guarded by readyLock_
  bool beepRequested_ = false;  // guarded by beepLock_
};

}  // namespace tarvo

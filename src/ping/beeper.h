#pragma once

#include <memory>

#include "base/guarded.h"
#include "base/thread_base.h"
#include "ping/tone.h"

namespace tarvo {

// Sounds the reply tone on its own thread so the ping never waits for the
// sound. Replies that arrive while a tone plays merge into one further tone;
// a request pending when the stop comes is still played.
class TBeep : public ThreadBase {
 public:
  explicit TBeep(std::unique_ptr<Tone> tone);

  // True once the thread is up and will hear requests.
  bool ready() const { return ready_.get(); }
  // Asks for one tone; waits while a tone plays.
  void requestTone();

  static constexpr std::uint32_t kFrequencyHz = 1000;
  static constexpr std::uint32_t kDurationMs = 80;

 protected:
  void execute() override;

 private:
  std::unique_ptr<Tone> tone_;
  Guarded<bool> ready_{false};
  Guarded<bool> toneRequested_{false};
};

}  // namespace tarvo

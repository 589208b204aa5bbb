#include "ping/beeper.h"

namespace tarvo {

TBeep::TBeep(std::mutex& beepLock, std::mutex& readyLock, std::unique_ptr<Tone> tone)
    : beepLock_(beepLock), readyLock_(readyLock), tone_(std::move(tone)) {}

bool TBeep::ready() {
  std::lock_guard<std::mutex> lock(readyLock_);
  return ready_;
}

void TBeep::requestTone() {
  std::lock_guard<std::mutex> lock(beepLock_);
  beepRequested_ = true;
}

void TBeep::execute() {
  {
    std::lock_guard<std::mutex> lock(readyLock_);
    ready_ = true;
  }
  while (true) {
    {
      std::lock_guard<std::mutex> lock(beepLock_);
      if (stopRequested() && !beepRequested_) break;
      if (beepRequested_) {
        // The lock stays held while the tone plays: requests raised meanwhile
        // wait for it and merge into one further tone.
        if (tone_) tone_->play(kFrequencyHz, kDurationMs);
        beepRequested_ = false;
      }
    }
    sleepMs(1);
  }
}

}  // namespace tarvo

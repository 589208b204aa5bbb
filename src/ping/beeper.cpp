#include "ping/beeper.h"

namespace tarvo {

TBeep::TBeep(std::unique_ptr<Tone> tone) : tone_(std::move(tone)) {}

void TBeep::requestTone() {
  toneRequested_.with([](bool& requested) { requested = true; });
  wake();
}

void TBeep::execute() {
  ready_.set(true);
  while (true) {
    // The lock stays held while the tone plays: requests raised meanwhile
    // wait for it and merge into one further tone.
    const bool goOn = toneRequested_.with([this](bool& requested) {
      if (stopRequested() && !requested) return false;
      if (requested) {
        if (tone_) tone_->play(kFrequencyHz, kDurationMs);
        requested = false;
      }
      return true;
    });
    if (!goOn) break;
    waitForWake();
  }
}

}  // namespace tarvo

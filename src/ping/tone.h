#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace tarvo {

// Plays one blocking tone; returns when the tone is over.
class Tone {
 public:
  virtual ~Tone() = default;
  virtual void play(std::uint32_t frequencyHz, std::uint32_t durationMs) = 0;
};

using ToneFactory = std::function<std::unique_ptr<Tone>()>;

// The sound device through ALSA; where none opens, the terminal bell and a
// sleep of the tone's length, so the call always lasts as long as the tone.
ToneFactory defaultToneFactory();

}  // namespace tarvo

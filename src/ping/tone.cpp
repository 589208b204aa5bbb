#include "ping/tone.h"

#include <alsa/asoundlib.h>
#include <unistd.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "base/thread_base.h"

namespace tarvo {

namespace {

void silentAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

constexpr unsigned kRate = 8000;

class AlsaTone : public Tone {
 public:
  AlsaTone() {
    snd_lib_error_set_handler(&silentAlsaErrors);
    // Non-blocking open so a busy or missing device never hangs the beeper.
    if (snd_pcm_open(&pcm_, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
      pcm_ = nullptr;
      return;
    }
    if (snd_pcm_nonblock(pcm_, 0) < 0 ||
        snd_pcm_set_params(pcm_, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1, kRate, 1,
                           50000) < 0) {
      snd_pcm_close(pcm_);
      pcm_ = nullptr;
    }
  }
  ~AlsaTone() override {
    if (pcm_ != nullptr) snd_pcm_close(pcm_);
  }

  void play(std::uint32_t frequencyHz, std::uint32_t durationMs) override {
    if (pcm_ == nullptr) {
      bell(durationMs);
      return;
    }
    const std::size_t frames = static_cast<std::size_t>(kRate) * durationMs / 1000;
    std::vector<std::int16_t> samples(frames);
    for (std::size_t i = 0; i < frames; ++i) {
      samples[i] = static_cast<std::int16_t>(
          8000 * std::sin(2 * std::numbers::pi * frequencyHz * static_cast<double>(i) / kRate));
    }
    snd_pcm_prepare(pcm_);
    snd_pcm_sframes_t written = snd_pcm_writei(pcm_, samples.data(), frames);
    if (written < 0) written = snd_pcm_recover(pcm_, static_cast<int>(written), 1);
    if (written < 0) {
      bell(durationMs);
      return;
    }
    snd_pcm_drain(pcm_);
  }

 private:
  // No sound device: the terminal bell, and the tone's length as a pause so
  // the call still lasts as long as a tone. Never into standard output, which
  // carries the ping's lines.
  static void bell(std::uint32_t durationMs) {
    if (isatty(STDERR_FILENO)) {
      [[maybe_unused]] auto n = write(STDERR_FILENO, "\a", 1);
    }
    sleepMs(durationMs);
  }

  snd_pcm_t* pcm_ = nullptr;
};

}  // namespace

ToneFactory defaultToneFactory() {
  return [] { return std::make_unique<AlsaTone>(); };
}

}  // namespace tarvo

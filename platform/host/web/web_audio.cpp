// Web Audio as the sound system of the browser build. There is one thread, so streams are
// paced by the layer's clock, whose callbacks the host's idle wait runs: a playback period is
// filled when it starts and handed to the page, which queues it on its AudioContext a little
// ahead of what plays; a capture period takes what the page's AudioWorklet has recorded from
// the microphone since the last one (silence for what it has not).
#include <emscripten.h>

#include <memory>
#include <string>
#include <vector>

#include "audio_backend.h"

// The page's side (page/orvel_page.js).
extern "C" {
void orvel_page_play(const float* frames, int count, int rate, int channels);
int orvel_page_capture_open(int rate, int channels);
int orvel_page_capture_take(float* frames, int count, int channels);
}

namespace orvel::wave::audio {
namespace {

class WebAudio : public Backend {
 public:
  std::unique_ptr<Stream> OpenCapture(const std::string&, int rate, int channels, Capture onFrames,
                                      Lost onLost, std::string* error) override {
    if (!orvel_page_capture_open(rate, channels)) {
      *error = "this browser offers no microphone to a web page";
      return nullptr;
    }
    return Paced().OpenCapture(
        "", rate, channels,
        [onFrames = std::move(onFrames), channels](const float* frames, int count) {
          // The paced period is silence; what the page recorded replaces its start.
          std::vector<float> recorded(frames, frames + static_cast<size_t>(count) * channels);
          orvel_page_capture_take(recorded.data(), count, channels);
          onFrames(recorded.data(), count);
        },
        std::move(onLost), error);
  }

  std::unique_ptr<Stream> OpenPlayback(int rate, int channels, Playback fill, Lost onLost,
                                       std::string* error) override {
    return Paced().OpenPlayback(
        rate, channels,
        [fill = std::move(fill), rate, channels](float* frames, int count) {
          fill(frames, count);
          orvel_page_play(frames, count, rate, channels);
        },
        std::move(onLost), error);
  }

  std::string DefaultCaptureName() override { return "Microphone"; }
};

}  // namespace

Backend& SoundSystem() {
  static WebAudio* backend = new WebAudio;
  return *backend;
}

}  // namespace orvel::wave::audio

// Where sound goes to and comes from, behind one interface as windows are behind user::Host:
// the sound system (SDL2 audio) in a live run, and a back end paced by the layer's clock under
// the virtual clock (tests, offline rendering) or when the sound system has no output. Wave
// input, file playback and the CD player open their streams here.
#ifndef ORVEL_WINMM_AUDIO_BACKEND_H
#define ORVEL_WINMM_AUDIO_BACKEND_H

#include <functional>
#include <memory>
#include <string>

namespace orvel::wave::audio {

// One open stream, paused until Run(true). Frames are interleaved floats in [-1, 1].
// Destroying a stream waits for its callback to return, so never destroy one on its own
// callback's thread or while holding a lock that its callback takes.
class Stream {
 public:
  virtual ~Stream() = default;
  virtual void Run(bool running) = 0;
};

using Capture = std::function<void(const float* frames, int count)>;
using Playback = std::function<void(float* frames, int count)>;
using Lost = std::function<void(const std::string& reason)>;

class Backend {
 public:
  virtual ~Backend() = default;
  // Capture from `device` (empty: the default) at rate and channels.
  virtual std::unique_ptr<Stream> OpenCapture(const std::string& device, int rate, int channels,
                                              Capture onFrames, Lost onLost,
                                              std::string* error) = 0;
  // Playback on the default output at rate and channels; `fill` writes every frame.
  virtual std::unique_ptr<Stream> OpenPlayback(int rate, int channels, Playback fill, Lost onLost,
                                               std::string* error) = 0;
};

// SDL2 audio. Opening fails (with SDL's reason) when the sound system cannot.
Backend& SoundSystem();

// The clock's back end: a running playback stream's fill is called by the clock every
// kPacedFrames frames' worth of time, as a sound card would pull them, and the sound goes
// nowhere; a running capture stream delivers silence at the same pace. In virtual time this
// makes a session's sound the same on every run; in real time it stands in for a missing
// output. Opening never fails.
Backend& Paced();
constexpr int kPacedFrames = 1024;

// Paced() under the virtual clock, SoundSystem() in real time.
Backend& Current();

// Playback on Current(), falling back to Paced() when the sound system has no output, so that
// what plays still advances with time. Never null.
std::unique_ptr<Stream> OpenPlaybackOrPaced(int rate, int channels, Playback fill, Lost onLost);

}  // namespace orvel::wave::audio

#endif

// Where sound goes to and comes from, behind one interface as windows are behind user::Host:
// the sound system (SDL2 audio) in a live run, and a back end paced by the layer's clock under
// the virtual clock (tests, offline rendering) or when the sound system has no output. Wave
// input, file playback and the CD player open their streams here.
#ifndef ORVEL_WINMM_AUDIO_BACKEND_H
#define ORVEL_WINMM_AUDIO_BACKEND_H

#include <functional>
#include <memory>
#include <string>
#include <vector>

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

  // The questions that choosing an input asks of the sound system. A back end without named
  // devices keeps these answers: it starts, cannot count its devices (-1), has no default
  // name, no monitor and no list.
  // Starts the sound system (once; later calls only report); false with a message if it cannot.
  virtual bool Start(std::string* error) { return true; }
  // Capture devices: -1 when the back end cannot tell (the default may still open).
  virtual int CaptureDeviceCount() { return -1; }
  // The name of the default capture device, or "" if the back end does not say.
  virtual std::string DefaultCaptureName() { return ""; }
  // The capture device that records the default output; empty with a message if none.
  virtual std::string FindMonitor(std::string* error);
  // The capture devices and monitor sources by name; false with a message when it cannot list.
  virtual bool CaptureDeviceNames(std::vector<std::string>* names, std::string* error);
};

// The sound system of the platform: SDL2 audio natively (sdl_audio.cpp), Web Audio in the
// browser (the web host). Opening fails, with the sound system's reason, when it cannot.
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

// The sound system behind the wave-input sources: SDL2 audio capture and playback, opened with
// SDL_INIT_AUDIO only (no video). Streams deliver float frames on SDL's audio thread.
#ifndef ORVEL_WINMM_SDL_AUDIO_H
#define ORVEL_WINMM_SDL_AUDIO_H

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio_backend.h"

namespace orvel::wave::sdl {

// Starts SDL audio (once; later calls only report). False with a message if it cannot start.
bool Start(std::string* error);

// Capture devices the sound system lists: -1 when it cannot tell (the default may still open).
int CaptureDeviceCount();

// The capture device that records the default output ("Monitor of <default sink>"), or the
// first monitor listed when the default output is unknown. Empty with a message if none.
std::string FindMonitor(std::string* error);

// The name of the default capture device, or "" if the sound system does not say.
std::string DefaultCaptureName();

// The capture devices and monitor sources, named as SDL names them, in its order. False with
// a message when the sound system does not start.
bool CaptureDeviceNames(std::vector<std::string>* names, std::string* error);

// One open SDL audio device. Closing waits for its callback to return, so never destroy a
// stream on its own callback's thread or while holding a lock that callback takes.
struct StreamHooks;

class Stream : public audio::Stream {
 public:
  using Capture = audio::Capture;
  using Playback = audio::Playback;
  using Lost = audio::Lost;

  // Capture from `device` (empty: the default) at rate and channels (SDL converts). Paused.
  static std::unique_ptr<Stream> OpenCapture(const std::string& device, int rate, int channels,
                                             Capture onFrames, Lost onLost, std::string* error);
  // Playback on the default output at rate and channels; `fill` writes every frame. Paused.
  static std::unique_ptr<Stream> OpenPlayback(int rate, int channels, Playback fill, Lost onLost,
                                              std::string* error);
  ~Stream() override;

  void Run(bool running) override;

 private:
  Stream(unsigned id, std::shared_ptr<StreamHooks> hooks) : id_(id), hooks_(std::move(hooks)) {}
  static std::unique_ptr<Stream> Open(bool capture, const std::string& device, int rate,
                                      int channels, std::shared_ptr<StreamHooks> hooks,
                                      std::string* error);
  unsigned id_;
  std::shared_ptr<StreamHooks> hooks_;
};

}  // namespace orvel::wave::sdl

#endif

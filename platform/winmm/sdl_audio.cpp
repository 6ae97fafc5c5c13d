#include "sdl_audio.h"

#include <SDL.h>

#include <map>
#include <mutex>

namespace orvel::wave::sdl {

struct StreamHooks {
  bool capture = false;
  int channels = 1;
  Stream::Capture onFrames;
  Stream::Playback fill;
  Stream::Lost onLost;
};

namespace {

constexpr int kCallbackFrames = 512;  // about 23 ms at 22050 Hz: short enough to follow
const char kMonitorPrefix[] = "Monitor of ";

struct Registry {
  std::mutex lock;
  bool tried = false;
  bool started = false;
  std::string error;
  std::map<SDL_AudioDeviceID, std::weak_ptr<StreamHooks>> open;
};

// Never destroyed: SDL's threads may still report while the program exits.
Registry& R() {
  static Registry* registry = new Registry;
  return *registry;
}

// Runs on the thread that noticed the loss (SDL's audio thread); tells the stream's owner.
int WatchEvents(void*, SDL_Event* event) {
  if (event->type != SDL_AUDIODEVICEREMOVED) return 1;
  std::shared_ptr<StreamHooks> hooks;
  {
    std::lock_guard<std::mutex> hold(R().lock);
    auto it = R().open.find(event->adevice.which);
    if (it != R().open.end()) hooks = it->second.lock();
  }
  if (hooks && hooks->capture == (event->adevice.iscapture != 0) && hooks->onLost) {
    hooks->onLost(hooks->capture ? "the recording device was removed"
                                 : "the sound output was removed");
  }
  return 1;
}

void CaptureCallback(void* user, Uint8* bytes, int length) {
  auto* hooks = static_cast<StreamHooks*>(user);
  const int frames = length / static_cast<int>(sizeof(float)) / hooks->channels;
  hooks->onFrames(reinterpret_cast<const float*>(bytes), frames);
}

void PlaybackCallback(void* user, Uint8* bytes, int length) {
  auto* hooks = static_cast<StreamHooks*>(user);
  const int frames = length / static_cast<int>(sizeof(float)) / hooks->channels;
  hooks->fill(reinterpret_cast<float*>(bytes), frames);
}

std::string TakeSdlString(char* text) {
  std::string result = text ? text : "";
  SDL_free(text);
  return result;
}

}  // namespace

bool Start(std::string* error) {
  Registry& r = R();
  std::lock_guard<std::mutex> hold(r.lock);
  if (!r.tried) {
    r.tried = true;
    // PulseAudio lists the monitors of its outputs ("Monitor of ...") only when asked to.
    SDL_SetHint(SDL_HINT_AUDIO_INCLUDE_MONITORS, "1");
    // SDL's events would otherwise turn SIGINT and SIGTERM into a quit event that nothing
    // reads, and the program could no longer be ended by a signal. The sound system may start
    // before the window host, which sets the same.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO | SDL_INIT_EVENTS) == 0) {
      r.started = true;
      SDL_AddEventWatch(WatchEvents, nullptr);
    } else {
      r.error = std::string("the sound system did not start: ") + SDL_GetError();
    }
  }
  if (!r.started && error) *error = r.error;
  return r.started;
}

int CaptureDeviceCount() {
  return SDL_GetNumAudioDevices(1);
}

std::string DefaultCaptureName() {
  char* name = nullptr;
  SDL_AudioSpec spec;
  if (SDL_GetDefaultAudioInfo(&name, &spec, 1) != 0) return "";
  return TakeSdlString(name);
}

bool CaptureDeviceNames(std::vector<std::string>* names, std::string* error) {
  if (!Start(error)) return false;
  names->clear();
  const int count = SDL_GetNumAudioDevices(1);
  for (int i = 0; i < count; ++i) {
    if (const char* name = SDL_GetAudioDeviceName(i, 1)) names->push_back(name);
  }
  return true;
}

std::string FindMonitor(std::string* error) {
  if (!Start(error)) {
    *error = "no monitor source: " + *error;
    return "";
  }
  char* sinkName = nullptr;
  SDL_AudioSpec spec;
  std::string sink;
  if (SDL_GetDefaultAudioInfo(&sinkName, &spec, 0) == 0) sink = TakeSdlString(sinkName);
  std::string first;
  const int count = SDL_GetNumAudioDevices(1);
  for (int i = 0; i < count; ++i) {
    const char* name = SDL_GetAudioDeviceName(i, 1);
    if (!name || SDL_strncmp(name, kMonitorPrefix, sizeof kMonitorPrefix - 1) != 0) continue;
    if (!sink.empty() && sink == name + sizeof kMonitorPrefix - 1) return name;
    if (first.empty()) first = name;
  }
  if (first.empty()) {
    *error = "no monitor source: the sound system (" +
             std::string(SDL_GetCurrentAudioDriver() ? SDL_GetCurrentAudioDriver() : "none") +
             ") lists no \"Monitor of ...\" recording device; PulseAudio provides one (with "
             "PipeWire, through its PulseAudio service: SDL_AUDIODRIVER=pulseaudio)";
  }
  return first;
}

std::unique_ptr<Stream> Stream::Open(bool capture, const std::string& device, int rate,
                                     int channels, std::shared_ptr<StreamHooks> hooks,
                                     std::string* error) {
  if (!Start(error)) return nullptr;
  SDL_AudioSpec want;
  SDL_zero(want);
  want.freq = rate;
  want.format = AUDIO_F32SYS;
  want.channels = static_cast<Uint8>(channels);
  want.samples = kCallbackFrames;
  want.callback = capture ? CaptureCallback : PlaybackCallback;
  want.userdata = hooks.get();
  hooks->capture = capture;
  hooks->channels = channels;
  SDL_AudioSpec have;
  // No allowed changes: SDL converts between this format and the hardware's.
  const SDL_AudioDeviceID id = SDL_OpenAudioDevice(device.empty() ? nullptr : device.c_str(),
                                                   capture ? 1 : 0, &want, &have, 0);
  if (id == 0) {
    *error = SDL_GetError();
    return nullptr;
  }
  {
    std::lock_guard<std::mutex> hold(R().lock);
    R().open[id] = hooks;
  }
  return std::unique_ptr<Stream>(new Stream(id, std::move(hooks)));
}

std::unique_ptr<Stream> Stream::OpenCapture(const std::string& device, int rate, int channels,
                                            Capture onFrames, Lost onLost, std::string* error) {
  auto hooks = std::make_shared<StreamHooks>();
  hooks->onFrames = std::move(onFrames);
  hooks->onLost = std::move(onLost);
  return Open(true, device, rate, channels, std::move(hooks), error);
}

std::unique_ptr<Stream> Stream::OpenPlayback(int rate, int channels, Playback fill, Lost onLost,
                                             std::string* error) {
  auto hooks = std::make_shared<StreamHooks>();
  hooks->fill = std::move(fill);
  hooks->onLost = std::move(onLost);
  return Open(false, "", rate, channels, std::move(hooks), error);
}

Stream::~Stream() {
  {
    std::lock_guard<std::mutex> hold(R().lock);
    R().open.erase(id_);
  }
  SDL_CloseAudioDevice(id_);
}

void Stream::Run(bool running) {
  SDL_PauseAudioDevice(id_, running ? 0 : 1);
}

}  // namespace orvel::wave::sdl

namespace orvel::wave::audio {
namespace {

// SDL2 audio as the sound system behind every stream and every question about inputs.
class SdlBackend : public Backend {
 public:
  std::unique_ptr<Stream> OpenCapture(const std::string& device, int rate, int channels,
                                      Capture onFrames, Lost onLost, std::string* error) override {
    return sdl::Stream::OpenCapture(device, rate, channels, std::move(onFrames), std::move(onLost),
                                    error);
  }
  std::unique_ptr<Stream> OpenPlayback(int rate, int channels, Playback fill, Lost onLost,
                                       std::string* error) override {
    return sdl::Stream::OpenPlayback(rate, channels, std::move(fill), std::move(onLost), error);
  }
  bool Start(std::string* error) override { return sdl::Start(error); }
  int CaptureDeviceCount() override { return sdl::CaptureDeviceCount(); }
  std::string DefaultCaptureName() override { return sdl::DefaultCaptureName(); }
  std::string FindMonitor(std::string* error) override { return sdl::FindMonitor(error); }
  bool CaptureDeviceNames(std::vector<std::string>* names, std::string* error) override {
    return sdl::CaptureDeviceNames(names, error);
  }
};

}  // namespace

Backend& SoundSystem() {
  static SdlBackend* backend = new SdlBackend;
  return *backend;
}

}  // namespace orvel::wave::audio

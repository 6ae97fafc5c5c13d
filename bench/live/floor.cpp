// live-floor: the least that a windowed visualiser built on SDL2 costs, to set beside Orvel and
// cava in bench/live/run --floor. It does what Orvel's live window cannot do without: it
// captures 22050 Hz mono from the first "Monitor of ..." device through SDL in pieces of 512
// frames, and 30 times a second fills a 530 x 200 block of a 561 x 411 window (the size of
// the spectrum bars) in turn red and black and presents it. It analyses and draws nothing
// else, and it waits the way Orvel's host waits on X11: in poll() on the display connection,
// pumping SDL only when the connection holds something.
//
// usage: live-floor (runs until its window is closed or it is killed)
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#include <string>

namespace {

constexpr int kFrameMicros = 33333;

// The captured sound is dropped: its cost is SDL's and the sound server's.
void Captured(void*, Uint8*, int) {}

long long NowMicros() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1000000LL + t.tv_nsec / 1000;
}

std::string FirstMonitor() {
  const char prefix[] = "Monitor of ";
  for (int i = 0; i < SDL_GetNumAudioDevices(1); ++i) {
    const char* name = SDL_GetAudioDeviceName(i, 1);
    if (name && strncmp(name, prefix, sizeof prefix - 1) == 0) return name;
  }
  return "";
}

bool StartCapture() {
  SDL_AudioSpec want{}, have{};
  want.freq = 22050;
  want.format = AUDIO_F32SYS;
  want.channels = 1;
  want.samples = 512;
  want.callback = Captured;
  const std::string monitor = FirstMonitor();
  const SDL_AudioDeviceID id =
      SDL_OpenAudioDevice(monitor.empty() ? nullptr : monitor.c_str(), 1, &want, &have, 0);
  if (id == 0) return false;
  SDL_PauseAudioDevice(id, 0);
  return true;
}

// Sleeps until `until` (microseconds of NowMicros), handling the window's events as they come.
// False once the window is closed.
bool WaitUntil(long long until, int connection) {
  for (;;) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
      if (event.type == SDL_QUIT) return false;
    }
    const long long left = until - NowMicros();
    if (left <= 0) return true;
    pollfd watch{connection, POLLIN, 0};
    if (poll(&watch, 1, static_cast<int>((left + 999) / 1000)) > 0) SDL_PumpEvents();
  }
}

}  // namespace

int main() {
  SDL_SetHint(SDL_HINT_AUDIO_INCLUDE_MONITORS, "1");
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO) != 0 || !StartCapture()) {
    fprintf(stderr, "live-floor: %s\n", SDL_GetError());
    return 1;
  }
  SDL_Window* window = SDL_CreateWindow("live-floor", 0, 0, 561, 411, 0);
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
    fprintf(stderr, "live-floor: needs a window on an X11 display\n");
    return 1;
  }
  const int connection = ConnectionNumber(info.info.x11.display);
  long long next = NowMicros();
  for (unsigned frame = 0;; ++frame) {
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    SDL_Rect block{20, 100, 530, 200};
    SDL_FillRect(surface, &block, (frame & 1) ? 0xFF0000u : 0u);
    SDL_UpdateWindowSurfaceRects(window, &block, 1);
    next += kFrameMicros;
    if (!WaitUntil(next, connection)) break;
  }
  SDL_Quit();
  return 0;
}

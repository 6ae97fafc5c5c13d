// The SDL2 host: every shown top-level window is an OS window of its client size. Pixels go
// to the screen through the SDL window surface, only the rectangles that changed since the last
// presentation, at most once per display refresh.
#include <SDL.h>

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <thread>
#include <vector>

#include "host/hosts.h"
#include "host/icon.h"
#include "kernel/resources.h"
#include "kernel/clock.h"
#include "user/host.h"

namespace orvel::host {
namespace {

constexpr int kBand = 16;  // rows per presented rectangle
bool g_sdlInUse = false;

struct Shown {
  SDL_Window* window = nullptr;
  std::vector<uint32_t> presented;  // what the screen shows, to find what changed
  bool exposed = true;              // the whole window must be drawn again
};

int VirtualKey(SDL_Keycode key) {
  switch (key) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return VK_RETURN;
    case SDLK_ESCAPE:
      return VK_ESCAPE;
    case SDLK_SPACE:
      return VK_SPACE;
    default:
      if (key >= 'a' && key <= 'z') return key - 'a' + 'A';
      if (key >= '0' && key <= '9') return key;
      return 0;
  }
}

class SdlHost : public user::Host {
 public:
  SdlHost() : thread_(std::this_thread::get_id()) {
    wakeEvent_ = SDL_RegisterEvents(1);
    SDL_DisplayMode mode;
    if (SDL_GetCurrentDisplayMode(0, &mode) == 0 && mode.refresh_rate > 0) {
      refreshMicros_ = 1000000 / mode.refresh_rate;
    }
  }

  ~SdlHost() override {
    for (auto& entry : shown_) SDL_DestroyWindow(entry.second.window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    // SDL_Quit also lets go of the session bus that video set-up opened.
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
  }

  void TopLevelShown(HWND hwnd, const RECT& screen, const std::string& title) override {
    Shown& s = shown_[hwnd];
    if (s.window == nullptr) {
      s.window = SDL_CreateWindow(title.c_str(), screen.left, screen.top,
                                  std::max<int>(1, screen.right - screen.left),
                                  std::max<int>(1, screen.bottom - screen.top), SDL_WINDOW_SHOWN);
      if (s.window == nullptr) {
        shown_.erase(hwnd);
        return;
      }
      SetIcon(hwnd, s.window);
    } else {
      SDL_ShowWindow(s.window);
    }
    SDL_RaiseWindow(s.window);  // a dialog comes up in front of its owner, with the keyboard
    s.exposed = true;
    dirty_ = true;
  }

  void TopLevelHidden(HWND hwnd) override {
    auto it = shown_.find(hwnd);
    if (it != shown_.end()) SDL_HideWindow(it->second.window);
  }

  void TopLevelDestroyed(HWND hwnd) override {
    auto it = shown_.find(hwnd);
    if (it == shown_.end()) return;
    SDL_DestroyWindow(it->second.window);
    shown_.erase(it);
  }

  void Poll(bool dirty) override {
    dirty_ = dirty_ || dirty;
    SDL_Event event;
    while (SDL_PollEvent(&event)) Handle(event);
    if (dirty_ && clock::NowMicros() >= lastPresent_ + refreshMicros_) Present();
  }

  void Wait(int64_t deadlineMicros) override {
    if (dirty_) {
      int64_t presentAt = lastPresent_ + refreshMicros_;
      deadlineMicros = deadlineMicros < 0 ? presentAt : std::min(deadlineMicros, presentAt);
    }
    SDL_Event event;
    int got;
    if (deadlineMicros < 0) {
      got = SDL_WaitEvent(&event);
    } else {
      int64_t wait = std::max<int64_t>(0, deadlineMicros - clock::NowMicros());
      got = SDL_WaitEventTimeout(&event, static_cast<int>((wait + 999) / 1000));
    }
    if (got) Handle(event);
  }

  void Wake() override {
    // The window thread wakes itself by carrying on.
    if (std::this_thread::get_id() == thread_) return;
    SDL_Event event{};
    event.type = wakeEvent_;
    SDL_PushEvent(&event);
  }

  int MessageBox(HWND owner, const std::string& text, const std::string& caption,
                 UINT type) override {
    auto it = shown_.find(owner);
    SDL_Window* parent = it == shown_.end() ? nullptr : it->second.window;
    Uint32 flags = (type & MB_ICONERROR) ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    if (SDL_ShowSimpleMessageBox(flags, caption.c_str(), text.c_str(), parent) != 0) {
      return Host::MessageBox(owner, text, caption, type);
    }
    return IDOK;
  }

  RECT WorkArea() override {
    SDL_Rect r;
    if (SDL_GetDisplayUsableBounds(0, &r) != 0) return Host::WorkArea();
    return RECT{r.x, r.y, r.x + r.w, r.y + r.h};
  }

 private:
  // The window class's icon from the resource table, as the OS window's icon.
  static void SetIcon(HWND hwnd, SDL_Window* window) {
    int id = user::IconResourceOf(hwnd);
    if (id == 0) return;
    res::Resource file = res::Find(res::kIconFile, id);
    IconImage icon;
    if (!DecodeIcon(file.data, file.size, &icon)) return;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        icon.argb.data(), icon.width, icon.height, 32, icon.width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (surface == nullptr) return;
    SDL_SetWindowIcon(window, surface);
    SDL_FreeSurface(surface);
  }

  HWND WindowOf(Uint32 id) {
    SDL_Window* window = SDL_GetWindowFromID(id);
    for (auto& entry : shown_) {
      if (entry.second.window == window) return entry.first;
    }
    return nullptr;
  }

  void Handle(const SDL_Event& event) {
    switch (event.type) {
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        if (event.button.button != SDL_BUTTON_LEFT) return;
        if (HWND hwnd = WindowOf(event.button.windowID)) {
          user::QueueInput(event.type == SDL_MOUSEBUTTONDOWN ? user::InputKind::kMouseDown
                                                             : user::InputKind::kMouseUp,
                           hwnd, event.button.x, event.button.y);
        }
        return;
      case SDL_MOUSEMOTION:
        if (HWND hwnd = WindowOf(event.motion.windowID)) {
          user::QueueInput(user::InputKind::kMouseMove, hwnd, event.motion.x, event.motion.y);
        }
        return;
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        int key = VirtualKey(event.key.keysym.sym);
        HWND hwnd = WindowOf(event.key.windowID);
        if (key != 0 && hwnd != nullptr) {
          user::QueueInput(
              event.type == SDL_KEYDOWN ? user::InputKind::kKeyDown : user::InputKind::kKeyUp, hwnd,
              0, 0, key);
        }
        return;
      }
      case SDL_WINDOWEVENT: {
        HWND hwnd = WindowOf(event.window.windowID);
        if (hwnd == nullptr) return;
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
          user::QueueInput(user::InputKind::kClose, hwnd, 0, 0);
        } else if (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
                   event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
          shown_[hwnd].exposed = true;
          dirty_ = true;
        }
        return;
      }
      default:
        return;
    }
  }

  // Copies what changed in each window's pixels to its SDL surface and updates those rectangles.
  void Present() {
    lastPresent_ = clock::NowMicros();
    dirty_ = false;
    for (auto& entry : shown_) {
      const gdi::Surface* pixels = user::TopLevelSurface(entry.first);
      Shown& s = entry.second;
      SDL_Surface* target = SDL_GetWindowSurface(s.window);
      if (pixels == nullptr || target == nullptr) continue;
      int w = std::min(pixels->width, target->w);
      int h = std::min(pixels->height, target->h);
      size_t count = static_cast<size_t>(pixels->width) * pixels->height;
      if (s.presented.size() != count) {
        s.presented.assign(count, 0);
        s.exposed = true;
      }
      std::vector<SDL_Rect> rects;
      for (int top = 0; top < h; top += kBand) {
        int bottom = std::min(h, top + kBand);
        int left = w, right = 0;
        for (int y = top; y < bottom; ++y) {
          const uint32_t* now = &pixels->pixels[static_cast<size_t>(y) * pixels->width];
          const uint32_t* was = &s.presented[static_cast<size_t>(y) * pixels->width];
          if (s.exposed) {
            left = 0;
            right = w;
            break;
          }
          if (memcmp(now, was, static_cast<size_t>(w) * sizeof(uint32_t)) == 0) continue;
          int x0 = 0;
          while (x0 < w && now[x0] == was[x0]) ++x0;
          int x1 = w;
          while (x1 > x0 && now[x1 - 1] == was[x1 - 1]) --x1;
          left = std::min(left, x0);
          right = std::max(right, x1);
        }
        if (right <= left) continue;
        SDL_Rect r{left, top, right - left, bottom - top};
        Copy(*pixels, target, r, &s.presented);
        rects.push_back(r);
      }
      s.exposed = false;
      if (!rects.empty()) {
        SDL_UpdateWindowSurfaceRects(s.window, rects.data(), static_cast<int>(rects.size()));
      }
    }
  }

  static void Copy(const gdi::Surface& from, SDL_Surface* to, const SDL_Rect& r,
                   std::vector<uint32_t>* presented) {
    for (int y = r.y; y < r.y + r.h; ++y) {
      const uint32_t* src = &from.pixels[static_cast<size_t>(y) * from.width + r.x];
      std::copy(src, src + r.w, presented->data() + static_cast<size_t>(y) * from.width + r.x);
    }
    const void* src = &from.pixels[static_cast<size_t>(r.y) * from.width + r.x];
    auto* dst = static_cast<Uint8*>(to->pixels) + r.y * to->pitch + r.x * to->format->BytesPerPixel;
    SDL_LockSurface(to);
    SDL_ConvertPixels(r.w, r.h, SDL_PIXELFORMAT_XRGB8888, src, from.width * 4, to->format->format,
                      dst, to->pitch);
    SDL_UnlockSurface(to);
  }

  std::thread::id thread_;
  Uint32 wakeEvent_ = 0;
  int64_t refreshMicros_ = 1000000 / 60;
  int64_t lastPresent_ = -1000000;
  bool dirty_ = true;
  std::map<HWND, Shown> shown_;
};

// Why the display that the environment names could not be used.
std::string UnopenedDisplay() {
  const char* x11 = getenv("DISPLAY");
  if (x11 != nullptr && *x11 != '\0') return std::string("cannot open display ") + x11;
  const char* wayland = getenv("WAYLAND_DISPLAY");
  return std::string("cannot open the Wayland display ") + (wayland ? wayland : "");
}

}  // namespace

bool UseSdl(std::string* error) {
  auto fail = [error](const std::string& why) {
    if (error != nullptr) {
      *error = "no display available: " + why + " (use --headless to run without a window)";
    }
    return false;
  };
  auto set = [](const char* name) {
    const char* value = getenv(name);
    return value != nullptr && *value != '\0';
  };
  bool driverChosen = set("SDL_VIDEODRIVER");
  if (!driverChosen && !set("DISPLAY") && !set("WAYLAND_DISPLAY")) {
    return fail("neither DISPLAY nor WAYLAND_DISPLAY is set");
  }
  // The window surface is presented by the CPU; the accelerated path costs far more here.
  if (getenv("SDL_FRAMEBUFFER_ACCELERATION") == nullptr) {
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  }
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    return fail(driverChosen ? std::string(SDL_GetError()) : UnopenedDisplay());
  }
  // SDL may settle for a driver that shows nothing, and nobody could answer the About box
  // in a window that is not shown: the run would idle for ever. Whether or not the user
  // chose such a driver, there is no display.
  const char* current = SDL_GetCurrentVideoDriver();
  if (current != nullptr && (strcmp(current, "offscreen") == 0 || strcmp(current, "dummy") == 0)) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return fail(driverChosen ? std::string("SDL's '") + current + "' video driver shows no window"
                             : UnopenedDisplay());
  }
  user::SetHost(std::make_unique<SdlHost>());
  g_sdlInUse = true;
  return true;
}

void Shutdown() {
  if (!g_sdlInUse) return;
  g_sdlInUse = false;
  UseHeadless();
}

}  // namespace orvel::host

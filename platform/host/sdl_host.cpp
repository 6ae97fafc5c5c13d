// The SDL2 host: every shown top-level window is an OS window of its client size, enlarged by
// a whole-number scale. Pixels go to the screen through the SDL window surface: only what was
// drawn since the last presentation (the surface's damage), at most once per display refresh.
// At scale 1 the program draws straight into the window surface, so nothing is copied.
//
// Windows other than dialogs can be resized and made full screen (F11 or Alt+Enter, a
// double-click on the black around the picture, or --fullscreen): the picture is then
// enlarged as a render's frames are, as large as fits and centred on black, in whole blocks or
// smoothed only at its pixels' edges, so that it stays crisp; clicks are taken back through
// the same enlargement.
#include <SDL.h>
#include <SDL_syswm.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <thread>
#include <vector>

#include "host/enlarge.h"
#include "host/hosts.h"
#include "host/icon.h"
#include "kernel/resources.h"
#include "kernel/clock.h"
#include "user/host.h"

namespace orvel::host {
namespace {

// A loop that keeps finding messages still takes the OS events this often; an idle one gets
// them in its wait.
constexpr int64_t kPumpMicros = 20000;
// With nothing to read from the display, SDL still gets its turn this often: it keeps the
// screen saver away while the visualisation plays.
constexpr int64_t kQuietPumpMicros = 1000000;
constexpr int kMaxScale = 8;
bool g_sdlInUse = false;
// Set once the process is exiting. Xlib ends the process with exit() when the display goes
// away; the host, a static, is then destroyed on the way out and must not talk to the dead
// display again, which would wait for it forever.
std::atomic<bool> g_exiting{false};
int g_scale = 0;            // 0: from the display's DPI
bool g_fullscreen = false;  // windows other than dialogs start full screen

struct Shown {
  SDL_Window* window = nullptr;
  const gdi::Surface* presented = nullptr;  // the client surface last presented
  bool exposed = true;                      // the whole window must be drawn again
  bool resizable = false;                   // not a dialog: resized and full screen at will
  // Where the client picture stands in the window: from window pixel (x, y), width x height
  // window pixels for the client's clientWidth x clientHeight; the rest of the window is black.
  // Each client pixel is a scale x scale block, or, where no whole multiple fills the window's
  // width or height, the picture is smoothed to fit (`enlarger`).
  int scale = 1, x = 0, y = 0, width = 0, height = 0, clientWidth = 1, clientHeight = 1;
  std::unique_ptr<host::Enlarger> enlarger;
};

// Window pixels per client pixel: the DPI's multiple of 96, as long as a 640 x 480 screen's
// worth of windows still fits the display; 1 where SDL reports no DPI.
int ScaleFromDisplay() {
  float diagonal = 0, horizontal = 0, vertical = 0;
  if (SDL_GetDisplayDPI(0, &diagonal, &horizontal, &vertical) != 0 || !(horizontal > 0)) return 1;
  int scale = std::max(1, std::min(kMaxScale, static_cast<int>(lroundf(horizontal / 96.0f))));
  SDL_Rect usable;
  if (SDL_GetDisplayUsableBounds(0, &usable) != 0) return 1;
  while (scale > 1 && (640 * scale > usable.w || 480 * scale > usable.h)) --scale;
  return scale;
}

// A window coordinate v (from the picture's edge) to the client's, for a picture `size`
// window pixels across showing `client` pixels: whole client pixels, rounding towards minus
// infinity.
int ToClient(int v, int size, int client) {
  const int64_t scaled = int64_t{v} * client;
  return static_cast<int>(scaled >= 0 ? scaled / size : -((-scaled + size - 1) / size));
}

bool IsFullscreen(SDL_Window* window) {
  return (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP) ==
         SDL_WINDOW_FULLSCREEN_DESKTOP;
}

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
    scale_ = g_scale > 0 ? g_scale : ScaleFromDisplay();
    wakeEvent_ = SDL_RegisterEvents(1);
    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    SDL_DisplayMode mode;
    if (SDL_GetCurrentDisplayMode(0, &mode) == 0 && mode.refresh_rate > 0) {
      refreshMicros_ = 1000000 / mode.refresh_rate;
    }
  }

  ~SdlHost() override {
    if (g_exiting) return;  // the process ends: leave the windows to it
    // The wake-up counter stays open: a thread that is waking this host as it goes must not
    // write into a descriptor that the number has since been given to. There is one a process.
    x11_ = nullptr;
    for (auto& entry : shown_) {
      Reclaim(entry.first);
      SDL_DestroyWindow(entry.second.window);
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    // SDL_Quit also lets go of the session bus that video set-up opened.
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
  }

  void TopLevelShown(HWND hwnd, const RECT& screen, const std::string& title) override {
    Shown& s = shown_[hwnd];
    if (s.window == nullptr) {
      // A modal dialog is made active before it is shown.
      s.resizable = hwnd != user::ActiveDialog();
      s.scale = scale_;
      Uint32 flags = SDL_WINDOW_SHOWN;
      if (s.resizable) flags |= SDL_WINDOW_RESIZABLE;
      if (s.resizable && g_fullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
      s.window = SDL_CreateWindow(title.c_str(), screen.left * scale_, screen.top * scale_,
                                  std::max<int>(1, screen.right - screen.left) * scale_,
                                  std::max<int>(1, screen.bottom - screen.top) * scale_, flags);
      if (s.window == nullptr) {
        shown_.erase(hwnd);
        return;
      }
      SetIcon(hwnd, s.window);
      if (x11_ == nullptr) UseX11Connection(s.window);
    } else {
      SDL_ShowWindow(s.window);
    }
    SDL_RaiseWindow(s.window);  // a dialog comes up in front of its owner, with the keyboard
    s.exposed = true;
  }

  void TopLevelHidden(HWND hwnd) override {
    auto it = shown_.find(hwnd);
    if (it != shown_.end()) SDL_HideWindow(it->second.window);
  }

  void TopLevelDestroyed(HWND hwnd) override {
    auto it = shown_.find(hwnd);
    if (it == shown_.end()) return;
    Reclaim(hwnd);
    SDL_DestroyWindow(it->second.window);
    shown_.erase(it);
  }

  // Presents what was drawn, once a display refresh has passed since the last presentation;
  // whether messages were handled does not matter, only the surfaces' damage does.
  void Poll(bool) override {
    const int64_t now = clock::NowMicros();
    if (now - lastLook_ >= kPumpMicros) {
      lastLook_ = now;
      if (now - lastPump_ >= kQuietPumpMicros || DisplayHasEvents()) Pump();
    }
    if (Pending() && clock::NowMicros() >= lastPresent_ + refreshMicros_) Present();
  }

  void Wait(int64_t deadlineMicros) override {
    if (Pending()) {
      int64_t presentAt = lastPresent_ + refreshMicros_;
      deadlineMicros = deadlineMicros < 0 ? presentAt : std::min(deadlineMicros, presentAt);
    }
    if (x11_ != nullptr) {
      WaitOnX11(deadlineMicros);
      return;
    }
    SDL_Event event;
    int got;
    if (deadlineMicros < 0) {
      got = SDL_WaitEvent(&event);
    } else {
      int64_t wait = std::max<int64_t>(0, deadlineMicros - clock::NowMicros());
      got = SDL_WaitEventTimeout(&event, static_cast<int>((wait + 999) / 1000));
    }
    // The wait pumped the OS events into SDL's queue: take the rest without pumping again.
    lastPump_ = lastLook_ = clock::NowMicros();
    if (got) Handle(event);
    HandleQueued();
  }

  void Wake() override {
    // The window thread wakes itself by carrying on.
    if (std::this_thread::get_id() == thread_) return;
    if (x11_ != nullptr) {
      const uint64_t one = 1;
      if (write(wakeFd_, &one, sizeof one) == sizeof one) return;
    }
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

  // In client pixels: the program places its windows on a screen 1/scale the size.
  RECT WorkArea() override {
    SDL_Rect r;
    if (SDL_GetDisplayUsableBounds(0, &r) != 0) return Host::WorkArea();
    return RECT{r.x / scale_, r.y / scale_, (r.x + r.w) / scale_, (r.y + r.h) / scale_};
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
          if (event.type == SDL_MOUSEBUTTONDOWN && event.button.clicks == 2 &&
              OnBorder(hwnd, event.button.x, event.button.y)) {
            ToggleFullscreen(hwnd);
            return;
          }
          Mouse(event.type == SDL_MOUSEBUTTONDOWN ? user::InputKind::kMouseDown
                                                  : user::InputKind::kMouseUp,
                hwnd, event.button.x, event.button.y);
        }
        return;
      case SDL_MOUSEMOTION:
        if (HWND hwnd = WindowOf(event.motion.windowID)) {
          Mouse(user::InputKind::kMouseMove, hwnd, event.motion.x, event.motion.y);
        }
        return;
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        int key = VirtualKey(event.key.keysym.sym);
        HWND hwnd = WindowOf(event.key.windowID);
        if (hwnd != nullptr && FullscreenKey(event.key.keysym)) {
          if (event.type == SDL_KEYDOWN && !event.key.repeat) ToggleFullscreen(hwnd);
          return;
        }
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
        } else if (event.window.event == SDL_WINDOWEVENT_EXPOSED) {
          shown_[hwnd].exposed = true;
        } else if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
          Reclaim(hwnd);
          shown_[hwnd].exposed = true;
        }
        return;
      }
      default:
        return;
    }
  }

  // A window's pixel (x, y) to its client's, through the window's enlargement.
  void Mouse(user::InputKind kind, HWND hwnd, int x, int y) {
    const Shown& s = shown_[hwnd];
    user::QueueInput(kind, hwnd, ToClient(x - s.x, std::max(1, s.width), s.clientWidth),
                     ToClient(y - s.y, std::max(1, s.height), s.clientHeight));
  }

  // Whether window pixel (x, y) lies in the black around the picture: the host's own, where a
  // double-click toggles full screen as one on a title bar does.
  bool OnBorder(HWND hwnd, int x, int y) {
    const Shown& s = shown_[hwnd];
    if (s.presented == nullptr) return false;
    return x < s.x || y < s.y || x >= s.x + s.width || y >= s.y + s.height;
  }

  // F11, or Enter with Alt, as every player and browser takes them.
  static bool FullscreenKey(const SDL_Keysym& key) {
    return key.sym == SDLK_F11 || (key.sym == SDLK_RETURN && (key.mod & KMOD_ALT) != 0);
  }

  void ToggleFullscreen(HWND hwnd) {
    Shown& s = shown_[hwnd];
    if (!s.resizable) return;
    SDL_SetWindowFullscreen(s.window, IsFullscreen(s.window) ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    Reclaim(hwnd);
    s.exposed = true;
  }

  // Handles the events in SDL's queue; whether there were any.
  bool HandleQueued() {
    SDL_Event event;
    bool any = false;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
      Handle(event);
      any = true;
    }
    return any;
  }

  void Pump() {
    SDL_PumpEvents();
    lastPump_ = lastLook_ = clock::NowMicros();
    HandleQueued();
  }

  // On X11 the host waits itself, in poll() on the display's connection and a wake-up counter
  // of its own. SDL's wait reads the connection some ten times each time it wakes, and a wake-up
  // from another thread (a captured buffer, every frame) is an event that SDL sends to itself
  // through the X server. Here the connection is read only when it has something.
  void UseX11Connection(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (wakeFd_ < 0 || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
      return;
    }
    x11_ = info.info.x11.display;
  }

  // Whether the display has sent events that SDL has not taken yet, without waiting.
  bool DisplayHasEvents() {
    Display* display = x11_;
    if (display == nullptr) return true;  // only SDL can tell
    if (XEventsQueued(display, QueuedAlready) > 0) return true;
    pollfd fd{ConnectionNumber(display), POLLIN, 0};
    return poll(&fd, 1, 0) > 0;
  }

  void WaitOnX11(int64_t deadlineMicros) {
    Display* display = x11_;
    // XFlush sends what SDL left in Xlib's buffer and moves what the connection holds into
    // Xlib's queue, so that an empty queue and a quiet socket mean there is nothing to see.
    XFlush(display);
    if (HandleQueued() || XEventsQueued(display, QueuedAlready) > 0) {
      Pump();
      return;
    }
    int timeout = -1;
    if (deadlineMicros >= 0) {
      const int64_t wait = std::max<int64_t>(0, deadlineMicros - clock::NowMicros());
      timeout = static_cast<int>(std::min<int64_t>((wait + 999) / 1000, 1 << 30));
    }
    pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    if (poll(fds, 2, timeout) <= 0) return;
    uint64_t wakes = 0;
    if (fds[1].revents & POLLIN) (void)!read(wakeFd_, &wakes, sizeof wakes);
    // Anything on the connection, a hang-up included, is SDL's and Xlib's to see.
    if (fds[0].revents != 0) Pump();
  }

  // Whether some shown window has pixels the screen does not show yet.
  bool Pending() {
    for (auto& entry : shown_) {
      if (entry.second.exposed) return true;
      const gdi::Surface* pixels = user::TopLevelSurface(entry.first);
      if (pixels != nullptr && pixels->HasDamage()) return true;
    }
    return false;
  }

  void Present() {
    lastPresent_ = clock::NowMicros();
    for (auto& entry : shown_) PresentWindow(entry.first, &entry.second);
  }

  // Presents the window's damage (all of it after an expose) and clears it. A client surface
  // that draws straight into the window surface needs no copy: its damage only names the
  // rectangles to update on the screen.
  void PresentWindow(HWND hwnd, Shown* s) {
    gdi::Surface* pixels = user::TopLevelSurface(hwnd);
    if (pixels == nullptr) return;
    // SDL makes a new window surface, freeing the old one, when the window's size has changed:
    // the pixels come home before that can happen. Lent, they are the window's size.
    int w = 0, h = 0;
    SDL_GetWindowSizeInPixels(s->window, &w, &h);
    if (w != pixels->width || h != pixels->height) pixels->pixels.Reclaim();
    SDL_Surface* target = SDL_GetWindowSurface(s->window);
    if (target == nullptr) return;
    Place(*pixels, *target, s);
    if (pixels->pixels.LentMemory() == nullptr && Fits(*pixels, *target, *s)) {
      pixels->pixels.Lend(static_cast<uint32_t*>(target->pixels));
      s->exposed = true;
    }
    const bool redrawn = s->exposed || s->presented != pixels;
    if (redrawn) pixels->DamageAll();
    s->exposed = false;
    s->presented = pixels;
    if (!pixels->HasDamage()) return;
    std::vector<RECT> damage = pixels->DamageRects();
    pixels->ClearDamage();
    std::vector<SDL_Rect> rects;
    if (pixels->pixels.LentMemory() != nullptr) {
      for (const RECT& r : damage) {
        rects.push_back(SDL_Rect{r.left, r.top, r.right - r.left, r.bottom - r.top});
      }
    } else {
      // A window drawn again whole is black around the picture; a repaint of the program's own
      // does not touch the border.
      if (redrawn && (s->x > 0 || s->y > 0)) {
        SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
        rects.push_back(SDL_Rect{0, 0, target->w, target->h});
      }
      SDL_LockSurface(target);
      if (s->enlarger) {
        for (const RECT& r :
             s->enlarger->Update(*pixels, damage, static_cast<uint32_t*>(target->pixels),
                                 static_cast<size_t>(target->pitch / 4))) {
          rects.push_back(SDL_Rect{r.left, r.top, r.right - r.left, r.bottom - r.top});
        }
      } else {
        for (const RECT& r : damage) {
          SDL_Rect written = Copy(*pixels, target, r, *s);
          if (written.w > 0 && written.h > 0) rects.push_back(written);
        }
      }
      SDL_UnlockSurface(target);
    }
    if (!rects.empty()) {
      SDL_UpdateWindowSurfaceRects(s->window, rects.data(), static_cast<int>(rects.size()));
    }
  }

  // Where the client picture stands in the window `target`: as made, at the host's scale; in
  // a window resized or full screen, as large as fits and centred, as a render enlarges it:
  // whole blocks where a whole multiple fills the width or the height, else smoothed (in the
  // window surface's usual format; in another, the largest whole multiple that fits). A new
  // place asks for the whole window to be drawn again.
  void Place(const gdi::Surface& pixels, const SDL_Surface& target, Shown* s) const {
    const int pw = std::max(1, pixels.width), ph = std::max(1, pixels.height);
    const int w = target.w, h = target.h;
    host::Layout l;
    std::string unused;
    if (w == pw * scale_ && h == ph * scale_) {
      host::MakeLayout(pw, ph, 0, 0, scale_, &l, &unused);
    } else {
      host::MakeLayout(pw, ph, w, h, 0, &l, &unused);
      const bool whole = l.width == l.factor * pw && l.height == l.factor * ph;
      const bool direct = target.format->format == SDL_PIXELFORMAT_XRGB8888 &&
                          target.pitch % 4 == 0 && !SDL_MUSTLOCK(&target);
      if (!whole && !direct) {
        l.factor = std::max(1, std::min({kMaxScale, w / pw, h / ph}));
        l.width = pw * l.factor;
        l.height = ph * l.factor;
        l.left = std::max(0, (w - l.width) / 2);
        l.top = std::max(0, (h - l.height) / 2);
      }
    }
    const bool smooth = l.width != l.factor * pw;
    if (l.left == s->x && l.top == s->y && l.width == s->width && l.height == s->height &&
        pw == s->clientWidth && ph == s->clientHeight && smooth == (s->enlarger != nullptr)) {
      return;
    }
    s->scale = l.factor;
    s->x = l.left;
    s->y = l.top;
    s->width = l.width;
    s->height = l.height;
    s->clientWidth = pw;
    s->clientHeight = ph;
    s->enlarger = smooth ? std::make_unique<host::Enlarger>(pw, ph, l) : nullptr;
    s->exposed = true;
  }

  // Whether the client surface can draw straight into the window surface: at scale 1, of its
  // size, in its pixel format, with rows one after another.
  static bool Fits(const gdi::Surface& pixels, const SDL_Surface& target, const Shown& s) {
    return s.scale == 1 && target.w == pixels.width && target.h == pixels.height &&
           target.format->format == SDL_PIXELFORMAT_XRGB8888 && target.pitch == pixels.width * 4 &&
           !SDL_MUSTLOCK(&target) && target.pixels != nullptr;
  }

  // The client surface's pixels go back to memory of its own, before the window surface that
  // may hold them goes away.
  static void Reclaim(HWND hwnd) {
    if (gdi::Surface* pixels = user::TopLevelSurface(hwnd)) pixels->pixels.Reclaim();
  }

  // Copies client rectangle r to the window surface where the window shows it, each pixel as
  // an s.scale x s.scale block; returns the window rectangle written, clipped to the window.
  SDL_Rect Copy(const gdi::Surface& from, SDL_Surface* to, RECT r, const Shown& s) {
    const int n = s.scale;
    r.right = std::min<LONG>(r.right, (to->w - s.x) / n);
    r.bottom = std::min<LONG>(r.bottom, (to->h - s.y) / n);
    if (r.left >= r.right || r.top >= r.bottom) return SDL_Rect{0, 0, 0, 0};
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int bytes = to->format->BytesPerPixel;
    auto* dst = static_cast<Uint8*>(to->pixels) + (s.y + r.top * n) * to->pitch +
                (s.x + r.left * n) * bytes;
    const uint32_t* src = &from.pixels[static_cast<size_t>(r.top) * from.width + r.left];
    if (n == 1) {
      SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_XRGB8888, src, from.width * 4, to->format->format,
                        dst, to->pitch);
      return SDL_Rect{s.x + r.left, s.y + r.top, w, h};
    }
    // The enlarged row is built where it goes when the window has the surface's own format,
    // else beside it and converted; the other n - 1 rows copy it.
    const bool direct = to->format->format == SDL_PIXELFORMAT_XRGB8888;
    row_.resize(direct ? 0 : static_cast<size_t>(w) * n);
    const size_t rowBytes = static_cast<size_t>(w) * n * bytes;
    for (int y = 0; y < h; ++y, src += from.width, dst += n * to->pitch) {
      uint32_t* wide = direct ? reinterpret_cast<uint32_t*>(dst) : row_.data();
      for (int x = 0; x < w; ++x, wide += n) std::fill_n(wide, n, src[x]);
      if (!direct) {
        SDL_ConvertPixels(w * n, 1, SDL_PIXELFORMAT_XRGB8888, row_.data(), w * n * 4,
                          to->format->format, dst, to->pitch);
      }
      for (int k = 1; k < n; ++k) memcpy(dst + k * to->pitch, dst, rowBytes);
    }
    return SDL_Rect{s.x + r.left * n, s.y + r.top * n, w * n, h * n};
  }

  std::thread::id thread_;
  Uint32 wakeEvent_ = 0;
  int64_t refreshMicros_ = 1000000 / 60;
  int64_t lastPresent_ = -1000000;
  int64_t lastPump_ = -1000000;
  int64_t lastLook_ = -1000000;         // when Poll last looked for the display's events
  std::atomic<Display*> x11_{nullptr};  // the X connection, when the host waits on it itself
  int wakeFd_ = -1;                     // an eventfd that Wake() counts up
  int scale_ = 1;
  std::vector<uint32_t> row_;  // one enlarged row, while copying
  std::map<HWND, Shown> shown_;
};

// Why the display that the environment names could not be used.
std::string UnopenedDisplay() {
  const char* x11 = getenv("DISPLAY");
  if (x11 != nullptr && *x11 != '\0') return std::string("cannot open display ") + x11;
  const char* wayland = getenv("WAYLAND_DISPLAY");
  return std::string("cannot open the Wayland display ") + (wayland ? wayland : "");
}

// Starts SDL's video, or says in *why why it did not. SDL may settle for a driver that shows
// nothing, and nobody could answer the About box in a window that is not shown: the run would
// idle for ever. Whether or not the user chose such a driver, there is no display.
bool StartVideo(bool driverChosen, std::string* why) {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    *why = driverChosen ? std::string(SDL_GetError()) : UnopenedDisplay();
    return false;
  }
  const char* current = SDL_GetCurrentVideoDriver();
  if (current != nullptr && (strcmp(current, "offscreen") == 0 || strcmp(current, "dummy") == 0)) {
    *why = driverChosen ? std::string("SDL's '") + current + "' video driver shows no window"
                        : UnopenedDisplay();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  return true;
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
  // A busy X server can refuse a connection for a moment (Xlib fails with EAGAIN; Xvfb does it
  // now and then when clients come and go in quick succession, and a server whose queue of
  // connections to accept is full always does), so a display that is named is tried again
  // over about a second before it counts as absent.
  std::string why;
  bool started = StartVideo(driverChosen, &why);
  for (Uint32 wait = 50; !started && wait <= 400 && set("DISPLAY"); wait *= 2) {
    SDL_Delay(wait);
    started = StartVideo(driverChosen, &why);
  }
  if (!started) return fail(why);
  user::SetHost(std::make_unique<SdlHost>());
  g_sdlInUse = true;
  // Registered after the host's slot exists, so it runs before that slot is destroyed.
  static bool registered = false;
  if (!registered) registered = std::atexit([] { g_exiting = true; }) == 0;
  return true;
}

void SetScale(int scale) {
  g_scale = std::max(0, std::min(kMaxScale, scale));
}

void SetFullscreen(bool fullscreen) {
  g_fullscreen = fullscreen;
}

void Shutdown() {
  if (!g_sdlInUse) return;
  g_sdlInUse = false;
  UseHeadless();
}

}  // namespace orvel::host

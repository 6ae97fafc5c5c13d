// The browser host. Each top-level window (the main window, the About box, a message box) is
// a canvas of its client size that the page enlarges by whole pixels; a poll copies exactly
// the damaged rectangles into it. The page calls orvel_web_input for the mouse and keys. Waiting
// sleeps with emscripten_sleep, which returns to the browser's event loop until the deadline.
#include "host/web/web_host.h"

#include <emscripten.h>
#include <stdio.h>

#include <algorithm>
#include <map>
#include <vector>

#include "gdi/surface.h"
#include "kernel/clock.h"
#include "user/host.h"

// The page's side (page/orvel_page.js).
extern "C" {
void orvel_page_show(int id, int left, int top, int width, int height, const char* title);
void orvel_page_hide(int id);
void orvel_page_present(int id, const uint32_t* rgba, int left, int top, int width, int height);
void orvel_page_stopped(double seconds);
}

namespace orvel::host {
namespace {

// The longest sleep without a deadline, in milliseconds: a Wake from the page's events ends
// the wait within this.
constexpr int kLongestSleepMillis = 100;

class WebHost : public user::Host {
 public:
  explicit WebHost(const WebSettings& settings) : settings_(settings) {}

  void TopLevelShown(HWND window, const RECT& screen, const std::string& title) override {
    const int id = IdOf(window);
    orvel_page_show(id, screen.left, screen.top, screen.right - screen.left,
                    screen.bottom - screen.top, title.c_str());
    if (gdi::Surface* surface = user::TopLevelSurface(window)) surface->DamageAll();
    // In virtual time the About box is answered at once, as the headless host answers it.
    if (settings_.virtualTime && window == user::ActiveDialog()) {
      user::QueueInput(user::InputKind::kKeyDown, window, 0, 0, VK_RETURN);
      user::QueueInput(user::InputKind::kKeyUp, window, 0, 0, VK_RETURN);
    }
  }

  void TopLevelHidden(HWND window) override { orvel_page_hide(IdOf(window)); }

  void TopLevelDestroyed(HWND window) override {
    auto it = ids_.find(window);
    if (it == ids_.end()) return;
    orvel_page_hide(it->second);
    ids_.erase(it);
  }

  // In virtual time the page sees only the moments the program stands still at (Stop), as a
  // render sees only its frames; in real time every change is presented as it comes.
  void Poll(bool dirty) override {
    if (stopped_) StandStill();
    if (dirty && !settings_.virtualTime) PresentAll(false);
  }

  void Wait(int64_t deadlineMicros) override {
    for (;;) {
      clock::AdvanceTo(clock::NowMicros());
      if (woken_) break;
      const int64_t now = clock::NowMicros();
      if (deadlineMicros >= 0 && now >= deadlineMicros) break;
      int64_t until = clock::NextDueMicros();
      if (until < 0 || (deadlineMicros >= 0 && deadlineMicros < until)) until = deadlineMicros;
      const int64_t millis = until < 0 ? kLongestSleepMillis : (until - now + 999) / 1000;
      emscripten_sleep(static_cast<unsigned>(std::clamp<int64_t>(millis, 0, kLongestSleepMillis)));
    }
    woken_ = false;
  }

  void Wake() override { woken_ = true; }

  // The layer's own box, a dialog like the About box: a canvas of its own over the window,
  // answered on the page (in virtual time, at once, by the Enter that TopLevelShown queues).
  int MessageBox(HWND owner, const std::string& text, const std::string& caption,
                 UINT type) override {
    return user::ShowDrawnMessageBox(owner, text, caption);
  }

  // A screen just larger than the main window, which the page places at its own origin:
  // centred dialogs (the About box) land over the window, where the page shows them.
  RECT WorkArea() override { return RECT{0, 0, 640, 480}; }

  // The page's input for the window it calls `id`; false for a window that has gone.
  bool Input(user::InputKind kind, int id, int x, int y, int key) {
    for (const auto& [window, known] : ids_) {
      if (known != id) continue;
      // Keys go where a user's keys go: to the innermost dialog, if one runs.
      HWND target = window;
      if (kind == user::InputKind::kKeyDown || kind == user::InputKind::kKeyUp) {
        if (HWND dialog = user::ActiveDialog()) target = dialog;
      }
      user::QueueInput(kind, target, x, y, key);
      return true;
    }
    return false;
  }

  // In virtual time: the moment to stand still at has come (a clock callback). Every window
  // is shown whole as it is, as the renderer takes a frame at its moment.
  void Stop() {
    PresentAll(true);
    stopped_ = true;
    orvel_page_stopped(static_cast<double>(clock::NowMicros()) / 1e6);
  }

  // In virtual time: from where the program stands, runs on until `micros` and stands there.
  bool RunOnTo(int64_t micros) {
    if (!settings_.virtualTime || !stopped_ || micros <= clock::NowMicros()) return false;
    clock::ScheduleAt(micros, [this] { Stop(); });
    stopped_ = false;
    return true;
  }

 private:
  int IdOf(HWND window) {
    auto it = ids_.find(window);
    if (it != ids_.end()) return it->second;
    ids_[window] = nextId_;
    return nextId_++;
  }

  void PresentAll(bool whole) {
    for (const auto& [window, id] : ids_) {
      gdi::Surface* surface = user::TopLevelSurface(window);
      if (surface == nullptr) continue;
      if (whole) surface->DamageAll();
      if (!surface->HasDamage()) continue;
      for (const RECT& r : surface->DamageRects()) Present(id, *surface, r);
      surface->ClearDamage();
    }
  }

  // Copies one rectangle as the canvas's RGBA bytes (the surface holds 0x00RRGGBB).
  void Present(int id, const gdi::Surface& surface, const RECT& r) {
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return;
    rgba_.resize(static_cast<size_t>(width) * height);
    uint32_t* out = rgba_.data();
    for (int y = r.top; y < r.bottom; ++y) {
      const uint32_t* row = surface.pixels.data() + static_cast<size_t>(y) * surface.width;
      for (int x = r.left; x < r.right; ++x) {
        const uint32_t p = row[x];
        *out++ = 0xFF000000u | (p & 0x0000FF00u) | ((p & 0xFFu) << 16) | ((p >> 16) & 0xFFu);
      }
    }
    orvel_page_present(id, rgba_.data(), r.left, r.top, width, height);
  }

  // The program stays where it stopped, taking no messages, while the page stays alive for
  // whoever looks at it: input it gets meanwhile waits in the queue for RunOnTo.
  void StandStill() {
    while (stopped_) emscripten_sleep(kLongestSleepMillis / 2);
  }

  WebSettings settings_;
  std::map<HWND, int> ids_;
  int nextId_ = 1;
  bool woken_ = false;
  bool stopped_ = false;
  std::vector<uint32_t> rgba_;
};

WebHost* g_host = nullptr;

}  // namespace

void UseWeb(const WebSettings& settings) {
  clock::Use(settings.virtualTime ? clock::Mode::kVirtual : clock::Mode::kReal,
             clock::Callbacks::kAdvancingThread);
  auto host = std::make_unique<WebHost>(settings);
  g_host = host.get();
  user::SetHost(std::move(host));
  if (settings.virtualTime && settings.stopAtMicros >= 0) {
    clock::ScheduleAt(settings.stopAtMicros, [] { g_host->Stop(); });
  }
}

}  // namespace orvel::host

// Called by the page: kind 0 press, 1 release, 2 move (client pixels), 3 key down, 4 key up
// (a Windows virtual-key code). Returns 0 when the window is gone.
extern "C" EMSCRIPTEN_KEEPALIVE int orvel_web_input(int kind, int id, int x, int y, int key) {
  using orvel::user::InputKind;
  static const InputKind kKinds[] = {InputKind::kMouseDown, InputKind::kMouseUp,
                                     InputKind::kMouseMove, InputKind::kKeyDown, InputKind::kKeyUp};
  if (orvel::host::g_host == nullptr || kind < 0 || kind > 4) return 0;
  return orvel::host::g_host->Input(kKinds[kind], id, x, y, key) ? 1 : 0;
}

// Called by the page (the pixel tests): a program standing still in virtual time runs on until
// `seconds` on its clock and stands there. Returns 0 when it is not standing still, or the
// moment has passed.
extern "C" EMSCRIPTEN_KEEPALIVE int orvel_web_run_to(double seconds) {
  if (orvel::host::g_host == nullptr) return 0;
  return orvel::host::g_host->RunOnTo(static_cast<int64_t>(seconds * 1e6 + 0.5)) ? 1 : 0;
}

// Raw input from the host turned into mouse and key messages: hit testing down the child
// windows, mouse capture, windows disabled by a modal dialog, and double-clicks.
#include <windows.h>

#include <stdlib.h>

#include "kernel/clock.h"
#include "user/internal.h"
#include "user/retrieval.h"

namespace orvel::user {
namespace {

struct Mouse {
  bool down = false;
  HWND lastDownWindow = nullptr;
  int64_t lastDownMillis = -1;
  POINT lastDownAt = {};
};
Mouse g_mouse;

LPARAM MakePoint(int x, int y) {
  return MAKELPARAM(static_cast<WORD>(static_cast<int16_t>(x)),
                    static_cast<WORD>(static_cast<int16_t>(y)));
}

// The deepest visible, enabled window under (x, y) of `w`'s client area (w itself if no child).
Window* HitTest(Window* w, int x, int y, POINT* local) {
  for (HWND child : w->children) {
    Window* c = Find(child);
    if (c == nullptr || !c->visible) continue;
    if (x >= c->rect.left && x < c->rect.right && y >= c->rect.top && y < c->rect.bottom) {
      if (!c->enabled) break;
      return HitTest(c, x - c->rect.left, y - c->rect.top, local);
    }
  }
  *local = POINT{x, y};
  return w;
}

// A key message for the window itself; false while a modal dialog disables its top level.
bool ConvertKey(const RawInput& in, Window* w, MSG* msg) {
  if (!TopLevelOf(w)->enabled) return false;
  *msg = MSG{in.window,
             static_cast<UINT>(in.kind == InputKind::kKeyDown ? WM_KEYDOWN : WM_KEYUP),
             static_cast<WPARAM>(in.key),
             in.kind == InputKind::kKeyDown ? 1 : static_cast<LPARAM>(0xC0000001u),
             msg->time,
             POINT{0, 0}};
  return true;
}

// The window a mouse event at (x, y) of top-level `w` goes to, and the point in its client
// area: the capture window if it belongs to `w`, else the window under the point.
Window* MouseTarget(Window* w, int x, int y, POINT* local) {
  HWND capture = CaptureWindow();
  if (capture != nullptr && TopLevelOf(Find(capture)) == w) {
    Window* target = Find(capture);
    POINT o = SurfaceOrigin(target);
    *local = POINT{x - o.x, y - o.y};
    return target;
  }
  // A window disabled by a modal dialog takes no mouse input.
  if (!w->enabled) return nullptr;
  if (x < 0 || y < 0 || x >= w->clientW || y >= w->clientH) return nullptr;
  return HitTest(w, x, y, local);
}

// A press is a double-click when it follows the last one on the same window soon enough and
// near enough, and the window's class asks for double-clicks.
UINT PressMessage(const RawInput& in, Window* target) {
  int64_t now = clock::NowMillis();
  if (g_mouse.lastDownWindow == target->handle && g_mouse.lastDownMillis >= 0 &&
      now - g_mouse.lastDownMillis <= kDoubleClickMillis &&
      abs(in.x - g_mouse.lastDownAt.x) <= kDoubleClickSlop &&
      abs(in.y - g_mouse.lastDownAt.y) <= kDoubleClickSlop && (target->cls->style & CS_DBLCLKS)) {
    g_mouse.lastDownMillis = -1;  // a third press starts over
    return WM_LBUTTONDBLCLK;
  }
  g_mouse.lastDownWindow = target->handle;
  g_mouse.lastDownMillis = now;
  g_mouse.lastDownAt = POINT{in.x, in.y};
  return WM_LBUTTONDOWN;
}

}  // namespace

bool ConvertInput(const RawInput& in, MSG* msg) {
  Window* w = Find(in.window);
  if (w == nullptr) return false;
  msg->time = static_cast<DWORD>(clock::NowMillis());
  switch (in.kind) {
    case InputKind::kKeyDown:
    case InputKind::kKeyUp:
      return ConvertKey(in, w, msg);
    case InputKind::kClose:
      if (w->parent == nullptr && w->enabled) SendMessageA(in.window, WM_CLOSE, 0, 0);
      return false;
    default:
      break;
  }
  if (w->parent != nullptr) return false;
  POINT local{};
  Window* target = MouseTarget(w, in.x, in.y, &local);
  if (target == nullptr) return false;
  UINT message = WM_MOUSEMOVE;
  if (in.kind == InputKind::kMouseDown) {
    message = PressMessage(in, target);
    g_mouse.down = true;
  } else if (in.kind == InputKind::kMouseUp) {
    message = WM_LBUTTONUP;
    g_mouse.down = false;
  }
  *msg = MSG{target->handle,
             message,
             static_cast<WPARAM>(g_mouse.down ? MK_LBUTTON : 0),
             MakePoint(local.x, local.y),
             msg->time,
             POINT{in.x, in.y}};
  return true;
}

void ResetInput() {
  g_mouse = Mouse{};
}

}  // namespace orvel::user

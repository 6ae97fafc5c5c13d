// Window classes and windows: creation, geometry, showing, destruction, capture.
#include <windows.h>

#include <strings.h>

#include <algorithm>
#include <deque>
#include <map>
#include <mutex>

#include "kernel/trace.h"
#include "user/host.h"
#include "user/internal.h"
#include "user/windows_table.h"

namespace orvel::user {
namespace {

std::deque<WindowClass>& Classes() {
  static std::deque<WindowClass> classes;
  return classes;
}

// System classes: always there, never registered by the app.
const WindowClass& ButtonClass() {
  static const WindowClass c{"BUTTON", CS_DBLCLKS, ButtonProc, nullptr, nullptr, nullptr};
  return c;
}
const WindowClass& ScrollBarClass() {
  static const WindowClass c{"SCROLLBAR", CS_DBLCLKS, ScrollBarProc, nullptr, nullptr, nullptr};
  return c;
}
const WindowClass& DialogClass() {
  static const WindowClass c{"#32770", CS_DBLCLKS, DialogProc, nullptr, nullptr, nullptr};
  return c;
}

HWND g_capture = nullptr;

// Frame thickness and caption height of a top-level window of this style.
void FrameOf(DWORD style, int* frame, int* caption) {
  *caption = (style & WS_CAPTION) == WS_CAPTION ? kCaption : 0;
  if (style & WS_THICKFRAME) {
    *frame = 4;
  } else if (style & (WS_DLGFRAME | DS_MODALFRAME)) {
    *frame = kFixedFrame;
  } else if (style & WS_BORDER) {
    *frame = 1;
  } else {
    *frame = 0;
  }
}

void SendDestroy(HWND hwnd) {
  Window* w = Find(hwnd);
  if (w == nullptr) return;
  CallProc(hwnd, WM_DESTROY, 0, 0);
  w = Find(hwnd);
  if (w == nullptr) return;
  std::vector<HWND> children = w->children;
  for (HWND child : children) SendDestroy(child);
}

void Release(HWND hwnd) {
  Window* w = Find(hwnd);
  if (w == nullptr) return;
  std::vector<HWND> children = w->children;
  for (HWND child : children) Release(child);
  CallProc(hwnd, WM_NCDESTROY, 0, 0);
  w = Find(hwnd);
  if (w == nullptr) return;
  if (w->ownDC) DeleteDC(w->ownDC);
  w->ownDC = nullptr;
  KillTimersOf(hwnd);
  ForgetWindow(hwnd);
  if (g_capture == hwnd) g_capture = nullptr;
  if (Window* parent = Find(w->parent)) {
    auto& list = parent->children;
    list.erase(std::remove(list.begin(), list.end(), hwnd), list.end());
  }
  if (w->parent == nullptr) CurrentHost().TopLevelDestroyed(hwnd);
  Table().Remove(hwnd);
}

}  // namespace

const WindowClass* FindClass(const char* name) {
  if (name == nullptr) return nullptr;
  if (IS_INTRESOURCE(name)) return nullptr;  // atoms are not handed out
  for (const WindowClass& c : Classes()) {
    if (strcasecmp(c.name.c_str(), name) == 0) return &c;
  }
  for (const WindowClass* c : {&ButtonClass(), &ScrollBarClass(), &DialogClass()}) {
    if (strcasecmp(c->name.c_str(), name) == 0) return c;
  }
  return nullptr;
}

Window* TopLevelOf(Window* w) {
  while (w != nullptr && w->parent != nullptr) w = Find(w->parent);
  return w;
}

POINT SurfaceOrigin(const Window* w) {
  POINT p{0, 0};
  while (w != nullptr && w->parent != nullptr) {
    p.x += w->rect.left;
    p.y += w->rect.top;
    w = Find(w->parent);
  }
  return p;
}

RECT VisibleInSurface(const Window* w) {
  POINT o = SurfaceOrigin(w);
  RECT r{o.x, o.y, o.x + w->clientW, o.y + w->clientH};
  for (const Window* a = Find(w->parent); a != nullptr; a = Find(a->parent)) {
    POINT ao = SurfaceOrigin(a);
    r.left = std::max<LONG>(r.left, ao.x);
    r.top = std::max<LONG>(r.top, ao.y);
    r.right = std::min<LONG>(r.right, ao.x + a->clientW);
    r.bottom = std::min<LONG>(r.bottom, ao.y + a->clientH);
  }
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

bool ReallyVisible(const Window* w) {
  for (; w != nullptr; w = Find(w->parent)) {
    if (!w->visible) return false;
  }
  return true;
}

gdi::Surface* SurfaceFor(Window* w) {
  Window* top = TopLevelOf(w);
  return top ? top->surface.get() : nullptr;
}

POINT ScreenClientOrigin(const Window* w) {
  int frame = 0, caption = 0;
  FrameOf(w->style, &frame, &caption);
  return POINT{w->rect.left + frame, w->rect.top + frame + caption};
}

LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Window* w = Find(hwnd);
  if (w == nullptr || w->proc == nullptr) return 0;
  return w->proc(hwnd, msg, wParam, lParam);
}

HWND CaptureWindow() {
  if (g_capture != nullptr && Find(g_capture) == nullptr) g_capture = nullptr;
  return g_capture;
}

void SetEnabled(HWND hwnd, bool enabled) {
  Window* w = Find(hwnd);
  if (w == nullptr) return;
  w->enabled = enabled;
  if (enabled) {
    w->style &= ~WS_DISABLED;
  } else {
    w->style |= WS_DISABLED;
  }
}

HWND ChildById(HWND parent, UINT_PTR id) {
  Window* w = Find(parent);
  if (w == nullptr) return nullptr;
  for (HWND child : w->children) {
    Window* c = Find(child);
    if (c != nullptr && c->id == id) return child;
  }
  return nullptr;
}

void ResetClassesForTests() {
  Classes().clear();
  g_capture = nullptr;
}

}  // namespace orvel::user

using orvel::user::Find;
using orvel::user::Window;

extern "C" {

ATOM WINAPI RegisterClassA(const WNDCLASSA* lpWndClass) {
  ORVEL_TRACE_CALL(kUser);
  if (lpWndClass == nullptr || lpWndClass->lpszClassName == nullptr ||
      IS_INTRESOURCE(lpWndClass->lpszClassName) || lpWndClass->lpfnWndProc == nullptr) {
    return 0;
  }
  auto& classes = orvel::user::Classes();
  for (const auto& c : classes) {
    if (strcasecmp(c.name.c_str(), lpWndClass->lpszClassName) == 0) return 0;
  }
  orvel::user::WindowClass c;
  c.name = lpWndClass->lpszClassName;
  c.style = lpWndClass->style;
  c.proc = lpWndClass->lpfnWndProc;
  c.background = lpWndClass->hbrBackground;
  c.icon = lpWndClass->hIcon;
  c.cursor = lpWndClass->hCursor;
  // Known gap: windows have no menu bar.
  if (lpWndClass->lpszMenuName) ORVEL_TRACE_UNSUPPORTED(kUser, "class menu ignored", 0);
  classes.push_back(c);
  // Atoms for application classes start at 0xC000, as on Win32.
  return static_cast<ATOM>(0xC000 + classes.size() - 1);
}

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle,
                            int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                            HINSTANCE hInstance, LPVOID lpParam) {
  ORVEL_TRACE_CALL(kUser);
  using namespace orvel::user;
  const WindowClass* cls = FindClass(lpClassName);
  if (cls == nullptr) return nullptr;
  Window* parent = nullptr;
  if (hWndParent != nullptr) {
    parent = Find(hWndParent);
    if (parent == nullptr) return nullptr;
  }
  bool child = (dwStyle & WS_CHILD) != 0;
  if (child && parent == nullptr) return nullptr;

  auto w = std::make_unique<Window>();
  w->cls = cls;
  w->proc = cls->proc;
  w->style = dwStyle & ~WS_VISIBLE;
  w->exStyle = dwExStyle;
  w->text = lpWindowName ? lpWindowName : "";
  w->thread = std::this_thread::get_id();
  if (X == CW_USEDEFAULT) X = Y = 0;
  if (nWidth == CW_USEDEFAULT) nWidth = nHeight = 0;
  nWidth = std::max(0, nWidth);
  nHeight = std::max(0, nHeight);
  w->rect = RECT{X, Y, X + nWidth, Y + nHeight};
  if (child) {
    w->parent = hWndParent;
    w->id = reinterpret_cast<UINT_PTR>(hMenu);
    w->clientW = nWidth;
    w->clientH = nHeight;
  } else {
    if (hMenu) ORVEL_TRACE_UNSUPPORTED(kUser, "menu bar ignored", 0);
    w->owner = parent ? parent->handle : nullptr;
    int frame = 0, caption = 0;
    FrameOf(dwStyle, &frame, &caption);
    w->clientW = std::max(0, nWidth - 2 * frame);
    w->clientH = std::max(0, nHeight - 2 * frame - caption);
    w->surface = std::make_unique<orvel::gdi::Surface>(w->clientW, w->clientH);
  }
  HWND hwnd = Table().Add(std::move(w));
  if (child) Find(hWndParent)->children.push_back(hwnd);

  CreateParams cs{lpParam,
                  hInstance,
                  hMenu,
                  hWndParent,
                  nHeight,
                  nWidth,
                  Y,
                  X,
                  static_cast<LONG>(dwStyle),
                  lpWindowName,
                  lpClassName,
                  dwExStyle};
  if (!CallProc(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) ||
      CallProc(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  if (Find(hwnd) == nullptr) return nullptr;
  if (dwStyle & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
  return hwnd;
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
  ORVEL_TRACE_CALL(kUser);
  using namespace orvel::user;
  Window* w = Find(hWnd);
  if (w == nullptr) return FALSE;
  bool was = w->visible;
  bool show = nCmdShow != SW_HIDE;
  // Known gap: no window is minimised or maximised; every other command shows it as it is.
  if (show && nCmdShow != SW_SHOWNORMAL && nCmdShow != SW_SHOW && nCmdShow != SW_SHOWDEFAULT)
    ORVEL_TRACE_UNSUPPORTED(kUser, "show command treated as a plain show (%lld)", nCmdShow);
  if (was == show) return was;
  if (show) {
    w->visible = true;
    w->style |= WS_VISIBLE;
    if (w->parent == nullptr) {
      POINT o = ScreenClientOrigin(w);
      CurrentHost().TopLevelShown(hWnd, RECT{o.x, o.y, o.x + w->clientW, o.y + w->clientH},
                                  w->text);
    }
    InvalidateWindow(w, nullptr, true);
  } else {
    if (CaptureWindow() == hWnd) ReleaseCapture();
    w->visible = false;
    w->style &= ~WS_VISIBLE;
    if (w->parent == nullptr) {
      CurrentHost().TopLevelHidden(hWnd);
    } else if (Window* parent = Find(w->parent)) {
      InvalidateWindow(parent, &w->rect, true);
    }
  }
  return was;
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
  ORVEL_TRACE_CALL(kUser);
  using namespace orvel::user;
  Window* w = Find(hWnd);
  if (w == nullptr || w->destroying) return FALSE;
  w->destroying = true;
  // Owned windows go first, then the window itself: WM_DESTROY to it and then to its
  // children, WM_NCDESTROY from the children up.
  for (HWND owned : TopLevelWindows()) {
    Window* o = Find(owned);
    if (o != nullptr && o->owner == hWnd) DestroyWindow(owned);
  }
  if ((w = Find(hWnd)) == nullptr) return TRUE;
  if (w->visible) {
    if (w->parent == nullptr) {
      CurrentHost().TopLevelHidden(hWnd);
    } else if (Window* parent = Find(w->parent)) {
      InvalidateWindow(parent, &w->rect, true);
    }
  }
  HWND capture = CaptureWindow();
  for (Window* c = Find(capture); c != nullptr; c = Find(c->parent)) {
    if (c->handle == hWnd) {
      ReleaseCapture();
      break;
    }
  }
  SendDestroy(hWnd);
  Release(hWnd);
  return TRUE;
}

BOOL WINAPI IsWindow(HWND hWnd) {
  ORVEL_TRACE_CALL(kUser);
  return orvel::user::Table().IsLive(hWnd) ? TRUE : FALSE;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
  ORVEL_TRACE_CALL(kUser);
  Window* w = Find(hWnd);
  if (w == nullptr || lpRect == nullptr) return FALSE;
  *lpRect = RECT{0, 0, w->clientW, w->clientH};
  return TRUE;
}

BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
  ORVEL_TRACE_CALL(kUser);
  Window* w = Find(hWnd);
  if (w == nullptr || lpRect == nullptr) return FALSE;
  if (w->parent == nullptr) {
    *lpRect = w->rect;
    return TRUE;
  }
  Window* top = orvel::user::TopLevelOf(w);
  POINT screen = orvel::user::ScreenClientOrigin(top);
  POINT o = orvel::user::SurfaceOrigin(w);
  *lpRect = RECT{screen.x + o.x, screen.y + o.y, screen.x + o.x + w->clientW,
                 screen.y + o.y + w->clientH};
  return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  ORVEL_TRACE_CALL(kUser);
  using namespace orvel::user;
  Window* w = Find(hWnd);
  if (w == nullptr) return 0;
  switch (Msg) {
    case WM_NCCREATE:
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(hWnd);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hWnd, &ps);
      EndPaint(hWnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND: {
      if (w->cls->background == nullptr) return 0;
      RECT r{0, 0, w->clientW, w->clientH};
      FillRect(reinterpret_cast<HDC>(wParam), &r, w->cls->background);
      return 1;
    }
    case WM_SETTEXT:
      w->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
      return TRUE;
    case WM_GETTEXT: {
      if (wParam == 0 || lParam == 0) return 0;
      size_t n = std::min<size_t>(wParam - 1, w->text.size());
      std::copy_n(w->text.data(), n, reinterpret_cast<char*>(lParam));
      reinterpret_cast<char*>(lParam)[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case WM_SETFONT:
      w->font = reinterpret_cast<HFONT>(wParam);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(w->font);
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<LRESULT>(GetStockObject(LTGRAY_BRUSH));
    default:
      return 0;
  }
}

HWND WINAPI SetCapture(HWND hWnd) {
  ORVEL_TRACE_CALL(kUser);
  using namespace orvel::user;
  HWND previous = CaptureWindow();
  if (Find(hWnd) == nullptr) return previous;
  g_capture = hWnd;
  if (previous != nullptr && previous != hWnd) {
    CallProc(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hWnd));
  }
  return previous;
}

BOOL WINAPI ReleaseCapture(void) {
  ORVEL_TRACE_CALL(kUser);
  using namespace orvel::user;
  HWND previous = CaptureWindow();
  g_capture = nullptr;
  if (previous != nullptr) CallProc(previous, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND WINAPI GetCapture(void) {
  ORVEL_TRACE_CALL(kUser);
  return orvel::user::CaptureWindow();
}

}  // extern "C"

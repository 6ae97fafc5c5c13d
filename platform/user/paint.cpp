// Painting: update regions, WM_PAINT and WM_ERASEBKGND, window and paint DCs.
#include <windows.h>

#include <algorithm>

#include "kernel/trace.h"
#include "user/host.h"
#include "user/internal.h"
#include "user/windows_table.h"

namespace orvel::user {
namespace {

bool Empty(const RECT& r) {
  return r.right <= r.left || r.bottom <= r.top;
}

RECT Intersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (Empty(r)) r = RECT{0, 0, 0, 0};
  return r;
}

RECT Union(const RECT& a, const RECT& b) {
  if (Empty(a)) return b;
  if (Empty(b)) return a;
  return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

// Depth-first, parents before children: a parent paints before the children over it.
Window* FirstToPaint(HWND hwnd) {
  Window* w = Find(hwnd);
  if (w == nullptr || !w->visible) return nullptr;
  if (w->updatePending) return w;
  for (HWND child : w->children) {
    if (Window* c = FirstToPaint(child)) return c;
  }
  return nullptr;
}

}  // namespace

void Offset(RECT* r, int dx, int dy) {
  r->left += dx;
  r->right += dx;
  r->top += dy;
  r->bottom += dy;
}

bool Contains(const RECT& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

void InvalidateWindow(Window* w, const RECT* rect, bool erase) {
  if (w == nullptr || !ReallyVisible(w)) return;
  RECT client{0, 0, w->clientW, w->clientH};
  RECT r = rect ? Intersect(*rect, client) : client;
  if (Empty(r)) return;
  w->update = w->updatePending ? Union(w->update, r) : r;
  w->updatePending = true;
  w->erasePending = w->erasePending || erase;
  NoteDispatched();
  if (w->style & WS_CLIPCHILDREN) return;
  // Without WS_CLIPCHILDREN the parent paints over its children, so they repaint after it.
  for (HWND child : w->children) {
    Window* c = Find(child);
    if (c == nullptr || !c->visible) continue;
    RECT inChild = Intersect(r, c->rect);
    if (Empty(inChild)) continue;
    Offset(&inChild, -c->rect.left, -c->rect.top);
    InvalidateWindow(c, &inChild, erase);
  }
}

Window* NextToPaint() {
  for (HWND top : TopLevelWindows()) {
    if (Window* w = FirstToPaint(top)) return w;
  }
  return nullptr;
}

HDC CreateTransientDC(Window* w) {
  POINT o = SurfaceOrigin(w);
  return gdi::CreateSurfaceDC(SurfaceFor(w), o.x, o.y, VisibleInSurface(w));
}

void DrawNow(HWND hwnd) {
  Window* w = Find(hwnd);
  if (w != nullptr && w->updatePending && w->visible) {
    CallProc(hwnd, WM_PAINT, 0, 0);
    if ((w = Find(hwnd)) != nullptr) w->updatePending = w->erasePending = false;
  }
}

}  // namespace orvel::user

using orvel::user::Find;
using orvel::user::Window;

extern "C" {

HDC WINAPI GetDC(HWND hWnd) {
  ORVEL_TRACE_CALL(kUser);
  Window* w = Find(hWnd);
  if (w == nullptr) return nullptr;
  // Each window keeps one DC for its life, so its clip region and selections last from one
  // GetDC to the next.
  if (w->ownDC == nullptr) w->ownDC = orvel::user::CreateTransientDC(w);
  return w->ownDC;
}

int WINAPI ReleaseDC(HWND hWnd, HDC hDC) {
  ORVEL_TRACE_CALL(kUser);
  Window* w = Find(hWnd);
  return w != nullptr && hDC != nullptr && w->ownDC == hDC ? 1 : 0;
}

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
  ORVEL_TRACE_CALL(kUser);
  using namespace orvel::user;
  if (hWnd == nullptr) {
    for (HWND top : TopLevelWindows()) InvalidateWindow(Find(top), nullptr, bErase != FALSE);
    return TRUE;
  }
  Window* w = Find(hWnd);
  if (w == nullptr) return FALSE;
  InvalidateWindow(w, lpRect, bErase != FALSE);
  return TRUE;
}

BOOL WINAPI UpdateWindow(HWND hWnd) {
  ORVEL_TRACE_CALL(kUser);
  using namespace orvel::user;
  Window* w = Find(hWnd);
  if (w == nullptr) return FALSE;
  DrawNow(hWnd);
  std::vector<HWND> children = w->children;
  for (HWND child : children) UpdateWindow(child);
  return TRUE;
}

HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
  ORVEL_TRACE_CALL(kUser);
  using namespace orvel::user;
  Window* w = Find(hWnd);
  if (w == nullptr || lpPaint == nullptr) return nullptr;
  ++w->paints;
  RECT update = w->updatePending ? w->update : RECT{0, 0, 0, 0};
  bool erase = w->updatePending && w->erasePending;
  w->updatePending = w->erasePending = false;

  *lpPaint = PAINTSTRUCT{};
  lpPaint->rcPaint = update;
  POINT o = SurfaceOrigin(w);
  RECT visible = VisibleInSurface(w);
  RECT inSurface = update;
  Offset(&inSurface, o.x, o.y);
  inSurface = Intersect(inSurface, visible);
  HDC dc = orvel::gdi::CreateSurfaceDC(SurfaceFor(w), o.x, o.y, inSurface);
  lpPaint->hdc = dc;
  if (erase && dc != nullptr) {
    lpPaint->fErase = CallProc(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
  } else {
    lpPaint->fErase = erase ? TRUE : FALSE;
  }
  return dc;
}

BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) {
  ORVEL_TRACE_CALL(kUser);
  if (lpPaint == nullptr) return FALSE;
  if (lpPaint->hdc != nullptr) DeleteDC(lpPaint->hdc);
  orvel::user::NoteDispatched();
  return TRUE;
}

}  // extern "C"

// The SCROLLBAR class, horizontal, in the classic look: two arrow buttons, the trough (brush
// from the parent's WM_CTLCOLORSCROLLBAR) and the thumb. It never moves itself: it reports
// WM_HSCROLL codes and the parent sets the position with SBM_SETPOS.
#include <windows.h>

#include <algorithm>

#include "user/internal.h"

namespace orvel::user {
namespace {

constexpr int kArrow = 16;  // arrow and thumb length along the bar (classic SM_CXHSCROLL)
constexpr int kFirstDelayMs = 200;
constexpr int kRepeatMs = 50;
constexpr UINT_PTR kRepeatTimer = 0x5C01;

enum class Part { kNone, kLeftArrow, kPageLeft, kThumb, kPageRight, kRightArrow };

struct ScrollState : ControlState {
  int min = 0;
  int max = 100;
  int pos = 0;
  Part tracking = Part::kNone;  // the part the press went down on
  bool over = false;            // the mouse is over that part now
  bool timerRepeating = false;
  int thumbGrab = 0;   // mouse x minus the thumb's left edge when the drag began
  int trackThumb = 0;  // the dragged thumb's left edge
  int trackValue = 0;  // the value the dragged thumb stands for
};

ScrollState* StateOf(HWND hwnd) {
  Window* w = Find(hwnd);
  if (w == nullptr) return nullptr;
  if (!w->control) w->control = std::make_unique<ScrollState>();
  return static_cast<ScrollState*>(w->control.get());
}

struct Layout {
  int arrow;      // width of each arrow
  int thumbSize;  // 0 when there is no room for a thumb
  int travel;     // pixels the thumb can move
  int thumbLeft;  // left edge of the thumb at the current position
};

Layout LayoutOf(const Window* w, const ScrollState* s) {
  Layout l{};
  int width = w->clientW;
  l.arrow = width > 2 * kArrow ? kArrow : width / 2;
  int trough = width - 2 * l.arrow;
  l.thumbSize = trough >= kArrow ? kArrow : 0;
  l.travel = std::max(0, trough - l.thumbSize);
  int span = s->max - s->min;
  l.thumbLeft =
      l.arrow +
      (span > 0 ? static_cast<int>(static_cast<int64_t>(l.travel) * (s->pos - s->min) / span) : 0);
  return l;
}

Part HitTest(const Window* w, const ScrollState* s, int x, int y) {
  if (x < 0 || y < 0 || x >= w->clientW || y >= w->clientH) return Part::kNone;
  Layout l = LayoutOf(w, s);
  int thumbLeft = s->tracking == Part::kThumb ? s->trackThumb : l.thumbLeft;
  if (x < l.arrow) return Part::kLeftArrow;
  if (x >= w->clientW - l.arrow) return Part::kRightArrow;
  if (l.thumbSize == 0) return Part::kNone;
  if (x < thumbLeft) return Part::kPageLeft;
  if (x >= thumbLeft + l.thumbSize) return Part::kPageRight;
  return Part::kThumb;
}

// A black arrow head pointing left or right, centred in `r`.
void DrawArrowHead(HDC dc, const RECT& r, bool left) {
  int cx = (r.left + r.right) / 2;
  int cy = (r.top + r.bottom) / 2;
  int half = std::max(1, std::min((r.bottom - r.top) / 2 - 2, 3));
  for (int i = 0; i <= half; ++i) {
    int x = left ? cx - half / 2 + i : cx + half / 2 - i;
    FillSolid(dc, RECT{x, cy - i, x + 1, cy + i + 1}, kDark);
  }
}

void DrawButton(HDC dc, const RECT& r, bool pressed) {
  FillSolid(dc, r, kFace);
  if (pressed) {
    DrawSunkenEdge(dc, r);
  } else {
    DrawRaisedEdge(dc, r);
  }
}

void Paint(HWND hwnd, HDC dc) {
  Window* w = Find(hwnd);
  ScrollState* s = StateOf(hwnd);
  if (w == nullptr || s == nullptr || dc == nullptr) return;
  Layout l = LayoutOf(w, s);
  int h = w->clientH;
  RECT left{0, 0, l.arrow, h};
  RECT right{w->clientW - l.arrow, 0, w->clientW, h};
  bool pressLeft = s->tracking == Part::kLeftArrow && s->over;
  bool pressRight = s->tracking == Part::kRightArrow && s->over;
  DrawButton(dc, left, pressLeft);
  DrawArrowHead(dc, pressLeft ? RECT{1, 1, l.arrow + 1, h + 1} : left, true);
  DrawButton(dc, right, pressRight);
  DrawArrowHead(dc, pressRight ? RECT{right.left + 1, 1, right.right + 1, h + 1} : right, false);

  RECT trough{l.arrow, 0, w->clientW - l.arrow, h};
  auto brush = reinterpret_cast<HBRUSH>(SendMessageA(w->parent, WM_CTLCOLORSCROLLBAR,
                                                     reinterpret_cast<WPARAM>(dc),
                                                     reinterpret_cast<LPARAM>(hwnd)));
  if (Find(hwnd) == nullptr) return;
  if (brush == nullptr) brush = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  FillRect(dc, &trough, brush);
  if (l.thumbSize > 0) {
    int thumbLeft = s->tracking == Part::kThumb ? s->trackThumb : l.thumbLeft;
    DrawButton(dc, RECT{thumbLeft, 0, thumbLeft + l.thumbSize, h}, false);
  }
}

void Redraw(HWND hwnd) {
  Window* w = Find(hwnd);
  if (w == nullptr || !ReallyVisible(w)) return;
  HDC dc = CreateTransientDC(w);
  Paint(hwnd, dc);
  DeleteDC(dc);
}

void Report(HWND hwnd, WORD code, WORD value = 0) {
  Window* w = Find(hwnd);
  if (w == nullptr) return;
  SendMessageA(w->parent, WM_HSCROLL, MAKEWPARAM(code, value), reinterpret_cast<LPARAM>(hwnd));
}

// The code a held press on `part` repeats; the thumb repeats nothing.
bool RepeatCode(Part part, WORD* code) {
  switch (part) {
    case Part::kLeftArrow:
      *code = SB_LINELEFT;
      return true;
    case Part::kRightArrow:
      *code = SB_LINERIGHT;
      return true;
    case Part::kPageLeft:
      *code = SB_PAGELEFT;
      return true;
    case Part::kPageRight:
      *code = SB_PAGERIGHT;
      return true;
    default:
      return false;
  }
}

// The value a thumb whose left edge is at `thumbLeft` stands for.
int ValueAt(const Window* w, const ScrollState* s, int thumbLeft) {
  Layout l = LayoutOf(w, s);
  if (l.travel <= 0) return s->min;
  int offset = std::clamp(thumbLeft - l.arrow, 0, l.travel);
  int64_t span = s->max - s->min;
  return s->min + static_cast<int>((offset * span + l.travel / 2) / l.travel);
}

int16_t X(LPARAM lParam) {
  return static_cast<int16_t>(LOWORD(lParam));
}
int16_t Y(LPARAM lParam) {
  return static_cast<int16_t>(HIWORD(lParam));
}

void OnDown(HWND hwnd, Window* w, ScrollState* s, int x, int y) {
  Part part = HitTest(w, s, x, y);
  if (part == Part::kNone) return;
  SetCapture(hwnd);
  if ((s = StateOf(hwnd)) == nullptr) return;
  s->tracking = part;
  s->over = true;
  if (part == Part::kThumb) {
    Layout l = LayoutOf(w, s);
    s->thumbGrab = x - l.thumbLeft;
    s->trackThumb = l.thumbLeft;
    s->trackValue = s->pos;
    Redraw(hwnd);
    return;
  }
  Redraw(hwnd);
  WORD code;
  if (RepeatCode(part, &code)) {
    Report(hwnd, code);
    s->timerRepeating = false;
    SetTimer(hwnd, kRepeatTimer, kFirstDelayMs, nullptr);
  }
}

void OnMove(HWND hwnd, Window* w, ScrollState* s, int x, int y) {
  if (s->tracking == Part::kNone) return;
  if (s->tracking == Part::kThumb) {
    Layout l = LayoutOf(w, s);
    s->trackThumb = std::clamp(x - s->thumbGrab, l.arrow, l.arrow + l.travel);
    int value = ValueAt(w, s, s->trackThumb);
    Redraw(hwnd);
    if (value != s->trackValue) {
      s->trackValue = value;
      Report(hwnd, SB_THUMBTRACK, static_cast<WORD>(value));
    }
    return;
  }
  bool over = HitTest(w, s, x, y) == s->tracking;
  if (over != s->over) {
    s->over = over;
    Redraw(hwnd);
  }
}

void OnUp(HWND hwnd, ScrollState* s) {
  if (s->tracking == Part::kNone) return;
  Part part = s->tracking;
  s->tracking = Part::kNone;
  s->over = false;
  KillTimer(hwnd, kRepeatTimer);
  ReleaseCapture();
  if (part == Part::kThumb) Report(hwnd, SB_THUMBPOSITION, static_cast<WORD>(s->trackValue));
  if (Find(hwnd) == nullptr) return;
  Redraw(hwnd);
  Report(hwnd, SB_ENDSCROLL);
}

void OnRepeat(HWND hwnd, ScrollState* s) {
  WORD code;
  if (!RepeatCode(s->tracking, &code)) {
    KillTimer(hwnd, kRepeatTimer);
    return;
  }
  if (!s->timerRepeating) {
    s->timerRepeating = true;
    SetTimer(hwnd, kRepeatTimer, kRepeatMs, nullptr);
  }
  if (s->over) Report(hwnd, code);
}

}  // namespace

LRESULT CALLBACK ScrollBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Window* w = Find(hwnd);
  ScrollState* s = StateOf(hwnd);
  if (w == nullptr || s == nullptr) return 0;
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      Paint(hwnd, dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      OnDown(hwnd, w, s, X(lParam), Y(lParam));
      return 0;
    case WM_MOUSEMOVE:
      OnMove(hwnd, w, s, X(lParam), Y(lParam));
      return 0;
    case WM_LBUTTONUP:
      OnUp(hwnd, s);
      return 0;
    case WM_TIMER:
      if (wParam == kRepeatTimer) OnRepeat(hwnd, s);
      return 0;
    case WM_CAPTURECHANGED:
      if (s->tracking != Part::kNone && reinterpret_cast<HWND>(lParam) != hwnd) OnUp(hwnd, s);
      return 0;
    case SBM_SETRANGE: {
      // No redraw; a position outside the new range is pulled into it.
      int previous = s->pos;
      s->min = static_cast<int>(wParam);
      s->max = static_cast<int>(lParam);
      if (s->max < s->min) std::swap(s->min, s->max);
      s->pos = std::clamp(s->pos, s->min, s->max);
      return previous;
    }
    case SBM_SETPOS: {
      int previous = s->pos;
      s->pos = std::clamp(static_cast<int>(wParam), s->min, s->max);
      if (lParam) Redraw(hwnd);
      return previous;
    }
    case SBM_GETPOS:
      return s->pos;
    case SBM_GETRANGE:
      if (wParam) *reinterpret_cast<int*>(wParam) = s->min;
      if (lParam) *reinterpret_cast<int*>(lParam) = s->max;
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

}  // namespace orvel::user

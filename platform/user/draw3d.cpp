// Classic 3-D edges for the built-in controls.
#include <windows.h>

#include "user/internal.h"

namespace orvel::user {
namespace {

void Line(HDC dc, int l, int t, int r, int b, COLORREF color) {
  FillSolid(dc, RECT{l, t, r, b}, color);
}

}  // namespace

void FillSolid(HDC dc, const RECT& r, COLORREF color) {
  if (dc == nullptr || r.right <= r.left || r.bottom <= r.top) return;
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

// Outer edge white above and left, black below and right; inner shadow grey below and right.
void DrawRaisedEdge(HDC dc, const RECT& r) {
  if (r.right - r.left < 2 || r.bottom - r.top < 2) return;
  Line(dc, r.left, r.top, r.right - 1, r.top + 1, kHighlight);
  Line(dc, r.left, r.top, r.left + 1, r.bottom - 1, kHighlight);
  Line(dc, r.left, r.bottom - 1, r.right, r.bottom, kDark);
  Line(dc, r.right - 1, r.top, r.right, r.bottom, kDark);
  if (r.right - r.left < 4 || r.bottom - r.top < 4) return;
  Line(dc, r.left + 1, r.bottom - 2, r.right - 1, r.bottom - 1, kShadow);
  Line(dc, r.right - 2, r.top + 1, r.right - 1, r.bottom - 1, kShadow);
}

// The pressed look: a flat grey frame.
void DrawSunkenEdge(HDC dc, const RECT& r) {
  if (r.right - r.left < 2 || r.bottom - r.top < 2) return;
  Line(dc, r.left, r.top, r.right, r.top + 1, kShadow);
  Line(dc, r.left, r.bottom - 1, r.right, r.bottom, kShadow);
  Line(dc, r.left, r.top, r.left + 1, r.bottom, kShadow);
  Line(dc, r.right - 1, r.top, r.right, r.bottom, kShadow);
}

}  // namespace orvel::user

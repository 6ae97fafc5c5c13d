// Bevelled boxes and shaded rows.
#include "draw/draw.h"

#include "draw/shade.h"

namespace {

using orvel::draw::Compose;
using orvel::draw::ShadeComponent;

const int kBevel = 2;  // pixels of bevel on each side of a box

void Line(HDC dc, int x0, int y0, int x1, int y1) {
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
}

// Selects a new one-pixel solid pen of `color`, runs `draw`, then selects the previous pen
// back and deletes the new one.
template <typename Draw>
void WithPen(HDC dc, COLORREF color, Draw draw) {
  HPEN pen = CreatePen(PS_SOLID, 0, color);
  HGDIOBJ previous = SelectObject(dc, pen);
  draw();
  SelectObject(dc, previous);
  DeleteObject(pen);
}

COLORREF Shade(int r, int g, int b, double factor) {
  return Compose(ShadeComponent(r, factor), ShadeComponent(g, factor), ShadeComponent(b, factor));
}

void TopLeftBevel(HDC dc, int left, int top, int right, int bottom) {
  Line(dc, left, top, right, top);
  Line(dc, left, top + 1, right, top + 1);
  Line(dc, left, top, left, bottom);
  Line(dc, left + 1, top, left + 1, bottom - 1);
}

void BottomRightBevel(HDC dc, int left, int top, int right, int bottom) {
  Line(dc, left, bottom, right, bottom);
  Line(dc, left + 1, bottom - 1, right - 1, bottom - 1);
  Line(dc, right, bottom, right, top);
  Line(dc, right - 1, bottom, right - 1, top + 1);
}

// The face inside the bevel: a Rectangle outlined and filled in the face colour.
void Face(HDC dc, int left, int top, int right, int bottom, COLORREF color) {
  LOGBRUSH lb;
  lb.lbStyle = BS_SOLID;
  lb.lbColor = color;
  lb.lbHatch = 0;
  HBRUSH brush = CreateBrushIndirect(&lb);
  HGDIOBJ previousBrush = SelectObject(dc, brush);
  WithPen(dc, color, [&] {
    Rectangle(dc, left + kBevel, top + kBevel, right - kBevel + 1, bottom - kBevel + 1);
  });
  SelectObject(dc, previousBrush);
  DeleteObject(brush);
}

bool TooNarrow(int left, int right) {
  return right - left < 2 * kBevel + 2;
}

}  // namespace

void DrawRaisedBox(HDC dc, int left, int top, int right, int bottom, int r, int g, int b) {
  if (TooNarrow(left, right)) return;
  WithPen(dc, Shade(r, g, b, 1.2), [&] { TopLeftBevel(dc, left, top, right, bottom); });
  WithPen(dc, Shade(r, g, b, 0.8), [&] { BottomRightBevel(dc, left, top, right, bottom); });
  WithPen(dc, Compose(0, 0, 0), [&] {
    Line(dc, left, bottom + 1, right + 1, bottom + 1);
    Line(dc, right + 1, bottom + 1, right + 1, top);
  });
  Face(dc, left, top, right, bottom, Compose(r, g, b));
}

void DrawSunkenBox(HDC dc, int left, int top, int right, int bottom, int r, int g, int b) {
  if (TooNarrow(left, right)) return;
  WithPen(dc, Compose(100, 100, 100), [&] { TopLeftBevel(dc, left, top, right, bottom); });
  WithPen(dc, Compose(160, 160, 160), [&] { BottomRightBevel(dc, left, top, right, bottom); });
  Face(dc, left, top, right, bottom, Compose(r, g, b));
}

void DrawShadedRows(HDC dc, int left, int top, int right, int bottom, int r, int g, int b,
                    float start, float end) {
  const int mid = (top + bottom) / 2;
  // With bottom == mid (a band of one row, or bottom = top - 1) the loop runs at most once and
  // never applies the step, so it is not divided out by zero.
  float step = 0.0f;
  if (bottom != mid) {
    step = static_cast<float>((static_cast<double>(end) - start) / (bottom - mid));
  }
  float factor = start;
  for (int y = top; y <= mid; ++y) {
    WithPen(dc, Shade(r, g, b, factor), [&] {
      Line(dc, left, y, right, y);
      const int mirrored = bottom - 3 - (y - top);
      Line(dc, left, mirrored, right, mirrored);
    });
    factor += step;  // single precision: 0.6 + 20 x 0.02 ends at 0.9999996
  }
}

// The level gauge. DrawFace paints the lit face, the well and the scale; ShowValue then only
// paints the difference between the last value and the new one.
#include "gauge.h"

#include "display_math.h"
#include "draw/draw.h"

#include <stdio.h>
#include <string.h>

using orvel::displays::ColorOf;
using orvel::displays::TruncToInt;

gauge::gauge(int r, int g, int b) : barRed(r), barGreen(g), barBlue(b), lastValue(0.0f) {}

int gauge::ValueToX(float value) const {
  return TruncToInt(static_cast<double>(scaleLength) * value / fullScale);
}

namespace {

// The face between the bevels, row pairs from the top and bottom edges toward the middle,
// brighter toward the middle.
void DrawLitBody(gauge& g, HDC dc) {
  const int mid = (g.top + g.bottom) / 2;
  for (int y = g.top + 3; y < mid; ++y) {
    const float t = static_cast<float>(1.0 + 0.68 * (y - g.top + 3) / (g.bottom - g.top));
    g.shadingPen = CreatePen(
        PS_SOLID, 1, ColorOf(TruncToInt(180.0 * t), TruncToInt(180.0 * t), TruncToInt(150.0 * t)));
    g.savedPen = SelectObject(dc, g.shadingPen);
    const int mirrored = g.bottom - 3 - (y - g.top);
    MoveToEx(dc, g.left + 3, y, nullptr);
    LineTo(dc, g.right - 3, y);
    MoveToEx(dc, g.left + 3, mirrored, nullptr);
    LineTo(dc, g.right - 3, mirrored);
    SelectObject(dc, g.savedPen);
    DeleteObject(g.shadingPen);
    g.shadingPen = nullptr;
  }
}

// Walks the scale from 0 to fullScale in steps of increment, calling mark(x, cursor) at each
// position. Stops as well if the cursor no longer advances, so that a degenerate scale cannot
// loop forever.
template <typename Mark>
void WalkScale(gauge& g, double increment, Mark mark) {
  g.scaleCursor = 0.0f;
  while (!(g.scaleCursor > g.fullScale)) {
    mark(g.ValueToX(g.scaleCursor) + g.left + 10, g.scaleCursor);
    const float next = static_cast<float>(g.scaleCursor + increment);
    if (!(next > g.scaleCursor)) break;
    g.scaleCursor = next;
  }
}

// Numbered major ticks, then a minor tick every tenth of a division.
void DrawScale(gauge& g, HDC dc) {
  const float division = g.fullScale / g.divisions;
  WalkScale(g, division, [&](int x, float cursor) {
    char label[32];
    snprintf(label, sizeof label, "%4.0f", cursor);
    TextOutA(dc, x, g.top + 14, label, static_cast<int>(strlen(label)));
    MoveToEx(dc, x, g.top + 18, nullptr);
    LineTo(dc, x, g.top + 15);
  });
  WalkScale(g, division * 0.1, [&](int x, float) {
    MoveToEx(dc, x, g.top + 18, nullptr);
    LineTo(dc, x, g.top + 17);
  });
}

}  // namespace

void gauge::DrawFace(HDC dc) {
  if (dc == nullptr) return;
  lastValue = 0.0f;
  scaleLength = right - left - 50;
  DrawRaisedBox(dc, left, top, right, bottom, 180, 180, 150);
  DrawLitBody(*this, dc);
  DrawSunkenBox(dc, left + 10, top + 20, right - 40, bottom - 10, 0, 10, 5);

  font = CreateFontA(12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Ariel");
  savedFont = SelectObject(dc, font);
  SetTextAlign(dc, TA_BASELINE | TA_CENTER);
  SetTextColor(dc, 0);
  SetBkMode(dc, TRANSPARENT);
  blackPen = CreatePen(PS_SOLID, 1, 0);
  savedPen = SelectObject(dc, blackPen);

  if (divisions > 1) DrawScale(*this, dc);

  SetTextAlign(dc, TA_LEFT | TA_TOP);
  SelectObject(dc, savedFont);
  DeleteObject(font);
  font = nullptr;
  SelectObject(dc, savedPen);
  DeleteObject(blackPen);
  blackPen = nullptr;
}

void gauge::ShowValue(HDC dc, float value) {
  // Out-of-range values (NaN included) are ignored; the bar stays as it is.
  if (!(value >= 0.0f && value < fullScale)) return;
  const int xLast = ValueToX(lastValue) + left + 10;
  const int xNew = ValueToX(value) + left + 10;
  if (value > lastValue) {
    DrawShadedRows(dc, xLast, top + 22, xNew, bottom - 10, barRed, barGreen, barBlue, 0.6f, 1.0f);
  } else {
    eraseBrush.lbStyle = BS_SOLID;
    eraseBrush.lbColor = 0;
    brush = CreateBrushIndirect(&eraseBrush);
    savedBrush = SelectObject(dc, brush);
    blackPen = CreatePen(PS_SOLID, 1, 0);
    savedPen = SelectObject(dc, blackPen);
    Rectangle(dc, xLast, top + 22, xNew, bottom - 12);
    SelectObject(dc, savedPen);
    DeleteObject(blackPen);
    blackPen = nullptr;
    SelectObject(dc, savedBrush);
    DeleteObject(brush);
    brush = nullptr;
  }
  lastValue = value;
}

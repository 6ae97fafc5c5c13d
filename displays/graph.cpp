// The level chart recorder. The history lives only in the window's pixels: each Plot scrolls
// the plot one column left with a BitBlt inside the same device context and draws the newest
// column.
#include "graph.h"

#include "display_math.h"

using orvel::displays::ColorOf;
using orvel::displays::Shade;
using orvel::displays::TruncToInt;

graph::graph(int r, int g, int b, int style)
    : style(style), traceRed(r), traceGreen(g), traceBlue(b), lastValue(-10.0f) {}

void graph::UpdateLayout(HDC dc) {
  const int columns = steps + 1;
  stepWidth = columns != 0 ? (right - left - 80) / columns : 0;
  if (dc != nullptr) plotHeight = bottom - top - 60;
}

int graph::ValueToY(float value) const {
  return TruncToInt(static_cast<double>(plotHeight) * value / fullScale);
}

namespace {

// Blacks out the newest column from the base line up to the top of the plot.
void ClearNewestColumn(const graph& g, HDC dc, int xN, int base) {
  HPEN pen = CreatePen(PS_SOLID, 1, 0);
  LOGBRUSH description = {BS_SOLID, 0, 0};
  HBRUSH brush = CreateBrushIndirect(&description);
  HGDIOBJ previousBrush = SelectObject(dc, brush);
  HGDIOBJ previousPen = SelectObject(dc, pen);
  Rectangle(dc, xN, base - g.ValueToY(g.fullScale), xN + g.stepWidth, base);
  SelectObject(dc, previousPen);
  SelectObject(dc, previousBrush);
  DeleteObject(brush);
  DeleteObject(pen);
}

}  // namespace

void graph::Plot(HDC dc, float value) {
  if (dc == nullptr) return;
  // Out-of-range values (NaN included) stop the chart for this frame only.
  if (!(value >= 0.0f && value < fullScale)) return;

  const int x0 = left + 60;
  const int base = bottom - 40;
  const int xN = x0 + steps * stepWidth;
  BitBlt(dc, x0, top + 20, steps * stepWidth, bottom - top - 60, dc, x0 + stepWidth, top + 20,
         SRCCOPY);
  ClearNewestColumn(*this, dc, xN, base);

  // Trace pen in the colour lifted by 1.2; the dot is filled red-heavy.
  HPEN pen = CreatePen(
      PS_SOLID, 1, ColorOf(Shade(traceRed, 1.2), Shade(traceGreen, 1.2), Shade(traceBlue, 1.2)));
  LOGBRUSH description = {
      BS_SOLID, ColorOf(Shade(traceRed, 1.2), Shade(traceGreen, 0.1), Shade(traceBlue, 0.1)), 0};
  HBRUSH brush = CreateBrushIndirect(&description);
  HGDIOBJ previousBrush = SelectObject(dc, brush);
  HGDIOBJ previousPen = SelectObject(dc, pen);

  if (lastValue < 0.0f) {
    MoveToEx(dc, xN, base - ValueToY(value), nullptr);
  } else {
    const int yOld = base - ValueToY(lastValue);
    const int yNew = base - ValueToY(value);
    MoveToEx(dc, xN + 2, yOld, nullptr);
    LineTo(dc, xN + stepWidth, yNew);
    Ellipse(dc, xN, yOld - 2, xN + 4, yOld + 2);
  }
  lastValue = value;

  SelectObject(dc, previousPen);
  SelectObject(dc, previousBrush);
  DeleteObject(brush);
  DeleteObject(pen);
}

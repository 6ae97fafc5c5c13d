// Spectrum bars. A bar that rises is repainted from its bottom; a bar that falls is blacked out
// above its new height, and its peak marker is drawn as nine rows of growing brightness.
#include "spectrum_bars.h"

#include "display_math.h"

using orvel::displays::ColorOf;
using orvel::displays::TruncToInt;

int SampleStep = 0;
SpectrumBar SpectrumBars[32];

void InitSpectrumBars() {
  const int pitch = 2 * SampleStep;
  for (int i = 0; i < 32; ++i) {
    SpectrumBar& bar = SpectrumBars[i];
    bar.left = i * pitch + 20;
    bar.top = 100;
    bar.right = (i + 1) * pitch + 18;
    bar.bottom = 300;
    bar.red = 255;
    bar.green = 0;
    bar.blue = 0;
    bar.fullScale = 1000.0f;
    bar.barFall = 30.0f;
    bar.peakFall = 10.0f;
    ResetBar(bar);
  }
}

void ResetBar(SpectrumBar& bar) {
  // A bar that was never laid out (fullScale 0) gets no scale rather than a NaN one.
  bar.pixelsPerUnit =
      bar.fullScale != 0.0f ? static_cast<float>(bar.bottom - bar.top) / bar.fullScale : 0.0f;
  bar.value = 0.0f;
  bar.drawnValue = 0.0f;
  bar.peak = 0.0f;
}

int BarValueToY(const SpectrumBar& bar, float v) {
  return TruncToInt((bar.bottom - 1) - static_cast<double>(v) * bar.pixelsPerUnit);
}

namespace {

// Pen and brush of one colour, selected into dc for one rectangle.
void FillBarRect(SpectrumBar& bar, HDC dc, COLORREF color, int left, int top, int right,
                 int bottom) {
  bar.pen = CreatePen(PS_SOLID, 1, color);
  bar.brushDescription.lbStyle = BS_SOLID;
  bar.brushDescription.lbColor = color;
  bar.brushDescription.lbHatch = 0;
  bar.brush = CreateBrushIndirect(&bar.brushDescription);
  bar.previousPen = SelectObject(dc, bar.pen);
  bar.previousBrush = SelectObject(dc, bar.brush);
  Rectangle(dc, left, top, right, bottom);
  SelectObject(dc, bar.previousPen);
  SelectObject(dc, bar.previousBrush);
  DeleteObject(bar.pen);
  DeleteObject(bar.brush);
  bar.pen = nullptr;
  bar.brush = nullptr;
}

// Nine rows just above the peak, from 10% of the bar colour at the top to 90% at the bottom.
void DrawPeakMarker(SpectrumBar& bar, HDC dc) {
  const int yp = BarValueToY(bar, bar.peak);
  for (int k = 1; k <= 9; ++k) {
    const COLORREF color = ColorOf(TruncToInt(bar.red * k * 0.1), TruncToInt(bar.green * k * 0.1),
                                   TruncToInt(bar.blue * k * 0.1));
    bar.pen = CreatePen(PS_SOLID, 1, color);
    bar.previousPen = SelectObject(dc, bar.pen);
    MoveToEx(dc, bar.left, yp + k - 10, nullptr);
    LineTo(dc, bar.right, yp + k - 10);
    SelectObject(dc, bar.previousPen);
    DeleteObject(bar.pen);
    bar.pen = nullptr;
  }
}

}  // namespace

void DrawBar(SpectrumBar& bar, HDC dc, float v) {
  if (v > bar.fullScale) v = bar.fullScale;
  if (v > bar.drawnValue) {
    bar.value = v;
    FillBarRect(bar, dc, ColorOf(bar.red, bar.green, bar.blue), bar.left, bar.bottom, bar.right,
                BarValueToY(bar, bar.value));
    bar.drawnValue = bar.value;
    bar.value = v;
    bar.peak = v;
    return;
  }
  bar.value -= bar.barFall;
  bar.peak -= bar.peakFall;
  if (bar.value < 0.0f) bar.value = 0.0f;
  if (bar.peak < 0.0f) bar.peak = 0.0f;
  FillBarRect(bar, dc, 0, bar.left, bar.top, bar.right, BarValueToY(bar, bar.value));
  bar.drawnValue = bar.value;
  if (bar.peak > 50.0f) DrawPeakMarker(bar, dc);
}

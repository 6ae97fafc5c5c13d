#include "frame.h"

#include <math.h>

#include "app/state.h"
#include "audio/capture.h"
#include "audio/fftmisc.h"
#include "displays/gauge.h"
#include "displays/graph.h"
#include "displays/pattern_cells.h"
#include "displays/pulse_sphere.h"
#include "displays/spectrum_bars.h"

float HeldLevel = 0.0f;
const float ChartDecay = 10.0f;
const float GaugeDecay = 3.0f;
POINT TracePoints[64];
float RealIn[64], ImagIn[64], RealOut[64], ImagOut[64];

namespace {

constexpr int kCentreY = 200;

// The frame pen and brush of modes 0 to 5, and what they replaced in WindowDC.
HBRUSH FrameBrush;
HPEN FramePen;
HGDIOBJ PreviousBrush, PreviousPen;

signed char* Samples() {
  return reinterpret_cast<signed char*>(CaptureBuffer->lpData);
}

// The raw byte u becomes 128 - u; 0 wraps to -128.
int Convert(int i) {
  const unsigned char u = static_cast<unsigned char>(Samples()[i]);
  Samples()[i] = static_cast<signed char>(static_cast<unsigned char>(128 - u));
  return Samples()[i];
}

// Converted and scaled by 0.78 toward zero: -99..99.
int ConvertScaled(int i) {
  const int s = Convert(i);
  Samples()[i] = static_cast<signed char>(static_cast<int>(s * 0.78));
  return Samples()[i];
}

int Column(int i) {
  return i * SampleStep + 20;
}

COLORREF CurrentColour() {
  return ColorTable[ColorIndex];
}

void SelectFrameObjects(COLORREF col) {
  LOGBRUSH description = {BS_SOLID, col, 0};
  FrameBrush = CreateBrushIndirect(&description);
  PreviousBrush = SelectObject(WindowDC, FrameBrush);
  FramePen = CreatePen(PS_SOLID, 1, col);
  PreviousPen = SelectObject(WindowDC, FramePen);
}

void ReleaseFrameObjects() {
  SelectObject(WindowDC, PreviousPen);
  DeleteObject(FramePen);
  SelectObject(WindowDC, PreviousBrush);
  DeleteObject(FrameBrush);
}

void DrawDots(COLORREF col) {
  for (int i = 0; i < 64; ++i) {
    const int s = ConvertScaled(i);
    const int x = Column(i);
    Ellipse(WindowDC, x, kCentreY + s, x + 3, kCentreY + 3 + s);
    Ellipse(WindowDC, x, kCentreY - s, x + 3, kCentreY + 3 - s);
    SetPixel(WindowDC, x, kCentreY, col);
  }
}

void DrawBezierTrace(COLORREF col) {
  for (int i = 0; i < 64; ++i) {
    const int s = ConvertScaled(i);
    TracePoints[i] = {Column(i), kCentreY + s};
    SetPixel(WindowDC, Column(i), kCentreY, col);
  }
  PolyBezier(WindowDC, TracePoints, 64);
}

void DrawExtents(COLORREF col) {
  for (int i = 0; i < 64; ++i) {
    const int s = ConvertScaled(i);
    const int x = Column(i);
    MoveToEx(WindowDC, x, kCentreY - s, nullptr);
    LineTo(WindowDC, x, kCentreY + s);
    SetPixel(WindowDC, x, kCentreY, col);
  }
}

// Modes 3, 4, 5: the RMS of the scaled samples, then the held level.
void UpdateHeldLevel(float decay) {
  float sum = 0.0f;
  for (int i = 0; i < 64; ++i) {
    const int s = ConvertScaled(i);
    sum = sum + static_cast<float>(s * s);
  }
  const float level = static_cast<float>(sqrt(sum * 0.015625));
  if (level > HeldLevel) {
    HeldLevel = level;
  } else {
    HeldLevel = HeldLevel - decay;
  }
}

void DrawLevel() {
  if (DisplayMode == kModeGauge) {
    UpdateHeldLevel(GaugeDecay);
    TheGauge->ShowValue(WindowDC, static_cast<float>(HeldLevel * 100 * 0.0078125));
  } else {
    UpdateHeldLevel(ChartDecay);
    TheGraph->Plot(WindowDC, HeldLevel);
  }
}

void DrawSpectrum() {
  for (int i = 0; i < 64; ++i) {
    RealIn[i] = static_cast<float>(Convert(i));
    ImagIn[i] = 0.0f;
  }
  fft_float(64, 0, RealIn, ImagIn, RealOut, ImagOut);
  for (int i = 1; i <= 31; ++i) {
    const double weight = i * 2 * 0.015625 + 1;
    if (DisplayMode == kModeBars) {
      DrawBar(SpectrumBars[i], WindowDC, static_cast<float>(fabs(RealOut[i]) * weight));
    } else {
      const double value = fabs(RealOut[i] * 0.3333333333333333) * weight * 0.4;
      DrawPatternCell(PatternCells[i], WindowDC, static_cast<float>(value));
    }
  }
  if (DisplayMode == kModePatterns) PatternSpin = static_cast<float>(PatternSpin + 0.1);
}

void DrawSphere() {
  float sum = 0.0f;
  for (int i = 0; i < 64; ++i) {
    const int s = Convert(i);
    sum = sum + static_cast<float>(s * s);
  }
  const float level = static_cast<float>(sqrt(sum * 0.015625) * 25 * 0.0078125);
  EraseDisplay();
  const COLORREF col = CurrentColour();
  ThePulseSphere.red = static_cast<float>(col & 0xFF);
  ThePulseSphere.green = static_cast<float>((col >> 8) & 0xFF);
  ThePulseSphere.blue = static_cast<float>((col >> 16) & 0xFF);
  const float angle = static_cast<float>(SpeedSetting * 0.06666666666666667);
  Rotate(ThePulseSphere, angle, 0);
  Rotate(ThePulseSphere, angle, 2);
  Draw(ThePulseSphere, WindowDC, SphereVariant, level);
}

}  // namespace

void EraseDisplay() {
  HGDIOBJ previous = SelectObject(WindowDC, GetStockObject(BLACK_BRUSH));
  Rectangle(WindowDC, kFrameEraseBox.left, kFrameEraseBox.top, kFrameEraseBox.right,
            kFrameEraseBox.bottom);
  SelectObject(WindowDC, previous);
}

void ProcessFrame() {
  // A frame announced before the buffer was freed (the device's reset at shutdown returns it)
  // finds nothing to draw.
  if (CaptureBuffer == nullptr || CaptureBuffer->lpData == nullptr) return;
  // A clock tick that came between the driver's return of the buffer and this frame has
  // already queued it again: the driver is refilling it, so its samples are neither whole nor
  // ours to rewrite. The frame is skipped; the refilled buffer brings the next one.
  if ((CaptureBuffer->dwFlags & WHDR_DONE) == 0) return;
  if (DisplayMode >= kModeBars) {
    if (DisplayMode == kModeBars || DisplayMode == kModePatterns) DrawSpectrum();
    if (DisplayMode == kModeSphere) DrawSphere();
    return;
  }
  if (DisplayMode < kModeSlowChart) EraseDisplay();
  const COLORREF col = CurrentColour();
  SelectFrameObjects(col);
  switch (DisplayMode) {
    case kModeDots:
      DrawDots(col);
      break;
    case kModeBezier:
      DrawBezierTrace(col);
      break;
    case kModeExtents:
      DrawExtents(col);
      break;
    default:
      DrawLevel();
      break;
  }
  ReleaseFrameObjects();
}

// The level gauge: a raised, lit face with a sunken well and a numbered scale; the bar in the
// well follows the value by painting only the difference from the last value.
#ifndef ORVEL_DISPLAYS_GAUGE_H
#define ORVEL_DISPLAYS_GAUGE_H

#include <windows.h>

class gauge {
 public:
  // Sets the bar colour and lastValue 0; the creator then stores the rectangle, divisions and
  // fullScale.
  gauge(int r, int g, int b);

  // Paints the whole face and resets lastValue to 0. Does nothing for a null device context.
  void DrawFace(HDC dc);
  // Moves the bar from lastValue to value (0 <= value < fullScale; others are ignored).
  void ShowValue(HDC dc, float value);
  // Pixel offset of value from the scale's start: trunc(scaleLength * value / fullScale).
  int ValueToX(float value) const;

  // Scratch handles, meaningful only during a drawing call.
  HGDIOBJ savedPen = nullptr;
  HPEN shadingPen = nullptr;
  HPEN blackPen = nullptr;
  HGDIOBJ savedBrush = nullptr;
  HBRUSH brush = nullptr;
  LOGBRUSH eraseBrush = {};
  HFONT font = nullptr;
  HGDIOBJ savedFont = nullptr;

  int barRed, barGreen, barBlue;
  int left = 0, top = 0, right = 0, bottom = 0;  // outer rectangle, client pixels
  int scaleLength = 0;                           // pixels; zero until the first DrawFace
  int divisions = 0;                             // labelled divisions of the scale
  float fullScale = 0.0f;
  float scaleCursor = 0.0f;  // running value while DrawFace walks the scale
  float lastValue;           // the value the bar shows now
};

#endif

// Spectrum bars: 32 vertical bars with falling peak markers, drawn straight into the window's
// device context. Values are weighted band magnitudes (0..fullScale); pixels are client pixels.
#ifndef ORVEL_DISPLAYS_SPECTRUM_BARS_H
#define ORVEL_DISPLAYS_SPECTRUM_BARS_H

#include <windows.h>

struct SpectrumBar {
  int red, green, blue;          // bar colour; only the low 8 bits of each are used
  int left, top, right, bottom;  // column: x from left to right (excluded), y from top to bottom
  float value;                   // the value the bar shows now
  float drawnValue;              // the value at which the bar was last drawn
  float peak;                    // the value at which the peak marker stands
  float fullScale;               // larger values are cut to it
  float barFall;                 // fall of value per non-rising frame
  float peakFall;                // fall of peak per non-rising frame
  float pixelsPerUnit;           // (bottom - top) / fullScale, set by ResetBar
  HBRUSH brush;                  // scratch for one DrawBar
  HGDIOBJ previousBrush;
  HPEN pen;
  HGDIOBJ previousPen;
  LOGBRUSH brushDescription;
};

// Horizontal pixel step between samples of the traces; the bars stand at twice this pitch.
// Start-up sets it to 8 before InitSpectrumBars.
extern int SampleStep;

extern SpectrumBar SpectrumBars[32];

// Lays out the 32 bars at pitch 2 * SampleStep, red, fullScale 1000, and resets each.
void InitSpectrumBars();
// Zero height, no peak; recomputes pixelsPerUnit. Draws nothing.
void ResetBar(SpectrumBar& bar);
// The row of value v: trunc((bottom - 1) - v * pixelsPerUnit).
int BarValueToY(const SpectrumBar& bar, float v);
// One frame of one bar: rise to v, or fall by barFall with the peak marker above.
void DrawBar(SpectrumBar& bar, HDC dc, float v);

#endif

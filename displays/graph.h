// The level chart recorder: a strip chart that scrolls right to left by copying the window's
// own pixels, one column per Plot.
#ifndef ORVEL_DISPLAYS_GRAPH_H
#define ORVEL_DISPLAYS_GRAPH_H

#include <windows.h>

class graph {
 public:
  // Sets lastValue to -10 (no previous point), the trace colour and the style; the creator
  // then stores the rectangle, steps and fullScale.
  graph(int r, int g, int b, int style);

  // stepWidth = (right - left - 80) / (steps + 1); with a device context also plotHeight.
  void UpdateLayout(HDC dc);
  // Scrolls the plot one column left and continues the trace to value (0 <= value < fullScale).
  void Plot(HDC dc, float value);
  // Pixel height of value above the base line: trunc(plotHeight * value / fullScale).
  int ValueToY(float value) const;

  int style;
  int left = 0, top = 0, right = 0, bottom = 0;  // outer rectangle, client pixels
  int plotHeight = 0;  // pixels; zero until UpdateLayout has had a device context
  int steps = 0;       // columns across the plot
  int stepWidth = 0;   // pixels per column
  int traceRed, traceGreen, traceBlue;
  float fullScale = 0.0f;  // the value at the top of the plot
  float lastValue;         // previous point's value; negative when there is none
};

#endif

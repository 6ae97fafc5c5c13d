// Small numeric helpers shared by the displays: truncation of computed values to pixels and
// colour components, and the colour made from three int components.
#ifndef ORVEL_DISPLAYS_DISPLAY_MATH_H
#define ORVEL_DISPLAYS_DISPLAY_MATH_H

#include <windows.h>

#include <limits.h>

namespace orvel::displays {

// Truncates toward zero. Values beyond the int range saturate and NaN gives 0, so that a
// pathological value can never make the conversion undefined.
inline int TruncToInt(double v) {
  if (!(v == v)) return 0;
  if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(v);
}

// The GDI colour of three components, low 8 bits of each.
inline COLORREF ColorOf(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16);
}

// A shade of one component: component * factor, truncated toward zero, low 8 bits kept.
inline int Shade(int component, double factor) {
  return TruncToInt(component * factor) & 0xFF;
}

// Pi taken as 22/7: the displays turn every angle in degrees into radians this way.
inline double DegreesToRadians(double degrees) {
  return degrees * 22 / 7 / 180;
}

}  // namespace orvel::displays

#endif

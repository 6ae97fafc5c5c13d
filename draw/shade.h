// Colour arithmetic of the drawing toolkit (internal to draw/).
#ifndef ORVEL_DRAW_SHADE_H
#define ORVEL_DRAW_SHADE_H

#include <windows.h>

namespace orvel::draw {

// r | g << 8 | b << 16 from the low 8 bits of each component.
inline COLORREF Compose(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16);
}

// component x factor, multiplied in extended precision, truncated toward zero, then taken
// modulo 256 (not clamped): 220 x 1.2 gives 264, which is 8. Extended precision matters:
// 180 x 1.2 is 215.99999999999999 there, so 215, where double arithmetic would round to 216.
inline int ShadeComponent(int component, long double factor) {
  return static_cast<int>(static_cast<long double>(component) * factor) & 0xFF;
}

}  // namespace orvel::draw

#endif

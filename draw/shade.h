// Colour arithmetic of the drawing toolkit (internal to draw/).
#ifndef ORVEL_DRAW_SHADE_H
#define ORVEL_DRAW_SHADE_H

#include <windows.h>

namespace orvel::draw {

// r | g << 8 | b << 16 from the low 8 bits of each component.
inline COLORREF Compose(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16);
}

// component x factor, truncated toward zero, then taken modulo 256 (not clamped): 220 x 1.2
// gives 264, which is 8. The product is rounded to a double's 53-bit mantissa before it is
// truncated, as the x87 unit computes it at the precision Windows programs run it with; so
// 180 x 1.2 is 216, where a full 64-bit mantissa would keep 215.99999999999999 and give 215.
// Float factors (0.6f, ...) multiply exactly either way.
inline int ShadeComponent(int component, double factor) {
  return static_cast<int>(component * factor) & 0xFF;
}

}  // namespace orvel::draw

#endif

// A colour as the tests write it, in the two byte orders they compare against: a surface's
// pixels (gdi::Surface, the headless window, PNG rows) are 0x00RRGGBB; GDI's COLORREF, as
// RGB() makes it and GetPixel returns it, is 0x00BBGGRR. Components are 0..255.
#ifndef ORVEL_TESTS_SUPPORT_PIXELS_H
#define ORVEL_TESTS_SUPPORT_PIXELS_H

#include <stdint.h>

#include <windows.h>

namespace orvel::test {

struct Colour {
  constexpr Colour(int red, int green, int blue) : r(red), g(green), b(blue) {}
  int r, g, b;

  // 0x00RRGGBB, as a surface stores it.
  constexpr uint32_t Pixel() const {
    return static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 |
           static_cast<uint32_t>(b);
  }
  // 0x00BBGGRR, as GDI takes and returns it.
  constexpr COLORREF ColorRef() const {
    return static_cast<COLORREF>(r) | static_cast<COLORREF>(g) << 8 |
           static_cast<COLORREF>(b) << 16;
  }
};

}  // namespace orvel::test

#endif

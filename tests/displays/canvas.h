// A memory device context the size of the main window's client area, for pixel tests of the
// displays. Pixels start black.
#ifndef ORVEL_TESTS_DISPLAYS_CANVAS_H
#define ORVEL_TESTS_DISPLAYS_CANVAS_H

#include <windows.h>

#include "gdi/surface.h"
#include "pixels.h"

#include <stdint.h>

namespace orvel::test {

class Canvas {
 public:
  Canvas(int width = 561, int height = 411) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateCompatibleBitmap(dc, width, height);
    oldBitmap = SelectObject(dc, bitmap);
  }
  ~Canvas() {
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  // Limits drawing to the area, as start-up clips the window's DC to kDisplayArea.
  void Clip(const RECT& area) {
    HRGN region = CreateRectRgn(area.left, area.top, area.right, area.bottom);
    SelectClipRgn(dc, region);
    DeleteObject(region);
  }

  // COLORREF of one pixel (compare with Colour::ColorRef, tests/support/pixels.h).
  COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }

  // Fills the whole canvas with one colour, bypassing the DC's clip.
  void Fill(COLORREF color) {
    gdi::Surface* s = gdi::SurfaceOf(dc);
    for (uint32_t& p : s->pixels) p = gdi::ToPixel(color);
  }

  // How many pixels of (l, t)-(r, b) (right and bottom excluded) have the colour.
  int Count(COLORREF color, int l, int t, int r, int b) const {
    int n = 0;
    for (int y = t; y < b; ++y)
      for (int x = l; x < r; ++x) n += At(x, y) == color;
    return n;
  }

  const gdi::Surface& Surface() const { return *gdi::SurfaceOf(dc); }

  HDC dc;

 private:
  HBITMAP bitmap;
  HGDIOBJ oldBitmap;
};

}  // namespace orvel::test

#endif

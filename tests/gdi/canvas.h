// A memory DC over a fresh 32-bit bitmap for pixel tests, and helpers to read it back.
#ifndef ORVEL_TESTS_GDI_CANVAS_H
#define ORVEL_TESTS_GDI_CANVAS_H

#include "gdi/surface.h"

#include <windows.h>

#include <string>

namespace orvel::test {

class Canvas {
 public:
  Canvas(int w, int h) : w_(w), h_(h) {
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateCompatibleBitmap(dc_, w, h);
    old_ = SelectObject(dc_, bitmap_);
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }
  gdi::Surface& surface() const { return *gdi::SurfaceOf(dc_); }
  COLORREF At(int x, int y) const { return gdi::ToColorRef(surface().At(x, y)); }

  // The picture as rows of '#' (not black) and '.' (black), one line per row.
  std::string Picture() const {
    std::string s;
    for (int y = 0; y < h_; ++y) {
      for (int x = 0; x < w_; ++x) s += surface().At(x, y) ? '#' : '.';
      s += '\n';
    }
    return s;
  }
  int Lit() const {
    int n = 0;
    for (uint32_t p : surface().pixels) n += p != 0;
    return n;
  }

 private:
  int w_, h_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

// Selects a white pen and the given brush for the scope of a test, then restores and deletes.
class Tools {
 public:
  Tools(HDC dc, HPEN pen, HBRUSH brush) : dc_(dc), pen_(pen), brush_(brush) {
    oldPen_ = SelectObject(dc, pen);
    oldBrush_ = SelectObject(dc, brush);
  }
  ~Tools() {
    SelectObject(dc_, oldPen_);
    SelectObject(dc_, oldBrush_);
    DeleteObject(pen_);
    DeleteObject(brush_);
  }
  Tools(const Tools&) = delete;
  Tools& operator=(const Tools&) = delete;

 private:
  HDC dc_;
  HPEN pen_;
  HBRUSH brush_;
  HGDIOBJ oldPen_, oldBrush_;
};

}  // namespace orvel::test

#endif

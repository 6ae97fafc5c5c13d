// A memory surface with a DC for the toolkit's pixel tests, and the checks they share.
#ifndef ORVEL_TESTS_DRAW_FIXTURE_H
#define ORVEL_TESTS_DRAW_FIXTURE_H

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "gdi/surface.h"
#include "pixels.h"

using orvel::test::Colour;

class DrawSurface : public ::testing::Test {
 protected:
  static constexpr int kWidth = 220;
  static constexpr int kHeight = 80;
  static constexpr uint32_t kBackground = 0x123456;  // 0x00RRGGBB, never drawn by the tests

  void SetUp() override {
    Clear();
    dc_ = orvel::gdi::CreateSurfaceDC(&surface_, 0, 0, RECT{0, 0, kWidth, kHeight});
    ASSERT_NE(dc_, nullptr);
    pen_ = CreatePen(PS_SOLID, 0, RGB(1, 2, 3));
    brush_ = CreateSolidBrush(RGB(4, 5, 6));
    SelectObject(dc_, pen_);
    SelectObject(dc_, brush_);
    live_ = orvel::gdi::LiveObjectsTotal();
  }

  void TearDown() override {
    SelectObject(dc_, GetStockObject(BLACK_PEN));
    SelectObject(dc_, GetStockObject(WHITE_BRUSH));
    DeleteObject(pen_);
    DeleteObject(brush_);
    DeleteDC(dc_);
  }

  void Clear() { std::fill(surface_.pixels.begin(), surface_.pixels.end(), kBackground); }
  // 0x00RRGGBB of one pixel (compare with Colour::Pixel).
  uint32_t At(int x, int y) const { return surface_.At(x, y); }
  int CountNot(uint32_t colour) const {
    return static_cast<int>(std::count_if(surface_.pixels.begin(), surface_.pixels.end(),
                                          [&](uint32_t p) { return p != colour; }));
  }

  // True when no object is left alive and the DC holds the pen and brush it had before.
  bool ObjectsAsOnEntry() {
    bool same = orvel::gdi::LiveObjectsTotal() == live_;
    HGDIOBJ pen = SelectObject(dc_, pen_);
    HGDIOBJ brush = SelectObject(dc_, brush_);
    return same && pen == pen_ && brush == brush_;
  }

  orvel::gdi::Surface surface_{kWidth, kHeight};
  HDC dc_ = nullptr;
  HPEN pen_ = nullptr;
  HBRUSH brush_ = nullptr;
  int live_ = 0;
};

#endif

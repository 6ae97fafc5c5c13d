#include "draw/draw.h"
#include "draw/shade.h"
#include "gdi/surface.h"

#include <gtest/gtest.h>

#include "draw_fixture.h"

namespace {

using orvel::draw::ShadeComponent;

TEST(Shade, TruncatesTheProductAndKeepsTheLowEightBits) {
  EXPECT_EQ(ShadeComponent(180, 1.2), 216);  // rounded to 216.0 before the truncation
  EXPECT_EQ(ShadeComponent(150, 1.2), 180);
  EXPECT_EQ(ShadeComponent(180, 0.8), 144);
  EXPECT_EQ(ShadeComponent(220, 1.2), 8);  // 264 wraps, it is not clamped
  EXPECT_EQ(ShadeComponent(210, 0.6f), 126);
}

TEST_F(DrawSurface, ShadedRowsRunFromTheEdgesToTheMiddleInSinglePrecision) {
  DrawShadedRows(dc_, 0, 0, 50, 40, 210, 210, 170, 0.6f, 1.0f);
  EXPECT_EQ(At(0, 0), Colour(126, 126, 102).Pixel());
  EXPECT_EQ(At(49, 0), Colour(126, 126, 102).Pixel());
  EXPECT_EQ(At(50, 0), kBackground);                    // the line's end pixel is not painted
  EXPECT_EQ(At(0, 37), Colour(126, 126, 102).Pixel());  // row 0 mirrored to bottom - 3
  EXPECT_EQ(At(0, 20), Colour(209, 209, 169).Pixel());  // the summed factor stops at 0.9999996
  EXPECT_EQ(At(0, 1), Colour(130, 130, 105).Pixel());   // 0.62
  for (int y = 38; y <= 40; ++y) EXPECT_EQ(At(10, y), kBackground) << y;
  EXPECT_TRUE(ObjectsAsOnEntry());
}

TEST_F(DrawSurface, ShadedRowsOfZeroOrNegativeHeight) {
  DrawShadedRows(dc_, 0, 10, 20, 10, 100, 100, 100, 0.5f, 1.0f);
  EXPECT_EQ(At(0, 10), Colour(50, 50, 50).Pixel());  // one row pair in the start factor
  EXPECT_EQ(At(0, 7), Colour(50, 50, 50).Pixel());
  EXPECT_EQ(CountNot(kBackground), 40);

  Clear();
  DrawShadedRows(dc_, 0, 10, 20, 9, 100, 100, 100, 0.5f, 1.0f);
  DrawShadedRows(dc_, 0, 10, 20, 4, 100, 100, 100, 0.5f, 1.0f);
  EXPECT_EQ(CountNot(kBackground), 0);
  EXPECT_TRUE(ObjectsAsOnEntry());
}

TEST_F(DrawSurface, RaisedBoxBevelsShadowAndFace) {
  DrawRaisedBox(dc_, 10, 10, 40, 30, 180, 180, 150);
  const uint32_t light = Colour(216, 216, 180).Pixel(), dark = Colour(144, 144, 120).Pixel(),
                 face = Colour(180, 180, 150).Pixel();
  EXPECT_EQ(At(10, 10), light);
  EXPECT_EQ(At(39, 11), light);
  EXPECT_EQ(At(11, 28), light);
  EXPECT_EQ(At(11, 29), dark);
  EXPECT_EQ(At(10, 30), dark);
  EXPECT_EQ(At(40, 11), dark);
  EXPECT_EQ(At(39, 12), dark);
  EXPECT_EQ(At(40, 30), dark);
  EXPECT_EQ(At(10, 31), 0u);  // the shadow
  EXPECT_EQ(At(41, 31), 0u);
  EXPECT_EQ(At(41, 11), 0u);
  EXPECT_EQ(At(41, 10), kBackground);
  EXPECT_EQ(At(42, 20), kBackground);
  EXPECT_EQ(At(12, 12), face);
  EXPECT_EQ(At(38, 28), face);
  EXPECT_EQ(At(25, 20), face);
  EXPECT_TRUE(ObjectsAsOnEntry());
}

TEST_F(DrawSurface, SunkenBoxHasFixedGreysAndNoShadow) {
  DrawSunkenBox(dc_, 10, 10, 40, 30, 200, 200, 160);
  EXPECT_EQ(At(10, 10), Colour(100, 100, 100).Pixel());
  EXPECT_EQ(At(11, 28), Colour(100, 100, 100).Pixel());
  EXPECT_EQ(At(40, 30), Colour(160, 160, 160).Pixel());
  EXPECT_EQ(At(39, 12), Colour(160, 160, 160).Pixel());
  EXPECT_EQ(At(20, 20), Colour(200, 200, 160).Pixel());
  EXPECT_EQ(At(10, 31), kBackground);
  EXPECT_EQ(At(41, 20), kBackground);
  EXPECT_TRUE(ObjectsAsOnEntry());
}

TEST_F(DrawSurface, BoxesNarrowerThanSixDrawNothing) {
  DrawRaisedBox(dc_, 10, 10, 15, 30, 180, 180, 150);
  DrawSunkenBox(dc_, 10, 10, 15, 30, 180, 180, 150);
  EXPECT_EQ(CountNot(kBackground), 0);
  DrawRaisedBox(dc_, 10, 10, 16, 30, 180, 180, 150);
  EXPECT_EQ(At(16, 30), Colour(144, 144, 120).Pixel());
  EXPECT_EQ(At(17, 31), 0u);
  EXPECT_EQ(At(12, 12), Colour(180, 180, 150).Pixel());
  Clear();
  DrawSunkenBox(dc_, 10, 10, 16, 30, 180, 180, 150);
  EXPECT_EQ(At(16, 30), Colour(160, 160, 160).Pixel());
  EXPECT_TRUE(ObjectsAsOnEntry());
}

TEST_F(DrawSurface, BoxUpsideDownIsStillDrawn) {
  DrawRaisedBox(dc_, 10, 30, 40, 10, 180, 180, 150);
  EXPECT_GT(CountNot(kBackground), 0);
  EXPECT_TRUE(ObjectsAsOnEntry());
}

}  // namespace

#include "displays/spectrum_bars.h"

#include "app/state.h"
#include "canvas.h"

#include <gtest/gtest.h>

namespace {

using orvel::test::Canvas;
using orvel::test::Colour;

const COLORREF kRed = Colour(255, 0, 0).ColorRef();

class SpectrumBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SampleStep = 8;
    InitSpectrumBars();
    canvas.Clip(kDisplayArea);
  }
  SpectrumBar& bar = SpectrumBars[1];  // x 36..49
  Canvas canvas;
};

TEST_F(SpectrumBarTest, LayoutAndStartValues) {
  EXPECT_EQ(SpectrumBars[0].left, 20);
  EXPECT_EQ(SpectrumBars[0].right, 34);
  EXPECT_EQ(SpectrumBars[31].left, 516);
  EXPECT_EQ(SpectrumBars[31].right, 530);
  for (const SpectrumBar& b : SpectrumBars) {
    EXPECT_EQ(b.top, 100);
    EXPECT_EQ(b.bottom, 300);
    EXPECT_EQ(b.fullScale, 1000.0f);
    EXPECT_EQ(b.barFall, 30.0f);
    EXPECT_EQ(b.peakFall, 10.0f);
    EXPECT_EQ(b.pixelsPerUnit, 0.2f);
    EXPECT_EQ(b.red, 255);
    EXPECT_EQ(b.peak, 0.0f);
  }
}

TEST_F(SpectrumBarTest, ValueToRowUsesTheFloatScaleJustAboveOneFifth) {
  EXPECT_EQ(BarValueToY(bar, 0), 299);
  EXPECT_EQ(BarValueToY(bar, 5), 297);
  EXPECT_EQ(BarValueToY(bar, 500), 198);
  EXPECT_EQ(BarValueToY(bar, 1000), 98);
}

TEST_F(SpectrumBarTest, RiseFillsFromTheBottomInTheBarColour) {
  DrawBar(bar, canvas.dc, 500);
  EXPECT_EQ(bar.value, 500.0f);
  EXPECT_EQ(bar.drawnValue, 500.0f);
  EXPECT_EQ(bar.peak, 500.0f);
  EXPECT_EQ(canvas.Count(kRed, 36, 198, 50, 300), 14 * 102);
  EXPECT_EQ(canvas.Count(kRed, 0, 0, 561, 411), 14 * 102);

  // Above 1000 is cut to 1000: the whole column (clipped at the display area's top).
  DrawBar(bar, canvas.dc, 5000);
  EXPECT_EQ(bar.value, 1000.0f);
  EXPECT_EQ(bar.peak, 1000.0f);
  EXPECT_EQ(canvas.Count(kRed, 36, 100, 50, 300), 14 * 200);
}

TEST_F(SpectrumBarTest, FallBlacksOutAboveTheBarAndDrawsTheNineRowMarker) {
  DrawBar(bar, canvas.dc, 500);
  DrawBar(bar, canvas.dc, 500);  // not above what is shown: a fall
  EXPECT_EQ(bar.value, 470.0f);
  EXPECT_EQ(bar.drawnValue, 470.0f);
  EXPECT_EQ(bar.peak, 490.0f);
  // The bar now reaches row 204; the marker stands on rows 191..199 above the peak row 200.
  for (int x = 36; x < 50; ++x) {
    EXPECT_EQ(canvas.At(x, 204), kRed);
    for (int y = 200; y < 204; ++y) EXPECT_EQ(canvas.At(x, y), 0u) << x << "," << y;
    for (int k = 1; k <= 9; ++k) {
      EXPECT_EQ(canvas.At(x, 190 + k), Colour(static_cast<int>(255 * k * 0.1), 0, 0).ColorRef())
          << k;
    }
    EXPECT_EQ(canvas.At(x, 190), 0u);
  }
  EXPECT_EQ(canvas.At(36, 199), Colour(229, 0, 0).ColorRef());
  EXPECT_EQ(canvas.At(50, 195), 0u);  // the marker ends before the bar's right edge
}

TEST_F(SpectrumBarTest, MarkerUsesTheLowEightBitsOfEachShade) {
  bar.red = 300;  // never set by the program: 300 * 0.9 = 270 -> 14
  bar.green = 20;
  bar.blue = 256 + 100;
  DrawBar(bar, canvas.dc, 500);
  EXPECT_EQ(canvas.At(40, 250), Colour(300 & 0xFF, 20, 100).ColorRef());
  DrawBar(bar, canvas.dc, 0);
  EXPECT_EQ(canvas.At(40, 199), Colour(270 & 0xFF, 18, 320 & 0xFF).ColorRef());
}

TEST_F(SpectrumBarTest, FallingFromFullScaleThePeakVanishesAtFifty) {
  DrawBar(bar, canvas.dc, 1000);
  for (int frame = 1; frame <= 94; ++frame) DrawBar(bar, canvas.dc, 0);
  EXPECT_EQ(bar.value, 0.0f);
  EXPECT_EQ(bar.peak, 60.0f);
  EXPECT_EQ(BarValueToY(bar, 60), 286);
  EXPECT_EQ(canvas.At(40, 285), Colour(229, 0, 0).ColorRef());
  EXPECT_EQ(canvas.At(40, 277), Colour(25, 0, 0).ColorRef());

  DrawBar(bar, canvas.dc, 0);
  EXPECT_EQ(bar.peak, 50.0f);
  EXPECT_EQ(canvas.Count(0, 36, 100, 50, 299), 14 * 199);
  EXPECT_EQ(canvas.Count(kRed, 36, 299, 50, 300), 14);  // the bottom row keeps the old bar

  for (int frame = 0; frame < 10; ++frame) DrawBar(bar, canvas.dc, 0);
  EXPECT_EQ(bar.peak, 0.0f);  // never below zero
}

TEST_F(SpectrumBarTest, RiseBelowTheOldPeakMovesThePeakDown) {
  DrawBar(bar, canvas.dc, 800);
  DrawBar(bar, canvas.dc, 0);
  DrawBar(bar, canvas.dc, 0);
  DrawBar(bar, canvas.dc, 0);  // value 710, peak 770
  DrawBar(bar, canvas.dc, 740);
  EXPECT_EQ(bar.peak, 740.0f);
  EXPECT_EQ(bar.value, 740.0f);
}

TEST_F(SpectrumBarTest, ResetForgetsTheBarWithoutDrawing) {
  DrawBar(bar, canvas.dc, 700);
  ResetBar(bar);
  EXPECT_EQ(bar.value, 0.0f);
  EXPECT_EQ(bar.drawnValue, 0.0f);
  EXPECT_EQ(bar.peak, 0.0f);
  EXPECT_EQ(canvas.Count(kRed, 36, 159, 50, 300), 14 * 141);
  // Zero after a reset is a fall: black down to row 298, no marker.
  DrawBar(bar, canvas.dc, 0);
  EXPECT_EQ(canvas.Count(0, 36, 100, 50, 299), 14 * 199);
  EXPECT_EQ(canvas.Count(kRed, 36, 299, 50, 300), 14);
}

}  // namespace

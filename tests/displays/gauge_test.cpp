#include "displays/gauge.h"

#include "app/state.h"
#include "canvas.h"

#include <gtest/gtest.h>

namespace {

using orvel::test::Canvas;
using orvel::test::Colour;

const COLORREF kWell = Colour(0, 10, 5).ColorRef();

// The gauge as start-up sets it up: scale from x 40 to 490, 4.5 pixels per unit.
class GaugeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetUpGauge(meter);
    canvas.Clip(kDisplayArea);
  }
  int DarkPixels(int l, int t, int r, int b) const {
    int n = 0;
    for (int y = t; y < b; ++y)
      for (int x = l; x < r; ++x) {
        const COLORREF c = canvas.At(x, y);
        n += GetRValue(c) + GetGValue(c) + GetBValue(c) < 300;
      }
    return n;
  }
  gauge meter{255, 0, 0};
  Canvas canvas;
};

TEST_F(GaugeTest, FaceHasLitBodyWellTicksAndLabels) {
  meter.lastValue = 42.0f;
  meter.DrawFace(canvas.dc);
  EXPECT_EQ(meter.lastValue, 0.0f);
  EXPECT_EQ(meter.scaleLength, 450);
  EXPECT_EQ(meter.ValueToX(20), 90);

  // The body brightens toward its middle: t = 1.0816 on the first row pair.
  EXPECT_EQ(canvas.At(33, 178), Colour(194, 194, 162).ColorRef());
  EXPECT_EQ(canvas.At(33, 219), Colour(194, 194, 162).ColorRef());
  EXPECT_EQ(canvas.At(33, 199), Colour(246, 246, 205).ColorRef());
  EXPECT_EQ(canvas.At(300, 205), kWell);

  // Major ticks: rows 191..193 at every 90 pixels; minor ticks: row 193 every 9 pixels.
  for (int x = 40; x <= 490; x += 90) {
    for (int y = 191; y <= 193; ++y) EXPECT_EQ(canvas.At(x, y), 0u) << x << "," << y;
    EXPECT_NE(canvas.At(x, 190), 0u) << x;
  }
  int minor = 0;
  for (int x = 40; x <= 490; x += 9) minor += canvas.At(x, 193) == 0u && canvas.At(x, 192) != 0u;
  EXPECT_EQ(minor, 51 - 6);
  EXPECT_NE(canvas.At(44, 193), 0u);

  // Labels stand on the baseline row 189, centred as four characters with leading blanks: the
  // digits lie right of their tick.
  for (int x = 40; x <= 490; x += 90) EXPECT_GT(DarkPixels(x - 2, 178, x + 14, 190), 5) << x;
  EXPECT_EQ(DarkPixels(30, 178, 39, 190), 0);
  EXPECT_EQ(DarkPixels(40, 190, 500, 191), 0);
}

TEST_F(GaugeTest, ShowValueDrawsAndErasesOnlyTheDifference) {
  meter.DrawFace(canvas.dc);
  meter.ShowValue(canvas.dc, 50);
  EXPECT_EQ(meter.lastValue, 50.0f);
  EXPECT_EQ(canvas.At(40, 197),
            Colour(153, 0, 0).ColorRef());  // from the scale's start, shaded 0.6..1.0
  EXPECT_EQ(canvas.At(264, 197), Colour(153, 0, 0).ColorRef());
  EXPECT_EQ(canvas.At(265, 197), kWell);
  EXPECT_EQ(canvas.At(100, 213), kWell);  // the strip ends on row 212

  meter.ShowValue(canvas.dc, 20);
  EXPECT_EQ(canvas.Count(0, 130, 197, 265, 213), 135 * 16);
  EXPECT_EQ(canvas.Count(0, 129, 197, 130, 213), 0);
  EXPECT_EQ(canvas.At(130, 213), kWell);
  EXPECT_EQ(canvas.At(129, 197), Colour(153, 0, 0).ColorRef());

  meter.ShowValue(canvas.dc, 50);
  EXPECT_EQ(canvas.At(130, 197), Colour(153, 0, 0).ColorRef());
  EXPECT_EQ(canvas.At(264, 212), Colour(153, 0, 0).ColorRef());
  EXPECT_EQ(canvas.Count(0, 130, 197, 265, 213), 0);
}

TEST_F(GaugeTest, FullScaleAndNegativeValuesAreIgnored) {
  meter.DrawFace(canvas.dc);
  meter.ShowValue(canvas.dc, 99.9f);
  EXPECT_EQ(meter.ValueToX(99.9f), 449);
  EXPECT_EQ(canvas.At(488, 200), canvas.At(40, 200));  // last painted column
  EXPECT_NE(canvas.At(489, 200), canvas.At(40, 200));
  const std::vector<uint32_t> before = canvas.Surface().pixels;
  meter.ShowValue(canvas.dc, 100.0f);
  meter.ShowValue(canvas.dc, -1.0f);
  EXPECT_EQ(canvas.Surface().pixels, before);
  EXPECT_EQ(meter.lastValue, 99.9f);
}

TEST_F(GaugeTest, ColourComesFromTheBarColourAndRepaintRestartsFromTheScaleStart) {
  meter.DrawFace(canvas.dc);
  meter.ShowValue(canvas.dc, 10);
  meter.barRed = 0;
  meter.barBlue = 200;
  meter.DrawFace(canvas.dc);
  EXPECT_EQ(canvas.At(45, 200), kWell);
  meter.ShowValue(canvas.dc, 10);
  EXPECT_EQ(canvas.At(40, 197), Colour(0, 0, 120).ColorRef());
}

TEST_F(GaugeTest, BeforeTheFirstFaceShowValueDrawsNothing) {
  meter.ShowValue(canvas.dc, 60);
  meter.ShowValue(canvas.dc, 10);
  EXPECT_EQ(canvas.Count(0, 0, 0, 561, 411), 561 * 411);
  meter.DrawFace(nullptr);
  EXPECT_EQ(meter.scaleLength, 0);
}

}  // namespace

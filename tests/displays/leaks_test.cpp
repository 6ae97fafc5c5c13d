// Long runs of every display leave the live GDI objects exactly where they were.
#include "displays/gauge.h"
#include "displays/graph.h"
#include "displays/pattern_cells.h"
#include "displays/pulse_sphere.h"
#include "displays/spectrum_bars.h"

#include "canvas.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <memory>

namespace {

using orvel::gdi::LiveObjectsTotal;
using orvel::test::Canvas;

// Under the address sanitizer every call costs many times more; a tenth of the run still makes
// and deletes tens of thousands of objects per display.
#if defined(__SANITIZE_ADDRESS__)
const int kSlowdown = 10;
#else
const int kSlowdown = 1;
#endif
const int kFrames = 100000 / kSlowdown;
// A sphere frame makes up to 324 objects and costs a few hundred microseconds: fewer frames
// still churn far more objects than the handle table has slots.
const int kSphereFrames = 2500 / kSlowdown;

// A small canvas keeps the rasterising cheap; the objects made per call are the same.
class LeakTest : public ::testing::Test {
 protected:
  void SetUp() override { srand(3); }
  Canvas canvas{64, 64};
};

float Noise(float top) {
  return static_cast<float>(rand() % 1000) * top / 1000.0f;
}

TEST_F(LeakTest, SpectrumBars) {
  SampleStep = 1;  // bars 2 pixels apart, all on the small canvas
  InitSpectrumBars();
  const int live = LiveObjectsTotal();
  for (int frame = 0; frame < kFrames; ++frame) {
    SpectrumBar& bar = SpectrumBars[1 + frame % 31];
    DrawBar(bar, canvas.dc, Noise(1200));
  }
  EXPECT_EQ(LiveObjectsTotal(), live);
}

TEST_F(LeakTest, ChartRecorder) {
  graph chart(180, 180, 150, 2);
  chart.right = 150;
  chart.bottom = 100;
  chart.steps = 30;
  chart.fullScale = 150.0f;
  chart.UpdateLayout(canvas.dc);
  const int live = LiveObjectsTotal();
  for (int frame = 0; frame < kFrames; ++frame) chart.Plot(canvas.dc, Noise(160) - 5);
  EXPECT_EQ(LiveObjectsTotal(), live);
}

TEST_F(LeakTest, Gauge) {
  gauge meter(255, 0, 0);
  meter.right = 60;
  meter.bottom = 50;
  meter.divisions = 5;
  meter.fullScale = 100.0f;
  const int live = LiveObjectsTotal();
  for (int frame = 0; frame < kFrames; ++frame) {
    if (frame % 1000 == 0) meter.DrawFace(canvas.dc);
    meter.ShowValue(canvas.dc, Noise(110) - 5);
  }
  EXPECT_EQ(LiveObjectsTotal(), live);
}

TEST_F(LeakTest, EveryPatternKind) {
  InitPointTables();
  InitPatternCells();
  for (int kind = kNothing; kind <= kStarRing; ++kind) {
    const int live = LiveObjectsTotal();
    PatternCell cell = PatternCells[5];
    cell.kind = kind;
    cell.rightBound = 60;
    cell.bottomBound = 60;
    cell.leftBound = 0;
    cell.topBound = 0;
    cell.originX = cell.originY = 30;
    for (int frame = 0; frame < kFrames / 7; ++frame) {
      DrawPatternCell(cell, canvas.dc, Noise(40));
      PatternSpin += 0.1f;
    }
    EXPECT_EQ(LiveObjectsTotal(), live) << kind;
  }
}

TEST_F(LeakTest, EverySphereVariant) {
  auto sphere = std::make_unique<PulseSphere>(10.0f, 32.0f, 32.0f, 0.0f);
  sphere->scaleStep = 0.2f;
  sphere->red = 255.0f;
  for (int variant = 0; variant <= 3; ++variant) {
    const int live = LiveObjectsTotal();
    for (int frame = 0; frame < kSphereFrames; ++frame) {
      Rotate(*sphere, 2.0f, 0);
      Rotate(*sphere, 2.0f, 2);
      Draw(*sphere, canvas.dc, variant, Noise(25));
    }
    EXPECT_EQ(LiveObjectsTotal(), live) << variant;
  }
}

}  // namespace

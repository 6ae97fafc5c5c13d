#include "displays/graph.h"

#include "app/state.h"
#include "canvas.h"

#include <gtest/gtest.h>

namespace {

using orvel::test::Canvas;
using orvel::test::Colour;

const COLORREF kTracePen = Colour(216, 216, 180).ColorRef();
const COLORREF kWhite = Colour(255, 255, 255).ColorRef();

// The recorder as start-up sets it up.
class GraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetUpGraph(chart);
    chart.UpdateLayout(canvas.dc);
    canvas.Clip(kDisplayArea);
  }
  graph chart{180, 180, 150, 2};
  Canvas canvas;
};

TEST_F(GraphTest, LayoutForEachSpeed) {
  EXPECT_EQ(chart.lastValue, -10.0f);
  EXPECT_EQ(chart.style, 2);
  EXPECT_EQ(chart.plotHeight, 180);
  EXPECT_EQ(chart.stepWidth, 6);
  chart.steps = 100;
  chart.UpdateLayout(canvas.dc);
  EXPECT_EQ(chart.stepWidth, 4);
  chart.steps = 30;
  chart.bottom = 300;
  chart.UpdateLayout(nullptr);  // no device context: plotHeight stays
  EXPECT_EQ(chart.stepWidth, 15);
  EXPECT_EQ(chart.plotHeight, 180);
}

TEST_F(GraphTest, ValueToPixels) {
  EXPECT_EQ(chart.ValueToY(0), 0);
  EXPECT_EQ(chart.ValueToY(149.9f), 179);
  EXPECT_EQ(chart.ValueToY(150), 180);
}

TEST_F(GraphTest, FirstPlotClearsTheNewestColumnAndDrawsNoTrace) {
  canvas.Fill(kWhite);
  chart.Plot(canvas.dc, 50);
  EXPECT_EQ(chart.lastValue, 50.0f);
  // Newest column x 493..498, rows 100..279, is black; nothing has the trace colours.
  EXPECT_EQ(canvas.Count(0, 493, 100, 499, 280), 6 * 180);
  EXPECT_EQ(canvas.Count(0, 0, 0, 561, 411), 6 * 180);
  EXPECT_EQ(canvas.Count(kTracePen, 0, 0, 561, 411), 0);
}

TEST_F(GraphTest, OutOfRangeValuesLeaveTheChartUnchanged) {
  chart.Plot(canvas.dc, 40);
  const std::vector<uint32_t> before = canvas.Surface().pixels;
  chart.Plot(canvas.dc, 150);
  chart.Plot(canvas.dc, -0.5f);
  chart.Plot(nullptr, 20);
  EXPECT_EQ(canvas.Surface().pixels, before);
  EXPECT_EQ(chart.lastValue, 40.0f);
}

TEST_F(GraphTest, SegmentAndDotContinueTheTrace) {
  chart.Plot(canvas.dc, 0);
  chart.Plot(canvas.dc, 100);  // from y 280 to y 280 - 120 = 160
  // The segment starts at xN + 2 = 495 on the old row and rises to the plot's right edge.
  int traced = 0;
  for (int y = 161; y < 280; ++y) traced += canvas.Count(kTracePen, 495, y, 500, y + 1) == 1;
  EXPECT_EQ(traced, 119);
  EXPECT_EQ(canvas.At(499, 161), kTracePen);
  EXPECT_EQ(canvas.At(499, 160), 0u);  // the end pixel is not painted
  EXPECT_EQ(canvas.Count(kTracePen, 500, 100, 561, 300), 0);
  EXPECT_EQ(chart.lastValue, 100.0f);
  // The dot on the previous point (y 280) covers the joint, left of the segment's start.
  EXPECT_GT(canvas.Count(kTracePen, 493, 278, 495, 282), 0);
}

TEST_F(GraphTest, ScrollMovesThePlotOneColumnLeft) {
  SetPixel(canvas.dc, 80, 150, kWhite);  // inside the plot, right of x0 + stepWidth
  SetPixel(canvas.dc, 73, 160, kWhite);  // the leftmost column: overwritten
  SetPixel(canvas.dc, 60, 170, kWhite);  // left of the plot: stays
  chart.Plot(canvas.dc, 10);
  EXPECT_EQ(canvas.At(74, 150), kWhite);
  EXPECT_EQ(canvas.At(80, 150), 0u);
  EXPECT_EQ(canvas.At(73, 160), 0u);
  EXPECT_EQ(canvas.At(60, 170), kWhite);
  // The trace of 70 more frames has moved 70 columns of 6 pixels.
  for (int i = 0; i < 70; ++i) chart.Plot(canvas.dc, 10);
  EXPECT_EQ(canvas.Count(kWhite, 73, 100, 499, 280), 0);
}

TEST_F(GraphTest, FastSpeedDrawsAThirteenPixelSegment) {
  chart.steps = 30;
  chart.UpdateLayout(canvas.dc);
  chart.Plot(canvas.dc, 50);
  chart.Plot(canvas.dc, 50);  // flat at y = 280 - 60 = 220
  const int xN = 73 + 30 * 15;
  EXPECT_EQ(canvas.Count(kTracePen, xN + 4, 220, xN + 15, 221), 11);  // right of the dot
  EXPECT_EQ(canvas.At(xN + 15, 220), 0u);
}

TEST_F(GraphTest, BeforeTheFirstLayoutWithADeviceContextNothingIsTraced) {
  graph fresh{180, 180, 150, 2};
  SetUpGraph(fresh);
  fresh.UpdateLayout(nullptr);
  canvas.Fill(kWhite);
  fresh.Plot(canvas.dc, 50);
  fresh.Plot(canvas.dc, 120);
  // plotHeight is 0: every point lies on the base line y 280.
  EXPECT_EQ(canvas.Count(kTracePen, 0, 0, 561, 278), 0);
}

}  // namespace

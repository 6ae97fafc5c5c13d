#include "displays/pattern_cells.h"

#include "app/state.h"
#include "canvas.h"

#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>

namespace {

using orvel::test::Canvas;
using orvel::test::Colour;

TEST(PatternTables, PointsUsePiAsTwentyTwoSevenths) {
  InitPointTables();
  const float triangle[3][2] = {{1.0000f, 0.0000f}, {-0.5007f, 0.8656f}, {-0.4985f, -0.8669f}};
  const float star[10][2] = {{1.0000f, 0.0000f},   {0.4044f, 0.2940f},   {0.3085f, 0.9512f},
                             {-0.1549f, 0.4754f},  {-0.8096f, 0.5870f},  {-0.5000f, -0.0006f},
                             {-0.8081f, -0.5890f}, {-0.1537f, -0.4758f}, {0.3109f, -0.9504f},
                             {0.4052f, -0.2930f}};
  for (int i = 0; i < 3; ++i)
    for (int c = 0; c < 2; ++c) EXPECT_NEAR(TrianglePoints[i][c], triangle[i][c], 5e-5) << i;
  for (int i = 0; i < 10; ++i)
    for (int c = 0; c < 2; ++c) EXPECT_NEAR(StarPoints[i][c], star[i][c], 5e-5) << i;
  EXPECT_FLOAT_EQ(DegToRad, 0.0174603183f);
}

TEST(PatternCellsInit, StartValuesAndColoursFromTheRandomSequence) {
  srand(7);
  int expected[32][3];
  for (auto& rgb : expected)
    for (int& c : rgb) c = rand() % 200 + 50;
  srand(7);
  InitPatternCells();
  for (int j = 0; j < 32; ++j) {
    const PatternCell& cell = PatternCells[j];
    EXPECT_EQ(cell.red, expected[j][0]);
    EXPECT_EQ(cell.green, expected[j][1]);
    EXPECT_EQ(cell.blue, expected[j][2]);
    EXPECT_EQ(cell.originX, 276);
    EXPECT_EQ(cell.originY, 175);
    EXPECT_EQ(cell.decay, j < 5 ? 18 : 12);
    EXPECT_EQ(cell.rightBound, 530);
    EXPECT_EQ(cell.leftBound, 20);
    EXPECT_EQ(cell.bottomBound, 300);
    EXPECT_EQ(cell.topBound, 100);
    EXPECT_EQ(cell.heading, j * 11.25f);
    EXPECT_EQ(cell.travel, 30.0f);
    EXPECT_EQ(cell.speed, 30.0f);
    EXPECT_EQ(cell.kind, kNothing);
    EXPECT_EQ(cell.size, 0.0f);
    EXPECT_EQ(cell.x, 0);
  }
}

class PatternCellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitPointTables();
    PatternSpin = 0.0f;
    srand(1);
    InitPatternCells();
    cell = PatternCells[6];  // decay 12
    cell.red = 200;
    cell.green = 100;
    cell.blue = 50;
    canvas.Clip(kDisplayArea);
  }
  // A cell at rest at (x, y) heading right, that will not move this frame.
  void PlaceAt(int x, int y) {
    cell.originX = x;
    cell.originY = y;
    cell.heading = 0.0f;
    cell.travel = 0.0f;
    cell.speed = 0.0f;
  }
  PatternCell cell;
  Canvas canvas;
  const COLORREF color = Colour(200, 100, 50).ColorRef();
};

TEST_F(PatternCellTest, SizeJumpsToALoudBandThenDecaysToTheDot) {
  cell.kind = kCircle;
  DrawPatternCell(cell, canvas.dc, 40);
  EXPECT_EQ(cell.size, 40.0f);
  DrawPatternCell(cell, canvas.dc, 5);
  EXPECT_EQ(cell.prevSize, 40.0f);
  EXPECT_EQ(cell.size, 28.0f);
  DrawPatternCell(cell, canvas.dc, 0);
  EXPECT_EQ(cell.size, 16.0f);
  DrawPatternCell(cell, canvas.dc, 0);
  EXPECT_EQ(cell.size, 3.0f);  // 4 is below 10
  DrawPatternCell(cell, canvas.dc, 3);
  EXPECT_EQ(cell.size, 3.0f);
}

TEST_F(PatternCellTest, MotionFollowsTheHeadingFromTheOrigin) {
  // Cell 6 starts at heading 67.5 degrees, 30 pixels out; a frame adds 3.
  DrawPatternCell(cell, canvas.dc, 0);
  EXPECT_EQ(cell.prevX, 0);
  EXPECT_EQ(cell.prevY, 0);
  EXPECT_FLOAT_EQ(cell.travel, 33.0f);
  const double h = 67.5 * 22 / 7 / 180;
  EXPECT_EQ(cell.x, static_cast<int>(cos(h) * 33 + 276));
  EXPECT_EQ(cell.y, static_cast<int>(sin(h) * 33 + 175));
  EXPECT_EQ(cell.x, 288);
  EXPECT_EQ(cell.y, 205);
}

TEST_F(PatternCellTest, WallsReflectTheHeadingAndStartARunOnePixelInside) {
  PlaceAt(528, 200);  // 528 > 530 - 3 - 1
  DrawPatternCell(cell, canvas.dc, 0);
  EXPECT_EQ(cell.heading, 180.0f);
  EXPECT_EQ(cell.originX, 527);
  EXPECT_EQ(cell.originY, 200);
  EXPECT_EQ(cell.travel, 0.0f);
  EXPECT_EQ(cell.x, 528);  // not corrected

  PlaceAt(100, 101);
  cell.heading = 270.0f;
  DrawPatternCell(cell, canvas.dc, 0);  // 101 < 100 + 3 + 1
  EXPECT_EQ(cell.heading, 90.0f);
  EXPECT_EQ(cell.originY, 102);
}

TEST_F(PatternCellTest, CornerTurnsTheHeadingRoundAndNudgesInYOnly) {
  PlaceAt(526, 296);
  cell.heading = 45.0f;
  cell.speed = 30.0f;
  DrawPatternCell(cell, canvas.dc, 0);
  EXPECT_EQ(cell.x, 528);
  EXPECT_EQ(cell.y, 298);
  EXPECT_EQ(cell.heading, 225.0f);
  EXPECT_EQ(cell.originX, 528);
  EXPECT_EQ(cell.originY, 297);
}

TEST_F(PatternCellTest, AQuietBandIsADotThreePixelsAcross) {
  cell.kind = kCircle;
  PlaceAt(300, 200);
  DrawPatternCell(cell, canvas.dc, 0);
  EXPECT_EQ(canvas.Count(color, 290, 190, 310, 210), canvas.Count(color, 298, 198, 301, 201));
  EXPECT_GE(canvas.Count(color, 298, 198, 301, 201), 5);
  EXPECT_EQ(canvas.At(299, 199), color);
}

TEST_F(PatternCellTest, RingsHaveABlackMiddleAndTheEraseDiscCoversThePreviousBody) {
  cell.kind = kRing;
  PlaceAt(300, 200);
  DrawPatternCell(cell, canvas.dc, 60);  // body radius 30, hole radius 20
  EXPECT_EQ(canvas.At(300, 200), 0u);
  EXPECT_EQ(canvas.At(319, 200), 0u);
  EXPECT_EQ(canvas.At(325, 200), color);
  EXPECT_EQ(canvas.At(300, 175), color);
  EXPECT_EQ(canvas.At(300, 169), 0u);

  cell.originX = 400;  // jump away; the erase disc of radius 40 removes the old ring
  DrawPatternCell(cell, canvas.dc, 0);
  EXPECT_EQ(canvas.Count(color, 260, 160, 341, 241), 0);
  EXPECT_GT(canvas.Count(color, 370, 170, 431, 231), 0);
}

TEST_F(PatternCellTest, TrianglesAndStarsTurnWithTheSharedSpin) {
  cell.kind = kTriangle;
  PlaceAt(300, 200);
  DrawPatternCell(cell, canvas.dc, 60);
  EXPECT_EQ(canvas.At(328, 200), color);  // the point at 0 degrees, radius 30
  EXPECT_EQ(canvas.At(285, 200), color);
  EXPECT_NE(canvas.At(299, 175), color);

  Canvas turned;
  turned.Clip(kDisplayArea);
  PatternSpin = static_cast<float>(-M_PI / 2);  // the point now faces up
  cell.size = 0.0f;
  DrawPatternCell(cell, turned.dc, 60);
  EXPECT_EQ(turned.At(299, 175), color);
  EXPECT_NE(turned.At(328, 200), color);
}

TEST_F(PatternCellTest, EveryKindDrawsItsShapeAndKindNothingOnlyMoves) {
  const int kinds[] = {kCircle, kRing, kTriangle, kTriangleRing, kStar, kStarRing};
  int area[7] = {};
  for (int kind : kinds) {
    Canvas c;
    cell.kind = kind;
    cell.size = 0.0f;
    PlaceAt(300, 200);
    DrawPatternCell(cell, c.dc, 90);
    area[kind] = c.Count(color, 240, 140, 361, 261);
    // Rings have a black centre, filled shapes a coloured one.
    EXPECT_EQ(c.At(300, 200) == color, kind % 2 == 1) << kind;
  }
  EXPECT_GT(area[kCircle], area[kTriangle]);
  EXPECT_GT(area[kCircle], area[kRing]);
  EXPECT_GT(area[kTriangle], area[kTriangleRing]);
  EXPECT_GT(area[kStar], area[kStarRing]);
  EXPECT_GT(area[kStarRing], 0);

  Canvas c;
  cell.kind = kNothing;
  cell.size = 0.0f;
  cell.speed = 30.0f;
  DrawPatternCell(cell, c.dc, 90);
  EXPECT_EQ(c.Count(0, 0, 0, 561, 411), 561 * 411);
  EXPECT_EQ(cell.x, 303);
  EXPECT_EQ(cell.size, 90.0f);
}

TEST_F(PatternCellTest, OversizedShapeMeetingBothWallsOfAPairKeepsItsHeading) {
  PlaceAt(276, 200);
  cell.heading = 90.0f;
  cell.speed = 10.0f;
  DrawPatternCell(cell, canvas.dc, 120);  // y 200 is below 300 - 121 and above 100 + 121
  EXPECT_EQ(cell.y, 200);
  EXPECT_EQ(cell.heading, 90.0f);
  EXPECT_EQ(cell.travel, 0.0f);
  EXPECT_EQ(cell.originY, 201);  // set by the top wall, the last test that held
}

}  // namespace

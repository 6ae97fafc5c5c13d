#include "displays/pulse_sphere.h"

#include "app/state.h"
#include "canvas.h"

#include <gtest/gtest.h>

#include <math.h>

#include <memory>

namespace {

using orvel::test::Canvas;
using orvel::test::Colour;

const COLORREF kGreen = Colour(0, 200, 0).ColorRef();
const COLORREF kPale = Colour(150, 150, 100).ColorRef();
const COLORREF kWhite = Colour(255, 255, 255).ColorRef();

double Radius(const SpherePoint& p) {
  return sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
}

// The pixel of a shell point, as the sphere projects it.
COLORREF PixelOf(const Canvas& c, const SpherePoint& p) {
  return c.At(static_cast<int>(276.0 + p.x), static_cast<int>(175.0 + p.y));
}

TEST(PulseSphereModel, StaticSphereIsBuiltAtRadiusTenTiltedThirtyDegrees) {
  const PulseSphere& s = ThePulseSphere;
  EXPECT_EQ(s.centreX, 276.0f);
  EXPECT_EQ(s.centreY, 175.0f);
  EXPECT_EQ(s.scale, 1.0f);
  for (const auto& row : s.model)
    for (const SpherePoint& p : row) EXPECT_NEAR(Radius(p), 10.0, 1e-4);
  // Row 0 lies on the circle through the poles at phi 0: (0, 10, 0) turned by alpha about z.
  const double alpha = 30.0 * 22 / 7 / 180;
  EXPECT_NEAR(s.model[0][0].x, -10 * sin(alpha), 1e-5);
  EXPECT_NEAR(s.model[0][0].y, 10 * cos(alpha), 1e-5);
  // Row 9 (phi 90) is the pole on the x axis before the tilt, shared by every column.
  for (int k = 1; k < 18; ++k) {
    EXPECT_NEAR(s.model[9][k].x, s.model[9][0].x, 0.02);  // cos 90 is not quite 0 with 22/7
    EXPECT_NEAR(s.model[9][k].y, s.model[9][0].y, 0.02);
  }
}

class PulseSphereTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sphere->scaleStep = 0.2f;
    sphere->green = 200.0f;
    canvas.Clip(kDisplayArea);
  }
  std::unique_ptr<PulseSphere> sphere = std::make_unique<PulseSphere>(10.0f, 276.0f, 175.0f, 0.0f);
  Canvas canvas;
};

TEST_F(PulseSphereTest, RotateTurnsAboutEachAxisAndIgnoresOthers) {
  const SpherePoint before = sphere->model[3][4];
  Rotate(*sphere, 10.0f, 3);
  Rotate(*sphere, 10.0f, -1);
  EXPECT_EQ(sphere->model[3][4].x, before.x);
  EXPECT_EQ(sphere->model[3][4].z, before.z);

  Rotate(*sphere, 10.0f, 0);
  EXPECT_EQ(sphere->model[3][4].x, before.x);
  const double a = 10.0 * 22 / 7 / 180;
  EXPECT_NEAR(sphere->model[3][4].y, before.y * cos(a) - before.z * sin(a), 1e-5);
  EXPECT_NEAR(sphere->model[3][4].z, before.y * sin(a) + before.z * cos(a), 1e-5);

  const SpherePoint mid = sphere->model[3][4];
  Rotate(*sphere, 10.0f, 1);
  EXPECT_EQ(sphere->model[3][4].y, mid.y);
  EXPECT_NEAR(sphere->model[3][4].x, mid.x * cos(a) + mid.z * sin(a), 1e-5);
  Rotate(*sphere, 90.0f, 2);
  EXPECT_NEAR(Radius(sphere->model[3][4]), 10.0, 1e-4);
}

TEST_F(PulseSphereTest, ScaleGrowsBySixStepsAndFallsBackToRest) {
  Draw(*sphere, canvas.dc, 0, 0.0f);
  EXPECT_EQ(sphere->scale, 1.0f);  // silence rests at 1
  Draw(*sphere, canvas.dc, 0, 25.0f);
  EXPECT_FLOAT_EQ(sphere->scale, 2.2f);
  Draw(*sphere, canvas.dc, 0, 25.0f);
  EXPECT_FLOAT_EQ(sphere->scale, 3.4f);
  Draw(*sphere, canvas.dc, 0, 3.4f);  // equal to the scale: shrinks
  EXPECT_FLOAT_EQ(sphere->scale, 3.2f);
  for (int i = 0; i < 20; ++i) Draw(*sphere, canvas.dc, 0, 0.0f);
  EXPECT_EQ(sphere->scale, 1.0f);
  EXPECT_NEAR(Radius(sphere->inner[5][5]), 10.0, 1e-4);
  EXPECT_NEAR(Radius(sphere->outer[5][5]), 16.0, 1e-4);
  EXPECT_EQ(sphere->inner[5][5].color, kGreen);
}

TEST_F(PulseSphereTest, DotsMarkFrontPointsOnBothShells) {
  Draw(*sphere, canvas.dc, 0, 0.0f);
  int front = 0;
  for (int r = 0; r < 36; ++r)
    for (int k = 0; k < 18; ++k) {
      const SpherePoint& p = sphere->inner[r][k];
      const SpherePoint& q = sphere->outer[r][k];
      if (p.z > 0) continue;
      ++front;
      EXPECT_EQ(PixelOf(canvas, p), kGreen);
      EXPECT_EQ(PixelOf(canvas, q), kGreen);
    }
  EXPECT_GT(front, 250);
  EXPECT_EQ(canvas.Count(kGreen, 0, 0, 561, 411) + canvas.Count(0, 0, 0, 561, 411), 561 * 411);
}

TEST_F(PulseSphereTest, BackPointsGetNoDotsAndNoSpikes) {
  // Turned about x, so that front and back points no longer mirror each other, and scaled up so
  // that they land on separate pixels.
  Rotate(*sphere, 35.0f, 0);
  sphere->scale = 8.0f;
  for (int variant : {0, 3}) {
    Canvas c;
    Draw(*sphere, c.dc, variant, 100.0f);
    int blackBack = 0;
    for (int r = 0; r < 36; ++r)
      for (int k = 0; k < 18; ++k) {
        const SpherePoint& p = sphere->inner[r][k];
        if (p.z > 0.5f)
          blackBack += c.At(static_cast<int>(276 + p.x), static_cast<int>(175 + p.y)) == 0u;
      }
    EXPECT_GT(blackBack, 150) << variant;
    sphere->scale = 8.0f;
  }
}

TEST_F(PulseSphereTest, SpikesRunFromInnerToOuterWithWhiteEnds) {
  sphere->scale = 8.0f;
  Draw(*sphere, canvas.dc, 3, 100.0f);
  EXPECT_GT(canvas.Count(kWhite, 0, 0, 561, 411), 200);
  EXPECT_GT(canvas.Count(kGreen, 0, 0, 561, 411), 200);
}

TEST_F(PulseSphereTest, WireNetAndChequeredBall) {
  sphere->scale = 8.0f;
  Draw(*sphere, canvas.dc, 1, 100.0f);
  const int wire = canvas.Count(kGreen, 0, 0, 561, 411);
  EXPECT_GT(wire, 500);
  EXPECT_EQ(canvas.Count(kPale, 0, 0, 561, 411), 0);

  Canvas solid;
  solid.Clip(kDisplayArea);
  sphere->scale = 8.0f;
  Draw(*sphere, solid.dc, 2, 100.0f);
  EXPECT_GT(solid.Count(kGreen, 0, 0, 561, 411), wire);
  EXPECT_GT(solid.Count(kPale, 0, 0, 561, 411), 500);
}

TEST_F(PulseSphereTest, OtherVariantsPaintNothingButStillScale) {
  Draw(*sphere, canvas.dc, 4, 25.0f);
  EXPECT_FLOAT_EQ(sphere->scale, 2.2f);
  EXPECT_EQ(canvas.Count(0, 0, 0, 561, 411), 561 * 411);
}

}  // namespace

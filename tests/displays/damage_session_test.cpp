// What a frame of each display draws is what it declares as damage: a host that presents only
// the damage shows every pixel the frame changed, and no display reaches outside its area.
#include <gtest/gtest.h>

#include <math.h>

#include <windows.h>

#include "app/handlers.h"
#include "app/state.h"
#include "audio/capture.h"
#include "audio/frame.h"
#include "resources/resource_ids.h"
#include "session.h"
#include "user/host.h"

namespace {

struct Mode {
  const char* name;
  WORD command;  // the menu command that chooses it; 0 for the sphere
  int sphereVariant;
};

// A tone that swells over the frames, its pitch changing, as 8-bit unsigned samples.
void FillFrame(int frame) {
  const double loudness = 10 + 9 * frame;
  for (int i = 0; i < 64; ++i) {
    const double v = loudness * sin(2 * M_PI * (3 + frame % 5) * i / 64.0);
    CaptureBuffer->lpData[i] = static_cast<char>(128 + lround(v));
  }
}

TEST(DisplaySession, EachFramesDamageCoversEveryChangedPixelInsideTheDisplayArea) {
  const Mode modes[] = {
      {"gauge", IDM_GAUGE, 0},
      {"dots", IDM_DOTS, 0},
      {"Bezier", IDM_ENVELOPE, 0},
      {"extents", IDM_EXTENTS, 0},
      {"slow chart", IDM_SLOW_CHART, 0},
      {"fast chart", IDM_FAST_CHART, 0},
      {"bars", IDM_BARS, 0},
      {"circles", IDM_CIRCLES, 0},
      {"rings", IDM_RINGS, 0},
      {"triangles", IDM_TRIANGLES, 0},
      {"tri-rings", IDM_TRIANGLE_RINGS, 0},
      {"stars", IDM_STARS, 0},
      {"star rings", IDM_STAR_RINGS, 0},
      {"sphere 0", 0, 0},
      {"sphere 1", 0, 1},
      {"sphere 2", 0, 2},
      {"sphere 3", 0, 3},
  };
  orvel::test::Session session;
  session.UseDemo();
  session.CloseAbout();
  session.StopFrames(1.0);
  bool ran = false;
  session.OnWindowThread(1.5, [&] {
    orvel::gdi::Surface& s = *orvel::user::TopLevelSurface(MainWindow);
    const RECT area = kDisplayArea;
    for (const Mode& mode : modes) {
      if (mode.command != 0) {
        HandleCommand(MAKEWPARAM(mode.command, 0), 0);
      } else {
        DisplayMode = kModeSphere;
        SphereVariant = mode.sphereVariant;
      }
      UpdateWindow(MainWindow);
      int changed = 0;
      for (int frame = 0; frame < 13; ++frame) {
        FillFrame(frame);
        s.ClearDamage();
        const std::vector<uint32_t> before = s.pixels;
        ProcessFrame();
        for (int y = 0; y < s.height; ++y) {
          for (int x = 0; x < s.width; ++x) {
            if (s.At(x, y) == before[static_cast<size_t>(y) * s.width + x]) continue;
            ++changed;
            ASSERT_TRUE(s.IsDamaged(x, y)) << mode.name << " frame " << frame << " changed (" << x
                                           << ", " << y << ") outside its damage";
          }
        }
        for (const RECT& r : s.DamageRects()) {
          EXPECT_TRUE(r.left >= area.left && r.top >= area.top && r.right <= area.right &&
                      r.bottom <= area.bottom)
              << mode.name << " damages " << r.left << "," << r.top << "-" << r.right << ","
              << r.bottom;
        }
      }
      EXPECT_GT(changed, 0) << mode.name << " drew nothing";
    }
    ran = true;
  });
  session.Close(1.6);
  EXPECT_EQ(session.Run().exitCode, 0);
  EXPECT_TRUE(ran);
}

}  // namespace

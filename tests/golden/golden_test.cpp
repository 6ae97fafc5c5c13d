// Each display as the program draws it from the built-in demo music: the whole program runs on
// the headless host under the virtual clock, the display is chosen as its command would choose
// it, and after a fixed number of frames the window is compared with the golden picture.
//
// ORVEL_UPDATE_GOLDEN=1 writes the pictures of this run into the source tree instead: the golden
// pictures here, and the README's pictures in docs/displays.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <functional>
#include <ostream>
#include <string>

#include <windows.h>

#include "app/handlers.h"
#include "app/state.h"
#include "displays/pattern_cells.h"
#include "resources/resource_ids.h"
#include "png_compare.h"
#include "session.h"

namespace {

using orvel::gdi::Surface;
using orvel::test::Session;

// Frames come every 33 ms of virtual time; the display is chosen at 32 s, in the demo's loud and
// bright part, and the window captured about 92 frames later.
const double kChooseAt = 32.0;
const double kCaptureAt = kChooseAt + 92 * 0.033;

// The whole window is kept, but only the display area (kDisplayArea), where the displays draw,
// is compared: the window's chrome is tested with the painting. Channels may differ a little
// (glyph antialiasing); only a few pixels may differ more.
const int kTolerance = 24;
const int kMaxDifferentPixels = 40;

struct Golden {
  const char* name;
  std::function<void()> choose;  // runs on the window's thread
  const char* doc;               // the display's picture in docs/displays, or null
};

void PrintTo(const Golden& golden, std::ostream* os) {
  *os << golden.name;
}

void Command(int id) {
  PostMessageA(MainWindow, WM_COMMAND, id, 0);
}
void Press(HWND button) {
  HandleCommand(MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}
void PressTimes(HWND* button, int times) {
  for (int i = 0; i < times; ++i) Press(*button);
}

// The program seeds rand() from the wall clock; the patterns' colours and the random kinds are
// fixed here by giving the cells their start-up values again from a fixed seed.
void FixedPatternCells() {
  srand(2024);
  InitPatternCells();
}

Surface Capture(const Golden& golden) {
  Session session;
  Surface picture;
  session.UseDemo();
  session.CloseAbout();
  session.OnWindowThread(kChooseAt, golden.choose);
  session.Snapshot(kCaptureAt, &picture);
  session.Close(kCaptureAt + 0.05);
  EXPECT_EQ(session.Run().exitCode, 0);
  return picture;
}

std::string SourcePath(const char* name) {
  return std::string(ORVEL_GOLDEN_DIR "/") + name + ".png";
}
std::string OutPath(const char* name, const char* kind) {
  return std::string(ORVEL_GOLDEN_OUT "/") + name + "." + kind + ".png";
}

class GoldenPicture : public ::testing::TestWithParam<Golden> {};

TEST_P(GoldenPicture, MatchesTheKeptPicture) {
  const Golden& golden = GetParam();
  const Surface actual = Capture(golden);
  ASSERT_EQ(actual.width, 561);
  ASSERT_EQ(actual.height, 411);

  const char* update = getenv("ORVEL_UPDATE_GOLDEN");
  if (update != nullptr && update[0] == '1') {
    ASSERT_TRUE(orvel::gdi::WritePng(actual, SourcePath(golden.name).c_str(), 9));
    if (golden.doc != nullptr) {
      const std::string doc = std::string(ORVEL_DOCS_DIR "/") + golden.doc + ".png";
      ASSERT_TRUE(orvel::gdi::WritePng(actual, doc.c_str(), 9));
    }
    return;
  }

  Surface expected;
  const bool have = orvel::test::ReadPng(SourcePath(golden.name), &expected);
  const orvel::test::Difference d =
      have ? orvel::test::Compare(expected, actual, kDisplayArea, kTolerance)
           : orvel::test::Difference{};
  const bool ok = have && d.sameSize && d.pixels <= kMaxDifferentPixels;
  if (!ok) {
    orvel::gdi::WritePng(actual, OutPath(golden.name, "actual").c_str());
    if (d.sameSize) orvel::gdi::WritePng(d.map, OutPath(golden.name, "diff").c_str());
  }
  ASSERT_TRUE(have) << "no golden picture " << SourcePath(golden.name) << "; this run's is "
                    << OutPath(golden.name, "actual");
  EXPECT_TRUE(d.sameSize);
  EXPECT_LE(d.pixels, kMaxDifferentPixels)
      << "largest channel difference " << d.largest << "; see " << OutPath(golden.name, "actual")
      << " and " << OutPath(golden.name, "diff");
}

INSTANTIATE_TEST_SUITE_P(
    Displays, GoldenPicture,
    ::testing::Values(Golden{"spectrum_bars", [] { Press(BarsButton); }, "spectrum_bars"},
                      Golden{"chart", [] { Command(IDM_SLOW_CHART); }, "chart"},
                      Golden{"gauge", [] { Press(GaugeButton); }, "gauge"},
                      Golden{"patterns",
                             [] {
                               FixedPatternCells();
                               Press(RandomButton);
                             },
                             "patterns"},
                      Golden{"sphere_dots", [] {}, nullptr},
                      Golden{"sphere_net", [] { PressTimes(&SphereButton, 1); }, nullptr},
                      Golden{"sphere_solid", [] { PressTimes(&SphereButton, 2); }, "sphere"},
                      Golden{"sphere_spikes", [] { PressTimes(&SphereButton, 3); }, nullptr}),
    [](const ::testing::TestParamInfo<Golden>& info) { return std::string(info.param.name); });

}  // namespace

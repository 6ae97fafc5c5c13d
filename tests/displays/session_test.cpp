// The displays as the running program drives them: frames draw bars and cells 1..31 only, and
// the random-patterns command gives each cell its own kind.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <set>

#include <windows.h>

#include "app/handlers.h"
#include "app/state.h"
#include "displays/pattern_cells.h"
#include "displays/spectrum_bars.h"
#include "host/headless.h"
#include "session.h"

namespace {

void Press(HWND button) {
  HandleCommand(MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

TEST(DisplaySession, BarZeroAndCellZeroAreNeverDrawnAndRandomKindsVary) {
  orvel::test::Session session;
  session.UseDemo();
  session.CloseAbout();
  int barZeroPixels = -1, otherBarPixels = 0;
  session.OnWindowThread(8.0, [] { Press(BarsButton); });
  session.OnWindowThread(10.0, [&] {
    const orvel::gdi::Surface& s = *orvel::headless::WindowSurface(MainWindow);
    barZeroPixels = 0;
    for (int y = 100; y < 300; ++y)
      for (int x = 20; x < 52; ++x) (x < 34 ? barZeroPixels : otherBarPixels) += s.At(x, y) != 0;
    EXPECT_EQ(SpectrumBars[0].drawnValue, 0.0f);
  });
  session.OnWindowThread(10.1, [] {
    srand(99);
    Press(RandomButton);
  });
  session.OnWindowThread(12.0, [] {
    std::set<int> kinds;
    for (const PatternCell& cell : PatternCells) {
      EXPECT_GE(cell.kind, kCircle);
      EXPECT_LE(cell.kind, kStarRing);
      kinds.insert(cell.kind);
    }
    EXPECT_GE(kinds.size(), 4u);
    // Cell 0 takes the command but keeps its start-up place; the others have flown.
    EXPECT_EQ(PatternCells[0].x, 0);
    EXPECT_EQ(PatternCells[0].travel, 30.0f);
    EXPECT_EQ(PatternCells[0].prevSize, 0.0f);
    for (int i = 1; i < 32; ++i) EXPECT_NE(PatternCells[i].x, 0) << i;
  });
  session.Close(12.1);
  EXPECT_EQ(session.Run().exitCode, 0);
  EXPECT_EQ(barZeroPixels, 0);
  EXPECT_GT(otherBarPixels, 0);
}

}  // namespace

// Commands and button presses, run in a session: the handler is called on the window's thread
// as a button's WM_COMMAND would call it, and the posted display commands go through the queue.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include <windows.h>

#include "app/handlers.h"
#include "app/state.h"
#include "displays/gauge.h"
#include "displays/graph.h"
#include "displays/pattern_cells.h"
#include "displays/spectrum_bars.h"
#include "gdi/surface.h"
#include "host/headless.h"
#include "session.h"

namespace {

using orvel::test::Session;

void Press(HWND button) {
  HandleCommand(MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

// Runs the steps on the window's thread one after another, 50 ms of virtual time apart, so
// that what a step posts is handled before the next one; frames are stopped first.
void RunSteps(std::vector<std::function<void()>> steps) {
  Session session;
  session.CloseAbout();
  session.StopFrames(0.2);
  double t = 0.5;
  for (auto& step : steps) {
    session.OnWindowThread(t, step);
    t += 0.05;
  }
  session.Close(t);
  EXPECT_EQ(session.Run().exitCode, 0);
}

uint32_t PixelAt(int x, int y) {
  return orvel::headless::WindowSurface(MainWindow)->At(x, y);
}

TEST(Commands, DisplayButtonsPostTheirCommandAndBlankTwice) {
  bool blankedByClick = false, modeAfterClick = false, blankedByPosted = false;
  int modeAfterPosted = -1;
  RunSteps({
      [&] {
        DisplayMode = 10;  // frames would draw nothing anyway
        SetPixel(WindowDC, 300, 150, RGB(255, 255, 255));
        Press(DotsButton);
        blankedByClick = PixelAt(300, 150) == 0;
        modeAfterClick = DisplayMode == 10;  // the click only posts 11842
        SetPixel(WindowDC, 300, 150, RGB(255, 255, 255));
      },
      [&] {
        modeAfterPosted = DisplayMode;
        blankedByPosted = PixelAt(300, 150) == 0;
      },
  });
  EXPECT_TRUE(blankedByClick);
  EXPECT_TRUE(modeAfterClick);
  EXPECT_EQ(modeAfterPosted, 0);
  EXPECT_TRUE(blankedByPosted);
}

TEST(Commands, EveryDisplayButtonSelectsItsDisplay) {
  struct Case {
    HWND* button;
    int mode;
    int kind;  // PatternKind for mode 7, else -1
  };
  const std::vector<Case> cases = {
      {&DotsButton, 0, -1},  {&EnvelopeButton, 1, -1}, {&ExtentsButton, 2, -1},
      {&GaugeButton, 5, -1}, {&BarsButton, 6, -1},     {&CirclesButton, 7, 1},
      {&RingsButton, 7, 2},  {&TrianglesButton, 7, 3}, {&TriRingsButton, 7, 4},
      {&StarsButton, 7, 5},  {&StarRingsButton, 7, 6},
  };
  std::vector<std::function<void()>> steps;
  std::vector<int> modes, kinds;
  for (const Case& c : cases) {
    steps.push_back([&c] { Press(*c.button); });
    steps.push_back([&] {
      modes.push_back(DisplayMode);
      kinds.push_back(PatternCells[0].kind);
    });
  }
  RunSteps(steps);
  ASSERT_EQ(modes.size(), cases.size());
  for (size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(modes[i], cases[i].mode) << "case " << i;
    if (cases[i].kind >= 0) {
      EXPECT_EQ(kinds[i], cases[i].kind) << "case " << i;
    }
  }
}

TEST(Commands, RandomPatternsAndTheChartCommands) {
  bool kindsInRange = true;
  int randomMode = -1, slowMode = -1, slowSteps = -1, fastMode = -1, fastSteps = -1;
  int slowWidth = -1, fastWidth = -1;
  RunSteps({
      [] { Press(RandomButton); },
      [&] {
        randomMode = DisplayMode;
        for (const PatternCell& cell : PatternCells)
          kindsInRange &= cell.kind >= 1 && cell.kind <= 6;
        HandleCommand(11845, 0);
        slowMode = DisplayMode;
        slowSteps = TheGraph->steps;
        slowWidth = TheGraph->stepWidth;
        HandleCommand(11846, 0);
        fastMode = DisplayMode;
        fastSteps = TheGraph->steps;
        fastWidth = TheGraph->stepWidth;
      },
  });
  EXPECT_EQ(randomMode, 7);
  EXPECT_TRUE(kindsInRange);
  EXPECT_EQ(slowMode, 3);
  EXPECT_EQ(slowSteps, 100);
  EXPECT_EQ(slowWidth, 4);
  EXPECT_EQ(fastMode, 4);
  EXPECT_EQ(fastSteps, 30);
  EXPECT_EQ(fastWidth, 15);
}

TEST(Commands, ColourCycleGoesThroughNineEntriesAndBack) {
  std::vector<int> indices;
  int gaugeRed = -1, gaugeGreen = -1, barGreen = -1;
  bool patternColoursInRange = true;
  std::vector<std::function<void()>> steps;
  for (int press = 0; press < 9; ++press) {
    steps.push_back([&, press] {
      Press(ColorCycleButton);
      indices.push_back(ColorIndex);
      if (press == 0) {
        gaugeRed = TheGauge->barRed;
        gaugeGreen = TheGauge->barGreen;
        barGreen = SpectrumBars[31].green;
      }
      for (const PatternCell& c : PatternCells) {
        patternColoursInRange &= c.red >= 50 && c.red < 250 && c.green >= 50 && c.green < 250 &&
                                 c.blue >= 50 && c.blue < 250;
      }
    });
  }
  RunSteps(steps);
  EXPECT_EQ(indices, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 0}));
  EXPECT_EQ(gaugeRed, 0);  // entry 1 is green
  EXPECT_EQ(gaugeGreen, 255);
  EXPECT_EQ(barGreen, 255);
  EXPECT_TRUE(patternColoursInRange);
}

TEST(Commands, SphereButtonCyclesTheVariantAndSelectsTheSphere) {
  std::vector<int> variants, modes;
  std::vector<std::function<void()>> steps;
  for (int press = 0; press < 5; ++press) {
    steps.push_back([&] {
      DisplayMode = 0;
      Press(SphereButton);
      variants.push_back(SphereVariant);
      modes.push_back(DisplayMode);
    });
  }
  RunSteps(steps);
  EXPECT_EQ(variants, (std::vector<int>{1, 2, 3, 0, 1}));
  EXPECT_EQ(modes, (std::vector<int>{8, 8, 8, 8, 8}));
}

TEST(Commands, SpeedIsClampedAndPageClicksChangeNothing) {
  std::vector<int> speeds;
  bool barsFollow = true;
  int scrollPosition = -1;
  auto scroll = [](int code, int times) {
    for (int i = 0; i < times; ++i) HandleSpeedScroll(MAKEWPARAM(code, 0));
  };
  auto record = [&] {
    speeds.push_back(SpeedSetting);
    for (int i = 0; i < 32; ++i) {
      barsFollow &= SpectrumBars[i].barFall == static_cast<float>(SpeedSetting);
      barsFollow &=
          SpectrumBars[i].peakFall == static_cast<float>(static_cast<float>(SpeedSetting) * 0.33);
      barsFollow &= PatternCells[i].speed == static_cast<float>(SpeedSetting);
    }
  };
  RunSteps({[&] {
    scroll(SB_LINERIGHT, 1);
    record();  // 31
    scroll(SB_LINERIGHT, 30);
    record();  // 50
    scroll(SB_PAGELEFT, 3);
    scroll(SB_THUMBTRACK, 1);
    record();  // 50
    scroll(SB_LINELEFT, 60);
    record();  // 1
    scroll(SB_PAGERIGHT, 2);
    scroll(SB_THUMBPOSITION, 1);
    record();  // 1
    scrollPosition = static_cast<int>(SendMessageA(SpeedScrollBar, SBM_GETPOS, 0, 0));
  }});
  EXPECT_EQ(speeds, (std::vector<int>{31, 50, 50, 1, 1}));
  EXPECT_EQ(scrollPosition, 1);
  EXPECT_TRUE(barsFollow);
}

TEST(Commands, ClockButtonGoesThroughThreeStages) {
  std::vector<int> stages, modes;
  std::vector<std::function<void()>> steps;
  for (int press = 0; press < 3; ++press) {
    steps.push_back([&] {
      if (stages.empty()) DisplayMode = 6;
      Press(ClockButton);
      stages.push_back(ClockStage);
      modes.push_back(DisplayMode);
    });
  }
  RunSteps(steps);
  EXPECT_EQ(stages, (std::vector<int>{1, 2, 0}));
  EXPECT_EQ(modes, (std::vector<int>{6, 10, 1}));
}

TEST(Commands, KeypadCollectsTwoDigits) {
  std::vector<int> entered, counts;
  auto key = [](int digit) { Press(KeypadButtons[digit == 0 ? 9 : digit - 1]); };
  RunSteps({[&] {
    key(0);
    counts.push_back(TrackEntryCount);
    key(7);
    counts.push_back(TrackEntryCount);
    entered.push_back(EnteredTrack);
    key(0);
    key(0);
    entered.push_back(EnteredTrack);
    key(4);
    key(2);
    entered.push_back(EnteredTrack);
  }});
  EXPECT_EQ(counts, (std::vector<int>{1, 0}));
  EXPECT_EQ(entered, (std::vector<int>{7, 0, 42}));
}

// A double-click on a keypad button arrives as a click and a double-click notification: the
// digit is typed twice. Keypad button 3 (the digit 3) stands at (65, 310), 15 x 15.
TEST(Commands, DoubleClickOnTheKeypadTypesTheDigitTwice) {
  Session session;
  int entered = -1, count = -1;
  session.CloseAbout();
  session.DoubleClick(0.5, 72, 317);
  session.OnWindowThread(0.7, [&] {
    entered = EnteredTrack;
    count = TrackEntryCount;
  });
  session.Close(0.8);
  session.Run();
  EXPECT_EQ(entered, 33);
  EXPECT_EQ(count, 0);
}

// Without a CD device PREV, PLAY and NEXT each say so; STOP and PAUSE fail silently; the keypad
// never plays because the track count is 0.
TEST(Commands, CdButtonsWithoutACdDevice) {
  Session session;
  std::vector<int> tracks;
  session.CloseAbout();
  session.Click(0.5, 50, 20);   // STOP
  session.Click(0.6, 115, 20);  // PAUSE
  session.Click(0.7, 180, 20);  // PREV
  session.OnWindowThread(0.8, [&] { tracks.push_back(CurrentTrack); });
  session.Click(0.9, 245, 20);  // PLAY
  session.Click(1.0, 310, 20);  // NEXT
  session.OnWindowThread(1.1, [&] {
    tracks.push_back(CurrentTrack);
    tracks.push_back(CdPlaying);
  });
  session.Click(1.2, 32, 317);  // keypad 1
  session.Click(1.3, 32, 317);
  session.Close(1.5);
  const orvel::test::Result result = session.Run();
  ASSERT_EQ(result.messageBoxes.size(), 4u);  // the open message, then three play failures
  for (size_t i = 1; i < 4; ++i) {
    EXPECT_EQ(result.messageBoxes[i].text, "Could not Play CD");
    EXPECT_EQ(result.messageBoxes[i].caption, "Orvel");
  }
  EXPECT_EQ(tracks, (std::vector<int>{0, 1, 1}));
}

}  // namespace

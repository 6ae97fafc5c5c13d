// Button presses and display commands (WM_COMMAND) and the speed scroll bar (WM_HSCROLL).
#include <stdio.h>
#include <stdlib.h>

#include "app/handlers.h"
#include "app/state.h"
#include "draw/draw.h"
#include "cd/cd_audio.h"
#include "displays/gauge.h"
#include "displays/graph.h"
#include "displays/pattern_cells.h"
#include "displays/spectrum_bars.h"
#include "resources/resource_ids.h"

namespace {

char DigitText[16];

// A command from a control carries its handle; posted display commands carry 0, which must
// not match a control that failed to be created.
bool From(LPARAM lParam, HWND control) {
  return control != nullptr && reinterpret_cast<HWND>(lParam) == control;
}

void SetPatternKinds(int kind) {
  for (PatternCell& cell : PatternCells) cell.kind = kind;
}

void SetChartSteps(int steps) {
  TheGraph->steps = steps;
  TheGraph->UpdateLayout(WindowDC);
}

// The display commands of the menu template (IDM_DOTS..IDM_RANDOM_PATTERNS).
void ApplyDisplayCommand(int id) {
  switch (id) {
    case IDM_DOTS:
      DisplayMode = kModeDots;
      break;
    case IDM_EXTENTS:
      DisplayMode = kModeExtents;
      break;
    case IDM_ENVELOPE:
      DisplayMode = kModeBezier;
      break;
    case IDM_SLOW_CHART:
      DisplayMode = kModeSlowChart;
      SetChartSteps(100);
      break;
    case IDM_FAST_CHART:
      DisplayMode = kModeFastChart;
      SetChartSteps(30);
      break;
    case IDM_GAUGE:
      DisplayMode = kModeGauge;
      break;
    case IDM_BARS:
      DisplayMode = kModeBars;
      break;
    case IDM_CIRCLES:
    case IDM_RINGS:
    case IDM_TRIANGLES:
    case IDM_TRIANGLE_RINGS:
    case IDM_STARS:
    case IDM_STAR_RINGS:
      DisplayMode = kModePatterns;
      // The six shape commands are in PatternKind's order, from circle to star ring.
      SetPatternKinds(kCircle + (id - IDM_CIRCLES));
      break;
    case IDM_RANDOM_PATTERNS:
      DisplayMode = kModePatterns;
      for (PatternCell& cell : PatternCells) cell.kind = rand() % 6 + 1;
      break;
    default:
      break;
  }
}

void CycleColour() {
  ColorIndex = ColorIndex + 1 > 8 ? 0 : ColorIndex + 1;
  const COLORREF col = ColorTable[ColorIndex];
  const int r = col & 0xFF, g = (col >> 8) & 0xFF, b = (col >> 16) & 0xFF;
  TheGauge->barRed = r;
  TheGauge->barGreen = g;
  TheGauge->barBlue = b;
  for (int i = 0; i < 32; ++i) {
    SpectrumBars[i].red = r;
    SpectrumBars[i].green = g;
    SpectrumBars[i].blue = b;
    PatternCells[i].red = rand() % 200 + 50;
    PatternCells[i].green = rand() % 200 + 50;
    PatternCells[i].blue = rand() % 200 + 50;
  }
}

void BlankStatusAndDisplay() {
  SelectClip(kStatusClip);
  FillRect(WindowDC, &kCommandBlankBox, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SelectDisplayClip();
}

// First press: the date line; second: the big clock too; third: both off and the Bezier trace.
void CycleClock() {
  ClockStage = ClockStage + 1;
  if (ClockStage > 2) {
    ClockStage = 0;
    DisplayMode = kModeBezier;
  }
  if (ClockStage == 2) DisplayMode = kModeBigClock;
  BlankStatusAndDisplay();
}

// One keypad text in the status strip, in the keypad's face and colour.
void DrawKeypadText(int left, const char* text) {
  DrawOpaqueText(WindowDC, left, 48, 470, 75, "Ariel", 18, 0, -1, text, 0, 0, 0, 0, 250, 170);
}

void TypeDigit(int digit) {
  SelectClip(kKeypadClip);
  snprintf(DigitText, sizeof DigitText, "%d", digit);
  if (TrackEntryCount == 0) {
    FirstDigit = digit;
    DrawKeypadText(370, DigitText);
  } else if (TrackEntryCount == 1) {
    SecondDigit = digit;
    DrawKeypadText(380, DigitText);
  }
  SelectDisplayClip();
  TrackEntryCount = TrackEntryCount + 1;
  if (TrackEntryCount <= 1) return;
  TrackEntryCount = 0;
  EnteredTrack = FirstDigit * 10 + SecondDigit;
  if (EnteredTrack > 0 &&
      CdTrackCount(MainWindow, CdDeviceId) >= static_cast<DWORD>(EnteredTrack)) {
    CdPlayTrack(MainWindow, CdDeviceId, EnteredTrack);
  }
  SelectClip(kKeypadClip);
  DrawKeypadText(370, "- ");
  DrawKeypadText(380, "- ");
  SelectDisplayClip();
}

void PreviousTrack() {
  CdPlaying = 1;
  const DWORD count = CdTrackCount(MainWindow, CdDeviceId);
  CurrentTrack = CurrentTrack - 1;
  if (CurrentTrack < 1) CurrentTrack = static_cast<int>(count);
  CdPlayTrack(MainWindow, CdDeviceId, CurrentTrack);
}

void NextTrack() {
  CdPlaying = 1;
  const DWORD count = CdTrackCount(MainWindow, CdDeviceId);
  CurrentTrack = CurrentTrack + 1;
  if (CurrentTrack > static_cast<int>(count)) CurrentTrack = 1;
  CdPlayTrack(MainWindow, CdDeviceId, CurrentTrack);
}

struct DisplayButton {
  HWND* handle;
  int command;
};

const DisplayButton kDisplayButtons[] = {
    {&DotsButton, IDM_DOTS},
    {&EnvelopeButton, IDM_ENVELOPE},
    {&ExtentsButton, IDM_EXTENTS},
    {&BarsButton, IDM_BARS},
    {&CirclesButton, IDM_CIRCLES},
    {&RingsButton, IDM_RINGS},
    {&TrianglesButton, IDM_TRIANGLES},
    {&TriRingsButton, IDM_TRIANGLE_RINGS},
    {&StarsButton, IDM_STARS},
    {&StarRingsButton, IDM_STAR_RINGS},
    {&RandomButton, IDM_RANDOM_PATTERNS},
    {&GaugeButton, IDM_GAUGE},
};

}  // namespace

void HandleCommand(WPARAM wParam, LPARAM lParam) {
  // The notification code is not looked at: a double-click counts as a second press.
  ApplyDisplayCommand(LOWORD(wParam));
  if (From(lParam, ColorCycleButton)) CycleColour();
  if (From(lParam, SphereButton)) {
    SphereVariant = SphereVariant + 1 > 3 ? 0 : SphereVariant + 1;
    DisplayMode = kModeSphere;
  }
  if (From(lParam, ClockButton)) CycleClock();
  for (int k = 0; k < 10; ++k) {
    if (From(lParam, KeypadButtons[k])) TypeDigit(k == 9 ? 0 : k + 1);
  }
  if (From(lParam, StopButton)) CdStop(MainWindow, CdDeviceId);
  if (From(lParam, PauseButton)) CdPauseResume(MainWindow, CdDeviceId);
  if (From(lParam, PrevButton)) PreviousTrack();
  if (From(lParam, PlayButton)) {
    CdPlaying = 1;
    CdPlayTrack(MainWindow, CdDeviceId, CurrentTrack);
  }
  if (From(lParam, NextButton)) NextTrack();
  for (const DisplayButton& button : kDisplayButtons) {
    if (From(lParam, *button.handle)) PostMessageA(MainWindow, WM_COMMAND, button.command, 0);
  }
  // Every command repaints the window without erasing and blanks the display area.
  InvalidateRect(MainWindow, nullptr, FALSE);
  FillRect(WindowDC, &kCommandBlankBox, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

void HandleSpeedScroll(WPARAM wParam) {
  const int code = LOWORD(wParam);
  if (code == SB_LINELEFT) SpeedSetting = SpeedSetting - 1;
  if (code == SB_LINERIGHT) SpeedSetting = SpeedSetting + 1;
  if (SpeedSetting > 50) SpeedSetting = 50;
  if (SpeedSetting < 1) SpeedSetting = 1;
  SendMessageA(SpeedScrollBar, SBM_SETPOS, SpeedSetting, TRUE);
  for (int i = 0; i < 32; ++i) {
    SpectrumBars[i].barFall = static_cast<float>(SpeedSetting);
    SpectrumBars[i].peakFall = static_cast<float>(SpectrumBars[i].barFall * 0.33);
    PatternCells[i].speed = static_cast<float>(SpeedSetting);
  }
}

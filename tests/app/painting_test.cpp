// The window's chrome, the button faces and the clock tick, checked on the window's pixels.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <string>

#include <windows.h>

#include "app/handlers.h"
#include "app/state.h"
#include "gdi/surface.h"
#include "host/headless.h"
#include "pixels.h"
#include "session.h"

namespace {

using orvel::gdi::Surface;
using orvel::test::Colour;
using orvel::test::Session;

int CountColour(const Surface& s, int left, int top, int right, int bottom, uint32_t colour) {
  int n = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) n += s.At(x, y) == colour;
  }
  return n;
}

// Pixels darker than (60, 60, 60) in every component: black text, antialiased.
int CountDark(const Surface& s, int left, int top, int right, int bottom) {
  int n = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      const uint32_t p = s.At(x, y);
      n += (p >> 16 & 0xFF) < 60 && (p >> 8 & 0xFF) < 60 && (p & 0xFF) < 60;
    }
  }
  return n;
}

int CountNonBlack(const Surface& s, int left, int top, int right, int bottom) {
  return (right - left) * (bottom - top) - CountColour(s, left, top, right, bottom, 0);
}

int CountColour(const Surface& s, const RECT& area, uint32_t colour) {
  return CountColour(s, area.left, area.top, area.right, area.bottom, colour);
}

int CountNonBlack(const Surface& s, const RECT& area) {
  return CountNonBlack(s, area.left, area.top, area.right, area.bottom);
}

// The window after start-up, with frames stopped and the display blank (mode 10 draws nothing).
Surface QuietWindow() {
  Session session;
  Surface picture;
  session.CloseAbout();
  session.StopFrames(0.2);
  session.OnWindowThread(0.3, [] {
    DisplayMode = kModeBigClock;
    InvalidateRect(MainWindow, nullptr, TRUE);
  });
  session.Snapshot(0.5, &picture);
  session.Close(0.6);
  session.Run();
  return picture;
}

TEST(Painting, ChromeOfTheWindow) {
  const Surface s = QuietWindow();
  ASSERT_EQ(s.width, 561);
  // Panels: the raised bevel's light edge (180 x 1.2) and black shadow; shaded inside.
  EXPECT_EQ(s.At(5, 0), Colour(216, 216, 180).Pixel());
  EXPECT_EQ(s.At(5, 411 - 1 - 0), s.At(5, 410));
  EXPECT_EQ(s.At(200, 3),
            Colour(126, 126, 102).Pixel());  // first shaded row: 0.6 of (210, 210, 170)
  EXPECT_EQ(s.At(5, 336), Colour(126, 126, 102).Pixel());
  // The status strip and the display area between the panels are black.
  EXPECT_EQ(CountNonBlack(s, kDisplayArea), 0);
  // Title in yellow, its black shadow 3 pixels right and below.
  int yellow = 0, shadowed = 0;
  for (int y = 0; y < 36; ++y) {
    for (int x = 430; x < 557; ++x) {
      if (s.At(x, y) != Colour(255, 250, 0).Pixel()) continue;
      ++yellow;
      // Where the shifted copy is not itself covered by the title, it is the shadow.
      if (s.At(x + 3, y + 3) == 0) ++shadowed;
    }
  }
  EXPECT_GT(yellow, 100);
  EXPECT_GT(shadowed, 10);
  // "Speed Control" in black on the bottom panel.
  EXPECT_GT(CountDark(s, 345, 371, 470, 386), 30);
  // The keypad placeholders "- " in (0, 250, 170) on black.
  EXPECT_GT(CountColour(s, 370, 48, 420, 75, Colour(0, 250, 170).Pixel()), 4);
}

// A picture is XORed onto the face: a figure pixel is the face's inverse. STOP's picture is a
// white block at (14..25, 3..13) of the picture, placed at (10, 5) raised and (11, 6) pressed
// on the button at (20, 8).
TEST(Painting, ButtonFacesRaisedAndPressed) {
  Session session;
  Surface raised, pressed;
  session.CloseAbout();
  session.StopFrames(0.2);
  session.Snapshot(0.5, &raised);
  session.At(0.6, [] { orvel::headless::MouseDown(MainWindow, 50, 20); });
  session.Snapshot(0.7, &pressed);
  session.At(0.8, [] { orvel::headless::MouseUp(MainWindow, 50, 20); });
  session.Close(0.9);
  session.Run();

  // Raised: light bevel at the top-left; the figure's first pixel (44, 16) inverted against
  // the face beside it on the same row.
  EXPECT_EQ(raised.At(21, 8), Colour(240, 240, 192).Pixel());
  EXPECT_EQ(raised.At(44, 16), raised.At(30, 16) ^ 0xFFFFFFu);
  EXPECT_EQ(raised.At(43, 16), raised.At(30, 16));
  // Pressed: sunken dark grey bevel, the figure one pixel right and down.
  EXPECT_EQ(pressed.At(21, 8), Colour(100, 100, 100).Pixel());
  EXPECT_EQ(pressed.At(45, 17), pressed.At(30, 17) ^ 0xFFFFFFu);
  EXPECT_EQ(pressed.At(44, 17), pressed.At(30, 17));
}

// The lit columns of the date line (left of the keypad digits at 375); -1 when none.
void LitColumns(const Surface& s, int* first, int* last) {
  *first = *last = -1;
  for (int x = 20; x < 373; ++x) {
    for (int y = 48; y < 76; ++y) {
      if (s.At(x, y) == 0) continue;
      if (*first < 0) *first = x;
      *last = x;
    }
  }
}

// Pixel width of a text in the date line's font.
int TextWidth(const char* text) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = CreateFontA(22, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Ariel");
  HGDIOBJ previous = SelectObject(dc, font);
  SIZE size = {};
  GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &size);
  SelectObject(dc, previous);
  DeleteObject(font);
  DeleteDC(dc);
  return size.cx;
}

void Press(HWND button) {
  HandleCommand(0, reinterpret_cast<LPARAM>(button));
}

// Timer 1 ticks every second from when capture starts (0.1 s after the About box closes);
// the virtual clock starts on Sunday 6 December 2026 at 08:16:00.
TEST(Painting, ClockTickDrawsNothingUntilTheClockIsOnThenTheDateAndBigClock) {
  Session session;
  Surface before, date, amber, green;
  session.CloseAbout();
  session.StopFrames(0.2);
  session.Snapshot(3.5, &before);
  session.OnWindowThread(3.6, [] { Press(ClockButton); });
  session.Snapshot(4.5, &date);
  session.OnWindowThread(4.6, [] { Press(ClockButton); });
  session.Snapshot(5.5, &amber);
  session.OnWindowThread(5.6, [] { Press(ColorCycleButton); });
  session.Snapshot(6.5, &green);
  session.Close(6.6);
  session.Run();

  EXPECT_EQ(CountNonBlack(before, 20, 48, 360, 76), 0);

  int first = 0, last = 0;
  LitColumns(date, &first, &last);
  const int width = TextWidth("Sunday, 6 December, 2026, 08:16:04");
  EXPECT_NEAR(first, 33, 2);
  EXPECT_NEAR(last, 33 + width - 1, 3);
  EXPECT_EQ(CountNonBlack(date, kDisplayArea), 0);  // no big clock in stage 1

  const uint32_t amberPixel = Colour(226, 176, 42).Pixel(), greenPixel = Colour(0, 255, 0).Pixel();
  EXPECT_GT(CountColour(amber, kDisplayArea, amberPixel), 500);
  EXPECT_GT(CountColour(green, kDisplayArea, greenPixel), 500);
  EXPECT_EQ(CountColour(green, kDisplayArea, amberPixel), 0);
}

}  // namespace

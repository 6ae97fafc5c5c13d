// A long run leaks nothing: 10,000 frames in each oscilloscope mode and an hour of clock
// ticks (date, big clock, track strip and CD position) leave the live GDI objects and heap
// blocks where start-up left them.
#include <gtest/gtest.h>

#include <string.h>

#include <windows.h>

#include "app/handlers.h"
#include "app/state.h"
#include "audio/capture.h"
#include "audio/frame.h"
#include "gdi/surface.h"
#include "kernel/heap.h"
#include "session.h"

namespace {

using orvel::test::Session;

struct Counts {
  int gdi = -1;
  int heap = -1;
  bool operator==(const Counts& o) const { return gdi == o.gdi && heap == o.heap; }
};

Counts Take() {
  return {orvel::gdi::LiveObjectsTotal(), orvel::kernel::LiveHeapBlocks()};
}

void Press(HWND button) {
  HandleCommand(0, reinterpret_cast<LPARAM>(button));
}

TEST(Leaks, FramesAndAnHourOfClockTicksLeaveNothingBehind) {
  Session session;
  Counts start, afterFrames, afterHour;
  session.CloseAbout();
  session.StopFrames(0.2);
  session.OnWindowThread(0.5, [&] {
    start = Take();
    unsigned seed = 1;
    for (int mode = kModeDots; mode <= kModeExtents; ++mode) {
      DisplayMode = mode;
      for (int frame = 0; frame < 10000; ++frame) {
        for (int i = 0; i < 64; ++i) {
          seed = seed * 1103515245u + 12345u;
          CaptureBuffer->lpData[i] = static_cast<char>(seed >> 24);
        }
        ProcessFrame();
      }
    }
    afterFrames = Take();
    Press(ClockButton);  // the date line
    Press(ClockButton);  // and the big clock
    Press(PlayButton);   // the CD position on every tick (the play itself fails)
  });
  session.OnWindowThread(3601.0, [&] { afterHour = Take(); });
  session.Close(3601.1);
  EXPECT_EQ(session.Run(3700.0).exitCode, 0);
  EXPECT_EQ(afterFrames.gdi, start.gdi);
  EXPECT_EQ(afterFrames.heap, start.heap);
  EXPECT_EQ(afterHour.gdi, start.gdi);
  EXPECT_EQ(afterHour.heap, start.heap);
}

}  // namespace

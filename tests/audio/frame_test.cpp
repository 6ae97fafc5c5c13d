// Frame processing on known samples: the frame is written into the capture buffer and
// ProcessFrame called on the window's thread, with the driver's cycle stopped.
#include <gtest/gtest.h>

#include <string.h>

#include <functional>
#include <vector>

#include <windows.h>

#include "app/state.h"
#include "audio/capture.h"
#include "audio/frame.h"
#include "displays/graph.h"
#include "gdi/surface.h"
#include "host/headless.h"
#include "session.h"

namespace {

using orvel::gdi::Surface;
using orvel::test::Session;

void Fill(unsigned char raw) {
  memset(CaptureBuffer->lpData, raw, 64);
}

signed char Sample(int i) {
  return static_cast<signed char>(CaptureBuffer->lpData[i]);
}

// Runs `work` once on the window's thread after start-up, with frames stopped, in mode 10.
void WithQuietSession(std::function<void()> work) {
  Session session;
  session.CloseAbout();
  session.StopFrames(0.2);
  session.OnWindowThread(0.5, [] { DisplayMode = kModeBigClock; });
  session.OnWindowThread(0.6, work);
  session.Close(0.7);
  EXPECT_EQ(session.Run().exitCode, 0);
}

const Surface& Window() {
  return *orvel::headless::WindowSurface(MainWindow);
}

uint32_t Amber() {
  return orvel::gdi::ToPixel(ColorTable[0]);
}

TEST(Frames, ConversionAndScalingOfTheSamples) {
  std::vector<int> scaled, unscaled, untouched;
  WithQuietSession([&] {
    const unsigned char raws[] = {128, 1, 0, 255};
    for (unsigned char raw : raws) {
      DisplayMode = kModeDots;
      Fill(raw);
      ProcessFrame();
      scaled.push_back(Sample(63));
      DisplayMode = kModeBars;
      Fill(raw);
      ProcessFrame();
      unscaled.push_back(Sample(0));
      DisplayMode = kModeBigClock;
      Fill(raw);
      ProcessFrame();
      untouched.push_back(static_cast<unsigned char>(CaptureBuffer->lpData[5]));
    }
  });
  EXPECT_EQ(scaled, (std::vector<int>{0, 99, -99, -99}));
  EXPECT_EQ(unscaled, (std::vector<int>{0, 127, -128, -127}));
  EXPECT_EQ(untouched, (std::vector<int>{128, 1, 0, 255}));
}

TEST(Frames, DotsOnSilenceAndFullScale) {
  Surface silence, loud;
  WithQuietSession([&] {
    DisplayMode = kModeDots;
    Fill(128);
    ProcessFrame();
    silence = Window();
    Fill(1);  // +99: dots at 200 - 99 and 200 + 99 (the lower one cut by the clip)
    ProcessFrame();
    loud = Window();
  });
  for (int i = 0; i < 64; ++i) {
    const int x = 20 + 8 * i;
    EXPECT_EQ(silence.At(x + 1, 201), Amber()) << i;  // both dots on the centre line
    EXPECT_EQ(silence.At(x + 1, 150), 0u) << i;
    EXPECT_EQ(loud.At(x + 1, 102), Amber()) << i;
    EXPECT_EQ(loud.At(x, 200), Amber()) << i;  // the centre pixel
    EXPECT_EQ(loud.At(x + 1, 201), 0u) << i;
  }
}

TEST(Frames, BezierTraceFollowsTheSamples) {
  Surface silence, high, low;
  WithQuietSession([&] {
    DisplayMode = kModeBezier;
    Fill(128);
    ProcessFrame();
    silence = Window();
    Fill(1);  // every point at y = 299
    ProcessFrame();
    high = Window();
    Fill(255);  // every point at y = 101
    ProcessFrame();
    low = Window();
  });
  for (int x = 20; x < 520; x += 7) {
    EXPECT_EQ(silence.At(x, 200), Amber()) << x;
    EXPECT_EQ(high.At(x, 299), Amber()) << x;
    EXPECT_EQ(low.At(x, 101), Amber()) << x;
    EXPECT_EQ(low.At(x, 299), 0u) << x;
  }
}

TEST(Frames, ExtentsAreStrokesAboutTheCentreLine) {
  Surface silence, up, down;
  WithQuietSession([&] {
    DisplayMode = kModeExtents;
    Fill(128);
    ProcessFrame();
    silence = Window();
    Fill(1);  // s = 99: from 101 down to 299, the end excluded
    ProcessFrame();
    up = Window();
    Fill(0);  // s = -99: from 299 up to 101, the end excluded
    ProcessFrame();
    down = Window();
  });
  for (int i = 0; i < 64; ++i) {
    const int x = 20 + 8 * i;
    EXPECT_EQ(silence.At(x, 200), Amber()) << i;
    EXPECT_EQ(silence.At(x, 199), 0u) << i;
    EXPECT_EQ(silence.At(x, 201), 0u) << i;
    EXPECT_EQ(up.At(x, 101), Amber()) << i;
    EXPECT_EQ(up.At(x, 298), Amber()) << i;
    EXPECT_EQ(up.At(x, 299), 0u) << i;
    EXPECT_EQ(down.At(x, 299), Amber()) << i;
    EXPECT_EQ(down.At(x, 101), 0u) << i;
    EXPECT_EQ(down.At(x + 1, 150), 0u) << i;
  }
}

// The held level over a sequence of frames of constant raw values, in one mode.
std::vector<float> HeldLevels(int mode, const std::vector<unsigned char>& raws) {
  std::vector<float> levels;
  DisplayMode = mode;
  for (unsigned char raw : raws) {
    Fill(raw);
    ProcessFrame();
    levels.push_back(HeldLevel);
  }
  return levels;
}

TEST(Frames, HeldLevelRisesAtOnceAndFallsByTheDecay) {
  std::vector<float> silentChart, silentGauge, steady, falling, steadyGauge;
  float chartLast = 0.0f;
  WithQuietSession([&] {
    silentChart = HeldLevels(3, {128, 128, 128, 128});
    HeldLevel = 0.0f;
    silentGauge = HeldLevels(5, {128, 128, 128, 128});
    HeldLevel = 0.0f;
    // Raw 28: s = 100, scaled 78, level 78.
    steady = HeldLevels(4, {28, 28, 28, 28});
    HeldLevel = 0.0f;
    steadyGauge = HeldLevels(5, {28, 28, 28});
    HeldLevel = 0.0f;
    // Raw 12: s = 116, scaled 90.
    falling = HeldLevels(3, {12, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128});
    chartLast = TheGraph->lastValue;
  });
  EXPECT_EQ(silentChart, (std::vector<float>{-10, 0, -10, 0}));
  EXPECT_EQ(silentGauge, (std::vector<float>{-3, 0, -3, 0}));
  EXPECT_EQ(steady, (std::vector<float>{78, 68, 78, 68}));
  EXPECT_EQ(steadyGauge, (std::vector<float>{78, 75, 78}));
  EXPECT_EQ(falling, (std::vector<float>{90, 80, 70, 60, 50, 40, 30, 20, 10, 0, -10, 0}));
  EXPECT_EQ(chartLast, 0.0f);  // the chart ignored the negative level and kept 0
}

// After the buffer is freed (as at shutdown), a frame announced earlier draws nothing.
TEST(Frames, AFrameAfterTheBufferIsFreedTouchesNothing) {
  bool freed = false;
  int before = -1, after = -1;
  WithQuietSession([&] {
    DisplayMode = kModeDots;
    before = orvel::gdi::LiveObjectsTotal();
    FreeCaptureBuffer();
    freed = CaptureBuffer == nullptr && WaveDevice == nullptr;
    SendMessageA(MainWindow, WM_WAVEFRAME, 0, 0);
    after = orvel::gdi::LiveObjectsTotal();
  });
  EXPECT_TRUE(freed);
  EXPECT_EQ(before, after);
}

// A frame handled after the clock tick has queued its buffer again: the driver owns the
// buffer, so the frame neither reads nor rewrites it and draws nothing.
TEST(Frames, AFrameWhoseBufferIsQueuedAgainIsSkipped) {
  bool queued = false;
  signed char sample = 0;
  Surface before, after;
  WithQuietSession([&] {
    DisplayMode = kModeDots;
    Fill(200);
    RequeueCapture(MainWindow);
    queued = (CaptureBuffer->dwFlags & WHDR_INQUEUE) != 0;
    before = Window();
    SendMessageA(MainWindow, WM_WAVEFRAME, 0, 0);
    sample = Sample(0);
    after = Window();
  });
  EXPECT_TRUE(queued);
  EXPECT_EQ(sample, static_cast<signed char>(200));  // not rewritten as 128 - u
  EXPECT_EQ(before.pixels, after.pixels);
}

}  // namespace

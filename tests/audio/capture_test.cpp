// The capture cycle: the callback, the buffer and a device that goes away.
#include <gtest/gtest.h>

#include <string.h>

#include <windows.h>
#include <mmsystem.h>

#include "app/state.h"
#include "audio/capture.h"
#include "host/headless.h"
#include "session.h"
#include "winmm/wave_sources.h"

namespace {

using orvel::test::Session;

TEST(Capture, TheBufferIsSixtyFourSamplesAndStaysPrepared) {
  Session session;
  DWORD length = 0, flags = 0;
  bool gotSamples = false;
  session.UseSamples(orvel::test::Constant(200));
  session.CloseAbout();
  session.OnWindowThread(1.0, [&] {
    DisplayMode = kModeBigClock;  // frames leave the samples as the driver delivered them
  });
  session.OnWindowThread(1.5, [&] {
    length = CaptureBuffer->dwBufferLength;
    flags = CaptureBuffer->dwFlags;
    gotSamples = static_cast<unsigned char>(CaptureBuffer->lpData[10]) == 200;
  });
  session.Close(1.6);
  EXPECT_EQ(session.Run().exitCode, 0);
  EXPECT_EQ(length, 64u);
  EXPECT_TRUE(flags & WHDR_PREPARED);
  EXPECT_TRUE(gotSamples);
  EXPECT_EQ(CaptureBuffer, nullptr);  // freed at WM_DESTROY
}

TEST(Capture, OnlyDataMessagesPostFrames) {
  Session session;
  int converted = 0;
  session.CloseAbout();
  session.StopFrames(0.2);
  session.OnWindowThread(0.5, [&] {
    // The callback is called here with messages that must post nothing; a WM_WAVEFRAME would
    // convert the marker samples.
    DisplayMode = kModeDots;
    memset(CaptureBuffer->lpData, 1, 64);
    WaveInCallback(WaveDevice, WIM_OPEN, reinterpret_cast<DWORD_PTR>(MainWindow), 0, 0);
    WaveInCallback(WaveDevice, WIM_CLOSE, reinterpret_cast<DWORD_PTR>(MainWindow), 0, 0);
  });
  session.OnWindowThread(0.6, [&] { converted = CaptureBuffer->lpData[0] != 1; });
  session.Close(0.7);
  session.Run();
  EXPECT_EQ(converted, 0);
}

// An unplugged device: frames stop, the user is told, the window goes on.
TEST(Capture, DeviceLossStopsFramesAndTheWindowGoesOn) {
  Session session;
  size_t boxesBefore = 0;
  bool unchanged = false, alive = false;
  session.CloseAbout();
  session.At(1.0, [&] {
    boxesBefore = orvel::headless::MessageBoxes().size();
    orvel::wave::SimulateDeviceLoss();
  });
  session.OnWindowThread(1.5, [] {
    DisplayMode = kModeDots;
    memset(CaptureBuffer->lpData, 7, 64);
  });
  session.OnWindowThread(3.0, [&] {
    unchanged = CaptureBuffer->lpData[0] == 7 && CaptureBuffer->lpData[63] == 7;
    alive = IsWindow(MainWindow) != 0;
  });
  session.Close(3.1);
  const orvel::test::Result result = session.Run();
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(unchanged);
  EXPECT_TRUE(alive);
  EXPECT_EQ(result.messageBoxes.size(), boxesBefore + 1);
}

}  // namespace

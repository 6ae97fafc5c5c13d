// Start-up order and the failures that end or shorten it, run as whole sessions.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include "app/state.h"
#include "audio/capture.h"
#include "host/headless.h"
#include "session.h"

namespace {

using orvel::test::Session;

const char kCdOpenText[] =
    "* Could not open CD Device *\n You can still use Orvel to visualise the music without the "
    "CD Player!";

struct Moment {
  bool dialogOpen = false;
  size_t boxes = 0;
  bool capturing = false;
};

Moment Observe() {
  Moment m;
  m.dialogOpen = orvel::headless::ActiveDialog() != nullptr;
  m.boxes = orvel::headless::MessageBoxes().size();
  m.capturing = CaptureBuffer != nullptr;
  return m;
}

TEST(Startup, CdMessageThenAboutBoxThenCapture) {
  Session session;
  Moment during, after;
  session.At(0.05, [&] { during = Observe(); });
  session.CloseAbout(0.1);
  session.At(0.5, [&] { after = Observe(); });
  session.Close(0.6);
  const orvel::test::Result result = session.Run();

  ASSERT_GE(result.messageBoxes.size(), 1u);
  EXPECT_EQ(result.messageBoxes[0].caption, "Orvel");
  EXPECT_EQ(result.messageBoxes[0].text, kCdOpenText);
  EXPECT_TRUE(during.dialogOpen);
  EXPECT_EQ(during.boxes, 1u);
  EXPECT_FALSE(during.capturing);
  EXPECT_FALSE(after.dialogOpen);
  EXPECT_TRUE(after.capturing);
  EXPECT_EQ(result.messageBoxes.size(), 1u);
  EXPECT_EQ(result.exitCode, 0);
}

TEST(Startup, StartsInSphereModeWithTheFirstColour) {
  Session session;
  int mode = -1, colour = -1, speed = -1;
  session.CloseAbout();
  session.At(0.5, [&] {
    mode = DisplayMode;
    colour = ColorIndex;
    speed = SpeedSetting;
  });
  session.Close(0.6);
  session.Run();
  EXPECT_EQ(mode, 8);
  EXPECT_EQ(colour, 0);
  EXPECT_EQ(speed, 30);
}

// The main window has a caption and close box only, a client area of 561 x 411, no menu.
TEST(Startup, MainWindowHasItsFixedSize) {
  Session session;
  RECT client = {}, frame = {};
  session.CloseAbout();
  session.At(0.2, [&] {
    GetClientRect(MainWindow, &client);
    GetWindowRect(MainWindow, &frame);
  });
  session.Close(0.3);
  session.Run();
  EXPECT_EQ(client.right - client.left, 561);
  EXPECT_EQ(client.bottom - client.top, 411);
  EXPECT_EQ(frame.right - frame.left, 567);
  EXPECT_EQ(frame.bottom - frame.top, 436);
}

TEST(Startup, NoInputDeviceShowsTheSystemTextAfterTheAboutBoxAndEnds) {
  Session session;
  session.UseNoDevice();
  Moment during;
  session.At(0.05, [&] { during = Observe(); });
  session.CloseAbout(0.1);
  const orvel::test::Result result = session.Run();

  EXPECT_TRUE(during.dialogOpen);
  EXPECT_EQ(during.boxes, 1u);
  ASSERT_EQ(result.messageBoxes.size(), 2u);
  EXPECT_EQ(result.messageBoxes[1].caption, "WaveDevice Info Query Failed");
  char expected[256] = {};
  ASSERT_NE(WaveStatus, static_cast<MMRESULT>(MMSYSERR_NOERROR));
  waveInGetErrorTextA(WaveStatus, expected, 254);
  EXPECT_EQ(result.messageBoxes[1].text, expected);
  EXPECT_FALSE(result.messageBoxes[1].text.empty());
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(CaptureBuffer, nullptr);
}

TEST(Startup, EscapeClosesTheAboutBoxToo) {
  Session session;
  bool capturing = false;
  session.KeyOnDialog(0.1, VK_ESCAPE);
  session.At(0.5, [&] { capturing = CaptureBuffer != nullptr; });
  session.Close(0.6);
  EXPECT_EQ(session.Run().exitCode, 0);
  EXPECT_TRUE(capturing);
}

}  // namespace

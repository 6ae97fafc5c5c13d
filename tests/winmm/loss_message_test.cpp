// A lost input is told to the user in a message box, shown by the window thread.
#include <gtest/gtest.h>

#include "host/headless.h"
#include "host/hosts.h"
#include "kernel/clock.h"
#include "recorder.h"
#include "winmm/wave_sources.h"

namespace orvel::test {
namespace {

TEST(DeviceLoss, ShowsAMessageBoxFromTheWindowThread) {
  clock::Use(clock::Mode::kVirtual);
  host::UseHeadless();
  wave::UseScriptedInput([](int64_t, uint8_t* out, int count) { memset(out, 128, count); });
  Recorder recorder;
  HWAVEIN device = nullptr;
  ASSERT_EQ(recorder.Open(&device), MMSYSERR_NOERROR);
  const size_t before = headless::MessageBoxes().size();
  wave::SimulateDeviceLoss();
  EXPECT_EQ(headless::MessageBoxes().size(), before);  // not on this thread's own call

  // The next message retrieval of the window thread shows it.
  PostMessageA(nullptr, WM_USER, 0, 0);
  MSG msg;
  ASSERT_GT(GetMessageA(&msg, nullptr, 0, 0), 0);
  const auto boxes = headless::MessageBoxes();
  ASSERT_EQ(boxes.size(), before + 1);
  EXPECT_EQ(boxes.back().caption, "Orvel");
  EXPECT_EQ(boxes.back().text,
            "The sound input went away (the device was disconnected). Orvel goes on without "
            "sound.");
  EXPECT_EQ(waveInClose(device), MMSYSERR_NOERROR);
}

}  // namespace
}  // namespace orvel::test

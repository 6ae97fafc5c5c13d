// The wave input in real time, on SDL's dummy audio driver (no sound hardware needed): a file
// heard and recorded at the pace of the output, live capture, and clock-paced scripted input.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "kernel/clock.h"
#include "recorder.h"
#include "wait_scale.h"
#include "winmm/wave_sources.h"

namespace orvel::test {
namespace {

class Live : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    clock::Use(clock::Mode::kReal);
  }

  // Waits (up to a generous limit, so a slow machine does not fail) for `count` WIM_DATA.
  bool WaitForData(size_t count) {
    for (long i = 0; i < ScaledMillis(10000) / 10 && recorder.Data().size() < count; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return recorder.Data().size() >= count;
  }

  Recorder recorder;
};

// A 16-bit mono 22050 Hz file whose sample k is k - 30000: a buffer shows where it was taken.
std::string WriteRamp() {
  const std::string path = ::testing::TempDir() + "orvel_live_ramp_" + std::to_string(getpid());
  SF_INFO info = {};
  info.samplerate = 22050;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  std::vector<int16_t> samples(60000);
  for (size_t k = 0; k < samples.size(); ++k) samples[k] = static_cast<int16_t>(k - 30000);
  sf_writef_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
  sf_close(file);
  return path;
}

TEST_F(Live, AFileIsRecordedAsItIsPlayedWithoutGaps) {
  const std::string path = WriteRamp();
  std::string error;
  ASSERT_TRUE(wave::ChooseInput(path, &error)) << error;
  HWAVEIN device = nullptr;
  ASSERT_EQ(recorder.Open(&device, 22050, 1, 16), MMSYSERR_NOERROR);
  Buffer first(128), second(128);
  for (Buffer* b : {&first, &second}) {
    waveInPrepareHeader(device, &b->header, sizeof b->header);
    waveInAddBuffer(device, &b->header, sizeof b->header);
  }
  waveInStart(device);
  ASSERT_TRUE(WaitForData(2));
  EXPECT_NE(recorder.Events().back().thread, std::this_thread::get_id());
  const int16_t* a = reinterpret_cast<const int16_t*>(first.data.data());
  const int16_t* b = reinterpret_cast<const int16_t*>(second.data.data());
  for (int i = 1; i < 64; ++i) ASSERT_EQ(a[i], a[i - 1] + 1);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(b[i], a[63] + 1 + i);
  waveInReset(device);
  EXPECT_EQ(waveInClose(device), MMSYSERR_NOERROR);
  remove(path.c_str());
}

TEST_F(Live, TheDefaultCaptureDeviceDeliversFrames) {
  std::string error;
  ASSERT_TRUE(wave::ChooseInput("default", &error));
  ASSERT_EQ(waveInGetNumDevs(), 1u);
  HWAVEIN device = nullptr;
  ASSERT_EQ(recorder.Open(&device), MMSYSERR_NOERROR);
  Buffer b(64);
  waveInPrepareHeader(device, &b.header, sizeof b.header);
  waveInAddBuffer(device, &b.header, sizeof b.header);
  waveInStart(device);
  ASSERT_TRUE(WaitForData(1));
  EXPECT_EQ(b.header.dwBytesRecorded, 64u);
  for (uint8_t sample : b.data) EXPECT_EQ(sample, 128);  // the dummy driver records silence
  EXPECT_EQ(waveInClose(device), MMSYSERR_NOERROR);
}

TEST_F(Live, WithoutAMonitorSourceMonitorIsRefusedClearly) {
  std::string error;
  EXPECT_FALSE(wave::ChooseInput("monitor", &error));
  EXPECT_EQ(error.rfind("no monitor source: ", 0), 0u) << error;
  EXPECT_NE(error.find("dummy"), std::string::npos) << error;  // names the sound system
}

TEST_F(Live, ScriptedInputIsPacedByTheClock) {
  wave::UseScriptedInput([](int64_t first, uint8_t* out, int count) { memset(out, 200, count); });
  HWAVEIN device = nullptr;
  ASSERT_EQ(recorder.Open(&device), MMSYSERR_NOERROR);
  Buffer b(64);
  waveInPrepareHeader(device, &b.header, sizeof b.header);
  waveInAddBuffer(device, &b.header, sizeof b.header);
  waveInStart(device);
  ASSERT_TRUE(WaitForData(1));
  EXPECT_EQ(b.data[63], 200);
  EXPECT_EQ(waveInClose(device), MMSYSERR_NOERROR);
}

}  // namespace
}  // namespace orvel::test

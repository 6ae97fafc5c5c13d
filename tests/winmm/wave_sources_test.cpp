// Choosing the source, and recording a file through the format conversion.
#include <gtest/gtest.h>
#include <math.h>
#include <sndfile.h>
#include <stdio.h>
#include <unistd.h>

#include <string>

#include "kernel/clock.h"
#include "recorder.h"
#include "winmm/convert.h"
#include "winmm/demo_synth.h"
#include "winmm/wave_sources.h"

namespace orvel::test {
namespace {

std::string TempPath(const std::string& name) {
  return ::testing::TempDir() + "orvel_winmm_" + std::to_string(getpid()) + "_" + name;
}

// Frame k of the test file: two different tones, even values (so that means are whole).
int16_t Tone(double hz, double amplitude, double phase, int k) {
  const double v = amplitude * 32767.0 * sin(2.0 * M_PI * hz * k / 44100.0 + phase);
  return static_cast<int16_t>(2 * lround(v / 2.0));
}
int16_t Left(int k) {
  return Tone(300.0, 0.8, 0.0, k);
}
int16_t Right(int k) {
  return Tone(470.0, 0.6, 1.0, k);
}

// A 16-bit stereo 44100 Hz WAV file of two seconds.
std::string WriteStereoFile() {
  const std::string path = TempPath("stereo.wav");
  SF_INFO info = {};
  info.samplerate = 44100;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  EXPECT_NE(file, nullptr);
  std::vector<int16_t> frames;
  for (int k = 0; k < 88200; ++k) {
    frames.push_back(Left(k));
    frames.push_back(Right(k));
  }
  sf_writef_short(file, frames.data(), 88200);
  sf_close(file);
  return path;
}

void WriteText(const std::string& path, const char* text) {
  FILE* f = fopen(path.c_str(), "w");
  ASSERT_NE(f, nullptr);
  fputs(text, f);
  fclose(f);
}

class FileInput : public ::testing::Test {
 protected:
  void SetUp() override {
    clock::Use(clock::Mode::kVirtual);
    path = WriteStereoFile();
    std::string error;
    ASSERT_TRUE(wave::ChooseInput(path, &error)) << error;
  }
  void TearDown() override { remove(path.c_str()); }

  // Records one buffer of `bytes` at virtual time `at`.
  void Record(HWAVEIN device, Buffer& b, int64_t at) {
    clock::AdvanceTo(at);
    waveInPrepareHeader(device, &b.header, sizeof b.header);
    ASSERT_EQ(waveInAddBuffer(device, &b.header, sizeof b.header), MMSYSERR_NOERROR);
    waveInStart(device);
    clock::AdvanceTo(at + 100000);
    ASSERT_TRUE(b.header.dwFlags & WHDR_DONE);
    ASSERT_EQ(b.header.dwBytesRecorded, b.data.size());
  }

  std::string path;
  Recorder recorder;
};

TEST_F(FileInput, EightBitMonoAt22050IsTheMixAtEverySecondFrame) {
  HWAVEIN device = nullptr;
  ASSERT_EQ(recorder.Open(&device), MMSYSERR_NOERROR);
  Buffer b(64);
  Record(device, b, 1000000);  // one second in: output sample 22050, source frame 44100
  for (int i = 0; i < 64; ++i) {
    const int k = 44100 + 2 * i;
    const int expected = static_cast<int>(floor((Left(k) + Right(k)) / 512.0)) + 128;
    // The anti-alias filter leaves these low tones as they are, give or take rounding.
    ASSERT_NEAR(b.data[i], expected, 1) << "sample " << i;
  }
  waveInClose(device);
}

// A tone above what 22050 Hz can hold is filtered out, not folded down into the spectrum.
TEST(FileDownsampling, RemovesWhatTheOutputRateCannotHold) {
  clock::Use(clock::Mode::kVirtual);
  const std::string path = TempPath("high.wav");
  SF_INFO info = {};
  info.samplerate = 48000;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr);
  std::vector<int16_t> samples(48000);
  for (size_t k = 0; k < samples.size(); ++k) {
    samples[k] = static_cast<int16_t>(lround(24000.0 * sin(2.0 * M_PI * 15000.0 * k / 48000.0)));
  }
  sf_writef_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
  sf_close(file);
  std::string error;
  ASSERT_TRUE(wave::ChooseInput(path, &error)) << error;

  Recorder recorder;
  HWAVEIN device = nullptr;
  ASSERT_EQ(recorder.Open(&device), MMSYSERR_NOERROR);
  Buffer b(64);
  clock::AdvanceTo(500000);
  waveInPrepareHeader(device, &b.header, sizeof b.header);
  waveInAddBuffer(device, &b.header, sizeof b.header);
  waveInStart(device);
  clock::AdvanceTo(600000);
  ASSERT_TRUE(b.header.dwFlags & WHDR_DONE);
  for (uint8_t sample : b.data) EXPECT_NEAR(sample, 128, 2);
  waveInClose(device);
  remove(path.c_str());
}

TEST_F(FileInput, SixteenBitStereoAtTheFileRateIsTheFileItself) {
  HWAVEIN device = nullptr;
  ASSERT_EQ(recorder.Open(&device, 44100, 2, 16), MMSYSERR_NOERROR);
  Buffer b(256);
  Record(device, b, 500000);  // frame 22050
  const int16_t* samples = reinterpret_cast<const int16_t*>(b.data.data());
  for (int i = 0; i < 64; ++i) {
    ASSERT_EQ(samples[2 * i], Left(22050 + i));
    ASSERT_EQ(samples[2 * i + 1], Right(22050 + i));
  }
  waveInClose(device);
}

TEST_F(FileInput, HigherRatesInterpolateBetweenFrames) {
  HWAVEIN device = nullptr;
  ASSERT_EQ(recorder.Open(&device, 88200, 1, 16), MMSYSERR_NOERROR);
  Buffer b(128);
  Record(device, b, 0);
  const int16_t* samples = reinterpret_cast<const int16_t*>(b.data.data());
  for (int i = 0; i < 32; ++i) {
    const int atFrame = (Left(i) + Right(i)) / 2;
    const int nextFrame = (Left(i + 1) + Right(i + 1)) / 2;
    ASSERT_EQ(samples[2 * i], atFrame);
    ASSERT_NEAR(samples[2 * i + 1], (atFrame + nextFrame) / 2.0, 1.0);
  }
  waveInClose(device);
}

TEST_F(FileInput, AfterTheEndOfTheFileComesSilence) {
  HWAVEIN device = nullptr;
  ASSERT_EQ(recorder.Open(&device), MMSYSERR_NOERROR);
  Buffer b(64);
  Record(device, b, 5000000);
  for (uint8_t sample : b.data) ASSERT_EQ(sample, 128);
  WAVEINCAPSA caps;
  ASSERT_EQ(waveInGetDevCapsA(WAVE_MAPPER, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_EQ(std::string(caps.szPname), path.substr(path.rfind('/') + 1).substr(0, 31));
  waveInClose(device);
}

TEST(ChooseInput, RefusesWhatIsNotReadableAudioNamingTheFile) {
  std::string error;
  const std::string missing = TempPath("missing.wav");
  EXPECT_FALSE(wave::ChooseInput(missing, &error));
  EXPECT_EQ(error.rfind("cannot read '" + missing + "': ", 0), 0u) << error;

  const std::string text = TempPath("notes.txt");
  WriteText(text, "These are not sounds.\n");
  EXPECT_FALSE(wave::ChooseInput(text, &error));
  EXPECT_EQ(error.rfind("'" + text + "' is not an audio file: ", 0), 0u) << error;
  remove(text.c_str());

  const std::string truncated = TempPath("truncated.wav");
  WriteText(truncated, "RIFF\x24\x10\0\0WAVEfmt ");
  EXPECT_FALSE(wave::ChooseInput(truncated, &error));
  EXPECT_EQ(error.rfind("'" + truncated + "' is not an audio file: ", 0), 0u) << error;
  remove(truncated.c_str());

  const std::string folder = ::testing::TempDir();
  EXPECT_FALSE(wave::ChooseInput(folder, &error));
  EXPECT_EQ(error.rfind("cannot read '" + folder + "': ", 0), 0u) << error;
}

TEST(ChooseInput, TheDemoIsRecordedAsItIsMade) {
  clock::Use(clock::Mode::kVirtual);
  std::string error;
  ASSERT_TRUE(wave::ChooseInput("demo", &error));
  Recorder recorder;
  HWAVEIN device = nullptr;
  ASSERT_EQ(recorder.Open(&device), MMSYSERR_NOERROR);
  Buffer b(64);
  clock::AdvanceTo(10000000);  // ten seconds in: sample 220500, in a loud passage
  waveInPrepareHeader(device, &b.header, sizeof b.header);
  waveInAddBuffer(device, &b.header, sizeof b.header);
  waveInStart(device);
  clock::AdvanceTo(10100000);
  ASSERT_EQ(recorder.Data().size(), 1u);
  int spread = 0;
  for (int i = 0; i < 64; ++i) {
    ASSERT_EQ(b.data[i], wave::ToPcm8(wave::DemoSample(220500 + i)));
    spread = std::max(spread, std::abs(b.data[i] - 128));
  }
  EXPECT_GT(spread, 10);
  waveInClose(device);
}

}  // namespace
}  // namespace orvel::test

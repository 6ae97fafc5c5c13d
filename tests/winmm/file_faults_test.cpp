// Audio files and streams that once broke the input: absurd rates, samples that are not
// numbers, and sources that cannot be opened twice (pipes) or are gone by the time the device
// opens (a deleted file).
#include <gtest/gtest.h>
#include <math.h>
#include <sndfile.h>
#include <stdio.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "kernel/clock.h"
#include "recorder.h"
#include "winmm/convert.h"
#include "winmm/wave_internal.h"
#include "winmm/wave_sources.h"

namespace orvel::test {
namespace {

std::string TempPath(const std::string& name) {
  return ::testing::TempDir() + "orvel_faults_" + std::to_string(getpid()) + "_" + name;
}

// A mono 16-bit WAV file's bytes: 44-byte header then the samples.
std::vector<uint8_t> WavBytes(uint32_t rate, const std::vector<int16_t>& samples) {
  std::vector<uint8_t> bytes;
  auto put = [&bytes](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  auto tag = [&bytes](const char* t) { bytes.insert(bytes.end(), t, t + 4); };
  const uint32_t data = static_cast<uint32_t>(samples.size() * 2);
  tag("RIFF"), put(36 + data, 4), tag("WAVE"), tag("fmt "), put(16, 4), put(1, 2), put(1, 2);
  put(rate, 4), put(rate * 2, 4), put(2, 2), put(16, 2), tag("data"), put(data, 4);
  for (int16_t s : samples) put(static_cast<uint16_t>(s), 2);
  return bytes;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
}

// Sample k of the tone the stream tests send: 22050 Hz, so it is recorded as it is.
int16_t Ramp(int k) {
  return static_cast<int16_t>((k % 200 - 100) * 256);
}

std::vector<int16_t> RampSamples(int count) {
  std::vector<int16_t> samples;
  for (int k = 0; k < count; ++k) samples.push_back(Ramp(k));
  return samples;
}

// Opens the device on the chosen input and records `bytes` samples at virtual time `at`.
std::vector<uint8_t> RecordAt(int64_t at, size_t bytes, MMRESULT* opened) {
  Recorder recorder;
  HWAVEIN device = nullptr;
  *opened = recorder.Open(&device);
  if (*opened != MMSYSERR_NOERROR) return {};
  Buffer b(bytes);
  clock::AdvanceTo(at);
  waveInPrepareHeader(device, &b.header, sizeof b.header);
  waveInAddBuffer(device, &b.header, sizeof b.header);
  waveInStart(device);
  clock::AdvanceTo(at + 100000);
  waveInReset(device);
  waveInUnprepareHeader(device, &b.header, sizeof b.header);
  waveInClose(device);
  return b.data;
}

TEST(SourceRates, AbsurdRatesAreRefusedNamingTheFileAndTheRange) {
  struct Case {
    uint32_t rate;
    bool accepted;
  };
  const Case cases[] = {{999, false},    {1000, true},      {44100, true},       {768000, true},
                        {768001, false}, {50000000, false}, {2147483632u, false}};
  for (const Case& c : cases) {
    const std::string path = TempPath("rate.wav");
    WriteFile(path, WavBytes(c.rate, RampSamples(100)));
    std::string error;
    EXPECT_EQ(wave::ChooseInput(path, &error), c.accepted) << c.rate << ": " << error;
    if (!c.accepted) {
      EXPECT_NE(error.find("'" + path + "'"), std::string::npos) << error;
      EXPECT_NE(error.find(std::to_string(c.rate)), std::string::npos) << error;
      EXPECT_NE(error.find("1000 to 768000"), std::string::npos) << error;
    }
    remove(path.c_str());
  }
}

TEST(SourceRates, TheConverterStaysSmallAndQuickAtAnyRate) {
  // A constant source must come out as the same constant, whatever the rate; the filter of a
  // huge rate would otherwise take gigabytes (and the test would not finish).
  for (int rate : {1, 4000, 44100, 768000, 50000000, 2147483632}) {
    for (int outRate : {4000, 22050}) {
      wave::PcmFormat fmt;
      fmt.rate = outRate;
      wave::Converter converter(rate, 1, fmt);
      const wave::FrameSpan span = converter.Span(1000, 4);
      ASSERT_LE(span.Frames(), 4 * (static_cast<int64_t>(rate) / outRate + 1) + 2048) << rate;
      std::vector<float> frames(static_cast<size_t>(span.Frames()), 0.5f);
      uint8_t out[4];
      converter.Convert(frames.data(), 1000, 4, out);
      for (uint8_t v : out) EXPECT_EQ(v, 192) << rate << " to " << outRate;
    }
  }
}

TEST(NonFiniteSamples, BecomeSilence) {
  const float values[] = {NAN, -NAN, INFINITY, -INFINITY};
  for (float v : values) {
    EXPECT_EQ(wave::ToPcm8(v), 128) << v;
    EXPECT_EQ(wave::ToPcm16(v), 0) << v;
  }
  // Through a float file, recorded by the device at the file's rate in 16 bits.
  clock::Use(clock::Mode::kVirtual);
  const std::string path = TempPath("float.wav");
  SF_INFO info = {};
  info.samplerate = 22050;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr);
  std::vector<float> samples(22050, 0.25f);
  for (size_t i = 0; i < samples.size(); i += 4) samples[i] = values[(i / 4) % 4];
  sf_command(file, SFC_SET_NORM_FLOAT, nullptr, SF_FALSE);
  sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size()));
  sf_close(file);
  std::string error;
  ASSERT_TRUE(wave::ChooseInput(path, &error)) << error;
  MMRESULT opened;
  const std::vector<uint8_t> recorded = RecordAt(0, 64, &opened);
  ASSERT_EQ(opened, MMSYSERR_NOERROR);
  for (size_t i = 0; i < recorded.size(); ++i) {
    EXPECT_EQ(recorded[i], i % 4 == 0 ? 128 : 160) << "sample " << i;
  }
  remove(path.c_str());
}

// Streams: what is read once cannot be read again.
class StreamInput : public ::testing::Test {
 protected:
  void SetUp() override {
    clock::Use(clock::Mode::kVirtual);
    wave::SetLossNotifier([this](const std::string& text) { told.push_back(text); });
  }
  void TearDown() override { wave::SetLossNotifier(nullptr); }

  // Samples 0.1 s into the ramp, as the device records them at 8 bits.
  static void ExpectRamp(const std::vector<uint8_t>& recorded) {
    ASSERT_EQ(recorded.size(), 64u);
    for (int i = 0; i < 64; ++i) {
      ASSERT_EQ(recorded[i], wave::ToPcm8(Ramp(2205 + i) / 32768.0f)) << "sample " << i;
    }
  }

  std::vector<std::string> told;
};

TEST_F(StreamInput, APipeIsReadOnceAndItsEndIsToldInWords) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const std::vector<uint8_t> bytes = WavBytes(22050, RampSamples(22050));
  std::thread writer([&] {
    EXPECT_EQ(write(fds[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fds[1]);
  });
  const std::string name = "/dev/fd/" + std::to_string(fds[0]);
  std::string error;
  ASSERT_TRUE(wave::ChooseInput(name, &error)) << error;
  close(fds[0]);  // the source holds its own descriptor
  MMRESULT opened;
  ExpectRamp(RecordAt(100000, 64, &opened));
  ASSERT_EQ(opened, MMSYSERR_NOERROR);
  writer.join();
  EXPECT_TRUE(told.empty());
  RecordAt(2000000, 64, &opened);  // past the end of the stream
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find("'" + name + "' ended"), std::string::npos) << told[0];
}

TEST_F(StreamInput, AFileDeletedAfterItWasChosenIsStillRecorded) {
  const std::string path = TempPath("deleted.wav");
  WriteFile(path, WavBytes(22050, RampSamples(22050)));
  std::string error;
  ASSERT_TRUE(wave::ChooseInput(path, &error)) << error;
  remove(path.c_str());
  MMRESULT opened;
  ExpectRamp(RecordAt(100000, 64, &opened));
  EXPECT_EQ(opened, MMSYSERR_NOERROR);
  EXPECT_TRUE(told.empty());
}

}  // namespace
}  // namespace orvel::test

// The buffer cycle of the wave-input device under the virtual clock, with scripted input.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "kernel/clock.h"
#include "recorder.h"
#include "winmm/wave_internal.h"
#include "winmm/wave_sources.h"

namespace orvel::test {
namespace {

// Scripted sample n is n * 7 modulo 256: every index gives a different run of bytes.
uint8_t Script(int64_t n) {
  return static_cast<uint8_t>((n * 7) & 0xff);
}

// 64 samples at 22050 Hz last 2902.5 microseconds: a buffer queued at t is due at t + 2903.
constexpr int64_t kBufferMicros = 2903;

class WaveCycle : public ::testing::Test {
 protected:
  void SetUp() override {
    clock::Use(clock::Mode::kVirtual);
    wave::UseScriptedInput([](int64_t first, uint8_t* out, int count) {
      for (int i = 0; i < count; ++i) out[i] = Script(first + i);
    });
    wave::SetLossNotifier([this](const std::string& text) { losses.push_back(text); });
    ASSERT_EQ(recorder.Open(&device), MMSYSERR_NOERROR);
  }
  void TearDown() override {
    waveInReset(device);
    waveInClose(device);
    wave::SetLossNotifier(nullptr);
  }

  void Queue(Buffer& b) {
    ASSERT_EQ(waveInPrepareHeader(device, &b.header, sizeof b.header), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInAddBuffer(device, &b.header, sizeof b.header), MMSYSERR_NOERROR);
  }

  static void ExpectScript(const Buffer& b, int64_t first) {
    for (size_t i = 0; i < b.data.size(); ++i) {
      ASSERT_EQ(b.data[i], Script(first + static_cast<int64_t>(i))) << "sample " << i;
    }
  }

  Recorder recorder;
  HWAVEIN device = nullptr;
  std::vector<std::string> losses;
};

TEST_F(WaveCycle, OpenSendsWimOpenAndABufferComesBackOnceFilled) {
  ASSERT_EQ(recorder.Events().size(), 1u);
  EXPECT_EQ(recorder.Events()[0].msg, static_cast<UINT>(WIM_OPEN));

  Buffer b(64);
  Queue(b);
  EXPECT_EQ(b.header.dwFlags, static_cast<DWORD>(WHDR_PREPARED | WHDR_INQUEUE));
  ASSERT_EQ(waveInStart(device), MMSYSERR_NOERROR);
  clock::AdvanceTo(kBufferMicros - 1);
  EXPECT_TRUE(recorder.Data().empty());

  clock::AdvanceTo(kBufferMicros);
  ASSERT_EQ(recorder.Data().size(), 1u);
  EXPECT_EQ(recorder.Data()[0], &b.header);
  EXPECT_NE(recorder.Events().back().thread, std::this_thread::get_id());
  EXPECT_EQ(b.header.dwFlags, static_cast<DWORD>(WHDR_PREPARED | WHDR_DONE));
  EXPECT_EQ(b.header.dwBytesRecorded, 64u);
  ExpectScript(b, 0);

  // Later adds record the source from the moment they are queued: 33 ms is sample 727.
  clock::AdvanceTo(33000);
  ASSERT_EQ(waveInAddBuffer(device, &b.header, sizeof b.header), MMSYSERR_NOERROR);
  clock::AdvanceTo(33000 + kBufferMicros);
  ASSERT_EQ(recorder.Data().size(), 2u);
  ExpectScript(b, 727);
}

TEST_F(WaveCycle, AddingAQueuedBufferIsRefusedWithoutOtherEffect) {
  Buffer b(64);
  Queue(b);
  waveInStart(device);
  const WAVEHDR before = b.header;
  EXPECT_EQ(waveInAddBuffer(device, &b.header, sizeof b.header),
            static_cast<MMRESULT>(WAVERR_STILLPLAYING));
  EXPECT_EQ(memcmp(&before, &b.header, sizeof before), 0);
  EXPECT_EQ(waveInUnprepareHeader(device, &b.header, sizeof b.header),
            static_cast<MMRESULT>(WAVERR_STILLPLAYING));
  EXPECT_EQ(waveInClose(device), static_cast<MMRESULT>(WAVERR_STILLPLAYING));

  clock::AdvanceTo(100000);
  EXPECT_EQ(recorder.Data().size(), 1u);  // one WIM_DATA per accepted add
  ExpectScript(b, 0);
}

TEST_F(WaveCycle, UnpreparedAndMalformedHeadersAreRefused) {
  Buffer b(64);
  EXPECT_EQ(waveInAddBuffer(device, &b.header, sizeof b.header),
            static_cast<MMRESULT>(WAVERR_UNPREPARED));
  EXPECT_EQ(waveInPrepareHeader(device, nullptr, sizeof b.header),
            static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
  EXPECT_EQ(waveInPrepareHeader(device, &b.header, 16), static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
  // A 32-byte header, as a 32-bit program allocates it, is enough: nothing past it is touched.
  EXPECT_EQ(waveInPrepareHeader(device, &b.header, 32), MMSYSERR_NOERROR);
  EXPECT_EQ(b.header.dwFlags, static_cast<DWORD>(WHDR_PREPARED));
  EXPECT_EQ(waveInUnprepareHeader(device, &b.header, 32), MMSYSERR_NOERROR);
  EXPECT_EQ(b.header.dwFlags, 0u);
  EXPECT_TRUE(recorder.Data().empty());
}

TEST_F(WaveCycle, QueuedBuffersRecordOneAfterAnother) {
  Buffer first(64), second(64);
  Queue(first);
  Queue(second);
  clock::AdvanceTo(10000);  // not started: nothing is recorded yet
  EXPECT_TRUE(recorder.Data().empty());
  waveInStart(device);  // at 10 ms: sample 220
  clock::AdvanceTo(10000 + 2 * kBufferMicros);
  ASSERT_EQ(recorder.Data().size(), 2u);
  EXPECT_EQ(recorder.Data()[0], &first.header);
  EXPECT_EQ(recorder.Data()[1], &second.header);
  ExpectScript(first, 220);
  ExpectScript(second, 284);
}

TEST_F(WaveCycle, ResetReturnsEveryQueuedBufferDoneInOrder) {
  Buffer first(64), second(64), third(64);
  Queue(first);
  Queue(second);
  Queue(third);
  waveInStart(device);
  clock::AdvanceTo(1000);  // 22 samples of the first buffer are in
  ASSERT_EQ(waveInReset(device), MMSYSERR_NOERROR);

  const std::vector<WAVEHDR*> data = recorder.Data();
  ASSERT_EQ(data.size(), 3u);
  EXPECT_EQ(data[0], &first.header);
  EXPECT_EQ(data[1], &second.header);
  EXPECT_EQ(data[2], &third.header);
  EXPECT_EQ(first.header.dwBytesRecorded, 22u);
  for (int i = 0; i < 22; ++i) EXPECT_EQ(first.data[i], Script(i));
  EXPECT_EQ(second.header.dwBytesRecorded, 0u);
  for (Buffer* b : {&first, &second, &third}) {
    EXPECT_EQ(b->header.dwFlags, static_cast<DWORD>(WHDR_PREPARED | WHDR_DONE));
  }
  // Nothing more arrives, and the device closes.
  clock::AdvanceTo(100000);
  EXPECT_EQ(recorder.Data().size(), 3u);
  for (Buffer* b : {&first, &second, &third}) {
    EXPECT_EQ(waveInUnprepareHeader(device, &b->header, sizeof b->header), MMSYSERR_NOERROR);
  }
  EXPECT_EQ(waveInClose(device), MMSYSERR_NOERROR);
  EXPECT_EQ(recorder.Events().back().msg, static_cast<UINT>(WIM_CLOSE));
}

TEST_F(WaveCycle, StopReturnsOnlyAPartlyRecordedBuffer) {
  Buffer first(64), second(64);
  Queue(first);
  Queue(second);
  waveInStart(device);
  clock::AdvanceTo(1000);
  ASSERT_EQ(waveInStop(device), MMSYSERR_NOERROR);
  ASSERT_EQ(recorder.Data().size(), 1u);
  EXPECT_EQ(first.header.dwBytesRecorded, 22u);
  EXPECT_TRUE(second.header.dwFlags & WHDR_INQUEUE);
  clock::AdvanceTo(50000);
  EXPECT_EQ(recorder.Data().size(), 1u);
  waveInStart(device);  // records on from 50 ms: sample 1102
  clock::AdvanceTo(50000 + kBufferMicros);
  ASSERT_EQ(recorder.Data().size(), 2u);
  ExpectScript(second, 1102);
}

TEST_F(WaveCycle, StaleAndMadeUpHandlesAreRefused) {
  ASSERT_EQ(waveInClose(device), MMSYSERR_NOERROR);
  Buffer b(64);
  for (HWAVEIN bad : {device, static_cast<HWAVEIN>(nullptr), reinterpret_cast<HWAVEIN>(0x1234)}) {
    EXPECT_EQ(waveInPrepareHeader(bad, &b.header, sizeof b.header),
              static_cast<MMRESULT>(MMSYSERR_INVALHANDLE));
    EXPECT_EQ(waveInUnprepareHeader(bad, &b.header, sizeof b.header),
              static_cast<MMRESULT>(MMSYSERR_INVALHANDLE));
    EXPECT_EQ(waveInAddBuffer(bad, &b.header, sizeof b.header),
              static_cast<MMRESULT>(MMSYSERR_INVALHANDLE));
    EXPECT_EQ(waveInStart(bad), static_cast<MMRESULT>(MMSYSERR_INVALHANDLE));
    EXPECT_EQ(waveInStop(bad), static_cast<MMRESULT>(MMSYSERR_INVALHANDLE));
    EXPECT_EQ(waveInReset(bad), static_cast<MMRESULT>(MMSYSERR_INVALHANDLE));
    EXPECT_EQ(waveInClose(bad), static_cast<MMRESULT>(MMSYSERR_INVALHANDLE));
  }
  EXPECT_EQ(b.header.dwFlags, 0u);
}

TEST_F(WaveCycle, DeviceLossStopsFramesAndTellsTheUser) {
  Buffer b(64);
  Queue(b);
  waveInStart(device);
  wave::SimulateDeviceLoss();
  clock::AdvanceTo(100000);
  EXPECT_TRUE(recorder.Data().empty());
  ASSERT_EQ(losses.size(), 1u);
  EXPECT_NE(losses[0].find("The sound input went away ("), std::string::npos);
  EXPECT_NE(losses[0].find("Orvel goes on without sound."), std::string::npos);

  // Buffers are still taken and wait; the one queued is refused as still queued.
  EXPECT_EQ(waveInAddBuffer(device, &b.header, sizeof b.header),
            static_cast<MMRESULT>(WAVERR_STILLPLAYING));
  Buffer other(64);
  Queue(other);
  clock::AdvanceTo(200000);
  EXPECT_TRUE(recorder.Data().empty());
  EXPECT_EQ(waveInGetNumDevs(), 0u);
  // They come back on reset, so that they can be freed.
  EXPECT_EQ(waveInReset(device), MMSYSERR_NOERROR);
  EXPECT_EQ(recorder.Data().size(), 2u);
  EXPECT_EQ(other.header.dwBytesRecorded, 0u);
  EXPECT_EQ(losses.size(), 1u);
  EXPECT_EQ(waveInClose(device), MMSYSERR_NOERROR);
}

TEST(WaveOpen, FormatsAndFlagsAreChecked) {
  clock::Use(clock::Mode::kVirtual);
  wave::UseScriptedInput([](int64_t, uint8_t* out, int count) { memset(out, 128, count); });
  Recorder recorder;
  HWAVEIN device = nullptr;
  EXPECT_EQ(recorder.Open(&device, 22050, 3, 8), static_cast<MMRESULT>(WAVERR_BADFORMAT));
  EXPECT_EQ(recorder.Open(&device, 22050, 1, 12), static_cast<MMRESULT>(WAVERR_BADFORMAT));
  EXPECT_EQ(recorder.Open(&device, 100, 1, 8), static_cast<MMRESULT>(WAVERR_BADFORMAT));
  EXPECT_EQ(device, nullptr);

  WAVEFORMATEX format = {WAVE_FORMAT_PCM, 1, 22050, 22050, 1, 8, 0};
  EXPECT_EQ(waveInOpen(nullptr, WAVE_MAPPER, &format, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);
  EXPECT_EQ(waveInOpen(&device, 5, &format, 0, 0, CALLBACK_NULL),
            static_cast<MMRESULT>(MMSYSERR_BADDEVICEID));
  format.nBlockAlign = 2;
  EXPECT_EQ(waveInOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL),
            static_cast<MMRESULT>(WAVERR_BADFORMAT));
  format.nBlockAlign = 1;
  format.wFormatTag = 2;
  EXPECT_EQ(waveInOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL),
            static_cast<MMRESULT>(WAVERR_BADFORMAT));
  format.wFormatTag = WAVE_FORMAT_PCM;

  // With no callback the buffer is still recorded and marked done.
  ASSERT_EQ(waveInOpen(&device, 0, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  Buffer b(64);
  waveInPrepareHeader(device, &b.header, sizeof b.header);
  waveInAddBuffer(device, &b.header, sizeof b.header);
  waveInStart(device);
  clock::AdvanceTo(kBufferMicros);
  EXPECT_EQ(b.header.dwFlags, static_cast<DWORD>(WHDR_PREPARED | WHDR_DONE));
  EXPECT_EQ(b.data[0], 128);
  EXPECT_EQ(waveInClose(device), MMSYSERR_NOERROR);
}

TEST(WaveOpen, WithNoDeviceEverythingSaysSo) {
  wave::UseNoDevice();
  EXPECT_EQ(waveInGetNumDevs(), 0u);
  WAVEINCAPSA caps;
  EXPECT_EQ(waveInGetDevCapsA(WAVE_MAPPER, &caps, sizeof caps),
            static_cast<MMRESULT>(MMSYSERR_BADDEVICEID));
  Recorder recorder;
  HWAVEIN device = nullptr;
  EXPECT_EQ(recorder.Open(&device), static_cast<MMRESULT>(MMSYSERR_BADDEVICEID));
  EXPECT_EQ(device, nullptr);
  EXPECT_TRUE(recorder.Events().empty());
}

TEST(WaveOpen, CapabilitiesNameTheSource) {
  wave::UseScriptedInput([](int64_t, uint8_t*, int) {});
  EXPECT_EQ(waveInGetNumDevs(), 1u);
  WAVEINCAPSA caps;
  memset(&caps, 0xAB, sizeof caps);
  ASSERT_EQ(waveInGetDevCapsA(WAVE_MAPPER, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_STREQ(caps.szPname, "Scripted input");
  EXPECT_TRUE(caps.dwFormats & WAVE_FORMAT_2M08);
  EXPECT_EQ(waveInGetDevCapsA(static_cast<UINT_PTR>(-1), &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_EQ(waveInGetDevCapsA(0, nullptr, sizeof caps), static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
  EXPECT_EQ(waveInGetDevCapsA(1, &caps, sizeof caps), static_cast<MMRESULT>(MMSYSERR_BADDEVICEID));
  // A short record gets only what fits.
  char small[4] = {1, 2, 3, 4};
  ASSERT_EQ(waveInGetDevCapsA(0, reinterpret_cast<LPWAVEINCAPSA>(small), 2), MMSYSERR_NOERROR);
  EXPECT_EQ(small[2], 3);
}

// --delay: the picture lags the sound by the delay. The app's cycle (a buffer handed back
// every 33 ms) sees a step in the sound, from silence to full scale at 1 s, that many frames
// later; what the device records still arrives at the same pace.
TEST(WaveDelay, EachBufferHoldsTheSoundOfTheDelayEarlier) {
  struct Case {
    int64_t delayMicros;
    int framesLater;  // than without a delay: the delay in 33 ms frames
  };
  const Case cases[] = {{0, 0}, {330000, 10}, {990000, 30}, {2000000, 60}};
  int firstLoud0 = -1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.delayMicros);
    clock::Use(clock::Mode::kVirtual);
    wave::UseScriptedInput([](int64_t first, uint8_t* out, int count) {
      for (int i = 0; i < count; ++i) out[i] = first + i < 22050 ? 128 : 255;
    });
    wave::SetPictureDelay(c.delayMicros);
    Recorder recorder;
    HWAVEIN device = nullptr;
    ASSERT_EQ(recorder.Open(&device), MMSYSERR_NOERROR);
    Buffer b(64);
    ASSERT_EQ(waveInPrepareHeader(device, &b.header, sizeof b.header), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInStart(device), MMSYSERR_NOERROR);
    int firstLoud = -1, late = 0;
    for (int frame = 0; frame < 200 && firstLoud < 0; ++frame) {
      clock::AdvanceTo(int64_t{33000} * frame);
      if (frame == 0 || (b.header.dwFlags & WHDR_DONE)) {
        if (frame > 0 && b.data[63] == 255) firstLoud = frame;
        ASSERT_EQ(waveInAddBuffer(device, &b.header, sizeof b.header), MMSYSERR_NOERROR);
      } else if (int64_t{33000} * (frame - 1) > c.delayMicros) {
        ++late;  // past the first delay, a buffer handed back was not done a frame later
      }
    }
    waveInReset(device);
    waveInClose(device);
    ASSERT_GE(firstLoud, 0);
    if (c.delayMicros == 0) firstLoud0 = firstLoud;
    EXPECT_EQ(firstLoud - firstLoud0, c.framesLater);
    EXPECT_EQ(late, 0);
  }
  wave::SetPictureDelay(0);
}

}  // namespace
}  // namespace orvel::test

// The "cdaudio" MCI device over a disc held in memory, under the virtual clock: opening and
// sharing, positions in every time format, play, pause and stop as the CD-audio driver does
// them, and the errors of a missing, removed or unplayable disc.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <math.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "kernel/clock.h"
#include "winmm/cd_sources.h"
#include "winmm/disc/disc.h"
#include "winmm/loopback.h"

namespace orvel::test {
namespace {

constexpr int kSecond = disc::kSectorsPerSecond;

// Tracks of whole seconds, each a sine of its own (track k: 500 * k Hz); data tracks hold
// nothing audible. The disc can be taken out.
class MemoryDisc : public disc::Disc {
 public:
  explicit MemoryDisc(std::vector<std::pair<int, bool>> tracks) {
    int32_t start = 0;
    for (size_t i = 0; i < tracks.size(); ++i) {
      disc::Track t;
      t.number = static_cast<int>(i) + 1;
      t.start = start;
      t.length = tracks[i].first * kSecond;
      t.audio = tracks[i].second;
      toc_.tracks.push_back(t);
      start += t.length;
    }
    toc_.leadOut = start;
  }
  const disc::Contents& Toc() const override { return toc_; }
  bool Read(int32_t sector, int count, int16_t* out) override {
    {
      std::unique_lock<std::mutex> hold(gate);
      opened.wait(hold, [this] { return open; });
    }
    for (int s = 0; s < count; ++s) {
      for (int i = 0; i < disc::kFramesPerSector; ++i) {
        const int64_t frame = static_cast<int64_t>(sector + s) * disc::kFramesPerSector + i;
        const int track = TrackOf(sector + s);
        const double v = 8000 * sin(2 * M_PI * 500.0 * track * frame / disc::kSampleRate);
        out[(s * disc::kFramesPerSector + i) * 2] = static_cast<int16_t>(v);
        out[(s * disc::kFramesPerSector + i) * 2 + 1] = static_cast<int16_t>(v);
      }
    }
    return present;
  }
  bool Present() override { return present; }
  std::string Name() const override { return "memory"; }
  int TrackOf(int32_t sector) const {
    for (const auto& t : toc_.tracks) {
      if (sector >= t.start && sector < t.start + t.length) return t.number;
    }
    return 0;
  }
  std::atomic<bool> present{true};
  // A drive that takes its time: reads wait until the gate opens.
  std::mutex gate;
  std::condition_variable opened;
  bool open = true;

 private:
  disc::Contents toc_;
};

class CdAudio : public ::testing::Test {
 protected:
  void Insert(std::vector<std::pair<int, bool>> tracks) {
    clock::Use(clock::Mode::kVirtual);
    disc_ = std::make_shared<MemoryDisc>(std::move(tracks));
    cdaudio::UseDisc(disc_);
    MCI_OPEN_PARMSA open = {};
    open.lpstrDeviceType = "cdaudio";
    ASSERT_EQ(mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_SHAREABLE | MCI_WAIT,
                              reinterpret_cast<DWORD_PTR>(&open)),
              0u);
    id_ = open.wDeviceID;
  }
  void TearDown() override {
    if (id_) mciSendCommandA(id_, MCI_CLOSE, 0, 0);
  }

  MCIERROR Send(UINT message, DWORD flags, void* params = nullptr) {
    return mciSendCommandA(id_, message, flags, reinterpret_cast<DWORD_PTR>(params));
  }
  MCIERROR Format(DWORD format) {
    MCI_SET_PARMS set = {};
    set.dwTimeFormat = format;
    return Send(MCI_SET, MCI_SET_TIME_FORMAT, &set);
  }
  // One status item; `error` gets the result (0 expected unless asked for).
  DWORD Status(DWORD item, DWORD flags = 0, DWORD track = 0, MCIERROR* error = nullptr) {
    MCI_STATUS_PARMS status = {};
    status.dwItem = item;
    status.dwTrack = track;
    const MCIERROR result = Send(MCI_STATUS, MCI_STATUS_ITEM | flags, &status);
    if (error) {
      *error = result;
    } else {
      EXPECT_EQ(result, 0u) << "status item " << item;
    }
    return static_cast<DWORD>(status.dwReturn);
  }
  MCIERROR PlayFrom(DWORD from, DWORD flags = MCI_FROM, DWORD to = 0) {
    MCI_PLAY_PARMS play = {};
    play.dwFrom = from;
    play.dwTo = to;
    return Send(MCI_PLAY, flags, &play);
  }
  static void Wait(double seconds) {
    clock::AdvanceTo(clock::NowMicros() + static_cast<int64_t>(seconds * 1e6));
  }

  std::shared_ptr<MemoryDisc> disc_;
  MCIDEVICEID id_ = 0;
};

TEST_F(CdAudio, OpensSharesAndCloses) {
  Insert({{5, true}});
  MCI_OPEN_PARMSA again = {};
  again.lpstrDeviceType = "CDAudio";
  ASSERT_EQ(mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_SHAREABLE,
                            reinterpret_cast<DWORD_PTR>(&again)),
            0u);
  EXPECT_EQ(again.wDeviceID, id_);
  EXPECT_EQ(mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE, reinterpret_cast<DWORD_PTR>(&again)),
            static_cast<MCIERROR>(MCIERR_MUST_USE_SHAREABLE));
  MCI_OPEN_PARMSA other = {};
  other.lpstrDeviceType = "waveaudio";
  EXPECT_EQ(mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE, reinterpret_cast<DWORD_PTR>(&other)),
            static_cast<MCIERROR>(MCIERR_INVALID_DEVICE_NAME));

  // The first close leaves the device to its other user; the second ends it.
  EXPECT_EQ(mciSendCommandA(id_, MCI_CLOSE, 0, 0), 0u);
  EXPECT_EQ(Status(MCI_STATUS_NUMBER_OF_TRACKS), 1u);
  EXPECT_EQ(mciSendCommandA(id_, MCI_CLOSE, 0, 0), 0u);
  MCIERROR error = 0;
  Status(MCI_STATUS_MODE, 0, 0, &error);
  EXPECT_EQ(error, static_cast<MCIERROR>(MCIERR_INVALID_DEVICE_ID));
  id_ = 0;
}

TEST_F(CdAudio, ReportsTheDiscInEveryTimeFormat) {
  Insert({{62, true}, {3, true}, {4, false}});
  EXPECT_EQ(Status(MCI_STATUS_TIME_FORMAT), static_cast<DWORD>(MCI_FORMAT_MSF));
  EXPECT_EQ(Status(MCI_STATUS_NUMBER_OF_TRACKS), 3u);
  EXPECT_EQ(Status(MCI_STATUS_MODE), static_cast<DWORD>(MCI_MODE_STOP));
  EXPECT_EQ(Status(MCI_STATUS_MEDIA_PRESENT), static_cast<DWORD>(TRUE));
  EXPECT_EQ(Status(MCI_CDA_STATUS_TYPE_TRACK, MCI_TRACK, 3),
            static_cast<DWORD>(MCI_CDA_TRACK_OTHER));

  struct Case {
    DWORD format;
    DWORD track2Start, discStart, track2Length, lastLength, discLength;
  };
  // Track 2 starts 62 s into the program area, which begins at 00:02:00.
  const Case cases[] = {
      {MCI_FORMAT_MSF, MCI_MAKE_MSF(1, 4, 0), MCI_MAKE_MSF(0, 2, 0), MCI_MAKE_MSF(0, 3, 0),
       MCI_MAKE_MSF(0, 3, 74), MCI_MAKE_MSF(1, 8, 74)},
      {MCI_FORMAT_TMSF, MCI_MAKE_TMSF(2, 0, 0, 0), MCI_MAKE_TMSF(1, 0, 0, 0), MCI_MAKE_MSF(0, 3, 0),
       MCI_MAKE_MSF(0, 3, 74), MCI_MAKE_MSF(1, 8, 74)},
      {MCI_FORMAT_MILLISECONDS, 64001, 2001, 3001, 3987, 68987},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    ASSERT_EQ(Format(c.format), 0u);
    EXPECT_EQ(Status(MCI_STATUS_POSITION, MCI_TRACK, 2), c.track2Start);
    EXPECT_EQ(Status(MCI_STATUS_POSITION, MCI_STATUS_START), c.discStart);
    EXPECT_EQ(Status(MCI_STATUS_POSITION), c.discStart);
    EXPECT_EQ(Status(MCI_STATUS_LENGTH, MCI_TRACK, 2), c.track2Length);
    EXPECT_EQ(Status(MCI_STATUS_LENGTH, MCI_TRACK, 3), c.lastLength);
    EXPECT_EQ(Status(MCI_STATUS_LENGTH), c.discLength);
  }
}

TEST_F(CdAudio, PlaysPausesAndPlaysOnFromTheSamePlace) {
  Insert({{5, true}, {5, true}, {5, true}});
  ASSERT_EQ(Format(MCI_FORMAT_TMSF), 0u);
  ASSERT_EQ(PlayFrom(MCI_MAKE_TMSF(2, 0, 0, 0)), 0u);
  EXPECT_EQ(Status(MCI_STATUS_MODE), static_cast<DWORD>(MCI_MODE_PLAY));
  Wait(3.5);
  const DWORD at = Status(MCI_STATUS_POSITION);
  EXPECT_EQ(MCI_TMSF_TRACK(at), 2);
  EXPECT_EQ(MCI_TMSF_SECOND(at), 3);
  EXPECT_EQ(Status(MCI_STATUS_CURRENT_TRACK), 2u);

  // A pause is a stop that keeps the place: the mode reads stopped and time stands still.
  ASSERT_EQ(Send(MCI_PAUSE, 0), 0u);
  EXPECT_EQ(Status(MCI_STATUS_MODE), static_cast<DWORD>(MCI_MODE_STOP));
  Wait(2.0);
  EXPECT_EQ(Status(MCI_STATUS_POSITION), at);
  EXPECT_EQ(Send(MCI_RESUME, 0), static_cast<MCIERROR>(MCIERR_UNSUPPORTED_FUNCTION));

  // A play without flags goes on from there, through track 3 to the end of the disc.
  ASSERT_EQ(PlayFrom(0, 0), 0u);
  Wait(1.0);
  EXPECT_EQ(MCI_TMSF_SECOND(Status(MCI_STATUS_POSITION)), 4);  // 3.5 s and 1 s of track 2
  Wait(7.0);
  EXPECT_EQ(Status(MCI_STATUS_MODE), static_cast<DWORD>(MCI_MODE_STOP));
  EXPECT_EQ(Status(MCI_STATUS_POSITION), MCI_MAKE_TMSF(3, 0, 5, 0));
  EXPECT_EQ(PlayFrom(0, 0), static_cast<MCIERROR>(MCIERR_OUTOFRANGE));
}

TEST_F(CdAudio, PlayStopsAtItsEndPointAndBeforeADataTrack) {
  Insert({{4, true}, {4, true}, {4, false}});
  ASSERT_EQ(Format(MCI_FORMAT_TMSF), 0u);
  ASSERT_EQ(PlayFrom(MCI_MAKE_TMSF(1, 0, 1, 0), MCI_FROM | MCI_TO, MCI_MAKE_TMSF(1, 0, 2, 0)), 0u);
  Wait(1.5);
  EXPECT_EQ(Status(MCI_STATUS_MODE), static_cast<DWORD>(MCI_MODE_STOP));
  EXPECT_EQ(Status(MCI_STATUS_POSITION), MCI_MAKE_TMSF(1, 0, 2, 0));

  ASSERT_EQ(PlayFrom(MCI_MAKE_TMSF(2, 0, 0, 0)), 0u);
  Wait(6.0);
  EXPECT_EQ(Status(MCI_STATUS_MODE), static_cast<DWORD>(MCI_MODE_STOP));
  EXPECT_EQ(Status(MCI_STATUS_CURRENT_TRACK), 3u);  // standing at the data track's start
}

TEST_F(CdAudio, RefusesWhatItCannotDo) {
  Insert({{4, true}, {4, false}});
  ASSERT_EQ(Format(MCI_FORMAT_TMSF), 0u);
  struct Case {
    DWORD flags;
    DWORD from, to;
    MCIERROR error;
  };
  const Case cases[] = {
      {MCI_FROM, MCI_MAKE_TMSF(0, 0, 0, 0), 0, MCIERR_OUTOFRANGE},  // no track 0
      {MCI_FROM, MCI_MAKE_TMSF(3, 0, 0, 0), 0, MCIERR_OUTOFRANGE},  // past the last track
      {MCI_FROM, MCI_MAKE_TMSF(1, 9, 0, 0), 0, MCIERR_OUTOFRANGE},  // past the lead-out
      {MCI_FROM, MCI_MAKE_TMSF(2, 0, 0, 0), 0, MCIERR_HARDWARE},    // only data follows
      {MCI_FROM | MCI_TO, MCI_MAKE_TMSF(1, 0, 3, 0), MCI_MAKE_TMSF(1, 0, 1, 0),
       MCIERR_OUTOFRANGE},  // backwards
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PlayFrom(c.from, c.flags, c.to), c.error) << std::hex << c.from;
  }
  EXPECT_EQ(Status(MCI_STATUS_MODE), static_cast<DWORD>(MCI_MODE_STOP));
  EXPECT_EQ(Format(MCI_FORMAT_MSF + 1), static_cast<MCIERROR>(MCIERR_BAD_TIME_FORMAT));
  MCIERROR error = 0;
  Status(MCI_STATUS_LENGTH, MCI_TRACK, 9, &error);
  EXPECT_EQ(error, static_cast<MCIERROR>(MCIERR_OUTOFRANGE));
  Status(0x4242, 0, 0, &error);
  EXPECT_EQ(error, static_cast<MCIERROR>(MCIERR_UNSUPPORTED_FUNCTION));
  EXPECT_EQ(Send(MCI_STATUS, MCI_STATUS_ITEM), static_cast<MCIERROR>(MCIERR_NULL_PARAMETER_BLOCK));
  EXPECT_EQ(Send(0x0999, 0), static_cast<MCIERROR>(MCIERR_UNRECOGNIZED_COMMAND));
}

TEST_F(CdAudio, ADiscTakenOutStopsPlayAndIsReported) {
  Insert({{5, true}, {5, true}});
  ASSERT_EQ(PlayFrom(0, 0), 0u);
  Wait(1.0);
  disc_->present = false;
  Wait(1.0);
  EXPECT_EQ(Status(MCI_STATUS_MODE), static_cast<DWORD>(MCI_MODE_OPEN));
  EXPECT_EQ(Status(MCI_STATUS_MEDIA_PRESENT), static_cast<DWORD>(FALSE));
  MCIERROR error = 0;
  Status(MCI_STATUS_NUMBER_OF_TRACKS, 0, 0, &error);
  EXPECT_EQ(error, static_cast<MCIERROR>(MCIERR_DEVICE_NOT_READY));
  EXPECT_EQ(PlayFrom(0, 0), static_cast<MCIERROR>(MCIERR_DEVICE_NOT_READY));
  disc_->present = true;
  EXPECT_EQ(Status(MCI_STATUS_MODE), static_cast<DWORD>(MCI_MODE_STOP));
}

TEST_F(CdAudio, TheCableCarriesWhatPlaysAndSilenceOtherwise) {
  Insert({{3, true}, {3, true}});
  std::vector<float> heard;
  auto tap = wave::loopback::OpenCapture(
      [&heard](const float* frames, int count) { heard.assign(frames, frames + count * 2); });
  tap->Run(true);
  Wait(0.5);
  ASSERT_FALSE(heard.empty());
  for (float v : heard) ASSERT_EQ(v, 0.0f);

  ASSERT_EQ(Format(MCI_FORMAT_TMSF), 0u);
  ASSERT_EQ(PlayFrom(MCI_MAKE_TMSF(2, 0, 0, 0)), 0u);
  Wait(0.5);
  // Track 2's tone (1000 Hz) crosses zero about 2000 times a second.
  int crossings = 0;
  for (size_t i = 2; i < heard.size(); i += 2) crossings += (heard[i - 2] < 0) != (heard[i] < 0);
  const double seconds = static_cast<double>(heard.size() / 2) / disc::kSampleRate;
  EXPECT_NEAR(crossings / seconds, 2000, 100);
}

// In real time a slow drive holds up only the reader: the device answers at once, and play
// goes on once the sectors come.
TEST_F(CdAudio, ASlowDriveDoesNotHoldUpTheDevice) {
  clock::Use(clock::Mode::kReal);
  disc_ = std::make_shared<MemoryDisc>(std::vector<std::pair<int, bool>>{{3, true}, {3, true}});
  disc_->open = false;
  cdaudio::UseDisc(disc_);
  MCI_OPEN_PARMSA open = {};
  open.lpstrDeviceType = "cdaudio";
  ASSERT_EQ(mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE, reinterpret_cast<DWORD_PTR>(&open)), 0u);
  id_ = open.wDeviceID;
  ASSERT_EQ(PlayFrom(0, 0), 0u);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(Status(MCI_STATUS_MODE), static_cast<DWORD>(MCI_MODE_PLAY));
  EXPECT_EQ(Status(MCI_STATUS_POSITION), MCI_MAKE_MSF(0, 2, 0));  // nothing read, nothing heard
  {
    std::lock_guard<std::mutex> hold(disc_->gate);
    disc_->open = true;
  }
  disc_->opened.notify_all();
  // However loaded the machine, a second of play comes within a minute.
  for (int i = 0; i < 600 && MCI_MSF_SECOND(Status(MCI_STATUS_POSITION)) < 3; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_GE(MCI_MSF_SECOND(Status(MCI_STATUS_POSITION)), 3);
  ASSERT_EQ(Send(MCI_STOP, 0), 0u);
  clock::Use(clock::Mode::kVirtual);
}

TEST(CdErrors, EveryCodeHasWindowsWording) {
  char text[256];
  int known = 0;
  for (MCIERROR code = MCIERR_BASE; code <= MCIERR_BASE + 100; ++code) {
    if (mciGetErrorStringA(code, text, sizeof text)) {
      ++known;
      EXPECT_GT(strlen(text), 10u) << code;
    }
  }
  EXPECT_EQ(known, 74);
  ASSERT_TRUE(mciGetErrorStringA(MCIERR_MUST_USE_SHAREABLE, text, sizeof text));
  EXPECT_STREQ(text,
               "The device driver is already in use. To share it, use the 'shareable' parameter "
               "with each 'open' command.");
}

}  // namespace
}  // namespace orvel::test

// The "cdaudio" MCI device over a drive held in memory, under the virtual clock: opening and
// sharing, positions in every time format, play, pause and stop as the CD-audio driver does
// them, data tracks, discs put in, taken out and swapped, and the errors of a missing disc.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "disc_images.h"
#include "kernel/clock.h"
#include "memory_drive.h"
#include "winmm/cd_sources.h"
#include "winmm/disc/disc.h"
#include "winmm/loopback.h"

namespace orvel::test {
namespace {

class CdAudio : public ::testing::Test {
 protected:
  // Opens the device on a drive holding `disc` (an empty drive when null).
  void Open(const MemoryDisc* disc, clock::Mode mode = clock::Mode::kVirtual) {
    clock::Use(mode);
    cd_ = MakeMemoryCd(disc);
    cdaudio::UseDisc(cd_.disc);
    MCI_OPEN_PARMSA open = {};
    open.lpstrDeviceType = "cdaudio";
    ASSERT_EQ(mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_SHAREABLE | MCI_WAIT,
                              reinterpret_cast<DWORD_PTR>(&open)),
              0u);
    id_ = open.wDeviceID;
  }
  void Insert(const MemoryDisc& disc) { Open(&disc); }
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

  MemoryCd cd_;
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

TEST_F(CdAudio, PauseKeepsThePlaceAndStopGoesBackToTheStart) {
  Insert({{5, true}, {5, true}, {5, true}});
  ASSERT_EQ(Format(MCI_FORMAT_TMSF), 0u);
  ASSERT_EQ(PlayFrom(MCI_MAKE_TMSF(2, 0, 0, 0)), 0u);
  EXPECT_EQ(Status(MCI_STATUS_MODE), static_cast<DWORD>(MCI_MODE_PLAY));
  Wait(3.5);
  const DWORD at = Status(MCI_STATUS_POSITION);
  EXPECT_EQ(at, MCI_MAKE_TMSF(2, 0, 3, 37));
  EXPECT_EQ(Status(MCI_STATUS_CURRENT_TRACK), 2u);

  // A paused device reads stopped, and time stands still until it resumes.
  ASSERT_EQ(Send(MCI_PAUSE, 0), 0u);
  EXPECT_EQ(Status(MCI_STATUS_MODE), static_cast<DWORD>(MCI_MODE_STOP));
  Wait(2.0);
  EXPECT_EQ(Status(MCI_STATUS_POSITION), at);
  ASSERT_EQ(Send(MCI_RESUME, 0), 0u);
  Wait(1.0);
  EXPECT_EQ(MCI_TMSF_SECOND(Status(MCI_STATUS_POSITION)), 4);
  // A play without flags after a pause goes on from there too.
  ASSERT_EQ(Send(MCI_PAUSE, 0), 0u);
  ASSERT_EQ(PlayFrom(0, 0), 0u);
  Wait(0.2);
  EXPECT_EQ(Status(MCI_STATUS_POSITION) & 0xFFFFFF, MCI_MAKE_TMSF(2, 0, 4, 0));

  // A stop goes back to the start of the disc: nothing to resume, and a play without flags
  // begins again at track 1.
  ASSERT_EQ(Send(MCI_STOP, 0), 0u);
  EXPECT_EQ(Status(MCI_STATUS_POSITION), MCI_MAKE_TMSF(1, 0, 0, 0));
  EXPECT_EQ(Send(MCI_RESUME, 0), static_cast<MCIERROR>(MCIERR_HARDWARE));
  ASSERT_EQ(PlayFrom(0, 0), 0u);
  Wait(1.1);
  EXPECT_EQ(Status(MCI_STATUS_POSITION) & 0xFFFFFF, MCI_MAKE_TMSF(1, 0, 1, 0));
  // Played to the end, it stands on the disc's last sector.
  Wait(15.0);
  EXPECT_EQ(Status(MCI_STATUS_MODE), static_cast<DWORD>(MCI_MODE_STOP));
  EXPECT_EQ(Status(MCI_STATUS_POSITION), MCI_MAKE_TMSF(3, 0, 4, 74));
}

// An enhanced CD: audio tracks, then a data track. Every play and seek succeeds, none plays
// data, and play stops in the last audio track.
TEST_F(CdAudio, DataTracksArePassedOverAsTheDriverDoes) {
  Insert({{4, true}, {4, true}, {4, false}});
  ASSERT_EQ(Format(MCI_FORMAT_TMSF), 0u);
  EXPECT_EQ(Status(MCI_STATUS_NUMBER_OF_TRACKS), 3u);
  ASSERT_EQ(PlayFrom(MCI_MAKE_TMSF(1, 0, 1, 0), MCI_FROM | MCI_TO, MCI_MAKE_TMSF(1, 0, 2, 0)), 0u);
  Wait(1.5);
  EXPECT_EQ(Status(MCI_STATUS_MODE), static_cast<DWORD>(MCI_MODE_STOP));
  EXPECT_EQ(Status(MCI_STATUS_POSITION), MCI_MAKE_TMSF(1, 0, 1, 74));

  ASSERT_EQ(PlayFrom(MCI_MAKE_TMSF(2, 0, 0, 0)), 0u);
  Wait(6.0);
  EXPECT_EQ(Status(MCI_STATUS_MODE), static_cast<DWORD>(MCI_MODE_STOP));
  EXPECT_EQ(Status(MCI_STATUS_POSITION), MCI_MAKE_TMSF(2, 0, 3, 74));
  EXPECT_EQ(Status(MCI_STATUS_CURRENT_TRACK), 2u);

  // Play and seek into the data track: nothing plays, the device stands at the disc's end.
  ASSERT_EQ(PlayFrom(MCI_MAKE_TMSF(3, 0, 0, 0)), 0u);
  EXPECT_EQ(Status(MCI_STATUS_MODE), static_cast<DWORD>(MCI_MODE_STOP));
  EXPECT_EQ(Status(MCI_STATUS_POSITION), MCI_MAKE_TMSF(3, 0, 3, 74));
  MCI_SEEK_PARMS seek = {};
  seek.dwTo = MCI_MAKE_TMSF(3, 0, 1, 0);
  EXPECT_EQ(Send(MCI_SEEK, MCI_TO, &seek), 0u);
  EXPECT_EQ(Status(MCI_STATUS_CURRENT_TRACK), 3u);
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

// A drive's life with discs going in and out while the device is open; each step is followed
// by the status a program's once-a-second poll reads.
TEST_F(CdAudio, DiscsPutInTakenOutAndSwappedAreSeenByTheNextPoll) {
  Open(nullptr);
  MemoryDrive& drive = *cd_.drive;
  struct Step {
    const char* what;
    std::function<void()> act;
    DWORD tracks;  // 0: the device is not ready
    DWORD mode;
    int tocReads;  // in all so far: a poll reads no table of contents unless the disc changed
  };
  const Step steps[] = {
      {"empty at open", [] {}, 0, MCI_MODE_OPEN, 0},
      {"a disc put in",
       [&] {
         drive.Insert({{3, true}, {3, true}, {3, true}});
       },
       3, MCI_MODE_STOP, 1},
      {"played", [&] { ASSERT_EQ(PlayFrom(0, 0), 0u); }, 3, MCI_MODE_PLAY, 1},
      {"polled while it plays", [&] { Wait(2.0); }, 3, MCI_MODE_PLAY, 1},
      {"taken out while it plays",
       [&] {
         drive.Eject();
         Wait(0.5);
       },
       0, MCI_MODE_OPEN, 1},
      {"another put in",
       [&] {
         drive.Insert({{2, true}, {2, true}, {2, true}, {2, true}, {2, true}});
       },
       5, MCI_MODE_STOP, 2},
      {"swapped between two polls",
       [&] {
         drive.Eject();
         drive.Insert({{2, true}, {2, true}});
       },
       2, MCI_MODE_STOP, 3},
      {"a blank disc", [&] { drive.Insert({}); }, 0, MCI_MODE_OPEN, 4},
      {"the blank disc polled again", [] {}, 0, MCI_MODE_OPEN, 4},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.act();
    MCIERROR error = 0;
    const DWORD tracks = Status(MCI_STATUS_NUMBER_OF_TRACKS, 0, 0, &error);
    EXPECT_EQ(error, step.tracks ? 0u : static_cast<MCIERROR>(MCIERR_DEVICE_NOT_READY));
    if (step.tracks) {
      EXPECT_EQ(tracks, step.tracks);
    }
    EXPECT_EQ(Status(MCI_STATUS_MODE), step.mode);
    EXPECT_EQ(Status(MCI_STATUS_MEDIA_PRESENT), step.tracks ? TRUE : FALSE);
    EXPECT_EQ(drive.TocReads(), step.tocReads);
  }
  EXPECT_EQ(PlayFrom(0, 0), static_cast<MCIERROR>(MCIERR_DEVICE_NOT_READY));
  // A new disc stands at its start and plays from there.
  drive.Insert({{2, true}, {2, true}});
  ASSERT_EQ(Format(MCI_FORMAT_TMSF), 0u);
  EXPECT_EQ(Status(MCI_STATUS_POSITION), MCI_MAKE_TMSF(1, 0, 0, 0));
  ASSERT_EQ(PlayFrom(0, 0), 0u);
  Wait(1.1);
  EXPECT_EQ(Status(MCI_STATUS_POSITION) & 0xFFFFFF, MCI_MAKE_TMSF(1, 0, 1, 0));
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
  // Track 2's tone crosses zero twice a cycle.
  int crossings = 0;
  for (size_t i = 2; i < heard.size(); i += 2) crossings += (heard[i - 2] < 0) != (heard[i] < 0);
  const double seconds = static_cast<double>(heard.size() / 2) / disc::kSampleRate;
  EXPECT_NEAR(crossings / seconds, 2 * ToneHz(2), 100);
}

// In real time a slow drive holds up only the reader: the device answers at once, and play
// goes on once the sectors come. A disc swapped while the reader is at work is taken up by the
// next look, and plays.
TEST_F(CdAudio, InRealTimeASlowOrSwappedDiscHoldsUpOnlyTheReader) {
  const MemoryDisc disc = {{3, true}, {3, true}};
  Open(&disc, clock::Mode::kReal);
  cd_.drive->Hold(true);
  ASSERT_EQ(PlayFrom(0, 0), 0u);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(Status(MCI_STATUS_MODE), static_cast<DWORD>(MCI_MODE_PLAY));
  EXPECT_EQ(Status(MCI_STATUS_POSITION), MCI_MAKE_MSF(0, 2, 0));  // nothing read, nothing heard
  cd_.drive->Hold(false);
  // However loaded the machine, a second of play comes within a minute.
  for (int i = 0; i < 600 && MCI_MSF_SECOND(Status(MCI_STATUS_POSITION)) < 3; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_GE(MCI_MSF_SECOND(Status(MCI_STATUS_POSITION)), 3);

  cd_.drive->Eject();
  cd_.drive->Insert({{2, true}, {2, true}, {2, true}});
  EXPECT_EQ(Status(MCI_STATUS_NUMBER_OF_TRACKS), 3u);
  EXPECT_EQ(Status(MCI_STATUS_MODE), static_cast<DWORD>(MCI_MODE_STOP));
  EXPECT_EQ(Status(MCI_STATUS_POSITION), MCI_MAKE_MSF(0, 2, 0));
  ASSERT_EQ(PlayFrom(0, 0), 0u);
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

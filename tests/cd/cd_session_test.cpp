// The CD player in the whole program: disc images written by the test, played through the
// keypad and the CD buttons on the headless host under the virtual clock, heard by the wave
// input through the cable and seen in the track strip, the position line and the bars.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <string.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "app/handlers.h"
#include "app/state.h"
#include "cd/cd_audio.h"
#include "disc_images.h"
#include "displays/spectrum_bars.h"
#include "host/headless.h"
#include "session.h"

namespace orvel::test {
namespace {

void Press(HWND button) {
  HandleCommand(MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

// The keypad's buttons run 1, 2, ..., 9, 0 from left to right.
void Keys(std::initializer_list<int> digits) {
  for (int digit : digits) Press(KeypadButtons[(digit + 9) % 10]);
}

DWORD Mode() {
  MCI_STATUS_PARMS status = {};
  status.dwItem = MCI_STATUS_MODE;
  mciSendCommandA(CdDeviceId, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status));
  return static_cast<DWORD>(status.dwReturn);
}

// A disc of `tracks` tracks of `seconds` each, and a session that plays it.
struct Disc {
  explicit Disc(int tracks, test::Form form = test::Form::kCueBin, int seconds = 2) {
    test::Options options;
    options.tracks = tracks;
    options.sectorsPerTrack = seconds * 75;
    image = test::WriteImage(folder.path(), form, options);
    session.UseCd(image.path);
    session.CloseAbout();
  }
  // Runs `step` on the window's thread at `seconds`.
  void At(double seconds, std::function<void()> step) {
    session.OnWindowThread(seconds, std::move(step));
  }
  void Run(double seconds) {
    session.Close(seconds);
    const Result result = session.Run();
    EXPECT_EQ(result.exitCode, 0);
    boxes = result.messageBoxes;
  }
  test::Folder folder;
  test::Image image;
  Session session;
  std::vector<headless::MessageBoxRecord> boxes;
};

// Each case runs the whole program, which keeps its state in globals: one case a process.
struct KeypadCase {
  int tracks;
  int first, second;
  DWORD track;  // playing afterwards, 0: nothing plays
};

class CdKeypad : public testing::TestWithParam<KeypadCase> {};

TEST_P(CdKeypad, PlaysTheTrackItNamesAndNothingPastTheLast) {
  const KeypadCase c = GetParam();
  Disc disc(c.tracks);
  DWORD mode = 0, track = 0;
  disc.At(0.5, [&] { Keys({c.first, c.second}); });
  disc.At(1.0, [&] {
    mode = Mode();
    track = CdCurrentTrack(MainWindow, CdDeviceId);
  });
  disc.Run(1.2);
  EXPECT_EQ(mode, static_cast<DWORD>(c.track ? MCI_MODE_PLAY : MCI_MODE_STOP));
  if (c.track) {
    EXPECT_EQ(track, c.track);
  }
  EXPECT_TRUE(disc.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Discs, CdKeypad,
                         testing::Values(KeypadCase{19, 0, 7, 7}, KeypadCase{3, 9, 9, 0},
                                         KeypadCase{25, 2, 5, 25}));

TEST(CdSession, PrevAndNextWrapAroundTheDisc) {
  Disc disc(4);
  DWORD afterPrev = 0, afterNext = 0;
  disc.At(0.5, [] { Press(PrevButton); });  // from track 1: the last track
  disc.At(1.0, [&] { afterPrev = CdCurrentTrack(MainWindow, CdDeviceId); });
  disc.At(1.1, [] { Press(NextButton); });  // from the last track: track 1
  disc.At(1.6, [&] { afterNext = CdCurrentTrack(MainWindow, CdDeviceId); });
  disc.Run(1.8);
  EXPECT_EQ(afterPrev, 4u);
  EXPECT_EQ(afterNext, 1u);
}

TEST(CdSession, StopEndsPlayAndPauseTogglesFromTheSamePlace) {
  Disc disc(3);
  DWORD stopped = 0, paused = 0, playing = 0, pausedAt = 0, resumedAt = 0;
  disc.At(0.5, [] { Press(PlayButton); });
  disc.At(1.0, [] { Press(StopButton); });
  disc.At(1.1, [&] { stopped = Mode(); });
  disc.At(1.2, [] { Press(PauseButton); });  // stopped: plays on
  disc.At(1.5, [] { Press(PauseButton); });  // playing: pauses
  disc.At(1.6, [&] {
    paused = Mode();
    pausedAt = CdPosition(MainWindow, CdDeviceId);
  });
  disc.At(2.6, [] { Press(PauseButton); });
  disc.At(2.61, [&] {
    playing = Mode();
    resumedAt = CdPosition(MainWindow, CdDeviceId);
  });
  disc.Run(2.8);
  EXPECT_EQ(stopped, static_cast<DWORD>(MCI_MODE_STOP));
  EXPECT_EQ(paused, static_cast<DWORD>(MCI_MODE_STOP));
  EXPECT_EQ(playing, static_cast<DWORD>(MCI_MODE_PLAY));
  // A second later the paused place has not moved (a sector or two of output lies between).
  EXPECT_EQ(MCI_TMSF_TRACK(resumedAt), 1);
  EXPECT_LE(MCI_TMSF_FRAME(resumedAt) - MCI_TMSF_FRAME(pausedAt), 2);
  EXPECT_EQ(MCI_TMSF_SECOND(resumedAt), MCI_TMSF_SECOND(pausedAt));
}

// The strip's cell for track i + 1 lies at (230 + 15 i, 310)-(245 + 15 i, 325), on black; a
// pixel of its box's upper edge, above the label, shows the box's colour, lighter for the
// current track.
uint32_t CellPixel(int i) {
  return headless::WindowSurface(MainWindow)->At(237 + 15 * i, 311);
}

struct StripCase {
  int tracks;
  bool clock;  // the clock button pressed: each tick draws the strip with the highlight
  bool shown;  // cells drawn at all
};

class CdTrackStrip : public testing::TestWithParam<StripCase> {};

TEST_P(CdTrackStrip, ShowsTheTracksAndHighlightsThePlayingOne) {
  const StripCase c = GetParam();
  Disc disc(c.tracks);
  std::vector<uint32_t> cells;
  if (c.clock) disc.At(0.3, [] { Press(ClockButton); });
  disc.At(0.4, [] { Keys({0, 2}); });
  disc.At(1.5, [&] {
    for (int i = 0; i < std::min(c.tracks, 20); ++i) cells.push_back(CellPixel(i));
  });
  disc.Run(1.6);
  ASSERT_GE(cells.size(), 3u);
  for (int i = 0; i < static_cast<int>(cells.size()); ++i) {
    if (!c.shown) {
      EXPECT_EQ(cells[i], 0u) << "cell " << i;
    } else if (i != 1) {
      EXPECT_EQ(cells[i], cells[0]) << "cell " << i;
      EXPECT_NE(cells[i], 0u) << "cell " << i;
    }
  }
  // Track 2 plays: its cell stands out once the clock ticks.
  if (c.shown) {
    EXPECT_EQ(cells[1] != cells[0], c.clock);
  }
}

// Painting draws the strip for 3 to 19 tracks; the tick draws it for any count while the
// current track is below 20, cut off by the clip at x 542.
INSTANTIATE_TEST_SUITE_P(Discs, CdTrackStrip,
                         testing::Values(StripCase{3, false, true}, StripCase{19, false, true},
                                         StripCase{20, false, false}, StripCase{3, true, true},
                                         StripCase{19, true, true}, StripCase{25, true, true}));

TEST(CdSession, PositionLineReadsTheTrackAndTheSecondsPlayed) {
  Disc disc(3, test::Form::kCueBin, 6);
  std::string line;
  disc.At(0.3, [] { Press(ClockButton); });
  disc.At(0.4, [] { Press(NextButton); });  // track 2
  // The clock ticks every second from the start: the tick at 4 s reads 3.6 s into track 2.
  disc.At(4.2, [&] { line = StatusText; });
  disc.Run(4.3);
  EXPECT_EQ(line, "T:02 00:03 ");
}

// The loopback, end to end: a track's tone raises the bar of its band above all the others.
class CdLoopback : public testing::TestWithParam<test::Form> {};

TEST_P(CdLoopback, TheBarsPeakInTheBandOfThePlayingTrack) {
  Disc disc(5, GetParam());
  int loudest = -1;
  disc.At(0.3, [] { Press(BarsButton); });
  disc.At(0.4, [] { Keys({0, 4}); });
  disc.At(1.4, [&] {
    float best = -1;
    for (int i = 1; i < 32; ++i) {
      if (SpectrumBars[i].value > best) {
        best = SpectrumBars[i].value;
        loudest = i;
      }
    }
  });
  disc.Run(1.5);
  EXPECT_EQ(loudest, static_cast<int>(disc.image.tones[3] * 64 / 22050 + 0.5));
}

INSTANTIATE_TEST_SUITE_P(Forms, CdLoopback,
                         testing::Values(test::Form::kCueBin, test::Form::kCueFlac,
                                         test::Form::kFlacFolder));

TEST(CdSession, ABadDiscEndsTheSessionBeforeAnyWindow) {
  test::Folder folder;
  test::Options options;
  options.truncateBytes = 10000;
  const test::Image image = test::WriteImage(folder.path(), test::Form::kCueBin, options);
  Session session;
  session.UseCd(image.path);
  EXPECT_EQ(session.Run(1.0).exitCode, -1);
}

}  // namespace
}  // namespace orvel::test

// The CD player in the whole program, on the headless host under the virtual clock: disc
// images written by the test and a drive held in memory whose disc comes and goes, played
// through the keypad and the CD buttons, heard by the wave input through the cable and seen in
// the track strip, the position line and the bars.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <string.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "app/handlers.h"
#include "app/state.h"
#include "canvas.h"
#include "cd/cd_audio.h"
#include "disc_images.h"
#include "displays/spectrum_bars.h"
#include "draw/draw.h"
#include "host/headless.h"
#include "memory_drive.h"
#include "pixels.h"
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

DWORD Playing() {
  return Mode() == MCI_MODE_PLAY ? CdCurrentTrack(MainWindow, CdDeviceId) : 0;
}

// A session that plays a disc image of `tracks` tracks of `seconds` each, or a drive held in
// memory.
struct Disc {
  explicit Disc(int tracks, test::Form form = test::Form::kCueBin, int seconds = 2) {
    test::Options options;
    options.tracks = tracks;
    options.sectorsPerTrack = seconds * 75;
    image = test::WriteImage(folder.path(), form, options);
    session.UseCd(image.path);
    session.CloseAbout();
  }
  explicit Disc(const MemoryDisc* in) : cd(MakeMemoryCd(in)) {
    session.UseCd(cd.disc);
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
    for (const auto& box : result.messageBoxes) {
      if (!box.text.empty()) boxes.push_back(box.text);  // the About box has no text
    }
  }
  test::Folder folder;
  test::Image image;
  MemoryCd cd;
  Session session;
  std::vector<std::string> boxes;
};

// The window's pixels over `area` against what `draw` paints on black.
void ExpectPanel(const gdi::Surface& window, const RECT& area, std::function<void(HDC)> draw) {
  Canvas expected;
  draw(expected.dc);
  int differ = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      differ += window.At(x, y) != expected.Surface().At(x, y);
    }
  }
  EXPECT_EQ(differ, 0) << "pixels differ in (" << area.left << "," << area.top << ")-("
                       << area.right << "," << area.bottom << ")";
}

// Each case runs the whole program, which keeps its state in globals: one case a process.
struct KeypadCase {
  int tracks;
  int first, second;
  DWORD track;  // playing afterwards, 0: nothing plays
};

class CdKeypad : public testing::TestWithParam<KeypadCase> {};

TEST_P(CdKeypad, PlaysTheTrackItNamesAndNothingPastTheLast) {
  const KeypadCase c = GetParam();
  const MemoryDisc in(c.tracks, MemoryTrack{3, true});
  Disc disc(&in);
  DWORD playing = 99;
  int cdPlaying = -1, currentTrack = -1;
  disc.At(0.5, [&] { Keys({c.first, c.second}); });
  disc.At(1.0, [&] {
    playing = Playing();
    cdPlaying = CdPlaying;
    currentTrack = CurrentTrack;
  });
  disc.Run(1.2);
  EXPECT_EQ(playing, c.track);
  // A keypad play is not a PLAY: the buttons' state stays as it was.
  EXPECT_EQ(cdPlaying, 0);
  EXPECT_EQ(currentTrack, 1);
  EXPECT_TRUE(disc.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Discs, CdKeypad,
                         testing::Values(KeypadCase{19, 0, 7, 7}, KeypadCase{3, 9, 9, 0},
                                         KeypadCase{25, 2, 5, 25}, KeypadCase{3, 0, 0, 0}));

// The digit panel as it stands with one digit typed, behind the message box of a play that
// fails (the disc is ejected as the second digit is typed), and after the entry.
TEST(CdSession, TheKeypadShowsEachDigitInItsPlaceAndAFailedPlaySaysSo) {
  const MemoryDisc in(5, MemoryTrack{3, true});
  Disc disc(&in);
  gdi::Surface oneDigit, behindBox, after;
  headless::WatchMessageBoxes(
      [&](const headless::MessageBoxRecord&) { behindBox = *headless::WindowSurface(MainWindow); });
  disc.At(0.5, [] { Keys({0}); });
  disc.At(0.7, [&] { oneDigit = *headless::WindowSurface(MainWindow); });
  disc.At(1.0, [&] {
    disc.cd.drive->EjectAfter(1);  // still there for the track count, gone for the play
    Keys({3});
  });
  disc.At(1.2, [&] { after = *headless::WindowSurface(MainWindow); });
  disc.Run(1.4);
  headless::WatchMessageBoxes(nullptr);
  EXPECT_EQ(disc.boxes, std::vector<std::string>{"Could not Play CD"});

  const RECT panel = {360, 48, 470, 75};
  auto text = [](HDC dc, int left, const char* s) {
    DrawOpaqueText(dc, left, 48, 470, 75, "Ariel", 18, 0, TextAlignLeft, s, 0, 0, 0, 0, 250, 170);
  };
  auto placeholders = [&](HDC dc) {
    text(dc, 370, "- ");
    text(dc, 380, "- ");
  };
  ExpectPanel(oneDigit, panel, [&](HDC dc) {
    placeholders(dc);
    text(dc, 370, "0");
  });
  ExpectPanel(behindBox, panel, [&](HDC dc) {
    placeholders(dc);
    text(dc, 370, "0");
    text(dc, 380, "3");
  });
  ExpectPanel(after, panel, [&](HDC dc) {
    placeholders(dc);
    text(dc, 370, "0");
    text(dc, 380, "3");
    placeholders(dc);
  });
}

TEST(CdSession, PrevAndNextStepThroughTheTracksAndWrapAtTheEnds) {
  const MemoryDisc in(4, MemoryTrack{5, true});
  Disc disc(&in);
  struct Step {
    HWND* button;
    DWORD track;  // CurrentTrack, and the track playing, afterwards
  };
  const Step steps[] = {{&NextButton, 2}, {&NextButton, 3}, {&NextButton, 4}, {&NextButton, 1},
                        {&PrevButton, 4}, {&PrevButton, 3}, {&PrevButton, 2}, {&PrevButton, 1}};
  std::vector<DWORD> playing, current;
  double t = 0.5;
  for (const Step& step : steps) {
    disc.At(t, [button = step.button] { Press(*button); });
    disc.At(t + 0.2, [&] {
      playing.push_back(Playing());
      current.push_back(static_cast<DWORD>(CurrentTrack));
    });
    t += 0.3;
  }
  disc.Run(t);
  std::vector<DWORD> expected;
  for (const Step& step : steps) expected.push_back(step.track);
  EXPECT_EQ(playing, expected);
  EXPECT_EQ(current, expected);
  EXPECT_TRUE(disc.boxes.empty());
}

// STOP goes back to the start of the disc, so the PAUSE after it plays from there (a play with
// no start point); PAUSE during play keeps the place and the next PAUSE plays on from it.
TEST(CdSession, StopGoesBackToTheStartAndPauseTogglesFromWhereItIs) {
  const MemoryDisc in(3, MemoryTrack{5, true});
  Disc disc(&in);
  DWORD stoppedAt = 0, replayed = 0, pausedAt = 0, paused = 0, resumedAt = 0, playing = 0;
  disc.At(0.5, [] { Press(NextButton); });
  disc.At(2.0, [] { Press(StopButton); });
  disc.At(2.1, [&] { stoppedAt = CdPosition(MainWindow, CdDeviceId); });
  disc.At(2.2, [] { Press(PauseButton); });
  disc.At(3.3, [&] {
    replayed = Playing();
    Press(PauseButton);
  });
  disc.At(3.4, [&] {
    paused = Mode();
    pausedAt = CdPosition(MainWindow, CdDeviceId);
  });
  disc.At(4.4, [] { Press(PauseButton); });
  disc.At(4.41, [&] {
    playing = Mode();
    resumedAt = CdPosition(MainWindow, CdDeviceId);
  });
  disc.Run(4.6);
  EXPECT_EQ(stoppedAt, MCI_MAKE_TMSF(1, 0, 0, 0));
  EXPECT_EQ(replayed, 1u);
  EXPECT_EQ(paused, static_cast<DWORD>(MCI_MODE_STOP));
  EXPECT_EQ(playing, static_cast<DWORD>(MCI_MODE_PLAY));
  // A second later the paused place has not moved (a sector or two of output lies between).
  EXPECT_EQ(pausedAt & 0xFFFFFF, MCI_MAKE_TMSF(1, 0, 1, 0));
  EXPECT_EQ(resumedAt & 0xFFFFFF, pausedAt & 0xFFFFFF);
  EXPECT_LE(MCI_TMSF_FRAME(resumedAt) - MCI_TMSF_FRAME(pausedAt), 2);
  EXPECT_TRUE(disc.boxes.empty());
}

TEST(CdSession, ADiscPutInWhileOrvelRunsPlaysAndOneTakenOutStops) {
  Disc disc(nullptr);
  MemoryDrive& drive = *disc.cd.drive;
  DWORD first = 0, firstCount = 0, second = 0, secondCount = 0, gone = 0;
  disc.At(0.3, [] { Press(PlayButton); });  // an empty drive: the play fails
  disc.At(0.5, [&] { drive.Insert(MemoryDisc(3, MemoryTrack{3, true})); });
  disc.At(0.6, [] { Press(PlayButton); });
  disc.At(0.8, [&] {
    first = Playing();
    firstCount = CdTrackCount(MainWindow, CdDeviceId);
  });
  disc.At(1.2, [&] {
    drive.Eject();
    drive.Insert(MemoryDisc(5, MemoryTrack{3, true}));
    Press(NextButton);
  });
  disc.At(1.5, [&] {
    second = Playing();
    secondCount = CdTrackCount(MainWindow, CdDeviceId);
  });
  disc.At(2.0, [&] { drive.Eject(); });
  disc.At(2.5, [&] { gone = Mode(); });
  disc.Run(2.6);
  EXPECT_EQ(first, 1u);
  EXPECT_EQ(firstCount, 3u);
  EXPECT_EQ(second, 2u);
  EXPECT_EQ(secondCount, 5u);
  EXPECT_EQ(gone, static_cast<DWORD>(MCI_MODE_OPEN));
  EXPECT_EQ(disc.boxes, std::vector<std::string>{"Could not Play CD"});
}

// An enhanced CD: two audio tracks and a data track. It plays without a word: NEXT and the
// keypad reach the data track and play nothing, play stops at the end of the audio, and the
// tick keeps the current track on the audio that played.
TEST(CdSession, AnEnhancedCdPlaysItsAudioAndNeverComplains) {
  const MemoryDisc in = {{2, true}, {2, true}, {2, false}};
  Disc disc(&in);
  DWORD count = 0, ranOut = 0, onData = 0, keyedData = 0, wrapped = 0;
  std::string line;
  int trackAfterEnd = 0, trackOnData = 0;
  disc.At(0.2, [] { Press(ClockButton); });
  disc.At(0.3, [&] {
    Press(NextButton);  // track 2, which runs into the data track at 2.3 s
    count = CdTrackCount(MainWindow, CdDeviceId);
  });
  disc.At(3.2, [&] {
    ranOut = Mode();
    line = StatusText;
    trackAfterEnd = CurrentTrack;
    Press(NextButton);  // the data track
  });
  disc.At(3.3, [&] { onData = Mode(); });
  disc.At(3.4, [] { Keys({0, 3}); });
  disc.At(3.5, [&] { keyedData = Mode(); });
  disc.At(4.2, [&] {
    trackOnData = CurrentTrack;
    Press(NextButton);  // from the last track: track 1
  });
  disc.At(4.4, [&] { wrapped = Playing(); });
  disc.Run(4.5);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(ranOut, static_cast<DWORD>(MCI_MODE_STOP));
  EXPECT_EQ(line, "T:02 00:01 ");
  EXPECT_EQ(trackAfterEnd, 2);
  EXPECT_EQ(onData, static_cast<DWORD>(MCI_MODE_STOP));
  EXPECT_EQ(keyedData, static_cast<DWORD>(MCI_MODE_STOP));
  EXPECT_EQ(trackOnData, 3);
  EXPECT_EQ(wrapped, 1u);
  EXPECT_TRUE(disc.boxes.empty());
}

TEST(CdSession, TheDeviceIsSharedWhileOpenAndLetGoWithTheWindow) {
  const MemoryDisc in(3, MemoryTrack{3, true});
  Disc disc(&in);
  MCIERROR shared = 1;
  MCIDEVICEID sharedId = 0;
  disc.At(0.5, [&] {
    MCI_OPEN_PARMSA open = {};
    open.lpstrDeviceType = "cdaudio";
    shared = mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_SHAREABLE,
                             reinterpret_cast<DWORD_PTR>(&open));
    sharedId = open.wDeviceID;
    if (shared == 0) mciSendCommandA(sharedId, MCI_CLOSE, 0, 0);
  });
  disc.Run(1.0);
  EXPECT_EQ(shared, 0u);
  EXPECT_EQ(sharedId, CdDeviceId);
  // Closed with the window: the device is gone and the player has let the drive go.
  MCI_STATUS_PARMS status = {};
  status.dwItem = MCI_STATUS_MODE;
  EXPECT_EQ(mciSendCommandA(CdDeviceId, MCI_STATUS, MCI_STATUS_ITEM,
                            reinterpret_cast<DWORD_PTR>(&status)),
            static_cast<MCIERROR>(MCIERR_INVALID_DEVICE_ID));
  EXPECT_EQ(disc.cd.disc.use_count(), 3);  // the test's, the session's and the chooser's
}

struct StripCase {
  int tracks;
  bool clock;  // the clock button pressed: each tick draws the strip with the highlight
  int play;    // the track the keypad plays
  bool shown;  // cells drawn at all
};

class CdTrackStrip : public testing::TestWithParam<StripCase> {};

TEST_P(CdTrackStrip, ShowsTheTracksAndHighlightsThePlayingOne) {
  const StripCase c = GetParam();
  const MemoryDisc in(c.tracks, MemoryTrack{3, true});
  Disc disc(&in);
  gdi::Surface window;
  if (c.clock) disc.At(0.3, [] { Press(ClockButton); });
  disc.At(0.4, [&] { Keys({c.play / 10, c.play % 10}); });
  disc.At(1.5, [&] { window = *headless::WindowSurface(MainWindow); });
  disc.Run(1.6);
  // Track i + 1's cell is (230 + 15 i, 310)-(245 + 15 i, 325): a raised box with its number,
  // the current track's lit in green, cut off at the status strip's edge, x 542.
  ExpectPanel(window, RECT{225, 305, 542, 330}, [&](HDC dc) {
    HRGN strip = CreateRectRgn(20, 48, 542, 400);
    SelectClipRgn(dc, strip);
    DeleteObject(strip);
    for (int i = 0; c.shown && i < c.tracks; ++i) {
      const std::string label = std::to_string(i + 1);
      const bool lit = c.clock && i + 1 == c.play;
      DrawBoxedText(dc, 230 + 15 * i, 310, 245 + 15 * i, 325, "Ariel", 10, 0, TextAlignCentre,
                    label.c_str(), lit ? 150 : 80, lit ? 150 : 80, lit ? 120 : 50, lit ? 0 : 180,
                    lit ? 255 : 180, lit ? 0 : 150);
    }
  });
}

// Painting draws the strip for 3 to 19 tracks; the tick draws it for any count while the
// current track is below 20, cut off by the clip at x 542.
INSTANTIATE_TEST_SUITE_P(Discs, CdTrackStrip,
                         testing::Values(StripCase{3, false, 2, true},
                                         StripCase{19, false, 2, true},
                                         StripCase{20, false, 2, false},
                                         StripCase{2, false, 2, false}, StripCase{2, true, 2, true},
                                         StripCase{3, true, 2, true}, StripCase{25, true, 19, true},
                                         StripCase{25, true, 20, false}));

// The position line appears only once the clock is on; each tick then shows the position and
// takes CurrentTrack from it (here from a keypad play, which does not set CurrentTrack).
TEST(CdSession, PositionLineShowsOnceTheClockIsOnAndSetsTheCurrentTrack) {
  const MemoryDisc in(3, MemoryTrack{6, true});
  Disc disc(&in);
  gdi::Surface hidden, shown;
  std::string line;
  int before = 0, after = 0;
  disc.At(0.3, [] { Press(NextButton); });  // track 2
  disc.At(0.4, [] { Keys({0, 3}); });       // track 3, from 0.4 s
  disc.At(2.5, [&] {
    hidden = *headless::WindowSurface(MainWindow);
    before = CurrentTrack;
    Press(ClockButton);
  });
  // The clock ticks every second from the start: the tick at 4 s reads 3.6 s into track 3.
  disc.At(4.2, [&] {
    shown = *headless::WindowSurface(MainWindow);
    line = StatusText;
    after = CurrentTrack;
  });
  disc.Run(4.3);
  EXPECT_EQ(before, 2);
  EXPECT_EQ(after, 3);
  EXPECT_EQ(line, "T:03 00:03 ");
  // Right of the date line, where only the position line is drawn.
  const RECT area = {420, 48, 542, 75};
  ExpectPanel(hidden, area, [](HDC) {});
  ExpectPanel(shown, area, [](HDC dc) {
    DrawOpaqueText(dc, 400, 48, 375, 75, "Ariel", 32, 0, TextAlignLeft, "T:03 00:03 ", 0, 0, 0, 180,
                   180, 150);
  });
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

// Orvel in a pseudo-terminal: the terminal is left as it was found however the program ends,
// and clicks and keys reach the window.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "host/terminal/blocks.h"
#include "pty_program.h"

namespace orvel::test {
namespace {

// The cells that show the window's client rectangle (left, top, right, bottom), as colours.
std::vector<uint32_t> Region(const PtyProgram& program, const terminal::Fit& fit, RECT r) {
  const int col0 = fit.firstCol() + r.left * fit.shownWidth() / fit.width();
  const int col1 = fit.firstCol() + r.right * fit.shownWidth() / fit.width();
  const int row0 = fit.firstRow() + r.top * fit.shownHeight() / fit.height() / 2;
  const int row1 = fit.firstRow() + r.bottom * fit.shownHeight() / fit.height() / 2;
  std::vector<uint32_t> colours;
  for (int row = row0; row < row1; ++row) {
    for (int col = col0; col < col1; ++col) {
      uint32_t upper = 1u << 24, lower = 1u << 24;
      program.screen.CellPixels(col, row, &upper, &lower);
      colours.push_back(upper);
      colours.push_back(lower);
    }
  }
  return colours;
}

// The position in an SGR mouse report ("col;row", 1-based) of the cell that shows window
// pixel (x, y).
std::string CellOf(const terminal::Fit& fit, int x, int y) {
  const int col = fit.firstCol() + x * fit.shownWidth() / fit.width() + 1;
  const int row = fit.firstRow() + y * fit.shownHeight() / fit.height() / 2 + 1;
  return std::to_string(col) + ";" + std::to_string(row);
}

// The share of a region's pixels that are light (every channel above 120): a box over the
// display (the About box) rather than the display.
double LightShare(const PtyProgram& program, const terminal::Fit& fit, const RECT& r) {
  const std::vector<uint32_t> colours = Region(program, fit, r);
  int light = 0;
  for (uint32_t c : colours)
    light += (c >> 16 & 0xFF) > 120 && (c >> 8 & 0xFF) > 120 && (c & 0xFF) > 120;
  return colours.empty() ? 0 : static_cast<double>(light) / colours.size();
}

// Reads until Orvel has taken the terminal over, answers its box (there is no CD drive) and
// then the About box with Enter, and reads until the display shows without it.
void Start(PtyProgram* program) {
  ASSERT_TRUE(program->ReadUntil([program] {
    return program->screen.altScreen && program->screen.mouse != 0 &&
           !program->screen.cursorVisible && program->RowWith("[ OK ]") >= 0;
  }));
  program->Type("\r");
  const terminal::Fit fit(561, 411, program->screen.cols(), program->screen.rows());
  const RECT middle = {200, 150, 360, 250};  // within the About box
  ASSERT_TRUE(program->ReadUntil([&] {
    return program->RowWith("[ OK ]") < 0 && LightShare(*program, fit, middle) > 0.25;
  })) << program->Dump();
  program->Type("\r");
  ASSERT_TRUE(program->ReadUntil([&] { return LightShare(*program, fit, middle) < 0.1; }));
}

void ExpectRestored(const PtyProgram& program) {
  EXPECT_FALSE(program.screen.altScreen);
  EXPECT_TRUE(program.screen.cursorVisible);
  EXPECT_EQ(program.screen.mouse, 0);
  EXPECT_TRUE(program.ModesRestored());
}

// Without a display, Orvel draws in the terminal that its output goes to, and says so on the
// terminal's main screen, where it stays after the run.
TEST(TerminalSession, WithoutADisplayTheTerminalIsUsed) {
  PtyProgram program(100, 30, {"--input", "demo"});
  Start(&program);
  program.Type("q");
  EXPECT_EQ(program.Finish(), 0);
  ExpectRestored(program);
  EXPECT_GE(program.RowWith("drawing in this terminal instead"), 0);
}

// A resized terminal gets the picture fitted to its new size: 561 x 411 in 60 x 20 cells is
// 54 x 40 pixels from column 3, where in 100 x 30 cells it started at column 9.
TEST(TerminalSession, AResizedTerminalIsFittedAgain) {
  PtyProgram program(100, 30, {"--terminal=blocks", "--input", "demo"});
  Start(&program);
  // The top row: the window's top panel where the picture is, nothing on either side.
  auto topRowIs = [&](int from, int to) {
    for (int col = 0; col < program.screen.cols(); ++col) {
      uint32_t upper = 0, lower = 0;
      const bool lit = program.screen.CellPixels(col, 0, &upper, &lower) && upper != 0;
      if (lit != (col >= from && col < to)) return false;
    }
    return true;
  };
  EXPECT_TRUE(topRowIs(9, 90));
  program.Resize(60, 20);
  EXPECT_TRUE(program.ReadUntil([&] { return topRowIs(3, 57); }));
  program.Type("q");
  EXPECT_EQ(program.Finish(), 0);
}

struct WayOut {
  const char* name;
  std::function<void(PtyProgram*)> act;
  std::vector<int> exitCodes;  // one of these; -N: ended by signal N
};

class TerminalWayOut : public testing::TestWithParam<WayOut> {};

TEST_P(TerminalWayOut, LeavesTheTerminalAsItWas) {
  PtyProgram program(100, 30, {"--terminal", "--input", "demo"});
  Start(&program);
  GetParam().act(&program);
  const int code = program.Finish();
  EXPECT_THAT(GetParam().exitCodes, testing::Contains(code));
  ExpectRestored(program);
}

std::string NameOf(const testing::TestParamInfo<WayOut>& info) {
  return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Ways, TerminalWayOut,
    testing::Values(
        WayOut{"QKey", [](PtyProgram* p) { p->Type("q"); }, {0}},
        WayOut{"CtrlC", [](PtyProgram* p) { p->Type("\x03"); }, {0}},
        WayOut{"Sigterm", [](PtyProgram* p) { kill(p->pid, SIGTERM); }, {0}},
        WayOut{"Sighup", [](PtyProgram* p) { kill(p->pid, SIGHUP); }, {0}},
        WayOut{"Sigint", [](PtyProgram* p) { kill(p->pid, SIGINT); }, {0}},
        // A second signal ends the program at once (unless the first has ended it already).
        WayOut{"SecondSigterm",
               [](PtyProgram* p) {
                 kill(p->pid, SIGTERM);
                 kill(p->pid, SIGTERM);
               },
               {0, 128 + SIGTERM}},
        WayOut{"Crash", [](PtyProgram* p) { kill(p->pid, SIGSEGV); }, {-SIGSEGV}},
        WayOut{"Abort", [](PtyProgram* p) { kill(p->pid, SIGABRT); }, {-SIGABRT}}),
    NameOf);

// Whether two pictures of a region are alike: every colour within twice the tolerance of
// half blocks for a shrunk picture (16 a channel), as each may be off by it.
bool Alike(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    for (int shift : {0, 8, 16, 24}) {
      if (abs(static_cast<int>((a[i] >> shift) & 0xFF) - static_cast<int>((b[i] >> shift) & 0xFF)) >
          32) {
        return false;
      }
    }
  }
  return true;
}

// A press on a button shows it pressed and the release lets it go: the terminal's mouse
// reports reach the window at the button's pixels.
TEST(TerminalSession, ClicksReachTheWindowsButtons) {
  const int cols = 120, rows = 40;
  PtyProgram program(cols, rows, {"--terminal", "--input", "demo"});
  Start(&program);
  const terminal::Fit fit(561, 411, cols, rows);
  const RECT gauge = {280, 371, 340, 396};  // the gauge button
  const std::vector<uint32_t> up = Region(program, fit, gauge);
  // The report names the cell that shows the button's centre.
  const std::string report = CellOf(fit, 310, 383);
  program.Type("\x1b[<0;" + report + "M");
  EXPECT_TRUE(program.ReadUntil([&] { return !Alike(Region(program, fit, gauge), up); }));
  program.Type("\x1b[<0;" + report + "m");
  EXPECT_TRUE(program.ReadUntil([&] { return Alike(Region(program, fit, gauge), up); }));
  program.Type("q");
  EXPECT_EQ(program.Finish(), 0);
  ExpectRestored(program);
}

// A number from the window thread's entry in /proc (the program's first thread): `field` of
// file `file`, 0 when it is not there.
uint64_t ThreadCount(pid_t pid, const char* file, const char* field) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/" + file);
  std::string name;
  uint64_t value = 0;
  while (in >> name) {
    if (name == field && in >> value) return value;
  }
  return 0;
}

// The time the window thread has run, in nanoseconds: it grows with each frame drawn, and not
// at all while the thread is blocked in a write.
uint64_t Worked(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/schedstat");
  uint64_t nanos = 0;
  in >> nanos;
  return nanos;
}

// The bytes that the window thread has written: the terminal's, as nothing else writes there.
uint64_t Written(pid_t pid) {
  return ThreadCount(pid, "io", "wchar:");
}

// Waits up to 30 s for `done`, looking every 10 ms.
bool WaitFor(const std::function<bool()>& done) {
  for (int i = 0; i < 3000 && !done(); ++i) usleep(10000);
  return done();
}

// How many pixels of a region are red: the spectrum bars' red baseline.
int RedPixels(const PtyProgram& program, const terminal::Fit& fit, const RECT& r) {
  int red = 0;
  for (uint32_t c : Region(program, fit, r)) {
    const uint32_t cr = c >> 16 & 0xFF, cg = c >> 8 & 0xFF, cb = c & 0xFF;
    red += c < (1u << 24) && cr > 60 && cr > 2 * cg && cr > 2 * cb;
  }
  return red;
}

// While the terminal reads nothing, Orvel goes on (its window thread keeps waking, a click
// is handled) and sends at most the frame that it was sending: it waits for the terminal to
// answer for that one. When the terminal reads again, the picture after that frame is the
// current one: the spectrum bars chosen during the stall.
TEST(TerminalSession, AStalledTerminalSkipsFramesAndThenShowsTheCurrentPicture) {
  const int cols = 80, rows = 24;
  PtyProgram program(cols, rows, {"--terminal=blocks", "--input", "demo"});
  Start(&program);
  const terminal::Fit fit(561, 411, cols, rows);
  const RECT baseline = {40, 288, 530, 310};  // the bars' red baseline, y 297-300
  const int columns = (fit.firstCol() + 530 * fit.shownWidth() / fit.width()) -
                      (fit.firstCol() + 40 * fit.shownWidth() / fit.width());
  ASSERT_LT(RedPixels(program, fit, baseline), columns / 4) << "the sphere shows, not the bars";

  // The reader stops; the bars button (280, 341, 60 x 25) is clicked at its centre.
  const uint64_t worked = Worked(program.pid), written = Written(program.pid);
  const std::string at = CellOf(fit, 310, 353);
  program.Type("\x1b[<0;" + at + "M\x1b[<0;" + at + "m");
  // 25 ms of the window thread's time are some hundred frames, three seconds or more here: 120 KB
  // of bars at 42 KB a second, were they all sent.
  ASSERT_TRUE(WaitFor([&] { return Worked(program.pid) >= worked + 25000000; }))
      << "the window thread stopped while the terminal read nothing";
  // Only the frame that was going out when the reader stopped: some hundred bytes here, where
  // three seconds of frames would be 120 KB, and the kernel alone would take 18 KB of them.
  const uint64_t stalled = Written(program.pid) - written;
  EXPECT_LT(stalled, 16384u);

  // The terminal reads again: what was stalled, then, in the next frame, the bars.
  const size_t before = program.received;
  EXPECT_TRUE(program.ReadUntil([&] { return RedPixels(program, fit, baseline) > columns; }))
      << program.Dump();
  EXPECT_LT(program.received - before, stalled + 16384u);
  program.Type("q");
  EXPECT_EQ(program.Finish(), 0);
  ExpectRestored(program);
}

}  // namespace
}  // namespace orvel::test

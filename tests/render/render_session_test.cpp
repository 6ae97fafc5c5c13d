// The render against the program itself: a rendered frame is the headless window at the same
// moment, script actions press the buttons they name, and the showcase visits every display.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include <windows.h>

#include "app/state.h"
#include "displays/pattern_cells.h"
#include "host/headless.h"
#include "host/render/script.h"
#include "run_orvel.h"
#include "session.h"

namespace {

using orvel::gdi::Surface;
using orvel::render::Action;
using orvel::test::RunOrvel;
using orvel::test::Session;

constexpr int kWidth = 561, kHeight = 411;
constexpr size_t kFrameBytes = size_t{kWidth} * kHeight * 3;

// Frame k of a raw render, as window pixels.
Surface RawFrame(const std::string& raw, int k) {
  Surface s(kWidth, kHeight);
  const auto* p = reinterpret_cast<const uint8_t*>(raw.data()) + kFrameBytes * k;
  for (size_t i = 0; i < s.pixels.size(); ++i) {
    s.pixels[i] = uint32_t{p[3 * i]} << 16 | uint32_t{p[3 * i + 1]} << 8 | p[3 * i + 2];
  }
  return s;
}

int LitInDisplay(const Surface& s) {
  int lit = 0;
  for (int y = kDisplayArea.top; y < kDisplayArea.bottom; ++y)
    for (int x = kDisplayArea.left; x < kDisplayArea.right; ++x) lit += s.At(x, y) != 0;
  return lit;
}

// Clicks the middle of a button as the mouse would, from the button's own window rectangle.
void ClickButton(HWND button) {
  RECT b, frame, client;
  GetWindowRect(button, &b);
  GetWindowRect(MainWindow, &frame);
  GetClientRect(MainWindow, &client);
  const int border = (frame.right - frame.left - client.right) / 2;
  const int left = frame.left + border, top = frame.bottom - border - client.bottom;
  orvel::headless::Click(MainWindow, (b.left + b.right) / 2 - left, (b.top + b.bottom) / 2 - top);
}

TEST(RenderSession, FramesAreTheWindowAtTheirMomentAndTheScriptClickLandsOnItsFrame) {
  const std::string dir = orvel::test::Scratch("exact");
  ASSERT_FALSE(dir.empty());
  std::ofstream(dir + "/script.txt") << "# bars at one second\n0:01 click bars\n";
  const auto o = RunOrvel("--input demo --render - --seconds 1.5 --script " + dir + "/script.txt",
                          dir + "/frames.rgb");
  ASSERT_EQ(o.exitCode, 0) << o.errors;
  const std::string raw = orvel::test::ReadAll(dir + "/frames.rgb");
  ASSERT_EQ(raw.size(), kFrameBytes * 46);  // 1.5 s in 33 ms frames, the last one partly

  // The same session by hand: the About box answered at once, the bars button at 1 s.
  std::vector<int> frames(46);  // every one
  for (int k = 0; k < 46; ++k) frames[k] = k;
  std::vector<Surface> window(frames.size());
  Session session;
  session.UseDemo();
  session.CloseAbout(0.0);
  session.OnWindowThread(1.0, [] { ClickButton(BarsButton); });
  for (size_t i = 0; i < frames.size(); ++i) session.Snapshot((frames[i] + 1) * 0.033, &window[i]);
  session.Close(1.6);
  ASSERT_EQ(session.Run().exitCode, 0);

  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_TRUE(RawFrame(raw, frames[i]).pixels == window[i].pixels) << "frame " << frames[i];
  }
  // Frame 30 (0.990 s to 1.023 s) holds the click: the display is blanked and the first bars
  // come in frame 31, while frame 29 still shows the sphere.
  EXPECT_GT(LitInDisplay(RawFrame(raw, 29)), 100);
  EXPECT_EQ(LitInDisplay(RawFrame(raw, 30)), 0);
  EXPECT_GT(LitInDisplay(RawFrame(raw, 31)), 100);
}

struct State {
  int mode, variant, kind, speed, colour, clock, track, playing;
};

State Observe() {
  return State{DisplayMode, SphereVariant, PatternCells[5].kind, SpeedSetting,
               ColorIndex,  ClockStage,    EnteredTrack,         CdPlaying};
}

TEST(RenderSession, ScriptActionsPressWhatTheyName) {
  struct Row {
    const char* action;
    int State::*field;
    int expected;
  };
  const Row rows[] = {
      {"click dots", &State::mode, 0},
      {"click bezier", &State::mode, 1},
      {"click extents", &State::mode, 2},
      {"command 11845", &State::mode, 3},
      {"command 11846", &State::mode, 4},
      {"click gauge", &State::mode, 5},
      {"click bars", &State::mode, 6},
      {"click circles", &State::kind, 1},
      {"click rings", &State::kind, 2},
      {"click triangles", &State::kind, 3},
      {"click triangle-rings", &State::kind, 4},
      {"click stars", &State::kind, 5},
      {"click star-rings", &State::kind, 6},
      {"click random", &State::mode, 7},
      {"click sphere", &State::variant, 1},
      {"click sphere", &State::mode, 8},
      {"click colour", &State::colour, 1},
      {"click clock", &State::clock, 1},
      {"click time", &State::mode, 10},
      {"click clock", &State::mode, 1},
      {"scroll +5", &State::speed, 35},
      {"scroll -7", &State::speed, 28},
      {"key 0 7", &State::track, 7},
      {"key 1 2", &State::track, 12},
      {"click play", &State::playing, 1},
  };
  std::string text;
  for (size_t i = 0; i < std::size(rows); ++i) {
    text += "0:" + std::to_string(10 + i) + " " + rows[i].action + "\n";
  }
  std::vector<Action> actions;
  std::string error;
  ASSERT_TRUE(orvel::render::ParseScript(text, "table", &actions, &error)) << error;
  ASSERT_EQ(actions.size(), std::size(rows));

  std::vector<State> seen(std::size(rows));
  Session session;
  session.CloseAbout(0.0);
  for (size_t i = 0; i < actions.size(); ++i) {
    const Action a = actions[i];
    session.At(a.micros / 1e6, [a] { orvel::render::Perform(a, MainWindow); });
    session.OnWindowThread(a.micros / 1e6 + 0.5, [&seen, i] { seen[i] = Observe(); });
  }
  session.Close(40);
  ASSERT_EQ(session.Run().exitCode, 0);
  for (size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(seen[i].*rows[i].field, rows[i].expected) << rows[i].action;
  }
}

TEST(RenderSession, ShowcaseVisitsEveryDisplayVariantAndKind) {
  const std::vector<Action> showcase = orvel::render::Showcase();
  ASSERT_GT(showcase.size(), 15u);
  std::set<int> modes, variants, kinds;
  Session session;
  session.CloseAbout(0.0);
  const auto look = [&] {
    const State s = Observe();
    modes.insert(s.mode);
    if (s.mode == 8) variants.insert(s.variant);
    if (s.mode == 7) kinds.insert(s.kind);
  };
  session.OnWindowThread(0.5, look);
  for (const Action& a : showcase) {
    session.At(a.micros / 1e6, [a] { orvel::render::Perform(a, MainWindow); });
    session.OnWindowThread(a.micros / 1e6 + 0.4, look);
  }
  ASSERT_LT(showcase.back().micros, 64000000);  // within the demo music
  session.Close(showcase.back().micros / 1e6 + 1);
  ASSERT_EQ(session.Run().exitCode, 0);
  EXPECT_EQ(modes, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 10}));
  EXPECT_EQ(variants, (std::set<int>{0, 1, 2, 3}));
  EXPECT_EQ(kinds, (std::set<int>{1, 2, 3, 4, 5, 6}));
}

}  // namespace

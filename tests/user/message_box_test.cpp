// The message box that the window layer draws itself (the browser shows it as a window).
#include <windows.h>

#include "fixture.h"
#include "gdi/surface.h"

namespace orvel::test {
namespace {

constexpr char kNoDrive[] =
    "* Could not open CD Device *\n You can still use Orvel to visualise the music without the "
    "CD Player!";

// What the box looked like when it waited for its answer.
struct Seen {
  std::string title;
  int width = 0, height = 0;  // client pixels
  RECT ok{};                  // the OK button, client pixels
  bool ownerEnabled = true;
  std::vector<int> inkRows;  // rows with text-dark pixels left of the button's row
  int inkRight = 0;          // one past the rightmost text-dark pixel
};

bool IsInk(uint32_t pixel) {
  return (pixel & 0xFF) < 0x60 && ((pixel >> 8) & 0xFF) < 0x60 && ((pixel >> 16) & 0xFF) < 0x60;
}

Seen Look(HWND box, HWND owner) {
  Seen seen;
  user::Window* w = user::Find(box);
  seen.title = w->text;
  seen.width = w->clientW;
  seen.height = w->clientH;
  seen.ok = user::Find(w->children.at(0))->rect;
  seen.ownerEnabled = user::Find(owner)->enabled;
  const gdi::Surface* s = headless::WindowSurface(box);
  for (int y = 0; y < seen.ok.top; ++y) {
    bool ink = false;
    for (int x = 0; x < s->width; ++x) {
      if (!IsInk(s->pixels[static_cast<size_t>(y) * s->width + x])) continue;
      ink = true;
      seen.inkRight = std::max(seen.inkRight, x + 1);
    }
    if (ink) seen.inkRows.push_back(y);
  }
  return seen;
}

class MessageBoxTest : public WindowTest {
 protected:
  // Shows the box; at one second it is looked at and answered by `answer`.
  int Show(const std::string& text, std::function<void(HWND)> answer, Seen* seen) {
    if (main_ == nullptr) main_ = MainWindow();
    HWND main = main_;
    clock::ScheduleAt(1'000'000, [=] {
      HWND box = headless::ActiveDialog();
      *seen = Look(box, main);
      answer(box);
    });
    return user::ShowDrawnMessageBox(main, text, "Orvel");
  }

  HWND main_ = nullptr;
};

TEST_F(MessageBoxTest, ShowsTheTextAboveACentredOkButtonAndEachAnswerCloses) {
  const std::vector<std::pair<const char*, std::function<void(HWND)>>> answers = {
      {"Enter", [](HWND box) { headless::Key(box, VK_RETURN); }},
      {"Esc", [](HWND box) { headless::Key(box, VK_ESCAPE); }},
      {"a click on OK",
       [](HWND box) {
         RECT ok = user::Find(user::Find(box)->children.at(0))->rect;
         headless::Click(box, (ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2);
       }},
  };
  for (const auto& [how, answer] : answers) {
    SCOPED_TRACE(how);
    const int objects = gdi::LiveObjectsTotal();
    Seen seen;
    EXPECT_EQ(Show(kNoDrive, answer, &seen), IDOK);
    EXPECT_EQ(seen.title, "Orvel");
    EXPECT_FALSE(seen.ownerEnabled);
    // The button: 50 x 14 dialog units of 6 x 13 pixels per 4 x 8, centred, 8 units from the
    // bottom.
    EXPECT_EQ(seen.ok.right - seen.ok.left, 75);
    EXPECT_EQ(seen.ok.bottom - seen.ok.top, 23);
    EXPECT_LE(std::abs(seen.ok.left + seen.ok.right - seen.width), 1);
    EXPECT_EQ(seen.height - seen.ok.bottom, 13);
    // Two lines of text from 12 pixels in, the box just wider than the longer.
    ASSERT_FALSE(seen.inkRows.empty());
    EXPECT_GE(seen.inkRows.front(), 13);
    EXPECT_GT(seen.inkRows.back() - seen.inkRows.front(), 13);
    EXPECT_LT(seen.inkRows.back() - seen.inkRows.front(), 2 * 13 + 2);
    EXPECT_GT(seen.inkRight, seen.width - 20);
    EXPECT_LE(seen.inkRight, seen.width - 12);
    // Gone, and the owner usable again, with nothing left behind.
    EXPECT_EQ(headless::TopLevelWindows(), std::vector<HWND>{main_});
    EXPECT_TRUE(user::Find(main_)->enabled);
    EXPECT_EQ(gdi::LiveObjectsTotal(), objects);
  }
}

TEST_F(MessageBoxTest, ALongLineIsWrappedAtSpacesWithinFiveEighthsOfTheScreen) {
  // The headless host's work area is 1024 pixels wide: lines of at most 640.
  std::string text;
  for (int i = 0; i < 40; ++i) text += "word" + std::to_string(i) + " ";
  text += std::string(200, 'W');  // one word wider than a line: cut where it must be
  Seen seen;
  EXPECT_EQ(Show(
                text, [](HWND box) { headless::Key(box, VK_RETURN); }, &seen),
            IDOK);
  EXPECT_LE(seen.inkRight, 12 + 640);
  EXPECT_GT(seen.inkRight, 12 + 600);
  EXPECT_GE(seen.inkRows.back() - seen.inkRows.front(), 3 * 13);
}

}  // namespace
}  // namespace orvel::test

#include <windows.h>

#include "fixture.h"

namespace orvel::test {
namespace {

// The app's speed bar: 125 x 10 at (345, 386), range 0..50. Arrows are 16 pixels wide, so the
// thumb (16 wide) travels 77 pixels between x 16 and 93 of the bar.
class ScrollBar : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    main_ = MainWindow();
    bar_ = CreateWindowExA(0, "SCROLLBAR", " ", WS_CHILD, 345, 386, 125, 10, main_, nullptr,
                           nullptr, nullptr);
    ShowWindow(bar_, SW_SHOWNORMAL);
    SendMessageA(bar_, SBM_SETRANGE, 0, 50);
    SendMessageA(bar_, SBM_SETPOS, 30, TRUE);
    Hook() = [](HWND, UINT msg, WPARAM, LPARAM, bool* handled) -> LRESULT {
      if (msg != WM_CTLCOLORSCROLLBAR) return 0;
      *handled = true;
      return reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH));
    };
    Drain();
    Log().clear();
  }

  std::vector<int> Codes() {
    std::vector<int> codes;
    for (const Seen& s : Only(WM_HSCROLL)) {
      EXPECT_EQ(reinterpret_cast<HWND>(s.lParam), bar_);
      codes.push_back(LOWORD(s.wParam));
    }
    return codes;
  }

  HWND main_ = nullptr;
  HWND bar_ = nullptr;
};

TEST_F(ScrollBar, ArrowHeldOneSecondRepeatsAfter200msThenEvery50ms) {
  int64_t t0 = clock::NowMicros();
  headless::MouseDown(main_, 345 + 5, 390);
  clock::ScheduleAt(t0 + 1'000'000, [this] { headless::MouseUp(main_, 350, 390); });
  RunUntil(t0 + 1'100'000);
  // At 0, 200, 250, ..., 950 ms: 1 + 1 + 15 line codes; the release at 1000 ms comes first.
  std::vector<int> expected(17, SB_LINELEFT);
  expected.push_back(SB_ENDSCROLL);
  EXPECT_EQ(Codes(), expected);
  auto scrolls = Only(WM_HSCROLL);
  EXPECT_EQ(scrolls[1].micros - t0, 200'000);
  EXPECT_EQ(scrolls[2].micros - t0, 250'000);
}

TEST_F(ScrollBar, RightArrowStopsRepeatingWhileTheMouseIsOffIt) {
  int64_t t0 = clock::NowMicros();
  headless::MouseDown(main_, 345 + 120, 390);
  clock::ScheduleAt(t0 + 100'000, [this] { headless::MouseMove(main_, 345 + 60, 390); });
  clock::ScheduleAt(t0 + 400'000, [this] { headless::MouseUp(main_, 345 + 60, 390); });
  RunUntil(t0 + 500'000);
  EXPECT_EQ(Codes(), (std::vector<int>{SB_LINERIGHT, SB_ENDSCROLL}));
}

TEST_F(ScrollBar, PageClicksBesideTheThumb) {
  // Position 30: the thumb's left edge at 16 + 77 * 30 / 50 = 62.
  headless::Click(main_, 345 + 30, 390);
  RunUntil(clock::NowMicros() + 600'000);
  headless::Click(main_, 345 + 100, 390);
  Drain();
  EXPECT_EQ(Codes(), (std::vector<int>{SB_PAGELEFT, SB_ENDSCROLL, SB_PAGERIGHT, SB_ENDSCROLL}));
}

TEST_F(ScrollBar, HeldPageAreaRepeatsLikeAnArrow) {
  int64_t t0 = clock::NowMicros();
  headless::MouseDown(main_, 345 + 100, 390);
  clock::ScheduleAt(t0 + 300'000, [this] { headless::MouseUp(main_, 345 + 100, 390); });
  RunUntil(t0 + 400'000);
  // At 0, 200 and 250 ms; the release at 300 ms comes before that tick.
  EXPECT_EQ(Codes(), (std::vector<int>{SB_PAGERIGHT, SB_PAGERIGHT, SB_PAGERIGHT, SB_ENDSCROLL}));
}

TEST_F(ScrollBar, ThumbDragTracksThenReportsThePosition) {
  headless::MouseDown(main_, 345 + 65, 390);   // on the thumb, 3 pixels into it
  headless::MouseMove(main_, 345 + 26, 390);   // thumb to 23: 7 of 77 pixels -> 5
  headless::MouseMove(main_, 345 + 300, 390);  // past the end -> 50
  headless::MouseUp(main_, 345 + 300, 390);
  Drain();
  std::vector<int> codes = Codes();
  EXPECT_EQ(codes,
            (std::vector<int>{SB_THUMBTRACK, SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL}));
  auto scrolls = Only(WM_HSCROLL);
  EXPECT_EQ(HIWORD(scrolls[0].wParam), 5);
  EXPECT_EQ(HIWORD(scrolls[1].wParam), 50);
  EXPECT_EQ(HIWORD(scrolls[2].wParam), 50);
  // The bar never moves itself.
  EXPECT_EQ(SendMessageA(bar_, SBM_GETPOS, 0, 0), 30);
}

TEST_F(ScrollBar, SetPosClampsAndRedrawsOnlyWhenAsked) {
  EXPECT_EQ(SendMessageA(bar_, SBM_SETPOS, 99, FALSE), 30);
  EXPECT_EQ(SendMessageA(bar_, SBM_GETPOS, 0, 0), 50);
  SendMessageA(bar_, SBM_SETPOS, -5, FALSE);
  EXPECT_EQ(SendMessageA(bar_, SBM_GETPOS, 0, 0), 0);

  // The thumb is drawn at the new place only after a redraw; the trough is the parent's brush.
  const gdi::Surface* s = headless::WindowSurface(main_);
  uint32_t atOldThumb = s->At(345 + 70, 390);
  EXPECT_NE(atOldThumb, 0u);  // still the thumb at 30
  SendMessageA(bar_, SBM_SETPOS, 0, TRUE);
  EXPECT_EQ(s->At(345 + 70, 390), 0u);  // black trough where the thumb was
  EXPECT_NE(s->At(345 + 20, 390), 0u);  // the thumb at 0, right of the left arrow

  // SBM_SETRANGE pulls the position in but draws nothing.
  SendMessageA(bar_, SBM_SETPOS, 40, FALSE);
  SendMessageA(bar_, SBM_SETRANGE, 0, 10);
  EXPECT_EQ(SendMessageA(bar_, SBM_GETPOS, 0, 0), 10);
  EXPECT_EQ(Only(WM_CTLCOLORSCROLLBAR).size(), 1u);  // asked only by the one redraw
}

}  // namespace
}  // namespace orvel::test

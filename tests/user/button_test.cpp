#include <windows.h>

#include "fixture.h"

namespace orvel::test {
namespace {

class OwnerDrawButton : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    main_ = MainWindow();
    button_ = WindowTest::OwnerDrawButton(main_, 20, 8, 60, 25);
    Drain();
    Log().clear();
  }

  // What the parent saw, as a compact script: "S1" a selected ODA_SELECT, "S0" an unselected
  // one, "E" ODA_DRAWENTIRE, "C" BN_CLICKED, "D" BN_DOUBLECLICKED.
  std::string Script() {
    std::string out;
    for (const Seen& s : Log()) {
      if (s.hwnd != main_) continue;
      if (s.msg == WM_DRAWITEM && s.drawItem == button_) {
        if (s.drawAction == ODA_SELECT) out += (s.drawState & ODS_SELECTED) ? "S1 " : "S0 ";
        if (s.drawAction == ODA_DRAWENTIRE) out += "E ";
      }
      if (s.msg == WM_COMMAND) {
        EXPECT_EQ(reinterpret_cast<HWND>(s.lParam), button_);
        EXPECT_EQ(LOWORD(s.wParam), 0);  // the control id, 0 here
        if (HIWORD(s.wParam) == BN_CLICKED) out += "C ";
        if (HIWORD(s.wParam) == BN_DOUBLECLICKED) out += "D ";
      }
    }
    return out;
  }

  HWND main_ = nullptr;
  HWND button_ = nullptr;
};

TEST_F(OwnerDrawButton, PressAndReleaseInsideSelectsTwiceThenClicks) {
  headless::MouseDown(main_, 30, 15);
  Drain();
  EXPECT_EQ(GetCapture(), button_);
  headless::MouseUp(main_, 31, 16);
  Drain();
  EXPECT_EQ(Script(), "S1 S0 C ");
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(OwnerDrawButton, ReleaseOutsideSendsNoCommandAndDragBackReselects) {
  headless::MouseDown(main_, 30, 15);
  headless::MouseMove(main_, 200, 200);  // off the button: drawn unselected
  headless::MouseMove(main_, 40, 20);    // back: selected again
  headless::MouseMove(main_, 300, 15);   // off again
  headless::MouseUp(main_, 300, 15);
  Drain();
  EXPECT_EQ(Script(), "S1 S0 S1 S0 ");
  // Released outside without moving first: still no command.
  RunUntil(clock::NowMicros() + 600'000);  // past the double-click time
  Log().clear();
  headless::MouseDown(main_, 30, 15);
  headless::MouseUp(main_, 500, 300);
  Drain();
  EXPECT_EQ(Script(), "S1 S0 ");
}

TEST_F(OwnerDrawButton, FastSecondPressIsADoubleClickDrawnAsAPress) {
  headless::DoubleClick(main_, 30, 15);
  Drain();
  EXPECT_EQ(Script(), "S1 S0 C D S1 S0 ");
  // A later press, after the double-click time, is an ordinary click again.
  Log().clear();
  RunUntil(clock::NowMicros() + 600'000);
  headless::Click(main_, 30, 15);
  Drain();
  EXPECT_EQ(Script(), "S1 S0 C ");
}

TEST_F(OwnerDrawButton, SlowSecondPressIsTwoClicks) {
  headless::Click(main_, 30, 15);
  RunUntil(clock::NowMicros() + 501'000);
  headless::Click(main_, 30, 15);
  Drain();
  EXPECT_EQ(Script(), "S1 S0 C S1 S0 C ");
}

TEST_F(OwnerDrawButton, ClicksBesideTheButtonGoToTheParent) {
  headless::Click(main_, 100, 100);
  Drain();
  EXPECT_EQ(Script(), "");
  EXPECT_EQ(Only(WM_LBUTTONDOWN).size(), 1u);
  EXPECT_EQ(Only(WM_LBUTTONDOWN)[0].lParam, MAKELPARAM(100, 100));
}

}  // namespace
}  // namespace orvel::test

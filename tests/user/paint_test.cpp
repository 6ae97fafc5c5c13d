#include <windows.h>

#include "fixture.h"

namespace orvel::test {
namespace {

using Painting = WindowTest;

LRESULT PaintRed(HWND hwnd, UINT msg, WPARAM, LPARAM, bool* handled) {
  if (msg != WM_PAINT) return 0;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT all{0, 0, 1000, 1000};
  FillRect(dc, &all, red);
  DeleteObject(red);
  EndPaint(hwnd, &ps);
  *handled = true;
  return 0;
}

TEST_F(Painting, ParentWithoutClipChildrenRepaintsFirstThenItsChildren) {
  HWND main = MainWindow();
  HWND a = OwnerDrawButton(main, 20, 8, 60, 25);
  HWND b = OwnerDrawButton(main, 85, 8, 60, 25);
  Drain();
  Log().clear();
  InvalidateRect(main, nullptr, FALSE);
  Drain();
  auto draws = Only(WM_DRAWITEM);
  ASSERT_EQ(Only(WM_PAINT).size(), 1u);
  ASSERT_EQ(draws.size(), 2u);
  // The parent's WM_PAINT comes before both children's WM_DRAWITEM.
  size_t paintAt = 0, firstDraw = 0;
  for (size_t i = 0; i < Log().size(); ++i) {
    if (Log()[i].msg == WM_PAINT && paintAt == 0) paintAt = i + 1;
    if (Log()[i].msg == WM_DRAWITEM && firstDraw == 0) firstDraw = i + 1;
  }
  EXPECT_LT(paintAt, firstDraw);
  EXPECT_EQ(draws[0].drawAction, static_cast<UINT>(ODA_DRAWENTIRE));
  EXPECT_EQ(draws[0].drawItem, a);
  EXPECT_EQ(draws[1].drawItem, b);

  // With WS_CLIPCHILDREN the children are left alone.
  HWND clipping = MainWindow(WS_CLIPCHILDREN);
  OwnerDrawButton(clipping, 0, 0, 10, 10);
  Drain();
  Log().clear();
  InvalidateRect(clipping, nullptr, FALSE);
  Drain();
  EXPECT_EQ(Only(WM_PAINT).size(), 1u);
  EXPECT_TRUE(Only(WM_DRAWITEM).empty());
}

TEST_F(Painting, EraseUsesTheClassBrushOnlyWhenAsked) {
  HWND main = MainWindow();
  Drain();
  Log().clear();
  const gdi::Surface* s = headless::WindowSurface(main);
  HDC dc = GetDC(main);
  HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  RECT all{0, 0, 561, 411};
  FillRect(dc, &all, white);
  ASSERT_EQ(s->At(100, 100), 0xFFFFFFu);

  InvalidateRect(main, nullptr, FALSE);
  Drain();
  EXPECT_EQ(s->At(100, 100), 0xFFFFFFu);  // no erase: the pixels stay
  EXPECT_TRUE(Only(WM_ERASEBKGND).empty());

  RECT part{50, 60, 150, 160};
  InvalidateRect(main, &part, TRUE);
  Drain();
  EXPECT_EQ(Only(WM_ERASEBKGND).size(), 1u);
  EXPECT_EQ(s->At(100, 100), 0x000000u);  // the class brush is black
  EXPECT_EQ(s->At(49, 100), 0xFFFFFFu);   // only the update rectangle
  EXPECT_EQ(s->At(150, 100), 0xFFFFFFu);
}

TEST_F(Painting, WindowDcKeepsItsClipRegionFromOneGetDcToTheNext) {
  HWND main = MainWindow();
  Drain();
  HDC first = GetDC(main);
  HRGN clip = CreateRectRgn(20, 100, 542, 300);
  SelectClipRgn(first, clip);
  DeleteObject(clip);
  EXPECT_EQ(ReleaseDC(main, first), 1);
  HDC again = GetDC(main);
  EXPECT_EQ(again, first);
  HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  RECT all{0, 0, 561, 411};
  FillRect(again, &all, white);
  const gdi::Surface* s = headless::WindowSurface(main);
  EXPECT_EQ(s->At(20, 100), 0xFFFFFFu);
  EXPECT_EQ(s->At(19, 100), 0u);
  EXPECT_EQ(s->At(541, 299), 0xFFFFFFu);
  EXPECT_EQ(s->At(542, 299), 0u);
}

TEST_F(Painting, ChildDrawsAtItsPlaceInTheParentSurface) {
  HWND main = MainWindow();
  Hook() = PaintRed;
  HWND child = CreateWindowExA(0, "RecordingClass", "", WS_CHILD | WS_VISIBLE, 40, 50, 10, 10, main,
                               nullptr, nullptr, nullptr);
  ASSERT_NE(child, nullptr);
  Hook() = nullptr;
  Drain();
  Log().clear();
  Hook() = [child](HWND hwnd, UINT msg, WPARAM w, LPARAM l, bool* handled) -> LRESULT {
    return hwnd == child ? PaintRed(hwnd, msg, w, l, handled) : 0;
  };
  InvalidateRect(child, nullptr, FALSE);
  Drain();
  const gdi::Surface* s = headless::WindowSurface(main);
  EXPECT_EQ(s->At(40, 50), 0xFF0000u);
  EXPECT_EQ(s->At(49, 59), 0xFF0000u);
  EXPECT_EQ(s->At(50, 59), 0u);  // the child's paint DC is clipped to the child
  EXPECT_EQ(s->At(39, 50), 0u);
}

TEST_F(Painting, APaintHandlerThatNeverBeginsIsAskedOnceAndOneThatReinvalidatesAgain) {
  HWND main = MainWindow();
  Drain();
  Log().clear();
  Hook() = [](HWND, UINT msg, WPARAM, LPARAM, bool* handled) -> LRESULT {
    *handled = msg == WM_PAINT;
    return 0;
  };
  InvalidateRect(main, nullptr, FALSE);
  Drain();
  EXPECT_EQ(Only(WM_PAINT).size(), 1u);

  Log().clear();
  int paints = 0;
  Hook() = [&paints](HWND hwnd, UINT msg, WPARAM w, LPARAM l, bool* handled) -> LRESULT {
    if (msg != WM_PAINT) return 0;
    PaintRed(hwnd, msg, w, l, handled);
    if (++paints == 1) InvalidateRect(hwnd, nullptr, FALSE);  // once more, please
    return 0;
  };
  InvalidateRect(main, nullptr, FALSE);
  Drain();
  EXPECT_EQ(paints, 2);
}

TEST_F(Painting, ThirtyOwnerDrawnButtonsPaintedAThousandTimesLeakNothing) {
  HWND main = MainWindow();
  for (int i = 0; i < 30; ++i) OwnerDrawButton(main, 5 + (i % 8) * 65, 5 + (i / 8) * 30, 60, 25);
  // The owner draws each face the way the app does: objects made and deleted per call.
  Hook() = [](HWND, UINT msg, WPARAM, LPARAM lParam, bool* handled) -> LRESULT {
    if (msg != WM_DRAWITEM) return 0;
    auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    HBRUSH brush = CreateSolidBrush(RGB(200, 200, 160));
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HGDIOBJ oldBrush = SelectObject(dis->hDC, brush);
    HGDIOBJ oldPen = SelectObject(dis->hDC, pen);
    Rectangle(dis->hDC, dis->rcItem.left, dis->rcItem.top, dis->rcItem.right, dis->rcItem.bottom);
    SelectObject(dis->hDC, oldPen);
    SelectObject(dis->hDC, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
    *handled = true;
    return 1;
  };
  Drain();
  int before = gdi::LiveObjectsTotal();
  for (int i = 0; i < 1000; ++i) {
    InvalidateRect(main, nullptr, i % 2 == 0);
    Drain();
    Log().clear();
  }
  EXPECT_EQ(gdi::LiveObjectsTotal(), before);
}

}  // namespace
}  // namespace orvel::test

#include "canvas.h"

#include <gtest/gtest.h>

namespace orvel::gdi {
namespace {

using test::Canvas;
using test::Tools;

TEST(Objects, CountsLiveObjectsByKindAndIgnoresStock) {
  const int pens = LiveObjects(Kind::kPen), brushes = LiveObjects(Kind::kBrush);
  const int fonts = LiveObjects(Kind::kFont), regions = LiveObjects(Kind::kRegion);
  const int total = LiveObjectsTotal();
  HPEN pen = CreatePen(PS_SOLID, 0, RGB(1, 2, 3));
  HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
  HFONT font = CreateFontA(12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Ariel");
  HRGN rgn = CreateRectRgn(0, 0, 5, 5);
  GetStockObject(BLACK_BRUSH);
  EXPECT_EQ(LiveObjects(Kind::kPen), pens + 1);
  EXPECT_EQ(LiveObjects(Kind::kBrush), brushes + 1);
  EXPECT_EQ(LiveObjects(Kind::kFont), fonts + 1);
  EXPECT_EQ(LiveObjects(Kind::kRegion), regions + 1);
  EXPECT_EQ(LiveObjectsTotal(), total + 4);
  for (HGDIOBJ h : {HGDIOBJ(pen), HGDIOBJ(brush), HGDIOBJ(font), HGDIOBJ(rgn)})
    EXPECT_TRUE(DeleteObject(h));
  EXPECT_EQ(LiveObjectsTotal(), total);
}

TEST(Objects, DeletedAndForgedHandlesAreRefused) {
  HPEN pen = CreatePen(PS_SOLID, 1, 0);
  ASSERT_TRUE(DeleteObject(pen));
  EXPECT_FALSE(DeleteObject(pen));  // stale
  HPEN reused = CreatePen(PS_SOLID, 1, 0);
  EXPECT_NE(reused, pen);  // the slot's generation moved on
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_TRUE(DeleteObject(reused));

  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(dc, pen), nullptr);
  EXPECT_EQ(SelectObject(dc, reinterpret_cast<HGDIOBJ>(uintptr_t{0x12345678})), nullptr);
  EXPECT_FALSE(DeleteObject(nullptr));
  EXPECT_FALSE(DeleteObject(dc));  // a DC is deleted with DeleteDC
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
}

TEST(Objects, EveryCallFailsTheWin32WayOnABadDC) {
  HDC bad = reinterpret_cast<HDC>(uintptr_t{0x7FFF0042});
  POINT pts[4] = {{0, 0}, {5, 0}, {5, 5}, {0, 5}};
  SIZE size;
  TEXTMETRICA tm;
  RECT r{0, 0, 1, 1};
  HDC dcs[] = {nullptr, bad};
  for (HDC dc : dcs) {
    EXPECT_FALSE(Rectangle(dc, 0, 0, 5, 5));
    EXPECT_FALSE(Ellipse(dc, 0, 0, 5, 5));
    EXPECT_FALSE(Polygon(dc, pts, 4));
    EXPECT_FALSE(PolyBezier(dc, pts, 4));
    EXPECT_FALSE(MoveToEx(dc, 1, 1, nullptr));
    EXPECT_FALSE(LineTo(dc, 2, 2));
    EXPECT_EQ(SetPixel(dc, 0, 0, 0), CLR_INVALID);
    EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
    EXPECT_FALSE(BitBlt(dc, 0, 0, 1, 1, dc, 0, 0, SRCCOPY));
    EXPECT_EQ(SetPolyFillMode(dc, WINDING), 0);
    EXPECT_EQ(SetTextAlign(dc, TA_BASELINE), GDI_ERROR);
    EXPECT_EQ(SetTextColor(dc, 0), CLR_INVALID);
    EXPECT_EQ(SetBkColor(dc, 0), CLR_INVALID);
    EXPECT_EQ(SetBkMode(dc, OPAQUE), 0);
    EXPECT_FALSE(TextOutA(dc, 0, 0, "x", 1));
    EXPECT_FALSE(GetTextExtentPoint32A(dc, "x", 1, &size));
    EXPECT_FALSE(GetTextMetricsA(dc, &tm));
    EXPECT_EQ(SelectClipRgn(dc, nullptr), ERROR);
    EXPECT_EQ(CreateCompatibleBitmap(dc, 4, 4), nullptr);
    EXPECT_EQ(CreateCompatibleDC(bad), nullptr);
    EXPECT_EQ(FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))), 0);
    EXPECT_EQ(SurfaceOf(dc), nullptr);
  }
}

TEST(Objects, FreshDCStartsWithStockToolsAndDefaultState) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ pen = SelectObject(dc, GetStockObject(NULL_PEN));
  HGDIOBJ brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  HGDIOBJ font = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  EXPECT_EQ(pen, GetStockObject(BLACK_PEN));
  EXPECT_EQ(brush, GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(font, GetStockObject(SYSTEM_FONT));
  EXPECT_EQ(SetTextColor(dc, 0), 0u);
  EXPECT_EQ(SetBkColor(dc, 0), 0xFFFFFFu);
  EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
  EXPECT_EQ(SetTextAlign(dc, TA_BASELINE), UINT(TA_TOP | TA_LEFT));
  EXPECT_EQ(SetPolyFillMode(dc, WINDING), ALTERNATE);
  POINT pos{-1, -1};
  MoveToEx(dc, 3, 4, &pos);
  EXPECT_EQ(pos.x, 0);
  EXPECT_EQ(pos.y, 0);
  // The default bitmap is 1 x 1: drawing into it is safe and lands only on that pixel.
  ASSERT_NE(SurfaceOf(dc), nullptr);
  EXPECT_EQ(SurfaceOf(dc)->width, 1);
  EXPECT_EQ(SetPixel(dc, 5, 5, RGB(1, 2, 3)), RGB(1, 2, 3));
  EXPECT_EQ(GetPixel(dc, 5, 5), CLR_INVALID);
  EXPECT_EQ(SetBkMode(dc, 7), 0);  // not a mode
  EXPECT_TRUE(DeleteDC(dc));
}

TEST(Objects, SelectedObjectIsFreedWhenDeselectedOrItsDCDies) {
  const int pens = LiveObjects(Kind::kPen);
  HDC dc = CreateCompatibleDC(nullptr);
  HPEN pen = CreatePen(PS_SOLID, 0, RGB(9, 9, 9));
  HGDIOBJ old = SelectObject(dc, pen);
  EXPECT_TRUE(DeleteObject(pen));  // marked, still selected
  EXPECT_EQ(LiveObjects(Kind::kPen), pens + 1);
  EXPECT_EQ(SelectObject(dc, old), pen);
  EXPECT_EQ(LiveObjects(Kind::kPen), pens);
  EXPECT_EQ(SelectObject(dc, pen), nullptr);  // gone now

  HBRUSH brush = CreateSolidBrush(0);
  SelectObject(dc, brush);
  DeleteObject(brush);
  const int brushes = LiveObjects(Kind::kBrush);
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_EQ(LiveObjects(Kind::kBrush), brushes - 1);
}

TEST(Objects, StockObjectsSurviveDeletion) {
  for (int i : {WHITE_BRUSH, BLACK_BRUSH, NULL_BRUSH, BLACK_PEN, WHITE_PEN, NULL_PEN, SYSTEM_FONT,
                DEFAULT_GUI_FONT}) {
    HGDIOBJ h = GetStockObject(i);
    ASSERT_NE(h, nullptr) << i;
    EXPECT_TRUE(DeleteObject(h));
    EXPECT_EQ(GetStockObject(i), h);
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_NE(SelectObject(dc, h), nullptr);
    DeleteDC(dc);
  }
  EXPECT_EQ(GetStockObject(9), nullptr);
  EXPECT_EQ(GetStockObject(-1), nullptr);
  EXPECT_EQ(GetStockObject(1000), nullptr);
}

TEST(Objects, ABitmapLivesInOneDCAtATime) {
  HDC a = CreateCompatibleDC(nullptr), b = CreateCompatibleDC(nullptr);
  HBITMAP bm = CreateCompatibleBitmap(a, 4, 4);
  HGDIOBJ oldA = SelectObject(a, bm);
  EXPECT_NE(oldA, nullptr);
  EXPECT_EQ(SelectObject(b, bm), nullptr);
  SelectObject(a, oldA);
  HGDIOBJ oldB = SelectObject(b, bm);
  EXPECT_NE(oldB, nullptr);
  SelectObject(b, oldB);
  EXPECT_TRUE(DeleteObject(bm));
  DeleteDC(a);
  DeleteDC(b);
}

TEST(Objects, RegionSelectionReturnsItsKindAndCopies) {
  HDC dc = CreateCompatibleDC(nullptr);
  HRGN rgn = CreateRectRgn(4, 4, 1, 1);  // corners are ordered
  HRGN none = CreateRectRgn(3, 3, 3, 9);
  EXPECT_EQ(SelectObject(dc, rgn), reinterpret_cast<HGDIOBJ>(uintptr_t{SIMPLEREGION}));
  EXPECT_EQ(SelectObject(dc, none), reinterpret_cast<HGDIOBJ>(uintptr_t{NULLREGION}));
  EXPECT_EQ(SelectClipRgn(dc, rgn), SIMPLEREGION);
  const int regions = LiveObjects(Kind::kRegion);
  DeleteObject(rgn);  // the DC keeps its own copy
  DeleteObject(none);
  EXPECT_EQ(LiveObjects(Kind::kRegion), regions - 2);
  EXPECT_EQ(SelectClipRgn(dc, rgn), ERROR);
  EXPECT_EQ(SelectClipRgn(dc, nullptr), SIMPLEREGION);
  DeleteDC(dc);
}

TEST(Objects, NoPrimitiveLeavesAnObjectBehind) {
  Canvas c(40, 40);
  POINT pts[4] = {{1, 1}, {30, 5}, {20, 30}, {2, 25}};
  const int before = LiveObjectsTotal();
  const int dcs = LiveObjects(Kind::kDC);
  {
    Tools t(c.dc(), CreatePen(PS_SOLID, 0, RGB(1, 2, 3)), CreateSolidBrush(RGB(4, 5, 6)));
    HRGN clip = CreateRectRgn(2, 2, 38, 38);
    SelectClipRgn(c.dc(), clip);
    DeleteObject(clip);
    Rectangle(c.dc(), 1, 1, 20, 20);
    Ellipse(c.dc(), 3, 3, 30, 20);
    Polygon(c.dc(), pts, 4);
    PolyBezier(c.dc(), pts, 4);
    MoveToEx(c.dc(), 0, 0, nullptr);
    LineTo(c.dc(), 39, 17);
    SetPixel(c.dc(), 3, 3, RGB(9, 9, 9));
    BitBlt(c.dc(), 5, 5, 10, 10, c.dc(), 0, 0, SRCINVERT);
    HFONT f = CreateFontA(18, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Ariel");
    HGDIOBJ old = SelectObject(c.dc(), f);
    TextOutA(c.dc(), 2, 2, "Track 7", 7);
    SelectObject(c.dc(), old);
    DeleteObject(f);
    SelectClipRgn(c.dc(), nullptr);
  }
  EXPECT_EQ(LiveObjectsTotal(), before);
  EXPECT_EQ(LiveObjects(Kind::kDC), dcs);
}

TEST(Objects, CreationArgumentsOutsideTheSubsetAreRefused) {
  EXPECT_EQ(CreateBrushIndirect(nullptr), nullptr);
  LOGBRUSH hatched{2, 0, 0};
  EXPECT_EQ(CreateBrushIndirect(&hatched), nullptr);
  EXPECT_EQ(CreatePen(99, 1, 0), nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(dc, -1, 5), nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(dc, 1 << 20, 1 << 20), nullptr);
  DeleteDC(dc);
}

}  // namespace
}  // namespace orvel::gdi

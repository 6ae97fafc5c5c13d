// Damage: every drawing call adds what it drew, clipped, to its surface, so that a host that
// presents only the damage shows every changed pixel.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "canvas.h"

namespace orvel::gdi {
namespace {

using test::Canvas;

TEST(Damage, RowsWithOverlappingSpansMergeIntoOneRectangleAndClearEmptiesIt) {
  Surface s(40, 30);
  EXPECT_FALSE(s.HasDamage());
  s.AddDamage(5, 2, 10, 6);
  s.AddDamage(8, 6, 20, 8);     // touches the first block's columns: same rectangle
  s.AddDamage(30, 8, 35, 9);    // next row, columns apart: a rectangle of its own
  s.AddDamage(-4, 20, 60, 40);  // clipped to the surface
  std::vector<RECT> rects = s.DamageRects();
  ASSERT_EQ(rects.size(), 3u);
  EXPECT_EQ(rects[0].left, 5);
  EXPECT_EQ(rects[0].top, 2);
  EXPECT_EQ(rects[0].right, 20);
  EXPECT_EQ(rects[0].bottom, 8);
  EXPECT_EQ(rects[1].left, 30);
  EXPECT_EQ(rects[1].bottom, 9);
  EXPECT_EQ(rects[2].left, 0);
  EXPECT_EQ(rects[2].top, 20);
  EXPECT_EQ(rects[2].right, 40);
  EXPECT_EQ(rects[2].bottom, 30);
  EXPECT_TRUE(s.IsDamaged(9, 7));
  EXPECT_FALSE(s.IsDamaged(4, 2));
  EXPECT_FALSE(s.IsDamaged(10, 9));
  s.ClearDamage();
  EXPECT_FALSE(s.HasDamage());
  EXPECT_TRUE(s.DamageRects().empty());
  EXPECT_FALSE(s.IsDamaged(9, 7));
}

struct Call {
  const char* name;
  std::function<void(HDC dc, HDC source)> draw;
};

// Each call draws partly outside a clip region; what it changed must lie in the damage, and
// the damage must lie in the clip.
TEST(Damage, EveryDrawingCallDamagesWhatItChangedAndNothingOutsideTheClip) {
  const POINT star[] = {{10, 2}, {30, 35}, {2, 14}, {36, 14}, {5, 35}};
  const POINT curve[] = {{3, 30}, {10, -20}, {40, 60}, {37, 5}};
  const Call calls[] = {
      {"LineTo",
       [](HDC dc, HDC) {
         MoveToEx(dc, 2, 3, nullptr);
         LineTo(dc, 37, 31);
       }},
      {"Rectangle", [](HDC dc, HDC) { Rectangle(dc, 1, 4, 30, 38); }},
      {"Ellipse", [](HDC dc, HDC) { Ellipse(dc, 3, 1, 38, 30); }},
      {"Polygon", [&star](HDC dc, HDC) { Polygon(dc, star, 5); }},
      {"PolyBezier", [&curve](HDC dc, HDC) { PolyBezier(dc, curve, 4); }},
      {"SetPixel", [](HDC dc, HDC) { SetPixel(dc, 12, 13, RGB(1, 2, 3)); }},
      {"FillRect",
       [](HDC dc, HDC) {
         RECT r{-5, 20, 25, 50};
         FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
       }},
      {"TextOutA", [](HDC dc, HDC) { TextOutA(dc, 4, 8, "Wg|", 3); }},
      {"BitBlt", [](HDC dc, HDC source) { BitBlt(dc, 6, 9, 30, 30, source, 0, 0, SRCCOPY); }},
  };
  Canvas source(40, 40);
  RECT all{0, 0, 40, 40};
  FillRect(source.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  for (const Call& call : calls) {
    Canvas canvas(40, 40);
    SelectObject(canvas.dc(), GetStockObject(WHITE_PEN));
    SelectObject(canvas.dc(), GetStockObject(LTGRAY_BRUSH));
    SetTextColor(canvas.dc(), RGB(255, 255, 255));
    HRGN clip = CreateRectRgn(4, 5, 34, 33);
    SelectClipRgn(canvas.dc(), clip);
    DeleteObject(clip);
    Surface& s = canvas.surface();
    s.ClearDamage();
    const std::vector<uint32_t> before = s.pixels;
    call.draw(canvas.dc(), source.dc());
    int changed = 0;
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 40; ++x) {
        if (s.At(x, y) != before[y * 40 + x]) {
          ++changed;
          EXPECT_TRUE(s.IsDamaged(x, y)) << call.name << " changed (" << x << ", " << y << ")";
        }
        if (x < 4 || x >= 34 || y < 5 || y >= 33) {
          EXPECT_FALSE(s.IsDamaged(x, y)) << call.name << " outside the clip at " << x << ", " << y;
        }
      }
    }
    EXPECT_GT(changed, 0) << call.name;
  }
}

// A host lends the window's memory: what was drawn moves there, later drawing lands there, and
// after Reclaim the surface keeps the whole picture while the lent memory is left alone.
TEST(Damage, ASurfaceDrawsIntoLentMemoryUntilItIsReclaimed) {
  Canvas canvas(8, 4);
  Surface& s = canvas.surface();
  HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  const RECT left{0, 0, 2, 4}, right{6, 0, 8, 3};
  FillRect(canvas.dc(), &left, white);
  SetPixel(canvas.dc(), 7, 3, RGB(255, 255, 255));
  std::vector<uint32_t> lent(32, 0u);
  s.pixels.Lend(lent.data());
  EXPECT_EQ(s.pixels.LentMemory(), lent.data());
  EXPECT_EQ(lent[8], 0xFFFFFFu) << "the picture moves into the lent memory";
  FillRect(canvas.dc(), &right, white);
  EXPECT_EQ(lent[15], 0xFFFFFFu) << "drawing lands in the lent memory";
  s.pixels.Reclaim();
  EXPECT_EQ(s.pixels.LentMemory(), nullptr);
  SetPixel(canvas.dc(), 4, 2, RGB(255, 255, 255));
  EXPECT_EQ(lent[20], 0u) << "drawing after Reclaim stays in the surface's own memory";
  EXPECT_EQ(canvas.Picture(), "##....##\n##....##\n##..#.##\n##.....#\n");
}

}  // namespace
}  // namespace orvel::gdi

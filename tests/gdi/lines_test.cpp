#include "canvas.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace orvel::gdi {
namespace {

using test::Canvas;

using PixelSet = std::set<std::pair<int, int>>;

PixelSet Lit(const Canvas& c, int w, int h) {
  PixelSet s;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (c.At(x, y)) s.insert({x, y});
  return s;
}

PixelSet DrawLine(int x0, int y0, int x1, int y1, HRGN clip = nullptr) {
  Canvas c(24, 24);
  HPEN pen = CreatePen(PS_SOLID, 0, RGB(255, 255, 255));
  HGDIOBJ old = SelectObject(c.dc(), pen);
  if (clip) SelectClipRgn(c.dc(), clip);
  MoveToEx(c.dc(), x0, y0, nullptr);
  LineTo(c.dc(), x1, y1);
  SelectObject(c.dc(), old);
  DeleteObject(pen);
  return Lit(c, 24, 24);
}

TEST(Lines, EndPixelIsDroppedAndTiesGoToTheSmallerCoordinate) {
  EXPECT_EQ(DrawLine(2, 2, 6, 4), (PixelSet{{2, 2}, {3, 2}, {4, 3}, {5, 3}}));
  EXPECT_EQ(DrawLine(6, 4, 2, 2), (PixelSet{{6, 4}, {5, 3}, {4, 3}, {3, 2}}));
  // Exact diagonals step y as the major axis.
  EXPECT_EQ(DrawLine(1, 1, 4, 4), (PixelSet{{1, 1}, {2, 2}, {3, 3}}));
  EXPECT_EQ(DrawLine(2, 9, 2, 5), (PixelSet{{2, 9}, {2, 8}, {2, 7}, {2, 6}}));
  EXPECT_EQ(DrawLine(9, 3, 5, 3), (PixelSet{{9, 3}, {8, 3}, {7, 3}, {6, 3}}));
  EXPECT_TRUE(DrawLine(5, 5, 5, 5).empty());
}

TEST(Lines, EveryOctantLightsTheSameSetBothWaysExceptTheEnds) {
  const int c = 11;
  const int ends[][2] = {{20, 14}, {14, 20}, {8, 21}, {1, 15}, {2, 7},   {6, 1},  {15, 0},
                         {21, 6},  {21, 11}, {11, 0}, {0, 11}, {16, 16}, {4, 18}, {19, 3}};
  for (const auto& e : ends) {
    PixelSet forward = DrawLine(c, c, e[0], e[1]);
    PixelSet backward = DrawLine(e[0], e[1], c, c);
    int len = std::max(std::abs(e[0] - c), std::abs(e[1] - c));
    EXPECT_EQ(static_cast<int>(forward.size()), len) << e[0] << "," << e[1];
    EXPECT_TRUE(forward.count({c, c}));
    EXPECT_FALSE(forward.count({e[0], e[1]}));
    forward.insert({e[0], e[1]});
    backward.insert({c, c});
    EXPECT_EQ(forward, backward) << e[0] << "," << e[1];
  }
}

TEST(Lines, ClippingNeverChangesWhichPixelsAreLit) {
  HRGN clip = CreateRectRgn(5, 4, 17, 13);
  const int lines[][4] = {{0, 0, 23, 17},  {23, 1, 0, 20}, {3, 23, 19, 0},
                          {12, 0, 13, 23}, {0, 8, 23, 9},  {22, 22, 1, 2}};
  for (const auto& l : lines) {
    PixelSet whole = DrawLine(l[0], l[1], l[2], l[3]);
    PixelSet clipped = DrawLine(l[0], l[1], l[2], l[3], clip);
    PixelSet expected;
    for (const auto& p : whole)
      if (p.first >= 5 && p.first < 17 && p.second >= 4 && p.second < 13) expected.insert(p);
    EXPECT_EQ(clipped, expected) << l[0] << "," << l[1] << " " << l[2] << "," << l[3];
  }
  DeleteObject(clip);
}

TEST(Lines, LineToMovesThePositionEvenWithANullPen) {
  Canvas c(8, 8);
  HGDIOBJ old = SelectObject(c.dc(), GetStockObject(NULL_PEN));
  MoveToEx(c.dc(), 1, 1, nullptr);
  EXPECT_TRUE(LineTo(c.dc(), 6, 6));
  EXPECT_EQ(c.Lit(), 0);
  POINT pos;
  MoveToEx(c.dc(), 0, 0, &pos);
  EXPECT_EQ(pos.x, 6);
  EXPECT_EQ(pos.y, 6);
  SelectObject(c.dc(), old);
}

TEST(Lines, FarOffCoordinatesAreSafe) {
  Canvas c(8, 8);
  HGDIOBJ old = SelectObject(c.dc(), GetStockObject(WHITE_PEN));
  MoveToEx(c.dc(), -2000000000, -3, nullptr);
  EXPECT_TRUE(LineTo(c.dc(), 2000000000, 3));
  MoveToEx(c.dc(), 4, -2147483647 - 1, nullptr);
  EXPECT_TRUE(LineTo(c.dc(), 4, 2147483647));
  EXPECT_GT(c.Lit(), 0);
  SelectObject(c.dc(), old);
}

}  // namespace
}  // namespace orvel::gdi

#include "canvas.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvel::gdi {
namespace {

using test::Canvas;
using test::Tools;

constexpr COLORREF kPen = RGB(255, 255, 255);
constexpr COLORREF kBrush = RGB(200, 0, 0);

HPEN WhitePen() {
  return CreatePen(PS_SOLID, 0, kPen);
}
HBRUSH RedBrush() {
  return CreateSolidBrush(kBrush);
}

TEST(Rectangle, OutlineOnTheLastColumnAndRowFillInside) {
  Canvas c(7, 6);
  const int before = LiveObjectsTotal();
  {
    Tools t(c.dc(), WhitePen(), RedBrush());
    EXPECT_TRUE(Rectangle(c.dc(), 5, 4, 1, 1));  // corners are ordered
  }
  EXPECT_EQ(c.Picture(),
            ".......\n"
            ".####..\n"
            ".####..\n"
            ".####..\n"
            ".......\n"
            ".......\n");
  EXPECT_EQ(c.At(1, 2), kPen);
  EXPECT_EQ(c.At(4, 2), kPen);
  EXPECT_EQ(c.At(2, 2), kBrush);
  EXPECT_EQ(c.At(3, 2), kBrush);
  EXPECT_EQ(c.At(1, 1), kPen);
  EXPECT_EQ(LiveObjectsTotal(), before);
}

TEST(Rectangle, NullPenFillsOneShortOnTheRightAndBottom) {
  Canvas c(6, 5);
  HBRUSH brush = RedBrush();
  HGDIOBJ oldBrush = SelectObject(c.dc(), brush);
  HGDIOBJ oldPen = SelectObject(c.dc(), GetStockObject(NULL_PEN));
  Rectangle(c.dc(), 1, 1, 5, 4);
  EXPECT_EQ(c.Picture(),
            "......\n"
            ".###..\n"
            ".###..\n"
            "......\n"
            "......\n");
  SelectObject(c.dc(), oldPen);
  SelectObject(c.dc(), oldBrush);
  DeleteObject(brush);
}

TEST(Rectangle, DegenerateAndNarrowBoxes) {
  Canvas c(8, 6);
  Tools t(c.dc(), WhitePen(), RedBrush());
  Rectangle(c.dc(), 1, 1, 1, 5);  // zero width: nothing
  Rectangle(c.dc(), 1, 2, 6, 2);  // zero height: nothing
  Rectangle(c.dc(), 6, 3, 7, 4);  // 1 x 1: the closed outline has no length, nothing
  EXPECT_EQ(c.Lit(), 0);
  Rectangle(c.dc(), 1, 1, 2, 5);  // width 1: one full column
  Rectangle(c.dc(), 4, 1, 6, 5);  // width 2: two columns, no fill
  EXPECT_EQ(c.Picture(),
            "........\n"
            ".#..##..\n"
            ".#..##..\n"
            ".#..##..\n"
            ".#..##..\n"
            "........\n");
}

TEST(Ellipse, TinyBoxesDrawAsRectanglesAndEmptyOnesNothing) {
  for (int w = 0; w <= 2; ++w) {
    for (int h = 0; h <= 6; ++h) {
      Canvas e(10, 10), r(10, 10);
      {
        Tools te(e.dc(), WhitePen(), RedBrush());
        Tools tr(r.dc(), WhitePen(), RedBrush());
        Ellipse(e.dc(), 2, 2, 2 + w, 2 + h);
        Ellipse(e.dc(), 2, 2, 2 + h, 2 + w);
        Rectangle(r.dc(), 2, 2, 2 + w, 2 + h);
        Rectangle(r.dc(), 2, 2, 2 + h, 2 + w);
      }
      EXPECT_EQ(e.Picture(), r.Picture()) << w << "x" << h;
    }
  }
}

// Pictures as GDI draws them ('#' pen, 'o' brush), checked against Wine.
std::string EllipsePicture(int l, int t, int r, int b) {
  Canvas c(8, 8);
  {
    Tools tools(c.dc(), WhitePen(), RedBrush());
    Ellipse(c.dc(), l, t, r, b);
  }
  std::string s;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) s += c.At(x, y) == kPen ? '#' : c.At(x, y) == kBrush ? 'o' : '.';
    s += '\n';
  }
  return s;
}

TEST(Ellipse, SmallSizesMatchGdi) {
  EXPECT_EQ(EllipsePicture(1, 1, 4, 4),
            "........\n..#.....\n.#o#....\n..#.....\n........\n........\n........\n........\n");
  EXPECT_EQ(EllipsePicture(1, 1, 5, 5),
            "........\n..##....\n.#oo#...\n.#oo#...\n..##....\n........\n........\n........\n");
  EXPECT_EQ(EllipsePicture(1, 1, 6, 6),
            "........\n..###...\n.#ooo#..\n.#ooo#..\n.#ooo#..\n..###...\n........\n........\n");
  EXPECT_EQ(EllipsePicture(1, 1, 7, 7),
            "........\n...##...\n..#oo#..\n.#oooo#.\n.#oooo#.\n..#oo#..\n...##...\n........\n");
  EXPECT_EQ(EllipsePicture(0, 0, 5, 8),
            "..#.....\n.#o#....\n#ooo#...\n#ooo#...\n#ooo#...\n#ooo#...\n.#o#....\n..#.....\n");
  EXPECT_EQ(EllipsePicture(0, 0, 8, 4),
            "..####..\n##oooo##\n##oooo##\n..####..\n........\n........\n........\n........\n");
  // A thin tall ellipse leaves its first and last rows empty.
  EXPECT_EQ(EllipsePicture(0, 0, 4, 7),
            "........\n.##.....\n#oo#....\n#oo#....\n#oo#....\n.##.....\n........\n........\n");
}

TEST(Ellipse, StaysInsideItsBoxAndIsSymmetric) {
  for (int w = 3; w <= 40; w += (w < 8 ? 1 : 7)) {
    for (int h = 3; h <= 40; h += (h < 8 ? 1 : 9)) {
      Canvas c(50, 50);
      {
        Tools t(c.dc(), WhitePen(), RedBrush());
        Ellipse(c.dc(), 5, 5, 5 + w, 5 + h);
      }
      for (int y = 0; y < 50; ++y) {
        for (int x = 0; x < 50; ++x) {
          COLORREF p = c.At(x, y);
          if (!p) continue;
          ASSERT_TRUE(x >= 5 && x < 5 + w && y >= 5 && y < 5 + h) << w << "x" << h;
          EXPECT_EQ(p, c.At(9 + w - x, y)) << w << "x" << h;  // mirrored left-right
          EXPECT_EQ(p, c.At(x, 9 + h - y)) << w << "x" << h;  // mirrored top-bottom
        }
      }
      EXPECT_EQ(c.At(4 + w, 5 + h / 2), kPen) << w << "x" << h;
    }
  }
}

TEST(Ellipse, OutlineIsClosedAndFillStaysInside) {
  Canvas c(40, 30);
  {
    Tools t(c.dc(), WhitePen(), RedBrush());
    Ellipse(c.dc(), 3, 2, 37, 27);
  }
  // On every row the outline is met before any brush pixel from both sides.
  for (int y = 2; y < 27; ++y) {
    int x = 0;
    while (x < 40 && c.At(x, y) == 0) ++x;
    ASSERT_LT(x, 40) << y;
    EXPECT_EQ(c.At(x, y), kPen) << y;
    int r = 39;
    while (c.At(r, y) == 0) --r;
    EXPECT_EQ(c.At(r, y), kPen) << y;
  }
  EXPECT_EQ(c.At(20, 14), kBrush);
}

std::vector<POINT> Star(int cx, int cy, int r) {
  // A five-pointed star drawn in one stroke: each vertex joins the second next point.
  const POINT outer[5] = {{0, -10}, {6, 8}, {-10, -3}, {10, -3}, {-6, 8}};
  std::vector<POINT> pts;
  for (const POINT& p : outer) pts.push_back({cx + p.x * r / 10, cy + p.y * r / 10});
  return pts;
}

TEST(Polygon, AlternateLeavesTheStarsCentreUnfilledWindingFillsIt) {
  for (int mode : {ALTERNATE, WINDING}) {
    Canvas c(64, 64);
    HPEN pen = CreatePen(PS_SOLID, 0, RGB(0, 0, 255));
    Tools t(c.dc(), pen, RedBrush());
    EXPECT_EQ(SetPolyFillMode(c.dc(), mode), ALTERNATE);
    std::vector<POINT> star = Star(32, 32, 30);
    EXPECT_TRUE(Polygon(c.dc(), star.data(), static_cast<int>(star.size())));
    EXPECT_EQ(c.At(32, 33), mode == WINDING ? kBrush : 0u) << mode;
    EXPECT_EQ(c.At(32, 8), kBrush);                                         // a point of the star
    for (const POINT& p : star) EXPECT_EQ(c.At(p.x, p.y), RGB(0, 0, 255));  // every vertex lit
    SetPolyFillMode(c.dc(), ALTERNATE);
  }
}

TEST(Polygon, SquareReachesOnePixelFurtherThanRectangle) {
  Canvas p(8, 8), r(8, 8);
  {
    Tools tp(p.dc(), WhitePen(), RedBrush());
    Tools tr(r.dc(), WhitePen(), RedBrush());
    POINT sq[4] = {{1, 1}, {5, 1}, {5, 5}, {1, 5}};
    Polygon(p.dc(), sq, 4);
    Rectangle(r.dc(), 1, 1, 6, 6);
  }
  EXPECT_EQ(p.Picture(), r.Picture());
  EXPECT_EQ(p.At(3, 3), kBrush);
}

TEST(Polygon, FillSpansAreHalfOpen) {
  Canvas c(10, 10);
  {
    Tools t(c.dc(), CreatePen(PS_NULL, 0, 0), RedBrush());
    POINT tri[3] = {{1, 1}, {7, 1}, {1, 7}};
    Polygon(c.dc(), tri, 3);
  }
  EXPECT_EQ(c.Picture(),
            "..........\n"
            ".######...\n"
            ".#####....\n"
            ".####.....\n"
            ".###......\n"
            ".##.......\n"
            ".#........\n"
            "..........\n"
            "..........\n"
            "..........\n");
  EXPECT_FALSE(Polygon(c.dc(), nullptr, 3));
  POINT one[1] = {{1, 1}};
  EXPECT_FALSE(Polygon(c.dc(), one, 1));
}

TEST(PolyBezier, DrawsFromTheFirstPointLeavesTheLastAndKeepsThePosition) {
  Canvas c(70, 40);
  HGDIOBJ old = SelectObject(c.dc(), GetStockObject(WHITE_PEN));
  MoveToEx(c.dc(), 33, 33, nullptr);
  POINT four[4] = {{2, 20}, {10, 2}, {30, 38}, {40, 20}};
  EXPECT_TRUE(PolyBezier(c.dc(), four, 4));
  EXPECT_EQ(c.At(2, 20), kPen);
  EXPECT_EQ(c.At(40, 20), 0u);
  std::vector<POINT> trace;
  for (int i = 0; i < 64; ++i) trace.push_back({2 + i, 20 + ((i * 7) % 13) - 6});
  EXPECT_TRUE(PolyBezier(c.dc(), trace.data(), 64));
  POINT pos;
  MoveToEx(c.dc(), 0, 0, &pos);
  EXPECT_EQ(pos.x, 33);
  EXPECT_EQ(pos.y, 33);
  EXPECT_FALSE(PolyBezier(c.dc(), trace.data(), 63));  // not 1 + 3k points
  EXPECT_FALSE(PolyBezier(c.dc(), trace.data(), 1));
  // A straight Bézier is its chord.
  Canvas s(30, 5), l(30, 5);
  SelectObject(s.dc(), GetStockObject(WHITE_PEN));
  SelectObject(l.dc(), GetStockObject(WHITE_PEN));
  POINT straight[4] = {{1, 2}, {9, 2}, {19, 2}, {28, 2}};
  PolyBezier(s.dc(), straight, 4);
  MoveToEx(l.dc(), 1, 2, nullptr);
  LineTo(l.dc(), 28, 2);
  EXPECT_EQ(s.Picture(), l.Picture());
  SelectObject(c.dc(), old);
}

TEST(Pixels, SetPixelWritesInsideTheClipAndReturnsTheColour) {
  Canvas c(4, 4);
  EXPECT_EQ(SetPixel(c.dc(), 1, 2, RGB(10, 20, 30)), RGB(10, 20, 30));
  EXPECT_EQ(GetPixel(c.dc(), 1, 2), RGB(10, 20, 30));
  EXPECT_EQ(SetPixel(c.dc(), 9, 9, RGB(1, 1, 1)), RGB(1, 1, 1));  // outside: nothing written
  EXPECT_EQ(GetPixel(c.dc(), 9, 9), CLR_INVALID);
  EXPECT_EQ(GetPixel(c.dc(), -1, 0), CLR_INVALID);
  EXPECT_EQ(c.Lit(), 1);
}

TEST(Fill, FillRectCoversLeftTopNotRightBottom) {
  Canvas c(6, 5);
  HBRUSH brush = RedBrush();
  RECT r{1, 1, 4, 3};
  EXPECT_NE(FillRect(c.dc(), &r, brush), 0);
  EXPECT_EQ(c.Picture(),
            "......\n"
            ".###..\n"
            ".###..\n"
            "......\n"
            "......\n");
  EXPECT_EQ(FillRect(c.dc(), &r, nullptr), 0);
  EXPECT_EQ(FillRect(c.dc(), nullptr, brush), 0);
  DeleteObject(brush);
}

}  // namespace
}  // namespace orvel::gdi

namespace orvel::gdi {
namespace {

using test::Canvas;
using test::Tools;

TEST(Shapes, ExtremeCoordinatesAreSafe) {
  Canvas c(16, 16);
  Tools t(c.dc(), WhitePen(), RedBrush());
  const int big = 2147483647, small = -2147483647 - 1;
  EXPECT_TRUE(Rectangle(c.dc(), small, small, big, big));
  EXPECT_EQ(c.At(8, 8), kBrush);
  EXPECT_FALSE(Ellipse(c.dc(), small, small, big, big));  // far too large to rasterise
  EXPECT_TRUE(Ellipse(c.dc(), -30000, -30000, 30000, 30000));
  POINT poly[3] = {{small, small}, {big, 0}, {0, big}};
  EXPECT_TRUE(Polygon(c.dc(), poly, 3));
  POINT curve[4] = {{small, big}, {big, small}, {small, small}, {big, big}};
  EXPECT_TRUE(PolyBezier(c.dc(), curve, 4));
  EXPECT_FALSE(BitBlt(c.dc(), 0, 0, small, 4, c.dc(), 0, 0, SRCCOPY));
  EXPECT_TRUE(BitBlt(c.dc(), big, big, 100, 100, c.dc(), small, small, SRCCOPY));
}

}  // namespace
}  // namespace orvel::gdi

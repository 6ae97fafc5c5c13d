#include "canvas.h"
#include "kernel/resources.h"

#include <gtest/gtest.h>

#include <stdint.h>
#include <string.h>

#include <vector>

namespace orvel::gdi {
namespace {

using test::Canvas;

// Fills the canvas with a pattern in which every pixel differs.
void Pattern(Canvas& c, int w, int h) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) SetPixel(c.dc(), x, y, RGB(x * 10 + 1, y * 10 + 1, 7));
}

struct Scroll {
  int dx, dy;
};

TEST(BitBlt, ScrollingWithinOneDCActsLikeMemmoveInEveryDirection) {
  const int w = 12, h = 10;
  for (Scroll s :
       {Scroll{3, 0}, Scroll{-3, 0}, Scroll{0, 2}, Scroll{0, -2}, Scroll{2, -3}, Scroll{-1, 1}}) {
    Canvas c(w, h), ref(w, h);
    Pattern(c, w, h);
    Pattern(ref, w, h);
    // Move the block (1,1)-(11,9) by (dx, dy) onto itself.
    EXPECT_TRUE(BitBlt(c.dc(), 1 + s.dx, 1 + s.dy, 10, 8, c.dc(), 1, 1, SRCCOPY));
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        int sx = x - s.dx, sy = y - s.dy;
        bool moved = sx >= 1 && sx < 11 && sy >= 1 && sy < 9;
        EXPECT_EQ(c.At(x, y), moved ? ref.At(sx, sy) : ref.At(x, y))
            << s.dx << "," << s.dy << " at " << x << "," << y;
      }
    }
  }
}

TEST(BitBlt, CopiesBetweenDCsAndClipsToSourceAndDestination) {
  Canvas src(6, 6), dst(8, 8);
  Pattern(src, 6, 6);
  HRGN clip = CreateRectRgn(0, 0, 5, 8);
  SelectClipRgn(dst.dc(), clip);
  DeleteObject(clip);
  // Source block (3,3)-(9,9) reaches past the source's right and bottom edges.
  EXPECT_TRUE(BitBlt(dst.dc(), 1, 1, 6, 6, src.dc(), 3, 3, SRCCOPY));
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      bool copied = x >= 1 && x < 4 && y >= 1 && y < 4 && x < 5;
      EXPECT_EQ(dst.At(x, y), copied ? src.At(x + 2, y + 2) : 0u) << x << "," << y;
    }
  }
  EXPECT_FALSE(BitBlt(dst.dc(), 0, 0, 2, 2, src.dc(), 0, 0, 0x00AA0029));  // not supported
}

struct Blit {
  int x, y, cx, cy, x1, y1;
};

// A negative extent runs back from its point, which stays included, wherever in the int range
// the point is; what reaches both bitmaps is copied, nothing else, and nothing overflows.
TEST(BitBlt, NegativeExtentsAnywhereInTheIntRange) {
  const int kMin = INT32_MIN, kMax = INT32_MAX;
  const Blit cases[] = {
      {5, 4, -3, -2, 4, 3},              // an ordinary one, drawn
      {kMin, 0, -2, 3, 0, 0},            // the destination past the left end of the range
      {0, kMin + 1, 3, -5, 0, 0},        // and past the top
      {2, 1, -3, -2, kMin, 3},           // the source past the left end
      {3, 2, 4, -3, 1, kMin + 2},        // and past the top
      {kMax, kMax, -4, -4, kMax, kMax},  // both at the far end: nothing to draw
      {kMin, kMin, -(1 << 26), -(1 << 26), kMin, kMin},
  };
  for (const Blit& b : cases) {
    Canvas src(6, 6), dst(8, 8);
    Pattern(src, 6, 6);
    EXPECT_TRUE(BitBlt(dst.dc(), b.x, b.y, b.cx, b.cy, src.dc(), b.x1, b.y1, SRCCOPY));
    // Where each pixel should come from, worked out in 64 bits.
    const int64_t left = b.cx < 0 ? int64_t{b.x} + b.cx + 1 : b.x;
    const int64_t top = b.cy < 0 ? int64_t{b.y} + b.cy + 1 : b.y;
    const int64_t w = b.cx < 0 ? -int64_t{b.cx} : b.cx, h = b.cy < 0 ? -int64_t{b.cy} : b.cy;
    const int64_t sx0 = b.cx < 0 ? int64_t{b.x1} + b.cx + 1 : b.x1;
    const int64_t sy0 = b.cy < 0 ? int64_t{b.y1} + b.cy + 1 : b.y1;
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        const int64_t sx = sx0 + (x - left), sy = sy0 + (y - top);
        const bool copied = x >= left && x < left + w && y >= top && y < top + h && sx >= 0 &&
                            sx < 6 && sy >= 0 && sy < 6;
        EXPECT_EQ(dst.At(x, y), copied ? src.At(static_cast<int>(sx), static_cast<int>(sy)) : 0u)
            << b.x << "," << b.y << " " << b.cx << "x" << b.cy << " at " << x << "," << y;
      }
    }
  }
}

// A 4-bit DIB of 4 x 2 pixels: top row indices 0, 9, 10, 15; bottom row 12, 0, 0, 1.
std::vector<unsigned char> SixteenColourDib(bool withTable) {
  std::vector<unsigned char> dib(40);
  BITMAPINFOHEADER h{};
  h.biSize = 40;
  h.biWidth = 4;
  h.biHeight = 2;
  h.biPlanes = 1;
  h.biBitCount = 4;
  h.biClrUsed = withTable ? 16 : 0;
  memcpy(dib.data(), &h, sizeof h);
  const uint32_t table[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                              0x008080, 0x808080, 0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00,
                              0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  for (uint32_t rgb : table) {  // blue, green, red, 0
    dib.push_back(rgb & 0xFF);
    dib.push_back((rgb >> 8) & 0xFF);
    dib.push_back((rgb >> 16) & 0xFF);
    dib.push_back(0);
  }
  const unsigned char rows[] = {0xC0, 0x01, 0, 0, 0x09, 0xAF, 0, 0};  // bottom row first
  dib.insert(dib.end(), rows, rows + sizeof rows);
  return dib;
}

TEST(Bitmaps, LoadBitmapMapsIndicesThroughTheColourTable) {
  static const std::vector<unsigned char> dib = SixteenColourDib(true);
  res::Register(res::kBitmap, 7001, dib.data(), dib.size());
  const int bitmaps = LiveObjects(Kind::kBitmap);
  HBITMAP bm = LoadBitmapA(nullptr, MAKEINTRESOURCEA(7001));
  ASSERT_NE(bm, nullptr);
  EXPECT_EQ(LiveObjects(Kind::kBitmap), bitmaps + 1);
  HDC mem = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mem, bm);
  EXPECT_EQ(GetPixel(mem, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(mem, 1, 0), RGB(0xFF, 0, 0));
  EXPECT_EQ(GetPixel(mem, 2, 0), RGB(0, 0xFF, 0));
  EXPECT_EQ(GetPixel(mem, 3, 0), RGB(0xFF, 0xFF, 0xFF));
  EXPECT_EQ(GetPixel(mem, 0, 1), RGB(0, 0, 0xFF));
  EXPECT_EQ(GetPixel(mem, 3, 1), RGB(0x80, 0, 0));
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(bm);
  EXPECT_EQ(LiveObjects(Kind::kBitmap), bitmaps);

  EXPECT_EQ(LoadBitmapA(nullptr, MAKEINTRESOURCEA(7002)), nullptr);  // no such resource
  EXPECT_EQ(LoadBitmapA(nullptr, "named"), nullptr);
  static const unsigned char truncated[] = {40, 0, 0, 0, 4, 0};
  res::Register(res::kBitmap, 7003, truncated, sizeof truncated);
  EXPECT_EQ(LoadBitmapA(nullptr, MAKEINTRESOURCEA(7003)), nullptr);
  static std::vector<unsigned char> shortBits = SixteenColourDib(true);
  shortBits.resize(shortBits.size() - 5);
  res::Register(res::kBitmap, 7004, shortBits.data(), shortBits.size());
  EXPECT_EQ(LoadBitmapA(nullptr, MAKEINTRESOURCEA(7004)), nullptr);
}

// A packed DIB: header, colour table (0x00RRGGBB values) and the rows as stored.
std::vector<unsigned char> Dib(int bpp, int w, int h, std::vector<uint32_t> colours,
                               std::vector<unsigned char> rows) {
  BITMAPINFOHEADER hdr{};
  hdr.biSize = 40;
  hdr.biWidth = w;
  hdr.biHeight = h;
  hdr.biPlanes = 1;
  hdr.biBitCount = static_cast<WORD>(bpp);
  hdr.biClrUsed = static_cast<DWORD>(colours.size());
  std::vector<unsigned char> dib(40);
  memcpy(dib.data(), &hdr, sizeof hdr);
  for (uint32_t rgb : colours) {
    const unsigned char q[4] = {static_cast<unsigned char>(rgb),
                                static_cast<unsigned char>(rgb >> 8),
                                static_cast<unsigned char>(rgb >> 16), 0};
    dib.insert(dib.end(), q, q + 4);
  }
  dib.insert(dib.end(), rows.begin(), rows.end());
  return dib;
}

COLORREF LoadedPixel(int id, int x, int y) {
  HBITMAP bm = LoadBitmapA(nullptr, MAKEINTRESOURCEA(id));
  if (!bm) return CLR_INVALID;
  HDC mem = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mem, bm);
  COLORREF c = GetPixel(mem, x, y);
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(bm);
  return c;
}

TEST(Bitmaps, OneEightAndTwentyFourBitAndTopDownDibsDecode) {
  // 1 bit, 3 x 2, bottom-up: bottom row 1 0 1, top row 0 1 1.
  static const auto mono = Dib(1, 3, 2, {0x102030, 0xA0B0C0}, {0xA0, 0, 0, 0, 0x60, 0, 0, 0});
  res::Register(res::kBitmap, 7010, mono.data(), mono.size());
  EXPECT_EQ(LoadedPixel(7010, 0, 0), RGB(0x10, 0x20, 0x30));
  EXPECT_EQ(LoadedPixel(7010, 1, 0), RGB(0xA0, 0xB0, 0xC0));
  EXPECT_EQ(LoadedPixel(7010, 0, 1), RGB(0xA0, 0xB0, 0xC0));
  // 8 bit, 2 x 1, through a three-colour table.
  static const auto grey = Dib(8, 2, 1, {0, 0x808080, 0xFF0000}, {2, 1, 0, 0});
  res::Register(res::kBitmap, 7011, grey.data(), grey.size());
  EXPECT_EQ(LoadedPixel(7011, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(LoadedPixel(7011, 1, 0), RGB(128, 128, 128));
  // 24 bit, 1 x 2, top-down (negative height): blue, green, red bytes per pixel.
  static auto direct = Dib(24, 1, 2, {}, {1, 2, 3, 0, 4, 5, 6, 0});
  const int32_t topDown = -2;
  memcpy(direct.data() + 8, &topDown, 4);
  res::Register(res::kBitmap, 7012, direct.data(), direct.size());
  EXPECT_EQ(LoadedPixel(7012, 0, 0), RGB(3, 2, 1));
  EXPECT_EQ(LoadedPixel(7012, 0, 1), RGB(6, 5, 4));
  // An index past a short colour table reads black rather than past the table.
  static const auto shortTable = Dib(8, 1, 1, {0xFFFFFF}, {200, 0, 0, 0});
  res::Register(res::kBitmap, 7013, shortTable.data(), shortTable.size());
  EXPECT_EQ(LoadedPixel(7013, 0, 0), RGB(0, 0, 0));
}

TEST(Bitmaps, SrcInvertXorsAndBlackLeavesTheDestination) {
  static const std::vector<unsigned char> dib = SixteenColourDib(false);  // default table
  res::Register(res::kBitmap, 7005, dib.data(), dib.size());
  Canvas face(6, 4);
  HBRUSH grey = CreateSolidBrush(RGB(200, 200, 160));
  RECT all{0, 0, 6, 4};
  FillRect(face.dc(), &all, grey);
  DeleteObject(grey);
  const int before = LiveObjectsTotal();
  HBITMAP bm = LoadBitmapA(nullptr, MAKEINTRESOURCEA(7005));
  HDC mem = CreateCompatibleDC(face.dc());
  HGDIOBJ old = SelectObject(mem, bm);
  EXPECT_TRUE(BitBlt(face.dc(), 1, 1, 40, 20, mem, 0, 0, SRCINVERT));
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(bm);
  EXPECT_EQ(LiveObjectsTotal(), before);
  EXPECT_EQ(face.At(1, 1), RGB(200, 200, 160));         // black
  EXPECT_EQ(face.At(2, 1), RGB(200 ^ 0xFF, 200, 160));  // red
  EXPECT_EQ(face.At(4, 1), RGB(55, 55, 95));            // white
  EXPECT_EQ(face.At(1, 2), RGB(200, 200, 160 ^ 0xFF));  // blue
  EXPECT_EQ(face.At(0, 0), RGB(200, 200, 160));         // outside the block
}

TEST(Bitmaps, GetDIBitsReadsBackTopDownAndBottomUp) {
  Canvas c(3, 2);
  SetPixel(c.dc(), 0, 0, RGB(1, 2, 3));
  SetPixel(c.dc(), 2, 1, RGB(4, 5, 6));
  for (int bpp : {24, 32}) {
    for (bool topDown : {true, false}) {
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      info.bmiHeader.biWidth = 3;
      info.bmiHeader.biHeight = topDown ? -2 : 2;
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = static_cast<WORD>(bpp);
      const int stride = ((3 * bpp + 31) / 32) * 4;
      std::vector<unsigned char> bits(static_cast<size_t>(stride) * 2, 0xEE);
      EXPECT_EQ(GetDIBits(c.dc(), c.bitmap(), 0, 2, bits.data(), &info, DIB_RGB_COLORS), 2);
      const unsigned char* top = bits.data() + (topDown ? 0 : stride);
      const unsigned char* bottom = bits.data() + (topDown ? stride : 0);
      EXPECT_EQ(top[0], 3);  // blue, green, red
      EXPECT_EQ(top[1], 2);
      EXPECT_EQ(top[2], 1);
      const unsigned char* last = bottom + 2 * (bpp / 8);
      EXPECT_EQ(last[0], 6);
      EXPECT_EQ(last[2], 4);
    }
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  EXPECT_EQ(GetDIBits(c.dc(), c.bitmap(), 0, 2, nullptr, &info, DIB_RGB_COLORS), 1);
  EXPECT_EQ(info.bmiHeader.biWidth, 3);
  EXPECT_EQ(info.bmiHeader.biHeight, 2);
  EXPECT_EQ(GetDIBits(c.dc(), nullptr, 0, 2, nullptr, &info, DIB_RGB_COLORS), 0);
}

TEST(Clipping, RegionsAreCopiedAndLimitEveryPrimitive) {
  Canvas c(10, 10);
  HRGN rgn = CreateRectRgn(2, 2, 6, 5);
  SelectClipRgn(c.dc(), rgn);
  DeleteObject(rgn);
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  RECT all{0, 0, 10, 10};
  FillRect(c.dc(), &all, white);
  DeleteObject(white);
  EXPECT_EQ(c.Picture(),
            "..........\n"
            "..........\n"
            "..####....\n"
            "..####....\n"
            "..####....\n"
            "..........\n"
            "..........\n"
            "..........\n"
            "..........\n"
            "..........\n");
  SelectClipRgn(c.dc(), nullptr);
  SetPixel(c.dc(), 9, 9, RGB(1, 1, 1));
  EXPECT_EQ(c.At(9, 9), RGB(1, 1, 1));
  HRGN empty = CreateRectRgn(3, 3, 3, 3);
  SelectClipRgn(c.dc(), empty);
  DeleteObject(empty);
  SetPixel(c.dc(), 0, 0, RGB(1, 1, 1));
  EXPECT_EQ(c.At(0, 0), 0u);
}

TEST(SurfaceDC, DrawsAtItsOriginInsideItsVisibleRectAndClipsInLogicalUnits) {
  Surface s(20, 12);
  const int dcs = LiveObjects(Kind::kDC);
  HDC dc = CreateSurfaceDC(&s, 5, 3, RECT{4, 2, 12, 9});
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(LiveObjects(Kind::kDC), dcs + 1);
  EXPECT_EQ(SurfaceOf(dc), &s);
  SetPixel(dc, 0, 0, RGB(255, 0, 0));
  EXPECT_EQ(ToColorRef(s.At(5, 3)), RGB(255, 0, 0));
  SetPixel(dc, -2, 0, RGB(255, 0, 0));  // surface (3,3): outside the visible rect
  EXPECT_EQ(s.At(3, 3), 0u);
  HRGN rgn = CreateRectRgn(1, 1, 3, 3);  // surface (6,4)-(8,6)
  SelectClipRgn(dc, rgn);
  DeleteObject(rgn);
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  RECT all{-10, -10, 30, 30};
  FillRect(dc, &all, white);
  int lit = 0;
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 20; ++x)
      if (s.At(x, y) == 0xFFFFFFu) {
        ++lit;
        EXPECT_TRUE(x >= 6 && x < 8 && y >= 4 && y < 6) << x << "," << y;
      }
  EXPECT_EQ(lit, 4);
  SelectClipRgn(dc, nullptr);
  EXPECT_TRUE(SetSurfaceDCVisible(dc, RECT{0, 0, 2, 2}));
  FillRect(dc, &all, white);
  EXPECT_EQ(s.At(1, 1), 0xFFFFFFu);
  EXPECT_EQ(s.At(2, 2), 0u);
  DeleteObject(white);
  HDC mem = CreateCompatibleDC(nullptr);
  EXPECT_FALSE(SetSurfaceDCVisible(mem, RECT{0, 0, 1, 1}));
  DeleteDC(mem);
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_EQ(LiveObjects(Kind::kDC), dcs);
  EXPECT_EQ(CreateSurfaceDC(nullptr, 0, 0, RECT{0, 0, 1, 1}), nullptr);
}

}  // namespace
}  // namespace orvel::gdi

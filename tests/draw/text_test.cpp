#include "draw/draw.h"

#include <gtest/gtest.h>

#include "draw_fixture.h"

namespace {

struct Box {
  int left, top, right, bottom;  // [left, right) x [top, bottom)
};

class TextPanel : public DrawSurface {
 protected:
  // The character cells of `text` in an Ariel font of `height` written at x with `align`
  // (TA_LEFT, TA_CENTER or TA_RIGHT) on the baseline y, measured with the same font.
  Box Cells(const char* text, int height, int x, int y, UINT align) {
    HFONT font = CreateFontA(height, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Ariel");
    HGDIOBJ previous = SelectObject(dc_, font);
    SIZE size{};
    TEXTMETRICA tm{};
    GetTextExtentPoint32A(dc_, text, static_cast<int>(strlen(text)), &size);
    GetTextMetricsA(dc_, &tm);
    SelectObject(dc_, previous);
    DeleteObject(font);
    int left = align == TA_CENTER ? x - size.cx / 2 : align == TA_RIGHT ? x - size.cx : x;
    return {left, y - tm.tmAscent, left + size.cx, y + tm.tmDescent};
  }

  int CountInside(const Box& b, uint32_t colour) const {
    int n = 0;
    for (int y = b.top; y < b.bottom; ++y) {
      for (int x = b.left; x < b.right; ++x) n += At(x, y) == colour;
    }
    return n;
  }
  int CountOutside(const Box& b, uint32_t colour) const {
    int n = 0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        bool inside = x >= b.left && x < b.right && y >= b.top && y < b.bottom;
        n += !inside && At(x, y) != colour;
      }
    }
    return n;
  }
};

TEST_F(TextPanel, OpaqueTextPaintsBlackBehindItsOwnCellsOnly) {
  struct Case {
    TextAlignCode align;
    int x;
    UINT ta;
  };
  // Rectangle (20, 0)-(200, 60): baseline at 55; x from left + 5, the middle, right - 5.
  const Case cases[] = {{TextAlignLeft, 25, TA_LEFT},
                        {TextAlignCentre, 110, TA_CENTER},
                        {TextAlignRight, 195, TA_RIGHT}};
  for (const Case& c : cases) {
    Clear();
    DrawOpaqueText(dc_, 20, 0, 200, 60, "Ariel", 22, 0, c.align, "12:34", 9, 9, 9, 255, 255, 0);
    const Box cells = Cells("12:34", 22, c.x, 55, c.ta);
    EXPECT_GT(cells.right - cells.left, 20);
    EXPECT_EQ(CountOutside(cells, kBackground), 0) << c.align;
    EXPECT_EQ(CountInside(cells, kBackground), 0) << c.align;
    EXPECT_GT(CountInside(cells, 0), 0) << c.align;
    EXPECT_GT(CountInside(cells, Colour(255, 255, 0).Pixel()), 0) << c.align;
    EXPECT_TRUE(ObjectsAsOnEntry());
  }
  // The DC keeps the opaque mode and the black background for later text.
  EXPECT_EQ(SetBkMode(dc_, TRANSPARENT), OPAQUE);
  EXPECT_EQ(SetBkColor(dc_, RGB(1, 1, 1)), RGB(0, 0, 0));
}

TEST_F(TextPanel, ShorterOpaqueTextLeavesTheOldTail) {
  DrawOpaqueText(dc_, 0, 0, 200, 40, "Ariel", 20, 0, TextAlignLeft, "88888888", 0, 0, 0, 255, 255,
                 255);
  const Box longCells = Cells("88888888", 20, 5, 35, TA_LEFT);
  const Box shortCells = Cells("1", 20, 5, 35, TA_LEFT);
  DrawOpaqueText(dc_, 0, 0, 200, 40, "Ariel", 20, 0, TextAlignLeft, "1", 0, 0, 0, 255, 255, 255);
  const Box tail{shortCells.right, longCells.top, longCells.right, longCells.bottom};
  EXPECT_GT(CountInside(tail, Colour(255, 255, 255).Pixel()), 0);
}

TEST_F(TextPanel, TransparentTextKeepsTheBackgroundAroundTheInk) {
  DrawTransparentText(dc_, 0, 0, 100, 30, "Ariel", 16, 0, TextAlignLeft, "Orvel", 0, 0, 0, 0x1FF, 0,
                      0);
  const Box cells = Cells("Orvel", 16, 5, 25, TA_LEFT);
  EXPECT_EQ(CountOutside(cells, kBackground), 0);
  EXPECT_GT(CountInside(cells, kBackground), 0);
  EXPECT_GT(CountInside(cells, Colour(255, 0, 0).Pixel()), 0);
  EXPECT_EQ(SetTextColor(dc_, 0), RGB(255, 0, 0));  // low 8 bits of each component
  EXPECT_EQ(SetBkMode(dc_, OPAQUE), TRANSPARENT);
  EXPECT_TRUE(ObjectsAsOnEntry());
}

TEST_F(TextPanel, UnknownAlignmentWritesNothingButLeavesAlignment24) {
  SetTextAlign(dc_, TA_CENTER);
  DrawTransparentText(dc_, 0, 0, 100, 30, "Ariel", 16, 0, 2, "x", 0, 0, 0, 255, 0, 0);
  DrawOpaqueText(dc_, 0, 0, 100, 30, "Ariel", 16, 0, -2, "x", 0, 0, 0, 255, 0, 0);
  EXPECT_EQ(CountNot(kBackground), 0);
  EXPECT_EQ(SetTextAlign(dc_, TA_LEFT), static_cast<UINT>(TA_BASELINE | TA_LEFT));

  DrawBoxedText(dc_, 10, 10, 60, 40, "Ariel", 16, 0, 2, "x", 200, 200, 160, 255, 0, 0);
  EXPECT_EQ(At(10, 10), Colour(240, 240, 192).Pixel());  // the box is drawn all the same
  EXPECT_EQ(SetTextAlign(dc_, TA_LEFT), static_cast<UINT>(TA_BASELINE | TA_LEFT));
  EXPECT_TRUE(ObjectsAsOnEntry());
}

TEST_F(TextPanel, BoxedTextDrawsBoxShadingAndTransparentText) {
  DrawBoxedText(dc_, 10, 10, 110, 50, "Ariel", 18, 0, TextAlignCentre, "07", 200, 200, 160, 0, 0,
                255);
  EXPECT_EQ(At(10, 10), Colour(240, 240, 192).Pixel());  // light bevel
  EXPECT_EQ(At(11, 51), 0u);                             // shadow
  EXPECT_EQ(At(13, 13), Colour(179, 179, 143).Pixel());  // first shaded row, 0.9f is 0.8999999
  const Box cells = Cells("07", 18, 60, 45, TA_CENTER);
  EXPECT_GT(CountInside(cells, Colour(0, 0, 255).Pixel()), 0);
  EXPECT_EQ(SetBkMode(dc_, OPAQUE), TRANSPARENT);
  EXPECT_TRUE(ObjectsAsOnEntry());
}

}  // namespace

#include "canvas.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <unistd.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace orvel::gdi {
namespace {

using test::Canvas;

// The bounding box of pixels that differ from black.
RECT Ink(const Canvas& c, int w, int h) {
  RECT r{w, h, -1, -1};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (c.At(x, y)) {
        r.left = std::min<LONG>(r.left, x);
        r.top = std::min<LONG>(r.top, y);
        r.right = std::max<LONG>(r.right, x + 1);
        r.bottom = std::max<LONG>(r.bottom, y + 1);
      }
  return r;
}

class Text : public ::testing::Test {
 protected:
  HFONT Font(int height) {
    return CreateFontA(height, 0, 0, 0, 0, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Ariel");
  }
};

TEST_F(Text, PositiveHeightIsTheCellNegativeTheEm) {
  Canvas c(4, 4);
  for (int h : {10, 12, 22, 32, 128}) {
    HFONT f = Font(h);
    HGDIOBJ old = SelectObject(c.dc(), f);
    TEXTMETRICA tm;
    ASSERT_TRUE(GetTextMetricsA(c.dc(), &tm));
    EXPECT_EQ(tm.tmHeight, h);
    EXPECT_EQ(tm.tmAscent + tm.tmDescent, h);
    EXPECT_GT(tm.tmInternalLeading, 0);
    SIZE s;
    ASSERT_TRUE(GetTextExtentPoint32A(c.dc(), "Orvel!", 6, &s));
    EXPECT_EQ(s.cy, h);
    EXPECT_GT(s.cx, h);
    SelectObject(c.dc(), old);
    DeleteObject(f);
  }
  // The em is rounded in fixed point: some heights come out a pixel off, as in GDI.
  for (auto hc : {std::pair<int, int>{13, 14}, {18, 17}, {40, 41}}) {
    HFONT f = Font(hc.first);
    HGDIOBJ old = SelectObject(c.dc(), f);
    TEXTMETRICA tm;
    GetTextMetricsA(c.dc(), &tm);
    EXPECT_EQ(tm.tmHeight, hc.second) << hc.first;
    SelectObject(c.dc(), old);
    DeleteObject(f);
  }
  HFONT em = Font(-32);
  HGDIOBJ old = SelectObject(c.dc(), em);
  TEXTMETRICA tm;
  GetTextMetricsA(c.dc(), &tm);
  EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 32);
  SelectObject(c.dc(), old);
  DeleteObject(em);
}

TEST_F(Text, AriellFallsBackToArialMetrics) {
  // Arial and its Liberation Sans stand-in share advance widths; these are GDI's figures.
  Canvas c(4, 4);
  HFONT f = Font(32);
  HGDIOBJ old = SelectObject(c.dc(), f);
  SIZE s;
  GetTextExtentPoint32A(c.dc(), "Orvel!", 6, &s);
  TEXTMETRICA tm;
  GetTextMetricsA(c.dc(), &tm);
  EXPECT_EQ(tm.tmAscent, 26);
  EXPECT_EQ(tm.tmDescent, 6);
  EXPECT_EQ(s.cx, 78);
  EXPECT_EQ(tm.tmExternalLeading, 1);
  GetTextExtentPoint32A(c.dc(), "Speed Control", 13, &s);
  EXPECT_EQ(s.cx, 184);
  SelectObject(c.dc(), old);
  DeleteObject(f);
}

TEST_F(Text, OpaqueBackgroundFillsExactlyTheCellBoxForEveryAlignment) {
  const UINT horizontal[] = {TA_LEFT, TA_CENTER, TA_RIGHT};
  const UINT vertical[] = {TA_TOP, TA_BASELINE, TA_BOTTOM};
  for (UINT h : horizontal) {
    for (UINT v : vertical) {
      Canvas c(200, 80);
      const int before = LiveObjectsTotal();
      HFONT f = Font(22);
      HGDIOBJ old = SelectObject(c.dc(), f);
      SetBkMode(c.dc(), OPAQUE);
      SetBkColor(c.dc(), RGB(0, 0, 200));
      SetTextColor(c.dc(), RGB(255, 255, 0));
      SetTextAlign(c.dc(), h | v);
      SIZE s;
      GetTextExtentPoint32A(c.dc(), "Sunday, 6", 9, &s);
      TEXTMETRICA tm;
      GetTextMetricsA(c.dc(), &tm);
      EXPECT_TRUE(TextOutA(c.dc(), 100, 40, "Sunday, 6", 9));
      SelectObject(c.dc(), old);
      DeleteObject(f);
      EXPECT_EQ(LiveObjectsTotal(), before);
      int left = h == TA_CENTER ? 100 - s.cx / 2 : h == TA_RIGHT ? 100 - s.cx : 100;
      int baseline = v == TA_BASELINE ? 40 : v == TA_BOTTOM ? 40 - tm.tmDescent : 40 + tm.tmAscent;
      RECT ink = Ink(c, 200, 80);
      EXPECT_EQ(ink.left, left) << h << " " << v;
      EXPECT_EQ(ink.right, left + s.cx) << h << " " << v;
      EXPECT_EQ(ink.top, baseline - tm.tmAscent) << h << " " << v;
      EXPECT_EQ(ink.bottom, baseline + tm.tmDescent) << h << " " << v;
      // Both the background and the glyph colour appear.
      int bk = 0, fg = 0;
      for (int y = ink.top; y < ink.bottom; ++y)
        for (int x = ink.left; x < ink.right; ++x) {
          bk += c.At(x, y) == RGB(0, 0, 200);
          fg += c.At(x, y) == RGB(255, 255, 0);
        }
      EXPECT_GT(bk, fg);
      EXPECT_GT(fg, 10);
    }
  }
}

TEST_F(Text, TransparentTextStaysInsideItsCellAndBlendsGreys) {
  Canvas c(120, 50);
  HFONT f = Font(32);
  HGDIOBJ old = SelectObject(c.dc(), f);
  SetBkMode(c.dc(), TRANSPARENT);
  SetTextColor(c.dc(), RGB(255, 250, 0));
  SetTextAlign(c.dc(), TA_BASELINE | TA_LEFT);
  TextOutA(c.dc(), 10, 35, "Orvel!", 6);
  RECT ink = Ink(c, 120, 50);
  EXPECT_GE(ink.left, 10);
  EXPECT_LE(ink.right, 10 + 78);
  EXPECT_GE(ink.top, 35 - 26);
  EXPECT_LE(ink.bottom, 35 + 6);
  bool grey = false;
  for (int y = ink.top; y < ink.bottom; ++y)
    for (int x = ink.left; x < ink.right; ++x) {
      COLORREF p = c.At(x, y);
      grey |= p != 0 && p != RGB(255, 250, 0);
    }
  EXPECT_TRUE(grey);  // antialiased edges
  SelectObject(c.dc(), old);
  DeleteObject(f);
}

TEST_F(Text, ManyFontsStayCountedAndEmptyTextDrawsNothing) {
  Canvas c(40, 40);
  const int fonts = LiveObjects(Kind::kFont);
  for (int i = 0; i < 200; ++i) {
    HFONT f = Font(10 + i % 30);
    HGDIOBJ old = SelectObject(c.dc(), f);
    SetBkMode(c.dc(), OPAQUE);
    EXPECT_TRUE(TextOutA(c.dc(), 0, 0, "", 0));
    SelectObject(c.dc(), old);
    DeleteObject(f);
  }
  EXPECT_EQ(LiveObjects(Kind::kFont), fonts);
  EXPECT_EQ(c.Lit(), 0);
  EXPECT_FALSE(TextOutA(c.dc(), 0, 0, nullptr, 3));
  EXPECT_FALSE(TextOutA(c.dc(), 0, 0, "abc", -1));
}

TEST_F(Text, QuarterMegabyteOfTextIsMeasuredAndDrawnSafely) {
  Canvas c(60, 30);
  HFONT f = Font(12);
  HGDIOBJ old = SelectObject(c.dc(), f);
  const std::string text(1 << 18, 'W');
  SIZE one, all;
  ASSERT_TRUE(GetTextExtentPoint32A(c.dc(), "W", 1, &one));
  ASSERT_TRUE(GetTextExtentPoint32A(c.dc(), text.data(), static_cast<int>(text.size()), &all));
  EXPECT_EQ(all.cx, one.cx * (1 << 18));
  SetTextAlign(c.dc(), TA_RIGHT);
  EXPECT_TRUE(TextOutA(c.dc(), 50, 5, text.data(), static_cast<int>(text.size())));
  EXPECT_GT(c.Lit(), 0);
  SelectObject(c.dc(), old);
  DeleteObject(f);
}

// How many times each font file (.ttf) is mapped, by path, from /proc/self/maps.
std::map<std::string, int> FontMappings() {
  std::map<std::string, int> count;
  FILE* maps = fopen("/proc/self/maps", "r");
  if (maps == nullptr) return count;
  char line[4096];
  while (fgets(line, sizeof line, maps)) {
    std::string l(line);
    while (!l.empty() && l.back() == '\n') l.pop_back();
    const size_t path = l.find('/');
    if (path != std::string::npos && l.size() > 4 && l.compare(l.size() - 4, 4, ".ttf") == 0)
      ++count[l.substr(path)];
  }
  fclose(maps);
  return count;
}

// The sizes drawn from one font file share one mapping of it.
TEST_F(Text, SizesOfOneFontShareOneMappingOfItsFile) {
  Canvas c(80, 40);
  std::vector<HFONT> fonts;
  for (int height : {11, 17, 23, 29}) {
    fonts.push_back(Font(height));
    HGDIOBJ old = SelectObject(c.dc(), fonts.back());
    EXPECT_TRUE(TextOutA(c.dc(), 0, 0, "Wg", 2));
    SelectObject(c.dc(), old);
  }
  EXPECT_GT(c.Lit(), 0);
  const std::map<std::string, int> mappings = FontMappings();
  EXPECT_FALSE(mappings.empty());
  for (const auto& [file, n] : mappings) EXPECT_EQ(n, 1) << file;
  for (HFONT f : fonts) DeleteObject(f);
}

// Resident memory in bytes.
int64_t ResidentBytes() {
  long pages = 0, resident = 0;
  FILE* f = fopen("/proc/self/statm", "r");
  if (f == nullptr) return -1;
  if (fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = -1;
  fclose(f);
  return static_cast<int64_t>(resident) * sysconf(_SC_PAGESIZE);
}

// Fonts of about 4,000 pixels, every one kept alive and drawn: the cache lets the least recently
// used faces and glyphs go and stays within its budget, and a font whose face was let go draws
// exactly as before.
TEST_F(Text, HugeFontsStayWithinTheCacheBudget) {
  Canvas first(80, 30), again(80, 30);
  HFONT small = Font(22);
  for (Canvas* c : {&first, &again}) {
    SetBkMode(c->dc(), TRANSPARENT);
    SetTextColor(c->dc(), RGB(255, 255, 255));
  }
  HGDIOBJ old = SelectObject(first.dc(), small);
  ASSERT_TRUE(TextOutA(first.dc(), 2, 2, "Orvel", 5));
  // Within the budget nothing is let go: a second small font joins the first.
  const size_t oneFace = TextCacheBytes();
  Canvas scratch(80, 30);
  HFONT smaller = Font(12);
  HGDIOBJ scratchOld = SelectObject(scratch.dc(), smaller);
  ASSERT_TRUE(TextOutA(scratch.dc(), 2, 2, "Orvel", 5));
  EXPECT_GT(TextCacheBytes(), oneFace);
  SelectObject(scratch.dc(), scratchOld);
  DeleteObject(smaller);

  [[maybe_unused]] const int64_t resident = ResidentBytes();
  std::vector<HFONT> huge;
  for (int i = 0; i < 24; ++i) {
    huge.push_back(Font(4000 + i));
    SelectObject(first.dc(), huge.back());
    EXPECT_TRUE(TextOutA(first.dc(), -200, -600, "W", 1));
    EXPECT_LE(TextCacheBytes(), kTextCacheBudget) << "after font " << i;
  }
#if !defined(__SANITIZE_ADDRESS__)  // AddressSanitizer holds freed blocks back for a while
  EXPECT_LT(ResidentBytes() - resident, static_cast<int64_t>(2 * kTextCacheBudget));
#endif

  SelectObject(first.dc(), old);
  SelectObject(again.dc(), small);
  ASSERT_TRUE(TextOutA(again.dc(), 2, 2, "Orvel", 5));
  SelectObject(again.dc(), old);
  EXPECT_EQ(again.Picture(), first.Picture());
  EXPECT_GT(again.Lit(), 0);
  for (HFONT f : huge) DeleteObject(f);
  DeleteObject(small);
}

TEST_F(Text, StockFontsRender) {
  Canvas c(100, 30);
  SetBkMode(c.dc(), TRANSPARENT);
  SetTextColor(c.dc(), RGB(255, 255, 255));
  EXPECT_TRUE(TextOutA(c.dc(), 2, 2, "Default", 7));  // the DC's SYSTEM_FONT
  EXPECT_GT(c.Lit(), 0);
}

}  // namespace
}  // namespace orvel::gdi

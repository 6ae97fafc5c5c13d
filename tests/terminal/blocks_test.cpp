// The half-block picture read back through a terminal emulator (libvterm): every cell's
// colours exactly the window's pixels (or, shrunk, the mean of the pixels each one covers),
// and a second frame sent as the changed cells only, looking only where the picture changed.
#include "host/terminal/blocks.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <random>
#include <vector>

#include "vterm_screen.h"

namespace orvel::terminal {
namespace {

using test::VtermScreen;

std::vector<uint32_t> RandomPicture(int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  for (uint32_t& p : pixels) p = random() & 0xFFFFFFu;
  // Runs of one colour, as windows have, so that spaces and full blocks are used too.
  for (size_t i = 0; i + 8 < pixels.size(); i += 16) std::fill_n(&pixels[i], 8, pixels[i]);
  return pixels;
}

// The picture that the terminal shows, read back cell by cell into picture pixels.
std::vector<uint32_t> ReadBack(const VtermScreen& screen, const Fit& fit) {
  std::vector<uint32_t> shown(static_cast<size_t>(fit.shownWidth()) * fit.shownHeight());
  for (int y = 0; y < fit.shownHeight(); y += 2) {
    for (int x = 0; x < fit.shownWidth(); ++x) {
      uint32_t upper = 0xFF000000u, lower = 0xFF000000u;
      EXPECT_TRUE(screen.CellPixels(fit.firstCol() + x, fit.firstRow() + y / 2, &upper, &lower));
      shown[static_cast<size_t>(y) * fit.shownWidth() + x] = upper;
      if (y + 1 < fit.shownHeight())
        shown[static_cast<size_t>(y + 1) * fit.shownWidth() + x] = lower;
    }
  }
  return shown;
}

TEST(Blocks, WholePictureReadsBackExactlyAndOnlyChangedCellsAreSent) {
  const int width = 70, height = 41;  // an odd height: the last cell's lower half is empty
  std::vector<uint32_t> pixels = RandomPicture(width, height, 7);
  VtermScreen screen(80, 24);
  const Fit fit(width, height, 80, 24);
  ASSERT_EQ(fit.shownWidth(), width);
  ASSERT_EQ(fit.shownHeight(), height);
  Shown cells, shown;
  Shrink(pixels.data(), fit, &cells);
  std::string bytes;
  EncodeBlocks(fit, cells, 0, &shown, &bytes);
  EXPECT_EQ(shown, cells);
  screen.Feed(bytes);
  EXPECT_EQ(ReadBack(screen, fit), pixels);

  // A small change: a 5 x 3 block drawn, which touches 5 x 2 cells.
  for (int y = 10; y < 13; ++y) {
    for (int x = 30; x < 35; ++x) pixels[static_cast<size_t>(y) * width + x] = 0x123456;
  }
  const Area changed = ShrinkArea(pixels.data(), fit, 30, 10, 35, 13, &cells);
  EXPECT_EQ(changed, (Area{30, 10, 35, 13}));
  bytes.clear();
  EncodeBlocks(fit, cells, 0, &shown, &bytes, changed);
  screen.Feed(bytes);
  EXPECT_EQ(ReadBack(screen, fit), pixels);
  // Ten cells: a cursor move and colours for the first of each row, then at most a colour
  // change (19-39 bytes) and a 3-byte character each.
  EXPECT_LT(bytes.size(), 10u * 45);
  EXPECT_EQ(bytes.find("\x1b[2J"), std::string::npos);

  // Nothing changed: nothing sent.
  bytes.clear();
  EncodeBlocks(fit, cells, 0, &shown, &bytes);
  EXPECT_TRUE(bytes.empty());
}

// A shown pixel of a 3 x 3 box, computed here: halfway between the box's mean and the pixel
// farthest from it.
uint32_t BoxColour(const std::vector<uint32_t>& box) {
  int mean[3] = {0, 0, 0};
  for (uint32_t p : box) {
    for (int c = 0; c < 3; ++c) mean[c] += (p >> (16 - 8 * c)) & 0xFF;
  }
  for (int& m : mean) m = (m + 4) / 9;
  int far[3] = {mean[0], mean[1], mean[2]}, farthest = 0;
  for (uint32_t p : box) {
    int d = 0;
    for (int c = 0; c < 3; ++c) d += abs(static_cast<int>((p >> (16 - 8 * c)) & 0xFF) - mean[c]);
    if (d > farthest) {
      farthest = d;
      for (int c = 0; c < 3; ++c) far[c] = (p >> (16 - 8 * c)) & 0xFF;
    }
  }
  return static_cast<uint32_t>((mean[0] + far[0]) / 2 << 16 | (mean[1] + far[1]) / 2 << 8 |
                               (mean[2] + far[2]) / 2);
}

TEST(Blocks, ShrunkPictureKeepsThinLines) {
  // 120 x 60 into 40 x 10 cells: 40 x 20 shown pixels, each from a 3 x 3 box.
  const int width = 120, height = 60;
  std::vector<uint32_t> pixels = RandomPicture(width, height, 11);
  // A one-pixel yellow line on black across the middle, as the sphere and the traces draw.
  for (int y = 27; y < 33; ++y) std::fill_n(&pixels[static_cast<size_t>(y) * width], width, 0);
  std::fill_n(&pixels[static_cast<size_t>(30) * width], width, 0xFFFF00u);
  const Fit fit(width, height, 40, 10);
  ASSERT_EQ(fit.shownWidth(), 40);
  ASSERT_EQ(fit.shownHeight(), 20);
  Shown cells, sent;
  Shrink(pixels.data(), fit, &cells);
  std::string bytes;
  EncodeBlocks(fit, cells, 0, &sent, &bytes);
  VtermScreen screen(40, 10);
  screen.Feed(bytes);
  std::vector<uint32_t> expected;
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 40; ++x) {
      std::vector<uint32_t> box;
      for (int dy = 0; dy < 3; ++dy) {
        for (int dx = 0; dx < 3; ++dx) {
          box.push_back(pixels[static_cast<size_t>(3 * y + dy) * width + 3 * x + dx]);
        }
      }
      expected.push_back(BoxColour(box));
    }
  }
  const std::vector<uint32_t> shown = ReadBack(screen, fit);
  EXPECT_EQ(shown, expected);
  // The line's row: two thirds of its yellow, where the mean would be a third.
  EXPECT_EQ(shown[10 * 40 + 5], 0xAAAA00u);

  // Two pixels drawn anew: only the two shown pixels that hold them are shrunk again, and
  // the picture is as a whole shrink would make it.
  for (const int at : {7 * width + 4, 13 * width + 100}) {
    pixels[at] = 0x123456;
    std::vector<uint8_t> marks(40 * 20, 0);
    marks[fit.ShownRowOf(at / width) * 40 + fit.ShownColumnOf(at % width)] = 1;
    const Area changed = ShrinkMarked(pixels.data(), fit, &marks, &cells);
    EXPECT_EQ(changed,
              (Area{at % width / 3, at / width / 3, at % width / 3 + 1, at / width / 3 + 1}));
    EXPECT_EQ(marks, std::vector<uint8_t>(40 * 20, 0));
  }
  Shown whole;
  Shrink(pixels.data(), fit, &whole);
  EXPECT_EQ(cells, whole);
}

// With a tolerance, every pixel is shown within it of its colour, what the terminal shows is
// what the encoder says it shows, and near shades cost fewer bytes.
TEST(Blocks, ToleranceKeepsEveryPixelNearAndSavesBytes) {
  const int width = 60, height = 40, tolerance = 6;
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  std::mt19937 random(5);
  for (uint32_t& p : pixels) p = 0x404040u + (random() % 7) * 0x010101u;  // near shades of grey
  const Fit fit(width, height, 80, 24);
  Shown cells, exact, near;
  Shrink(pixels.data(), fit, &cells);
  std::string exactBytes, nearBytes;
  EncodeBlocks(fit, cells, 0, &exact, &exactBytes);
  EncodeBlocks(fit, cells, tolerance, &near, &nearBytes);
  VtermScreen screen(80, 24);
  screen.Feed(nearBytes);
  const std::vector<uint32_t> shown = ReadBack(screen, fit);
  EXPECT_EQ(shown, near.pixels);
  for (size_t i = 0; i < pixels.size(); ++i) {
    for (int shift : {0, 8, 16}) {
      ASSERT_LE(abs(static_cast<int>((shown[i] >> shift) & 0xFF) -
                    static_cast<int>((pixels[i] >> shift) & 0xFF)),
                tolerance)
          << "pixel " << i;
    }
  }
  EXPECT_LT(nearBytes.size() * 4, exactBytes.size());
}

// Where the window goes in terminals of several sizes, and which window pixel a cell is.
TEST(Blocks, FitKeepsTheShapeCentresAndMapsCellsToWindowPixels) {
  struct Case {
    int cols, rows;
    int shownWidth, shownHeight, firstCol, firstRow;
    int col, row;  // a cell ...
    bool inside;
    int x, y;  // ... and the window pixel under it
  };
  const Case cases[] = {
      // 561 x 411, the main window: shrunk by the height in 80 x 24 (48 pixel rows) ...
      // the first cell covers columns 0-7 and rows 0-16 (two shown rows of 8 and 9).
      {80, 24, 65, 48, 7, 0, 7, 0, true, 3, 8},
      {80, 24, 65, 48, 7, 0, 71, 23, true, 556, 401},
      {80, 24, 65, 48, 7, 0, 6, 5, false, 3, 93},
      // ... by the width in 200 x 200 ...
      {200, 200, 200, 146, 0, 63, 100, 63, true, 281, 2},
      // ... and shown pixel for pixel when it fits.
      {600, 220, 561, 411, 19, 7, 19 + 280, 7 + 100, true, 280, 200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.cols << " x " << c.rows << " cell " << c.col << "," << c.row);
    const Fit fit(561, 411, c.cols, c.rows);
    EXPECT_EQ(fit.shownWidth(), c.shownWidth);
    EXPECT_EQ(fit.shownHeight(), c.shownHeight);
    EXPECT_EQ(fit.firstCol(), c.firstCol);
    EXPECT_EQ(fit.firstRow(), c.firstRow);
    int x = -1, y = -1;
    EXPECT_EQ(fit.PixelAt(c.col, c.row, &x, &y), c.inside);
    EXPECT_EQ(x, c.x);
    EXPECT_EQ(y, c.y);
  }
}

// With mouse reports in pixels, a picture of 10 x 20-pixel cells maps the pixel itself.
TEST(Blocks, PixelReportsMapToTheWindowPixelUnderThem) {
  const Fit fit(561, 411, 80, 30, 10, 20);  // shown whole, from cell (11, 4)
  int x = -1, y = -1;
  EXPECT_TRUE(fit.PixelAtPoint(110 + 280, 80 + 200, &x, &y));
  EXPECT_EQ(x, 280);
  EXPECT_EQ(y, 200);
  EXPECT_FALSE(fit.PixelAtPoint(109, 80, &x, &y));
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
}

}  // namespace
}  // namespace orvel::terminal

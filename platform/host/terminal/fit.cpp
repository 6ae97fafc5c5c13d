#include "host/terminal/fit.h"

#include <string.h>

#include <algorithm>

namespace orvel::terminal {
namespace {

// The sum of the channels' differences between a pixel and a colour given by channels.
inline int Distance(uint32_t p, int r, int g, int b) {
  const int dr = static_cast<int>((p >> 16) & 0xFF) - r;
  const int dg = static_cast<int>((p >> 8) & 0xFF) - g;
  const int db = static_cast<int>(p & 0xFF) - b;
  return (dr < 0 ? -dr : dr) + (dg < 0 ? -dg : dg) + (db < 0 ? -db : db);
}

// The colour shown for pixels [left, right) x [top, bottom): halfway between their mean and
// the pixel farthest from the mean (the first such), each channel rounded down. A thin line
// through the box stays visible at half strength, where the mean alone would all but lose it;
// a box of one colour shows that colour. The channels are spelt out one by one, as this runs
// for every shown pixel that changes.
uint32_t Shrunk(const uint32_t* pixels, int stride, int left, int top, int right, int bottom) {
  const uint32_t first = pixels[static_cast<size_t>(top) * stride + left];
  if (right - left == 1 && bottom - top == 1) return first & 0xFFFFFFu;
  uint32_t r = 0, g = 0, b = 0, differ = 0;
  for (int y = top; y < bottom; ++y) {
    const uint32_t* p = pixels + static_cast<size_t>(y) * stride;
    for (int x = left; x < right; ++x) {
      r += (p[x] >> 16) & 0xFF;
      g += (p[x] >> 8) & 0xFF;
      b += p[x] & 0xFF;
      differ |= p[x] ^ first;
    }
  }
  if ((differ & 0xFFFFFFu) == 0) return first & 0xFFFFFFu;
  const uint32_t n = static_cast<uint32_t>((right - left) * (bottom - top));
  const int mr = static_cast<int>((r + n / 2) / n), mg = static_cast<int>((g + n / 2) / n),
            mb = static_cast<int>((b + n / 2) / n);
  uint32_t far = static_cast<uint32_t>(mr << 16 | mg << 8 | mb);
  int farthest = 0;
  for (int y = top; y < bottom; ++y) {
    const uint32_t* p = pixels + static_cast<size_t>(y) * stride;
    uint32_t previous = p[left] ^ 1;  // any other colour
    for (int x = left; x < right; ++x) {
      // A pixel like the one before it is no farther (boxes are mostly runs of one colour).
      if (p[x] == previous) continue;
      previous = p[x];
      const int d = Distance(p[x], mr, mg, mb);
      if (d > farthest) farthest = d, far = p[x];
    }
  }
  const uint32_t fr = (far >> 16) & 0xFF, fg = (far >> 8) & 0xFF, fb = far & 0xFF;
  return ((mr + fr) / 2) << 16 | ((mg + fg) / 2) << 8 | (mb + fb) / 2;
}

// Where each of `shown` pieces of `size` pixels starts, and the end: whole pixels, at least
// one a piece.
std::vector<int> Starts(int size, int shown) {
  std::vector<int> from(static_cast<size_t>(shown) + 1);
  for (int i = 0; i <= shown; ++i) {
    from[i] = static_cast<int>(static_cast<int64_t>(i) * size / shown);
    if (i > 0) from[i] = std::max(from[i], from[i - 1] + 1);
  }
  return from;
}

// For starts from Starts(): the piece that each pixel belongs to.
std::vector<int> Owners(const std::vector<int>& from) {
  std::vector<int> owner(static_cast<size_t>(from.back()));
  for (size_t piece = 0; piece + 1 < from.size(); ++piece) {
    std::fill(owner.begin() + from[piece], owner.begin() + from[piece + 1],
              static_cast<int>(piece));
  }
  return owner;
}

}  // namespace

Fit::Fit(int width, int height, int cols, int rows, int cellWidth, int cellHeight)
    : width_(std::max(1, width)),
      height_(std::max(1, height)),
      cols_(std::max(1, cols)),
      rows_(std::max(1, rows)),
      cellWidth_(std::max(1, cellWidth)),
      cellHeight_(std::max(1, cellHeight)) {
  const int64_t w = width_, h = height_;
  const int64_t maxW = int64_t{cols_} * cellWidth_, maxH = int64_t{rows_} * cellHeight_;
  int64_t sw = std::min(w, maxW), sh = h * sw / w;
  if (sh > maxH) {
    sh = maxH;
    sw = w * sh / h;
  }
  shownWidth_ = static_cast<int>(std::max<int64_t>(1, sw));
  shownHeight_ = static_cast<int>(std::max<int64_t>(1, sh));
  firstCol_ = (cols_ - usedCols()) / 2;
  firstRow_ = (rows_ - usedRows()) / 2;
  colFrom_ = Starts(width_, shownWidth_);
  rowFrom_ = Starts(height_, shownHeight_);
  colOf_ = Owners(colFrom_);
  rowOf_ = Owners(rowFrom_);
}

bool Fit::PixelAt(int col, int row, int* x, int* y) const {
  int cx = col - firstCol_, cy = row - firstRow_;
  const bool inside = cx >= 0 && cx < usedCols() && cy >= 0 && cy < usedRows();
  cx = std::clamp(cx, 0, usedCols() - 1);
  cy = std::clamp(cy, 0, usedRows() - 1);
  // The shown pixels of the cell, then the picture pixels they come from.
  const int left = cx * cellWidth_, right = std::min(left + cellWidth_, shownWidth_);
  const int top = cy * cellHeight_, bottom = std::min(top + cellHeight_, shownHeight_);
  *x = (colFrom_[left] + colFrom_[right] - 1) / 2;
  *y = (rowFrom_[top] + rowFrom_[bottom] - 1) / 2;
  return inside;
}

bool Fit::PixelAtPoint(int px, int py, int* x, int* y) const {
  int sx = px - firstCol_ * cellWidth_, sy = py - firstRow_ * cellHeight_;
  const bool inside = sx >= 0 && sx < shownWidth_ && sy >= 0 && sy < shownHeight_;
  sx = std::clamp(sx, 0, shownWidth_ - 1);
  sy = std::clamp(sy, 0, shownHeight_ - 1);
  *x = (colFrom_[sx] + colFrom_[sx + 1] - 1) / 2;
  *y = (rowFrom_[sy] + rowFrom_[sy + 1] - 1) / 2;
  return inside;
}

void Shrink(const uint32_t* pixels, const Fit& fit, Shown* shown) {
  shown->width = fit.shownWidth();
  shown->height = fit.shownHeight();
  shown->pixels.assign(static_cast<size_t>(shown->width) * shown->height, 0);
  ShrinkArea(pixels, fit, 0, 0, fit.width(), fit.height(), shown);
}

Area ShrinkArea(const uint32_t* pixels, const Fit& fit, int left, int top, int right, int bottom,
                Shown* shown) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, fit.width());
  bottom = std::min(bottom, fit.height());
  if (left >= right || top >= bottom) return Area{};
  int yFrom = 0, yTo = 0, x0 = 0, x1 = 0;
  // The shown rows and columns whose pixels meet the area.
  for (int y = 0; y < fit.shownHeight(); ++y) {
    int from, to;
    fit.SourceRows(y, &from, &to);
    if (to <= top) yFrom = y + 1;
    if (from < bottom) yTo = y + 1;
  }
  for (int x = 0; x < fit.shownWidth(); ++x) {
    int from, to;
    fit.SourceColumns(x, &from, &to);
    if (to <= left) x0 = x + 1;
    if (from < right) x1 = x + 1;
  }
  for (int y = yFrom; y < yTo; ++y) {
    int rowTop, rowBottom;
    fit.SourceRows(y, &rowTop, &rowBottom);
    uint32_t* row = shown->pixels.data() + static_cast<size_t>(y) * shown->width;
    for (int x = x0; x < x1; ++x) {
      int colLeft, colRight;
      fit.SourceColumns(x, &colLeft, &colRight);
      row[x] = Shrunk(pixels, fit.width(), colLeft, rowTop, colRight, rowBottom);
    }
  }
  return Area{x0, yFrom, x1, yTo};
}

Area ShrinkMarked(const uint32_t* pixels, const Fit& fit, std::vector<uint8_t>* marks,
                  Shown* shown) {
  Area area{shown->width, shown->height, 0, 0};
  for (int y = 0; y < shown->height; ++y) {
    uint8_t* mark = marks->data() + static_cast<size_t>(y) * shown->width;
    // Most rows hold no mark: memchr finds that at once.
    if (memchr(mark, 1, static_cast<size_t>(shown->width)) == nullptr) continue;
    int rowTop, rowBottom;
    fit.SourceRows(y, &rowTop, &rowBottom);
    uint32_t* row = shown->pixels.data() + static_cast<size_t>(y) * shown->width;
    for (int x = 0; x < shown->width; ++x) {
      if (mark[x] == 0) continue;
      mark[x] = 0;
      int colLeft, colRight;
      fit.SourceColumns(x, &colLeft, &colRight);
      row[x] = Shrunk(pixels, fit.width(), colLeft, rowTop, colRight, rowBottom);
      area = Area{std::min(area.left, x), std::min(area.top, y), std::max(area.right, x + 1),
                  std::max(area.bottom, y + 1)};
    }
  }
  return area.left < area.right ? area : Area{};
}

std::vector<Area> ChangedAreas(const Shown& sent, const Shown& next, int bandHeight,
                               int columnStep) {
  std::vector<Area> areas;
  for (int top = 0; top < next.height; top += bandHeight) {
    const int bottom = std::min(top + bandHeight, next.height);
    int left = next.width, right = 0;
    for (int y = top; y < bottom; ++y) {
      const uint32_t* a = &sent.pixels[static_cast<size_t>(y) * next.width];
      const uint32_t* b = &next.pixels[static_cast<size_t>(y) * next.width];
      int x = 0;
      while (x < left && a[x] == b[x]) ++x;
      left = std::min(left, x);
      int end = next.width;
      while (end > right && a[end - 1] == b[end - 1]) --end;
      right = std::max(right, end);
    }
    if (left >= right) continue;
    left = left / columnStep * columnStep;
    right = std::min(next.width, (right + columnStep - 1) / columnStep * columnStep);
    if (!areas.empty() && areas.back().bottom == top && areas.back().left == left &&
        areas.back().right == right) {
      areas.back().bottom = bottom;
    } else {
      areas.push_back(Area{left, top, right, bottom});
    }
  }
  return areas;
}

}  // namespace orvel::terminal

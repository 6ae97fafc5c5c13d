#include "host/terminal/blocks.h"

#include <algorithm>

namespace orvel::terminal {
namespace {

void AppendNumber(std::string* out, int64_t n) {
  char digits[24];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n > 0);
  while (count > 0) out->push_back(digits[--count]);
}

void AppendRgb(std::string* out, uint32_t pixel) {
  AppendNumber(out, (pixel >> 16) & 0xFF);
  out->push_back(';');
  AppendNumber(out, (pixel >> 8) & 0xFF);
  out->push_back(';');
  AppendNumber(out, pixel & 0xFF);
}

// The terminal's state as the encoder leaves it: the pen's colours and the cursor.
struct Pen {
  int64_t fg = -1, bg = -1;  // -1: not known
  int row = -1, col = -1;    // where the next character goes; -1: not known
};

// Sets foreground and/or background colours (-1: leave as they are) in one sequence.
void SetColours(std::string* out, Pen* pen, int64_t fg, int64_t bg) {
  const bool setFg = fg >= 0 && fg != pen->fg, setBg = bg >= 0 && bg != pen->bg;
  if (!setFg && !setBg) return;
  out->append("\x1b[");
  if (setFg) {
    out->append("38;2;");
    AppendRgb(out, static_cast<uint32_t>(fg));
    pen->fg = fg;
  }
  if (setBg) {
    if (setFg) out->push_back(';');
    out->append("48;2;");
    AppendRgb(out, static_cast<uint32_t>(bg));
    pen->bg = bg;
  }
  out->push_back('m');
}

// Moves the cursor to the terminal's 0-based (row, col), forward along the row when it is
// already there.
void MoveTo(std::string* out, Pen* pen, int row, int col) {
  if (pen->row == row && pen->col == col) return;
  if (pen->row == row && pen->col >= 0 && pen->col < col) {
    out->append("\x1b[");
    if (col - pen->col > 1) AppendNumber(out, col - pen->col);
    out->push_back('C');
  } else {
    out->append("\x1b[");
    AppendNumber(out, row + 1);
    out->push_back(';');
    AppendNumber(out, col + 1);
    out->push_back('H');
  }
  pen->row = row;
  pen->col = col;
}

// One cell: the character and colours that show `upper` over `lower` with the fewest colour
// changes. A cell of one colour is a space (background) or a full block (foreground); two
// colours are an upper or a lower half block, whichever the pen already has.
void DrawCell(std::string* out, Pen* pen, uint32_t upper, uint32_t lower) {
  if (upper == lower) {
    if (pen->bg == upper) {
      out->push_back(' ');
    } else if (pen->fg == upper) {
      out->append("\u2588");
    } else {
      SetColours(out, pen, -1, upper);
      out->push_back(' ');
    }
  } else if (pen->fg == lower && pen->bg == upper) {
    out->append("\u2584");
  } else {
    SetColours(out, pen, upper, lower);
    out->append("\u2580");
  }
  ++pen->col;
}

// The mean colour of pixels [left, right) x [top, bottom), each channel rounded.
uint32_t Average(const uint32_t* pixels, int stride, int left, int top, int right, int bottom) {
  if (right - left == 1 && bottom - top == 1) {
    return pixels[static_cast<size_t>(top) * stride + left] & 0xFFFFFFu;
  }
  uint32_t r = 0, g = 0, b = 0;
  for (int y = top; y < bottom; ++y) {
    const uint32_t* p = pixels + static_cast<size_t>(y) * stride;
    for (int x = left; x < right; ++x) {
      r += (p[x] >> 16) & 0xFF;
      g += (p[x] >> 8) & 0xFF;
      b += p[x] & 0xFF;
    }
  }
  const uint32_t n = static_cast<uint32_t>((right - left) * (bottom - top));
  return (((r + n / 2) / n) << 16) | (((g + n / 2) / n) << 8) | ((b + n / 2) / n);
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

}  // namespace

Fit::Fit(int width, int height, int cols, int rows)
    : width_(std::max(1, width)),
      height_(std::max(1, height)),
      cols_(std::max(1, cols)),
      rows_(std::max(1, rows)) {
  const int64_t w = width_, h = height_, maxW = cols_, maxH = 2 * int64_t{rows_};
  int64_t sw = std::min(w, maxW), sh = h * sw / w;
  if (sh > maxH) {
    sh = maxH;
    sw = w * sh / h;
  }
  shownWidth_ = static_cast<int>(std::max<int64_t>(1, sw));
  shownHeight_ = static_cast<int>(std::max<int64_t>(1, sh));
  firstCol_ = (cols_ - shownWidth_) / 2;
  firstRow_ = (rows_ - cellRows()) / 2;
  colFrom_ = Starts(width_, shownWidth_);
  rowFrom_ = Starts(height_, shownHeight_);
}

bool Fit::PixelAt(int col, int row, int* x, int* y) const {
  int cx = col - firstCol_, cy = row - firstRow_;
  const bool inside = cx >= 0 && cx < shownWidth_ && cy >= 0 && cy < cellRows();
  cx = std::clamp(cx, 0, shownWidth_ - 1);
  cy = std::clamp(cy, 0, cellRows() - 1);
  int left, right, top, bottom, unused;
  SourceColumns(cx, &left, &right);
  SourceRows(2 * cy, &top, &unused);
  SourceRows(std::min(2 * cy + 1, shownHeight_ - 1), &unused, &bottom);
  *x = (left + right - 1) / 2;
  *y = (top + bottom - 1) / 2;
  return inside;
}

void Shrink(const uint32_t* pixels, const Fit& fit, Cells* cells) {
  cells->cols = fit.shownWidth();
  cells->rows = fit.cellRows();
  const size_t count = static_cast<size_t>(cells->cols) * cells->rows;
  cells->upper.assign(count, 0);
  cells->lower.assign(count, 0);
  ShrinkArea(pixels, fit, 0, 0, fit.width(), fit.height(), cells);
}

void ShrinkArea(const uint32_t* pixels, const Fit& fit, int left, int top, int right, int bottom,
                Cells* cells) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, fit.width());
  bottom = std::min(bottom, fit.height());
  if (left >= right || top >= bottom) return;
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
    uint32_t* row = (y % 2 == 0 ? cells->upper.data() : cells->lower.data()) +
                    static_cast<size_t>(y / 2) * cells->cols;
    for (int x = x0; x < x1; ++x) {
      int colLeft, colRight;
      fit.SourceColumns(x, &colLeft, &colRight);
      row[x] = Average(pixels, fit.width(), colLeft, rowTop, colRight, rowBottom);
    }
  }
}

void EncodeBlocks(const Fit& fit, const Cells& shown, const Cells& next, std::string* out) {
  const bool all = shown.cols != next.cols || shown.rows != next.rows;
  Pen pen;
  for (int row = 0; row < next.rows; ++row) {
    for (int col = 0; col < next.cols; ++col) {
      const size_t i = static_cast<size_t>(row) * next.cols + col;
      if (!all && shown.upper[i] == next.upper[i] && shown.lower[i] == next.lower[i]) continue;
      MoveTo(out, &pen, fit.firstRow() + row, fit.firstCol() + col);
      DrawCell(out, &pen, next.upper[i], next.lower[i]);
    }
  }
}

}  // namespace orvel::terminal

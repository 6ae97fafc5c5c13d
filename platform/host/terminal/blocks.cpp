#include "host/terminal/blocks.h"

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

// Whether two colours differ by at most `tolerance` in every channel.
bool Near(int64_t a, uint32_t b, int tolerance) {
  if (a == b) return true;
  if (a < 0 || tolerance == 0) return false;
  for (int shift : {0, 8, 16}) {
    const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (d > tolerance || d < -tolerance) return false;
  }
  return true;
}

// One cell: the character and colours that show `*upper` over `*lower` with the fewest colour
// changes, taking the pen's colours where they are near enough. A cell of one colour is a
// space (background) or a full block (foreground); two colours are an upper or a lower half
// block, whichever the pen already has. *upper and *lower become the colours drawn.
void DrawCell(std::string* out, Pen* pen, uint32_t* upper, uint32_t* lower, int tolerance) {
  const bool single = Near(*upper, *lower, tolerance);
  if (single && Near(pen->bg, *upper, tolerance) && Near(pen->bg, *lower, tolerance)) {
    *upper = *lower = static_cast<uint32_t>(pen->bg);
    out->push_back(' ');
  } else if (single && Near(pen->fg, *upper, tolerance) && Near(pen->fg, *lower, tolerance)) {
    *upper = *lower = static_cast<uint32_t>(pen->fg);
    out->append("\u2588");
  } else if (single && *upper == *lower) {
    SetColours(out, pen, -1, *upper);
    out->push_back(' ');
  } else if (Near(pen->fg, *lower, tolerance) && Near(pen->bg, *upper, tolerance)) {
    *upper = static_cast<uint32_t>(pen->bg);
    *lower = static_cast<uint32_t>(pen->fg);
    out->append("\u2584");
  } else {
    SetColours(out, pen, Near(pen->fg, *upper, tolerance) ? -1 : int64_t{*upper},
               Near(pen->bg, *lower, tolerance) ? -1 : int64_t{*lower});
    *upper = static_cast<uint32_t>(pen->fg);
    *lower = static_cast<uint32_t>(pen->bg);
    out->append("\u2580");
  }
  ++pen->col;
}

}  // namespace

void EncodeBlocks(const Fit& fit, const Shown& next, int tolerance, Shown* sent, std::string* out) {
  const bool all = sent->width != next.width || sent->height != next.height;
  if (all) *sent = Shown{next.width, next.height, std::vector<uint32_t>(next.pixels.size())};
  Pen pen;
  for (int y = 0; y < next.height; y += 2) {
    uint32_t* sentUpper = &sent->pixels[static_cast<size_t>(y) * next.width];
    uint32_t* sentLower = y + 1 < next.height ? sentUpper + next.width : nullptr;
    for (int x = 0; x < next.width; ++x) {
      uint32_t upper = next.At(x, y), lower = sentLower != nullptr ? next.At(x, y + 1) : 0;
      if (!all && Near(sentUpper[x], upper, tolerance) &&
          (sentLower == nullptr || Near(sentLower[x], lower, tolerance))) {
        continue;
      }
      MoveTo(out, &pen, fit.firstRow() + y / 2, fit.firstCol() + x);
      DrawCell(out, &pen, &upper, &lower, tolerance);
      sentUpper[x] = upper;
      if (sentLower != nullptr) sentLower[x] = lower;
    }
  }
}

}  // namespace orvel::terminal

#include "host/terminal/blocks.h"

#include <string.h>

#include <algorithm>

namespace orvel::terminal {
namespace {

// The decimal digits of 0..255, for colour channels: a lookup rather than divisions, as a
// frame of a large terminal sends thousands of them.
struct Decimal {
  char text[3];
  uint8_t size;
};
struct DecimalTable {
  Decimal entries[256];
  DecimalTable() {
    for (int n = 0; n < 256; ++n) {
      Decimal& d = entries[n];
      d.size = n >= 100 ? 3 : n >= 10 ? 2 : 1;
      int v = n;
      for (int i = d.size - 1; i >= 0; --i, v /= 10) d.text[i] = static_cast<char>('0' + v % 10);
    }
  }
};
const DecimalTable kDecimals;

// Writes n (>= 0) in decimal at *at, moving it past the digits.
void PutNumber(char** at, int n) {
  if (n < 256) {
    const Decimal& d = kDecimals.entries[n];
    memcpy(*at, d.text, 3);
    *at += d.size;
    return;
  }
  char digits[12];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n > 0);
  while (count > 0) *(*at)++ = digits[--count];
}

void PutText(char** at, const char* text, size_t size) {
  memcpy(*at, text, size);
  *at += size;
}

void PutRgb(char** at, uint32_t pixel) {
  PutNumber(at, (pixel >> 16) & 0xFF);
  *(*at)++ = ';';
  PutNumber(at, (pixel >> 8) & 0xFF);
  *(*at)++ = ';';
  PutNumber(at, pixel & 0xFF);
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
  char sequence[48];  // ESC [ 38;2;R;G;B ; 48;2;R;G;B m: 39 at most
  char* at = sequence;
  PutText(&at, "\x1b[", 2);
  if (setFg) {
    PutText(&at, "38;2;", 5);
    PutRgb(&at, static_cast<uint32_t>(fg));
    pen->fg = fg;
  }
  if (setBg) {
    if (setFg) *at++ = ';';
    PutText(&at, "48;2;", 5);
    PutRgb(&at, static_cast<uint32_t>(bg));
    pen->bg = bg;
  }
  *at++ = 'm';
  out->append(sequence, static_cast<size_t>(at - sequence));
}

// Moves the cursor to the terminal's 0-based (row, col), forward along the row when it is
// already there.
void MoveTo(std::string* out, Pen* pen, int row, int col) {
  if (pen->row == row && pen->col == col) return;
  char sequence[32];
  char* at = sequence;
  PutText(&at, "\x1b[", 2);
  if (pen->row == row && pen->col >= 0 && pen->col < col) {
    if (col - pen->col > 1) PutNumber(&at, col - pen->col);
    *at++ = 'C';
  } else {
    PutNumber(&at, row + 1);
    *at++ = ';';
    PutNumber(&at, col + 1);
    *at++ = 'H';
  }
  out->append(sequence, static_cast<size_t>(at - sequence));
  pen->row = row;
  pen->col = col;
}

// Whether two colours differ by at most `tolerance` in every channel.
inline bool Near(int64_t a, uint32_t b, int tolerance) {
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

void EncodeBlocks(const Fit& fit, const Shown& next, int tolerance, Shown* sent, std::string* out,
                  const Area& changed) {
  const bool all = sent->width != next.width || sent->height != next.height;
  if (all) *sent = Shown{next.width, next.height, std::vector<uint32_t>(next.pixels.size())};
  // The cells that show the changed pixels: whole cells, within the picture.
  const Area cells =
      all ? Area{0, 0, next.width, next.height}
          : Area{std::max(0, changed.left), std::max(0, changed.top) & ~1,
                 std::min(next.width, changed.right), std::min(next.height, changed.bottom)};
  Pen pen;
  for (int y = cells.top; y < cells.bottom; y += 2) {
    uint32_t* sentUpper = &sent->pixels[static_cast<size_t>(y) * next.width];
    uint32_t* sentLower = y + 1 < next.height ? sentUpper + next.width : nullptr;
    const uint32_t* nextUpper = &next.pixels[static_cast<size_t>(y) * next.width];
    const uint32_t* nextLower = sentLower != nullptr ? nextUpper + next.width : nullptr;
    for (int x = cells.left; x < cells.right; ++x) {
      uint32_t upper = nextUpper[x], lower = nextLower != nullptr ? nextLower[x] : 0;
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

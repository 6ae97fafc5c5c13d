#include "host/terminal/sixel.h"

#include <string.h>

#include <algorithm>
#include <vector>

namespace orvel::terminal {
namespace {

// The cube's level (0..5) of a channel's value.
int Level(uint32_t value) {
  return static_cast<int>((value * 5 + 127) / 255);
}

int Register(uint32_t pixel) {
  return Level((pixel >> 16) & 0xFF) * 36 + Level((pixel >> 8) & 0xFF) * 6 + Level(pixel & 0xFF);
}

// Sixel characters for `count` equal columns: repeated with '!' when that is shorter.
void AppendRun(std::string* out, char c, int count) {
  if (count > 3) {
    out->push_back('!');
    out->append(std::to_string(count));
    out->push_back(c);
  } else {
    out->append(static_cast<size_t>(count), c);
  }
}

// One image: the rectangle `a` of `next`, drawn from the cursor's cell down and right.
void AppendImage(const Shown& next, const Area& a, std::string* out) {
  const int width = a.right - a.left;
  // P2 = 1: pixels that no colour sets keep what the screen had.
  out->append("\x1bP0;1;0q\"1;1;" + std::to_string(width) + ";" + std::to_string(a.bottom - a.top));
  std::vector<int> index(static_cast<size_t>(width) * (a.bottom - a.top));
  bool used[216] = {};
  for (int y = a.top; y < a.bottom; ++y) {
    for (int x = a.left; x < a.right; ++x) {
      const int r = Register(next.At(x, y));
      index[static_cast<size_t>(y - a.top) * width + (x - a.left)] = r;
      used[r] = true;
    }
  }
  for (int r = 0; r < 216; ++r) {
    if (!used[r]) continue;
    out->append("#" + std::to_string(r) + ";2;" + std::to_string(r / 36 * 20) + ";" +
                std::to_string(r / 6 % 6 * 20) + ";" + std::to_string(r % 6 * 20));
  }
  std::vector<unsigned char> bits(static_cast<size_t>(width));
  for (int top = 0; top < a.bottom - a.top; top += 6) {
    if (top > 0) out->push_back('-');  // the next band, six rows down
    const int rows = std::min(6, a.bottom - a.top - top);
    bool inBand[216] = {};
    for (int i = top * width; i < (top + rows) * width; ++i) inBand[index[i]] = true;
    bool first = true;
    for (int r = 0; r < 216; ++r) {
      if (!inBand[r]) continue;
      memset(bits.data(), 0, bits.size());
      for (int dy = 0; dy < rows; ++dy) {
        const int* row = &index[static_cast<size_t>(top + dy) * width];
        for (int x = 0; x < width; ++x) {
          if (row[x] == r) bits[x] |= static_cast<unsigned char>(1 << dy);
        }
      }
      if (!first) out->push_back('$');  // back to the band's start for the next colour
      first = false;
      out->append("#" + std::to_string(r));
      // Trailing empty columns are left out.
      int end = width;
      while (end > 0 && bits[end - 1] == 0) --end;
      for (int x = 0; x < end;) {
        int run = 1;
        while (x + run < end && bits[x + run] == bits[x]) ++run;
        AppendRun(out, static_cast<char>('?' + bits[x]), run);
        x += run;
      }
    }
  }
  out->append("\x1b\\");
}

}  // namespace

uint32_t SixelColour(uint32_t pixel) {
  const int r = Register(pixel);
  return static_cast<uint32_t>(r / 36 * 51) << 16 | static_cast<uint32_t>(r / 6 % 6 * 51) << 8 |
         static_cast<uint32_t>(r % 6 * 51);
}

void EncodeSixel(const Fit& fit, const Shown& sent, const Shown& next, std::string* out) {
  std::vector<Area> areas;
  if (sent.width != next.width || sent.height != next.height) {
    areas.push_back(Area{0, 0, next.width, next.height});
  } else {
    areas = ChangedAreas(sent, next, fit.cellHeight(), fit.cellWidth());
  }
  for (const Area& a : areas) {
    out->append("\x1b[" + std::to_string(fit.firstRow() + a.top / fit.cellHeight() + 1) + ";" +
                std::to_string(fit.firstCol() + a.left / fit.cellWidth() + 1) + "H");
    AppendImage(next, a, out);
  }
}

}  // namespace orvel::terminal

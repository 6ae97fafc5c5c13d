#include "host/enlarge.h"

#include <string.h>

#include <algorithm>

namespace orvel::host {
namespace {

std::string SizeText(int width, int height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

// a + (b - a) * weight / 256 for each of the three colour bytes at once: red and blue in one
// multiply, green in another (each lane's product fits in its 16 bits).
inline uint32_t Blend(uint32_t a, uint32_t b, uint32_t weight) {
  const uint32_t keep = 256 - weight;
  const uint32_t rb = ((a & 0xFF00FFu) * keep + (b & 0xFF00FFu) * weight) >> 8 & 0xFF00FFu;
  const uint32_t g = ((a & 0x00FF00u) * keep + (b & 0x00FF00u) * weight) >> 8 & 0x00FF00u;
  return rb | g;
}

}  // namespace

bool MakeLayout(int windowWidth, int windowHeight, int frameWidth, int frameHeight, int scale,
                Layout* layout, std::string* error) {
  Layout l;
  if (frameWidth <= 0 || frameHeight <= 0) {
    const int k = std::max(scale, 1);
    l.frameWidth = l.width = k * windowWidth;
    l.frameHeight = l.height = k * windowHeight;
    l.factor = k;
    *layout = l;
    return true;
  }
  l.frameWidth = frameWidth;
  l.frameHeight = frameHeight;
  if (scale > 0) {
    l.factor = scale;
    l.width = scale * windowWidth;
    l.height = scale * windowHeight;
    if (l.width > frameWidth || l.height > frameHeight) {
      *error = "--scale " + std::to_string(scale) + " makes the window " +
               SizeText(l.width, l.height) + ", larger than the frame's " +
               SizeText(frameWidth, frameHeight);
      return false;
    }
  } else if (int64_t{frameWidth} * windowHeight <= int64_t{frameHeight} * windowWidth) {
    // The width limits: the picture spans it, and the height follows the window's shape.
    l.width = frameWidth;
    l.height =
        static_cast<int>((int64_t{frameWidth} * windowHeight + windowWidth / 2) / windowWidth);
    l.factor = frameWidth / windowWidth + (frameWidth % windowWidth != 0);
  } else {
    l.height = frameHeight;
    l.width =
        static_cast<int>((int64_t{frameHeight} * windowWidth + windowHeight / 2) / windowHeight);
    l.factor = frameHeight / windowHeight + (frameHeight % windowHeight != 0);
  }
  l.factor = std::max(l.factor, 1);
  // Even offsets keep the blocks' edges on the edges of the video's 2 x 2 colour samples.
  l.left = (frameWidth - l.width) / 2 & ~1;
  l.top = (frameHeight - l.height) / 2 & ~1;
  *layout = l;
  return true;
}

Enlarger::Enlarger(int windowWidth, int windowHeight, const Layout& layout)
    : layout_(layout), windowWidth_(windowWidth), windowHeight_(windowHeight) {
  if (layout_.width != layout_.factor * windowWidth_) {
    columns_ = Taps(windowWidth_, layout_.width);
    rows_ = Taps(windowHeight_, layout_.height);
  }
}

// Output pixel i samples the window enlarged `factor` times at (i + 0.5) * scale - 0.5, in
// 1/256ths; of the two enlarged pixels around it, both lie in one window pixel (no blend)
// except near that pixel's edge.
std::vector<Enlarger::Tap> Enlarger::Taps(int windowSize, int size) const {
  const int64_t big = int64_t{windowSize} * layout_.factor;
  std::vector<Tap> taps(static_cast<size_t>(size));
  for (int i = 0; i < size; ++i) {
    const int64_t at = ((2 * i + 1) * big * 256 / size - 256) / 2;  // 1/256ths of a pixel
    const int64_t whole = at < 0 ? -1 : at / 256;
    const int64_t first = std::max<int64_t>(whole, 0);
    const int64_t second = std::min<int64_t>(whole + 1, big - 1);
    Tap& t = taps[static_cast<size_t>(i)];
    t.source = static_cast<int>(first / layout_.factor);
    t.next = second / layout_.factor != t.source ? static_cast<int>(at - whole * 256) : 0;
  }
  return taps;
}

std::vector<RECT> Enlarger::Update(const gdi::Surface& window, const std::vector<RECT>& changed,
                                   uint32_t* frame, size_t stride) {
  frame_ = frame;
  stride_ = stride;
  std::vector<RECT> out;
  const int k = layout_.factor;
  for (const RECT& r : changed) {
    if (columns_.empty()) {
      Blocks(window, r);
      out.push_back(RECT{layout_.left + r.left * k, layout_.top + r.top * k,
                         layout_.left + r.right * k, layout_.top + r.bottom * k});
      continue;
    }
    // The output columns and rows whose taps read a changed window pixel.
    auto span = [](const std::vector<Tap>& taps, int from, int to) {
      auto first = std::lower_bound(taps.begin(), taps.end(), from - 1,
                                    [](const Tap& t, int v) { return t.source < v; });
      auto last =
          std::lower_bound(first, taps.end(), to, [](const Tap& t, int v) { return t.source < v; });
      return std::pair<int, int>(static_cast<int>(first - taps.begin()),
                                 static_cast<int>(last - taps.begin()));
    };
    const auto xs = span(columns_, r.left, r.right);
    const auto ys = span(rows_, r.top, r.bottom);
    if (xs.first >= xs.second || ys.first >= ys.second) continue;
    const RECT o{xs.first, ys.first, xs.second, ys.second};
    Smooth(window, o);
    out.push_back(RECT{layout_.left + o.left, layout_.top + o.top, layout_.left + o.right,
                       layout_.top + o.bottom});
  }
  return out;
}

// Each window pixel of `r` as a k x k block: one enlarged row is made, then copied k - 1 times.
void Enlarger::Blocks(const gdi::Surface& window, const RECT& r) {
  const int k = layout_.factor;
  const size_t stride = stride_;
  const size_t span = static_cast<size_t>(r.right - r.left) * k;
  for (int y = r.top; y < r.bottom; ++y) {
    const uint32_t* in = window.pixels.data() + static_cast<size_t>(y) * window.width;
    uint32_t* row = frame_ + (static_cast<size_t>(layout_.top) + y * k) * stride + layout_.left +
                    static_cast<size_t>(r.left) * k;
    uint32_t* o = row;
    for (int x = r.left; x < r.right; ++x) {
      const uint32_t p = in[x];
      for (int j = 0; j < k; ++j) *o++ = p;
    }
    for (int j = 1; j < k; ++j) memcpy(row + j * stride, row, span * sizeof(uint32_t));
  }
}

// The output pixels of `out` (picture coordinates) from the tables. A row that samples the
// same window row, unblended, as the row above is a copy of it.
void Enlarger::Smooth(const gdi::Surface& window, const RECT& out) {
  const uint32_t* pixels = window.pixels.data();
  const size_t w = static_cast<size_t>(window.width);
  const size_t span = static_cast<size_t>(out.right - out.left);
  for (int y = out.top; y < out.bottom; ++y) {
    const Tap& ty = rows_[static_cast<size_t>(y)];
    uint32_t* o = frame_ + static_cast<size_t>(layout_.top + y) * stride_ + layout_.left;
    if (y > out.top && ty.next == 0 && rows_[y - 1].next == 0 && rows_[y - 1].source == ty.source) {
      memcpy(o + out.left, o - stride_ + out.left, span * sizeof(uint32_t));
      continue;
    }
    const uint32_t* upper = pixels + static_cast<size_t>(ty.source) * w;
    const uint32_t* lower = ty.next ? upper + w : upper;
    for (int x = out.left; x < out.right; ++x) {
      const Tap& tx = columns_[static_cast<size_t>(x)];
      const int s = tx.source, n = tx.next ? s + 1 : s;
      const uint32_t a = Blend(upper[s], upper[n], static_cast<uint32_t>(tx.next));
      o[x] = ty.next ? Blend(a, Blend(lower[s], lower[n], static_cast<uint32_t>(tx.next)),
                             static_cast<uint32_t>(ty.next))
                     : a;
    }
  }
}

}  // namespace orvel::host

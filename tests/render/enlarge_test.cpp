// The enlargement of renders: where the window lands in each frame size, crisp blocks for whole
// multiples, sharp-bilinear smoothing that leaves a window pixel's inside untouched, and
// updates of changed areas that leave the frame as a whole redraw would.
#include <gtest/gtest.h>

#include <stdlib.h>

#include "host/enlarge.h"
#include "host/render/quantities.h"

namespace {

using orvel::host::Enlarger;
using orvel::host::Layout;

constexpr int kW = 561, kH = 411;

orvel::gdi::Surface Noise(unsigned seed) {
  orvel::gdi::Surface s(kW, kH);
  srand(seed);
  for (size_t i = 0; i < s.pixels.size(); ++i)
    s.pixels[i] = static_cast<uint32_t>(rand()) & 0xFFFFFF;
  return s;
}

// An enlarger with a frame of its own, black to start with.
struct Framed {
  explicit Framed(const Layout& l) : e(kW, kH, l), f(l.frameWidth, l.frameHeight) {}
  std::vector<RECT> Update(const orvel::gdi::Surface& window, const std::vector<RECT>& changed) {
    return e.Update(window, changed, f.pixels.data(), static_cast<size_t>(f.width));
  }
  Enlarger e;
  orvel::gdi::Surface f;
};

Layout LayoutFor(const std::string& size, int scale) {
  orvel::render::FrameSize f;
  if (!size.empty()) {
    EXPECT_TRUE(orvel::render::ParseSize(size, &f)) << size;
  }
  Layout l;
  std::string error;
  EXPECT_TRUE(orvel::host::MakeLayout(kW, kH, f.width, f.height, scale, &l, &error)) << error;
  return l;
}

TEST(Enlarge, TheWindowLandsCentredAsLargeAsFits) {
  const struct {
    const char* size;
    int scale;
    Layout want;  // frame, left, top, width, height, factor
  } rows[] = {
      {"1080p", 0, {1920, 1080, 222, 0, 1474, 1080, 3}},
      {"4k", 0, {3840, 2160, 446, 0, 2948, 2160, 6}},
      {"vertical", 0, {1080, 1920, 0, 564, 1080, 791, 2}},
      {"1122x822", 0, {1122, 822, 0, 0, 1122, 822, 2}},
      {"1920X1080", 2, {1920, 1080, 398, 128, 1122, 822, 2}},
      {"", 3, {1683, 1233, 0, 0, 1683, 1233, 3}},
  };
  for (const auto& r : rows) {
    const Layout l = LayoutFor(r.size, r.scale);
    EXPECT_EQ(l.frameWidth, r.want.frameWidth) << r.size;
    EXPECT_EQ(l.frameHeight, r.want.frameHeight) << r.size;
    EXPECT_EQ(l.left, r.want.left) << r.size;
    EXPECT_EQ(l.top, r.want.top) << r.size;
    EXPECT_EQ(l.width, r.want.width) << r.size;
    EXPECT_EQ(l.height, r.want.height) << r.size;
    EXPECT_EQ(l.factor, r.want.factor) << r.size;
  }
  Layout l;
  std::string error;
  EXPECT_FALSE(orvel::host::MakeLayout(kW, kH, 1920, 1080, 3, &l, &error));
  EXPECT_EQ(error, "--scale 3 makes the window 1683 x 1233, larger than the frame's 1920 x 1080");
  orvel::render::FrameSize f;
  for (const char* bad : {"1920x", "x1080", "63x100", "8193x100", "1920x1080x", "hd", ""}) {
    EXPECT_FALSE(orvel::render::ParseSize(bad, &f)) << bad;
  }
}

TEST(Enlarge, WholeMultiplesAreBlocksOnBlack) {
  const Layout l = LayoutFor("1080p", 2);
  const orvel::gdi::Surface window = Noise(1);
  Framed e(l);
  e.Update(window, {RECT{0, 0, kW, kH}});
  const orvel::gdi::Surface& f = e.f;
  for (int y = 0; y < f.height; ++y) {
    for (int x = 0; x < f.width; ++x) {
      const int wx = (x - l.left) / 2, wy = (y - l.top) / 2;
      const bool inside = x >= l.left && y >= l.top && wx < kW && wy < kH;
      ASSERT_EQ(f.At(x, y), inside ? window.At(wx, wy) : 0u) << x << "," << y;
    }
  }
}

TEST(Enlarge, SmoothingBlendsOnlyAtWindowPixelEdges) {
  const Layout l = LayoutFor("1080p", 0);
  const orvel::gdi::Surface window = Noise(2);
  Framed e(l);
  e.Update(window, {RECT{0, 0, kW, kH}});
  // Output pixel i covers [i, i + 1) * window / picture size; one whose span, widened by the
  // sampling of the 3x enlarged window, stays inside one window pixel is that pixel exactly.
  auto inside = [](int i, int windowSize, int size, int* source) {
    const double a = (i + 0.5) * windowSize / size - 0.5 / 3, b = a + 1.0 / 3;
    *source = static_cast<int>(a);
    return static_cast<int>(b) == *source;
  };
  int exact = 0;
  for (int y = 0; y < l.height; ++y) {
    int sy;
    if (!inside(y, kH, l.height, &sy)) continue;
    for (int x = 0; x < l.width; ++x) {
      int sx;
      if (!inside(x, kW, l.width, &sx)) continue;
      ASSERT_EQ(e.f.At(l.left + x, y), window.At(sx, sy)) << x << "," << y;
      ++exact;
    }
  }
  // Most of the picture is flat: blending touches only a band at each pixel's edges.
  EXPECT_GT(exact, l.width * l.height / 3);
  EXPECT_EQ(e.f.At(l.left - 1, 500), 0u);
  EXPECT_EQ(e.f.At(l.left + l.width, 500), 0u);
}

TEST(Enlarge, ChangedAreasUpdateTheFrameAsAWholeRedrawWould) {
  for (const Layout& l : {LayoutFor("1080p", 0), LayoutFor("vertical", 0), LayoutFor("", 2)}) {
    orvel::gdi::Surface window = Noise(3);
    Framed e(l);
    e.Update(window, {RECT{0, 0, kW, kH}});
    const std::vector<RECT> changes = {
        {20, 100, 542, 300}, {0, 0, 1, 1}, {560, 410, 561, 411}, {300, 48, 301, 75}};
    const orvel::gdi::Surface fresh = Noise(4);
    for (const RECT& c : changes) {
      for (int y = c.top; y < c.bottom; ++y)
        for (int x = c.left; x < c.right; ++x) window.pixels[y * kW + x] = fresh.At(x, y);
    }
    const std::vector<RECT> out = e.Update(window, changes);
    Framed whole(l);
    whole.Update(window, {RECT{0, 0, kW, kH}});
    for (int y = 0; y < l.frameHeight; ++y) {
      for (int x = 0; x < l.frameWidth; ++x) {
        ASSERT_EQ(e.f.At(x, y), whole.f.At(x, y)) << l.width << ": " << x << "," << y;
      }
    }
    // What the update reports covers what it changed, and not the whole frame.
    int64_t area = 0;
    for (const RECT& r : out) area += int64_t{r.right - r.left} * (r.bottom - r.top);
    EXPECT_LT(area, int64_t{l.frameWidth} * l.frameHeight / 2);
  }
}

}  // namespace

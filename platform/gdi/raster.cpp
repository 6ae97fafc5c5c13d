#include "gdi/raster.h"

#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include <algorithm>

namespace orvel::gdi::raster {
namespace {

// Where wchar_t is 32 bits, the C library's wmemset is memset's vectorised twin, and several
// times faster than a plain loop over a long span. WebAssembly's C library sets one pixel at a
// time; there the compiler's own loop, vectorised with SIMD, is the fast one.
#ifdef __wasm__
constexpr bool kLibraryFill = false;
#else
constexpr bool kLibraryFill = sizeof(wchar_t) == sizeof(uint32_t);
#endif

// Sets n pixels.
inline void FillPixels(uint32_t* dst, int n, uint32_t pixel) {
  if (n <= 16) {  // a short span is cheaper than the call: two pixels a store
    if (n < 2) {
      if (n == 1) dst[0] = pixel;
      return;
    }
    const uint64_t two = pixel | static_cast<uint64_t>(pixel) << 32;
    for (int i = 0; i + 2 <= n; i += 2) memcpy(dst + i, &two, 8);
    memcpy(dst + n - 2, &two, 8);  // the odd last pixel, or the last pair again
    return;
  }
  if constexpr (kLibraryFill) {
    wmemset(reinterpret_cast<wchar_t*>(dst), static_cast<wchar_t>(pixel), static_cast<size_t>(n));
  } else {
    std::fill_n(dst, n, pixel);
  }
}

}  // namespace

void FillRect(const Target& target, int l, int t, int r, int b, uint32_t pixel) {
  l = std::max(l, target.left);
  t = std::max(t, target.top);
  r = std::min(r, target.right);
  b = std::min(b, target.bottom);
  if (l >= r || t >= b) return;
  for (int y = t; y < b; ++y) FillPixels(target.Row(y) + l, r - l, pixel);
}

void Plot(const Target& target, int x, int y, uint32_t pixel) {
  if (x >= target.left && x < target.right && y >= target.top && y < target.bottom)
    target.Row(y)[x] = pixel;
}

namespace {

// Steps along the major axis from `major0` by `majorStep` (+1/-1), `length` pixels. The minor
// coordinate after k steps is minor0 + minorStep * ceil((2mk - M + bias) / 2M), which is what
// the incremental Bresenham with error start 2m - M and "step when err + bias > 0" produces;
// the closed form lets the clipped part of the line be skipped without changing the lit set.
struct Bresenham {
  int major0, minor0, majorStep, minorStep;
  int64_t M, m, bias;
  int length;

  int64_t MinorAt(int64_t k) const {
    int64_t num = 2 * m * k - M + bias;
    int64_t den = 2 * M;
    int64_t q = num >= 0 ? (num + den - 1) / den : -((-num) / den);  // ceil
    return q;
  }
};

// Range of k in [0, length) for which major0 + majorStep * k lies in [lo, hi).
void MajorRange(const Bresenham& b, int lo, int hi, int* k0, int* k1) {
  int64_t a, z;
  if (b.majorStep > 0) {
    a = static_cast<int64_t>(lo) - b.major0;
    z = static_cast<int64_t>(hi) - b.major0;
  } else {
    a = static_cast<int64_t>(b.major0) - (hi - 1);
    z = static_cast<int64_t>(b.major0) - lo + 1;
  }
  *k0 = static_cast<int>(std::max<int64_t>(a, 0));
  *k1 = static_cast<int>(std::min<int64_t>(z, b.length));
}

template <bool kXMajor>
void DrawBresenham(const Target& target, const Bresenham& b, uint32_t pixel) {
  int k0, k1;
  if (kXMajor)
    MajorRange(b, target.left, target.right, &k0, &k1);
  else
    MajorRange(b, target.top, target.bottom, &k0, &k1);
  if (k0 >= k1) return;
  const int minorLo = kXMajor ? target.top : target.left;
  const int minorHi = kXMajor ? target.bottom : target.right;
  // An unclipped start takes no minor steps: this spares the division of most lines.
  int64_t steps = k0 == 0 ? 0 : b.MinorAt(k0);
  int major = b.major0 + b.majorStep * k0;
  int minor = static_cast<int>(b.minor0 + b.minorStep * steps);
  auto within = [minorLo, minorHi](int64_t v) { return v >= minorLo && v < minorHi; };
  // Within the clip on the major axis; when both ends are inside on the minor axis too, so is
  // every pixel between them and the loop needs no test. The last pixel lies between the start
  // and the excluded end point, so when the whole line is drawn and the end point is inside,
  // the last pixel needs no division either.
  const bool endInside = k1 == b.length && within(b.minor0 + b.minorStep * b.m);
  const bool inside =
      within(minor) && (endInside || within(b.minor0 + b.minorStep * b.MinorAt(k1 - 1)));
  const ptrdiff_t stride = target.stride;
  const ptrdiff_t majorStep = kXMajor ? b.majorStep : b.majorStep * stride;
  const ptrdiff_t minorStep = kXMajor ? b.minorStep * stride : b.minorStep;
  ptrdiff_t at = kXMajor ? minor * stride + major : major * stride + minor;
  int64_t err = 2 * b.m * (k0 + 1) - b.M - 2 * b.M * steps;
  const int64_t down = 2 * b.M, across = 2 * b.m;
  if (inside) {
    for (int k = k0; k < k1; ++k) {
      target.pixels[at] = pixel;
      if (err + b.bias > 0) {
        at += minorStep;
        err -= down;
      }
      err += across;
      at += majorStep;
    }
    return;
  }
  for (int k = k0; k < k1; ++k) {
    if (minor >= minorLo && minor < minorHi) target.pixels[at] = pixel;
    if (err + b.bias > 0) {
      minor += b.minorStep;
      at += minorStep;
      err -= down;
    }
    err += across;
    at += majorStep;
  }
}

}  // namespace

void Line(const Target& target, int x0, int y0, int x1, int y1, uint32_t pixel) {
  int64_t dx = static_cast<int64_t>(x1) - x0;
  int64_t dy = static_cast<int64_t>(y1) - y0;
  if (dx == 0 && dy == 0) return;
  if (dy == 0) {  // a span: [x0, x1) rightwards, (x1, x0] leftwards
    if (dx > 0)
      FillRect(target, x0, y0, x1, y0 + 1, pixel);
    else
      FillRect(target, x1 + 1, y0, x0 + 1, y0 + 1, pixel);
    return;
  }
  if (dx == 0) {
    if (dy > 0)
      FillRect(target, x0, y0, x0 + 1, y1, pixel);
    else
      FillRect(target, x0, y1 + 1, x0 + 1, y0 + 1, pixel);
    return;
  }
  bool xMajor = llabs(dx) > llabs(dy);
  Bresenham b;
  if (xMajor) {
    b = {x0,        y0,        dx > 0 ? 1 : -1, dy > 0 ? 1 : -1,
         llabs(dx), llabs(dy), dy < 0 ? 1 : 0,  static_cast<int>(llabs(dx))};
    DrawBresenham<true>(target, b, pixel);
  } else {
    b = {y0,        x0,        dy > 0 ? 1 : -1, dx > 0 ? 1 : -1,
         llabs(dy), llabs(dx), dx < 0 ? 1 : 0,  static_cast<int>(llabs(dy))};
    DrawBresenham<false>(target, b, pixel);
  }
}

void Polyline(const Target& target, const POINT* points, size_t count, bool close, uint32_t pixel) {
  for (size_t i = 0; i + 1 < count; ++i) {
    const POINT& a = points[i];
    const POINT& b = points[i + 1];
    if (abs(b.x - a.x) <= 1 && abs(b.y - a.y) <= 1) {  // a step to a neighbour lights its start
      if (a.x != b.x || a.y != b.y) Plot(target, a.x, a.y, pixel);
      continue;
    }
    Line(target, a.x, a.y, b.x, b.y, pixel);
  }
  if (close && count > 1)
    Line(target, points[count - 1].x, points[count - 1].y, points[0].x, points[0].y, pixel);
}

namespace {

int64_t FloorDiv(int64_t a, int64_t b) {  // b > 0
  // A 32-bit division costs a fraction of a 64-bit one, and a small polygon's edges need
  // nothing wider.
  if (a >= INT32_MIN / 2 && a <= INT32_MAX / 2 && b <= INT32_MAX / 2) {
    const int32_t a32 = static_cast<int32_t>(a), b32 = static_cast<int32_t>(b);
    return a32 >= 0 ? a32 / b32 : -((-a32 + b32 - 1) / b32);
  }
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// A polygon edge crossing rows [yTop, yBottom). Its crossing with row y is rounded up to
// x = ceil(N / dy), N = x0 dy + (y - y0) dx; the walk keeps x and r = x dy - N (0 <= r < dy)
// so that each row costs an addition, not a division.
struct Edge {
  int yTop, yBottom;
  int64_t x0, y0, dx, dy;
  int winding;  // +1 downwards, -1 upwards
  int64_t x = 0, r = 0;
  int64_t stepX = 0, stepR = 0;  // dx = stepX dy + stepR, 0 <= stepR < dy

  void Start(int y) {
    int64_t n = x0 * dy + (y - y0) * dx;
    x = -FloorDiv(-n, dy);
    r = x * dy - n;
    stepX = FloorDiv(dx, dy);
    stepR = dx - stepX * dy;
  }
  void Step() {
    x += stepX;
    r -= stepR;
    if (r < 0) {
      ++x;
      r += dy;
    }
  }
};

// Where a polygon edge crosses a row, and which way the edge runs.
struct Crossing {
  int x;
  int winding;
  bool operator<(const Crossing& o) const { return x < o.x || (x == o.x && winding < o.winding); }
};
constexpr size_t kLocalCrossings = 16;

// By x: insertion for the few crossings of a small polygon, std::sort beyond.
void SortCrossings(Crossing* c, size_t n) {
  if (n > kLocalCrossings) {
    std::sort(c, c + n);
    return;
  }
  for (size_t i = 1; i < n; ++i) {
    const Crossing v = c[i];
    size_t j = i;
    for (; j > 0 && v < c[j - 1]; --j) c[j] = c[j - 1];
    c[j] = v;
  }
}

// Fills [x0, x1) of row y, clipped; the row is known to lie in the clip.
inline void FillRow(const Target& t, int y, int x0, int x1, uint32_t pixel) {
  x0 = std::max(x0, t.left);
  x1 = std::min(x1, t.right);
  if (x0 < x1) FillPixels(t.Row(y) + x0, x1 - x0, pixel);
}

// The edges that run one way (winding) in order down the rows; false unless they are all the
// edges of that way in one run around the outline.
bool Chain(std::vector<Edge>& edges, int winding, Edge** chain, size_t* count) {
  size_t n = 0;
  for (Edge& e : edges)
    if (e.winding == winding) chain[n++] = &e;
  std::sort(chain, chain + n, [](const Edge* a, const Edge* b) { return a->yTop < b->yTop; });
  *count = n;
  return n > 0;
}

// An outline that runs down once and up once (every convex polygon, and nearly all that the
// displays draw) crosses each row twice, once on each run. Both runs are walked side by side
// and each row filled between the two: the same pixels as sorting the crossings, in either
// fill mode, at a fraction of the cost. False, having drawn nothing, for any other outline.
bool FillMonotone(const Target& target, std::vector<Edge>& edges, int y0, int y1, uint32_t pixel) {
  const size_t n = edges.size();
  if (n < 2 || n > kLocalCrossings) return false;
  int turns = 0;
  for (size_t i = 0; i < n; ++i) turns += edges[i].winding != edges[(i + 1) % n].winding;
  if (turns != 2) return false;
  Edge* down[kLocalCrossings];
  Edge* up[kLocalCrossings];
  size_t downs = 0, ups = 0;
  if (!Chain(edges, 1, down, &downs) || !Chain(edges, -1, up, &ups)) return false;
  size_t i = 0, j = 0;
  for (int y = y0; y < y1; ++y) {
    while (i < downs && down[i]->yBottom <= y) ++i;
    while (j < ups && up[j]->yBottom <= y) ++j;
    if (i == downs || j == ups) return true;
    Edge& a = *down[i];
    Edge& b = *up[j];
    if (y > a.yTop && y > y0) a.Step();
    if (y > b.yTop && y > y0) b.Step();
    const int xa = static_cast<int>(a.x), xb = static_cast<int>(b.x);
    FillRow(target, y, std::min(xa, xb), std::max(xa, xb), pixel);
  }
  return true;
}

}  // namespace

void FillPolygon(const Target& target, const POINT* points, size_t count, int fillMode,
                 uint32_t pixel) {
  if (count < 2 || target.Empty()) return;
  // Reused from call to call: a display fills hundreds of small polygons a frame.
  thread_local std::vector<Edge> edges;
  thread_local std::vector<Crossing> more;
  edges.clear();
  int yMin = points[0].y, yMax = points[0].y;
  for (size_t i = 0; i < count; ++i) {
    const POINT& a = points[i];
    const POINT& b = points[(i + 1) % count];
    yMin = std::min<int>(yMin, a.y);
    yMax = std::max<int>(yMax, a.y);
    if (a.y == b.y) continue;  // horizontal edges cross no row
    const POINT& top = a.y < b.y ? a : b;
    const POINT& bottom = a.y < b.y ? b : a;
    edges.push_back({top.y, bottom.y, top.x, top.y, static_cast<int64_t>(bottom.x) - top.x,
                     static_cast<int64_t>(bottom.y) - top.y, a.y < b.y ? 1 : -1});
  }
  // A row's crossings, in registers' reach for the small polygons that are the usual case.
  Crossing local[kLocalCrossings];
  Crossing* crossings = local;
  if (edges.size() > kLocalCrossings) {
    more.resize(edges.size());
    crossings = more.data();
  }
  const int y0 = std::max(yMin, target.top), y1 = std::min(yMax, target.bottom);
  for (Edge& e : edges)
    if (e.yBottom > y0 && e.yTop < y1) e.Start(std::max(e.yTop, y0));
  if (FillMonotone(target, edges, y0, y1, pixel)) return;
  for (int y = y0; y < y1; ++y) {
    size_t n = 0;
    for (Edge& e : edges) {
      if (y < e.yTop || y >= e.yBottom) continue;
      if (y > e.yTop && y > y0) e.Step();
      crossings[n++] = Crossing{static_cast<int>(e.x), e.winding};
    }
    SortCrossings(crossings, n);
    if (fillMode == WINDING) {
      int wind = 0;
      int start = 0;
      for (size_t i = 0; i < n; ++i) {
        if (wind == 0) start = crossings[i].x;
        wind += crossings[i].winding;
        if (wind == 0) FillRow(target, y, start, crossings[i].x, pixel);
      }
    } else {
      for (size_t i = 0; i + 1 < n; i += 2)
        FillRow(target, y, crossings[i].x, crossings[i + 1].x, pixel);
    }
  }
}

namespace {

// The lower-right quarter of an ellipse of the given size by Zingl's integer midpoint method.
// Calls visit(x, y) for each outline pixel, as offsets from the box's top-left corner, from the
// right end of the middle row (x = w-1, y = h/2) down to the bottom: y never falls and x never
// rises, so the first pixel visited on a row is its outermost. Works for even and odd sizes.
// The outline and the fill both come from this one walk, so they always meet.
template <typename Visit>
void WalkQuadrant(int w, int h, Visit visit) {
  const int64_t a = w - 1, b = h - 1;
  const int64_t aa8 = 8 * a * a, bb8 = 8 * b * b;
  int64_t dx = 4 * b * b * (1 - a);
  int64_t dy = 4 * a * a * (1 + (b % 2));
  int64_t err = dx + dy + a * a * (b % 2);
  int x = static_cast<int>(a), y = h / 2;
  while (x >= w / 2) {
    visit(x, y);
    int64_t e2 = 2 * err;
    if (e2 >= dx) {
      --x;
      dx += bb8;
      err += dx;
    }
    if (e2 <= dy) {
      ++y;
      dy += aa8;
      err += dy;
    }
  }
}

}  // namespace

std::vector<POINT> EllipseOutline(int l, int t, int r, int b) {
  const int w = r - l, h = b - t;
  // Room for the usual outline: a quarter has about one pixel per step of x or y.
  std::vector<POINT> pts;
  pts.reserve(2 * static_cast<size_t>(w + h) + 8);
  // Upper-right quarter, from the middle row of the right side up to the top.
  WalkQuadrant(w, h, [&](int x, int y) { pts.push_back({l + x, t + h - 1 - y}); });
  // Mirror left, skipping the shared middle column of an odd width.
  size_t n = pts.size();
  size_t skip = (w % 2) ? 1 : 0;
  for (size_t i = skip; i < n; ++i) {
    const POINT& p = pts[n - 1 - i];
    pts.push_back({l + r - 1 - p.x, p.y});
  }
  // Mirror down, skipping the shared middle row of an odd height.
  n = pts.size();
  skip = (h % 2) ? 1 : 0;
  for (size_t i = skip; i < n; ++i) {
    const POINT& p = pts[n - 1 - i];
    pts.push_back({p.x, t + b - 1 - p.y});
  }
  return pts;
}

void FillEllipse(const Target& target, int l, int t, int r, int b, uint32_t pixel) {
  // Row i of the box covers [l + inset_i, r - inset_i), out to the outline's outermost pixel on
  // that row; the lower half comes from the walk and is mirrored to the upper. Rows the walk
  // never reaches (the ends of a very thin ellipse) stay empty.
  const int w = r - l, h = b - t;
  std::vector<int> inset(static_cast<size_t>(h), w);
  int lastRow = -1;
  WalkQuadrant(w, h, [&](int x, int y) {
    if (y != lastRow && y < h) inset[static_cast<size_t>(y)] = w - 1 - x;
    lastRow = y;
  });
  for (int i = 0; i < h / 2; ++i) inset[i] = inset[h - 1 - i];
  const int y0 = std::max(t, target.top), y1 = std::min(b, target.bottom);
  for (int y = y0; y < y1; ++y) FillRow(target, y, l + inset[y - t], r - inset[y - t], pixel);
}

namespace {

constexpr int kShift = 4;  // 1/16 pixel
constexpr int kPixel = 1 << kShift;
constexpr int kMaxDepth = 8;

// Fixed-point points; 64-bit so that no coordinate the DC layer lets through can overflow.
struct Fixed {
  int64_t x, y;
};

int Down(int64_t v) {
  return static_cast<int>((v + (1 << (kShift - 1))) >> kShift);
}
Fixed Mid(Fixed a, Fixed b) {
  return {(a.x + b.x + 1) / 2, (a.y + b.y + 1) / 2};
}

// Whether both control points lie between the ends along the chord's major axis and within
// a pixel of the chord across it.
bool Flat(const Fixed* p) {
  int64_t dx = p[3].x - p[0].x, dy = p[3].y - p[0].y;
  bool shallow = llabs(dy) <= llabs(dx);
  auto along = [&](const Fixed& q) { return shallow ? q.x : q.y; };
  auto across = [&](const Fixed& q) { return shallow ? q.y : q.x; };
  for (int i = 1; i <= 2; ++i) {
    if (along(p[i]) < along(p[0])) {
      if (along(p[i]) < along(p[3])) return false;
    } else if (along(p[i]) > along(p[3])) {
      return false;
    }
  }
  int64_t major = Down(shallow ? dx : dy);
  if (major == 0) return true;
  int64_t slope = (shallow ? dy : dx) / major;
  for (int i = 1; i <= 2; ++i) {
    int64_t off = across(p[i]) - across(p[0]) - slope * Down(along(p[i]) - along(p[0]));
    if (llabs(off) > kPixel) return false;
  }
  return true;
}

void Subdivide(Fixed* p, int level, std::vector<POINT>* out) {
  if (level == 0 || Flat(p)) {
    if (out->empty()) out->push_back({Down(p[0].x), Down(p[0].y)});
    out->push_back({Down(p[3].x), Down(p[3].y)});
    return;
  }
  Fixed q[4];
  q[3] = p[3];
  q[2] = Mid(p[2], p[3]);
  q[0] = Mid(p[1], p[2]);
  q[1] = Mid(q[0], q[2]);
  p[1] = Mid(p[0], p[1]);
  p[2] = Mid(p[1], q[0]);
  p[3] = Mid(p[2], q[1]);
  q[0] = p[3];
  Subdivide(p, level - 1, out);
  Subdivide(q, level - 1, out);
}

}  // namespace

std::vector<POINT> FlattenBeziers(const POINT* points, size_t count) {
  std::vector<POINT> out;
  for (size_t i = 0; i + 3 < count; i += 3) {
    Fixed p[4];
    for (int j = 0; j < 4; ++j)
      p[j] = {int64_t{points[i + j].x} * kPixel, int64_t{points[i + j].y} * kPixel};
    Subdivide(p, kMaxDepth, &out);
  }
  return out;
}

}  // namespace orvel::gdi::raster

// The rasteriser: GDI's pixel rules on a bare 32-bit pixel buffer. It knows nothing of handles
// or device contexts; every coordinate here is a surface pixel, every colour a 0x00RRGGBB pixel.
#ifndef ORVEL_GDI_RASTER_H
#define ORVEL_GDI_RASTER_H

#include <windows.h>

#include <stdint.h>

#include <vector>

namespace orvel::gdi::raster {

// Where drawing lands: the pixel buffer and the clip rectangle [left, right) x [top, bottom),
// which always lies inside the buffer.
struct Target {
  uint32_t* pixels = nullptr;
  int stride = 0;  // pixels per row
  int left = 0, top = 0, right = 0, bottom = 0;

  bool Empty() const { return left >= right || top >= bottom; }
  uint32_t* Row(int y) const { return pixels + static_cast<ptrdiff_t>(y) * stride; }
};

// Fills [l, r) x [t, b), clipped.
void FillRect(const Target& target, int l, int t, int r, int b, uint32_t pixel);

// Writes one pixel if it lies in the clip.
void Plot(const Target& target, int x, int y, uint32_t pixel);

// A one-pixel line from (x0, y0) towards (x1, y1), the end pixel excluded. The lit set is
// GDI's Bresenham and never depends on the clip.
void Line(const Target& target, int x0, int y0, int x1, int y1, uint32_t pixel);

// Lines between consecutive points; with close, also from the last point back to the first.
void Polyline(const Target& target, const POINT* points, size_t count, bool close, uint32_t pixel);

// Fills a polygon: an edge covers rows from its upper end (included) to its lower end
// (excluded); a row's span runs from the left crossing (included) to the right crossing
// (excluded), the crossings rounded up to whole pixels. fillMode is ALTERNATE or WINDING.
void FillPolygon(const Target& target, const POINT* points, size_t count, int fillMode,
                 uint32_t pixel);

// The ellipse in [l, r) x [t, b) (ordered, at least 3 x 3, at most kMaxEllipse a side): its
// outline as a closed path of adjacent pixels, and the fill of its interior.
constexpr int kMaxEllipse = 1 << 16;
std::vector<POINT> EllipseOutline(int l, int t, int r, int b);
void FillEllipse(const Target& target, int l, int t, int r, int b, uint32_t pixel);

// The polyline a cubic Bézier chain (1 + 3k points) is drawn as: midpoint subdivision in
// 1/16-pixel fixed point until each piece is flat within a pixel, at most 8 levels deep.
std::vector<POINT> FlattenBeziers(const POINT* points, size_t count);

}  // namespace orvel::gdi::raster

#endif

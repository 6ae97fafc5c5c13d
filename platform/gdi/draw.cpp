// Lines, rectangles, ellipses, polygons, Béziers and pixels.
#include "gdi/context.h"

#include <algorithm>
#include <vector>

#include "kernel/trace.h"

namespace orvel::gdi {
namespace {

// The points in surface coordinates, in a buffer that the next call reuses.
const std::vector<POINT>& ToSurface(const Drawing& d, const POINT* pts, size_t count) {
  thread_local std::vector<POINT> out;
  out.resize(count);
  for (size_t i = 0; i < count; ++i) out[i] = {d.X(pts[i].x), d.Y(pts[i].y)};
  return out;
}

// Marks the bounding box of the points, each point a pixel, as drawn on.
void TouchPoints(const Drawing& d, const std::vector<POINT>& pts) {
  if (pts.empty()) return;
  POINT lo = pts[0], hi = pts[0];
  for (const POINT& p : pts) {
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y)};
  }
  d.Touch(lo.x, lo.y, hi.x + 1, hi.y + 1);
}

// Outline on x = l, x = r-1, y = t, y = b-1 and fill inside it; [l, r) x [t, b) in all.
// Without a pen the brush covers [l, r-1) x [t, b-1).
void DrawBox(const Drawing& d, int l, int t, int r, int b) {
  const uint32_t pen = d.pen, brush = d.brush;
  const bool hasPen = d.hasPen;
  d.Touch(l, t, r, b);
  if (d.hasBrush) {
    if (hasPen)
      raster::FillRect(d.target, l + 1, t + 1, r - 1, b - 1, brush);
    else
      raster::FillRect(d.target, l, t, r - 1, b - 1, brush);
  }
  // The outline is the closed path through the four corners, each segment without its last
  // pixel: a 1 x 1 box therefore draws nothing at all.
  if (!hasPen || (r - l == 1 && b - t == 1)) return;
  raster::FillRect(d.target, l, t, r, t + 1, pen);
  raster::FillRect(d.target, l, b - 1, r, b, pen);
  raster::FillRect(d.target, l, t, l + 1, b, pen);
  raster::FillRect(d.target, r - 1, t, r, b, pen);
}

// Surface-coordinate box, ordered; false when it is empty.
bool OrderedBox(const Drawing& d, int left, int top, int right, int bottom, RECT* box) {
  int l = d.X(left), r = d.X(right), t = d.Y(top), b = d.Y(bottom);
  *box = {std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
  return box->left != box->right && box->top != box->bottom;
}

}  // namespace
}  // namespace orvel::gdi

using namespace orvel::gdi;

extern "C" {

BOOL WINAPI Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  ORVEL_TRACE_CALL(kGdi);
  Drawing d;
  if (!BeginDrawing(hdc, &d)) return FALSE;
  RECT box;
  if (OrderedBox(d, left, top, right, bottom, &box))
    DrawBox(d, box.left, box.top, box.right, box.bottom);
  return TRUE;
}

BOOL WINAPI Ellipse(HDC hdc, int left, int top, int right, int bottom) {
  ORVEL_TRACE_CALL(kGdi);
  Drawing d;
  if (!BeginDrawing(hdc, &d)) return FALSE;
  RECT box;
  if (!OrderedBox(d, left, top, right, bottom, &box)) return TRUE;
  int w = box.right - box.left, h = box.bottom - box.top;
  if (w > raster::kMaxEllipse || h > raster::kMaxEllipse) return FALSE;  // out of memory
  if (w <= 2 || h <= 2) {  // too small to curve: drawn as a rectangle
    DrawBox(d, box.left, box.top, box.right, box.bottom);
    return TRUE;
  }
  d.Touch(box.left, box.top, box.right, box.bottom);
  if (d.hasBrush) raster::FillEllipse(d.target, box.left, box.top, box.right, box.bottom, d.brush);
  if (d.hasPen) {
    std::vector<POINT> outline = raster::EllipseOutline(box.left, box.top, box.right, box.bottom);
    raster::Polyline(d.target, outline.data(), outline.size(), true, d.pen);
  }
  return TRUE;
}

BOOL WINAPI Polygon(HDC hdc, const POINT* apt, int cpt) {
  ORVEL_TRACE_CALL(kGdi);
  Drawing d;
  if (!BeginDrawing(hdc, &d) || !apt || cpt < 2) return FALSE;
  const std::vector<POINT>& pts = ToSurface(d, apt, static_cast<size_t>(cpt));
  if (d.hasBrush || d.hasPen) TouchPoints(d, pts);
  if (d.hasBrush)
    raster::FillPolygon(d.target, pts.data(), pts.size(), d.dc->polyFillMode, d.brush);
  if (d.hasPen) raster::Polyline(d.target, pts.data(), pts.size(), true, d.pen);
  return TRUE;
}

BOOL WINAPI PolyBezier(HDC hdc, const POINT* apt, DWORD cpt) {
  ORVEL_TRACE_CALL(kGdi);
  Drawing d;
  if (!BeginDrawing(hdc, &d) || !apt || cpt < 4 || (cpt - 1) % 3 != 0) return FALSE;
  const std::vector<POINT>& pts = ToSurface(d, apt, cpt);
  if (!d.hasPen) return TRUE;
  TouchPoints(d, pts);  // the curve lies within its control points
  std::vector<POINT> line = raster::FlattenBeziers(pts.data(), pts.size());
  raster::Polyline(d.target, line.data(), line.size(), false, d.pen);
  return TRUE;
}

BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
  ORVEL_TRACE_CALL(kGdi);
  DC* dc = LookupDC(hdc);
  if (!dc) return FALSE;
  if (lppt) *lppt = dc->position;
  dc->position = {x, y};
  return TRUE;
}

BOOL WINAPI LineTo(HDC hdc, int x, int y) {
  ORVEL_TRACE_CALL(kGdi);
  Drawing d;
  if (!BeginDrawing(hdc, &d)) return FALSE;
  if (d.hasPen) {
    const int x0 = d.X(d.dc->position.x), y0 = d.Y(d.dc->position.y), x1 = d.X(x), y1 = d.Y(y);
    d.Touch(std::min(x0, x1), std::min(y0, y1), std::max(x0, x1) + 1, std::max(y0, y1) + 1);
    raster::Line(d.target, x0, y0, x1, y1, d.pen);
  }
  d.dc->position = {x, y};
  return TRUE;
}

COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
  ORVEL_TRACE_CALL(kGdi);
  Drawing d;
  if (!BeginDrawing(hdc, &d)) return CLR_INVALID;
  color &= 0xFFFFFF;
  const int sx = d.X(x), sy = d.Y(y);
  d.Touch(sx, sy, sx + 1, sy + 1);
  raster::Plot(d.target, sx, sy, ToPixel(color));
  return color;
}

COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
  ORVEL_TRACE_CALL(kGdi);
  Drawing d;
  if (!BeginDrawing(hdc, &d)) return CLR_INVALID;
  // Reading ignores the clip region (as GDI does); only the surface and, for a window's DC,
  // its visible part limit it.
  int sx = d.X(x), sy = d.Y(y);
  RECT bounds{0, 0, d.surface->width, d.surface->height};
  if (!d.dc->memory) bounds = d.dc->visible;
  if (sx < std::max<LONG>(0, bounds.left) || sx >= std::min(d.surface->width, bounds.right) ||
      sy < std::max<LONG>(0, bounds.top) || sy >= std::min(d.surface->height, bounds.bottom))
    return CLR_INVALID;
  return ToColorRef(d.surface->At(sx, sy));
}

int WINAPI FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
  ORVEL_TRACE_CALL(kGdi);
  Drawing d;
  if (!lprc || !BeginDrawing(hDC, &d)) return 0;
  const Brush* brush = LookupAs<Brush>(hbr, Kind::kBrush);
  if (!brush) return 0;
  if (brush->style == BS_NULL) return 1;
  RECT box;
  if (OrderedBox(d, lprc->left, lprc->top, lprc->right, lprc->bottom, &box)) {
    d.Touch(box.left, box.top, box.right, box.bottom);
    raster::FillRect(d.target, box.left, box.top, box.right, box.bottom, ToPixel(brush->color));
  }
  return 1;
}

}  // extern "C"

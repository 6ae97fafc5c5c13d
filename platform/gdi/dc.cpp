// Device contexts, object selection and DC attributes.
#include "gdi/context.h"

#include <algorithm>
#include <new>

#include "kernel/trace.h"

namespace orvel::gdi {
namespace {

int Clamp(int64_t v) {
  return static_cast<int>(std::max<int64_t>(-kCoordLimit, std::min<int64_t>(kCoordLimit, v)));
}

RECT Intersect(const RECT& a, const RECT& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

bool RectEmpty(const RECT& r) {
  return r.left >= r.right || r.top >= r.bottom;
}

void InitDefaults(DC* dc) {
  dc->pen = Stock(BLACK_PEN);
  dc->brush = Stock(WHITE_BRUSH);
  dc->font = Stock(SYSTEM_FONT);
  Retain(dc->pen);
  Retain(dc->brush);
  Retain(dc->font);
}

int RegionKind(const RECT& r) {
  return RectEmpty(r) ? NULLREGION : SIMPLEREGION;
}

}  // namespace

int Drawing::X(int x) const {
  return Clamp(static_cast<int64_t>(x) + dc->originX);
}
int Drawing::Y(int y) const {
  return Clamp(static_cast<int64_t>(y) + dc->originY);
}

void Drawing::Touch(int l, int t, int r, int b) const {
  surface->AddDamage(std::max(l, target.left), std::max(t, target.top), std::min(r, target.right),
                     std::min(b, target.bottom));
}

DC* LookupDC(HDC hdc) {
  return LookupAs<DC>(hdc, Kind::kDC);
}

bool BeginDrawing(HDC hdc, Drawing* d) {
  TableLock hold;
  DC* dc = static_cast<DC*>(LookupLocked(hdc, Kind::kDC));
  if (!dc) return false;
  Surface* s = dc->surface;
  if (dc->memory) {
    Bitmap* bm = static_cast<Bitmap*>(LookupLocked(dc->bitmap, Kind::kBitmap));
    s = bm ? &bm->surface : nullptr;
  }
  if (!s || s->pixels.empty()) return false;
  d->dc = dc;
  d->surface = s;
  RECT clip{0, 0, s->width, s->height};
  if (!dc->memory) clip = Intersect(clip, dc->visible);
  if (dc->hasClip) {
    RECT c{Clamp(static_cast<int64_t>(dc->clip.left) + dc->originX),
           Clamp(static_cast<int64_t>(dc->clip.top) + dc->originY),
           Clamp(static_cast<int64_t>(dc->clip.right) + dc->originX),
           Clamp(static_cast<int64_t>(dc->clip.bottom) + dc->originY)};
    clip = Intersect(clip, c);
  }
  d->target.pixels = s->pixels.data();
  d->target.stride = s->width;
  d->target.left = clip.left;
  d->target.top = clip.top;
  d->target.right = clip.right;
  d->target.bottom = clip.bottom;
  const Pen* pen = static_cast<const Pen*>(LookupLocked(dc->pen, Kind::kPen));
  d->hasPen = pen && pen->style != PS_NULL;
  d->pen = pen ? ToPixel(pen->color) : 0;
  const Brush* brush = static_cast<const Brush*>(LookupLocked(dc->brush, Kind::kBrush));
  d->hasBrush = brush && brush->style != BS_NULL;
  d->brush = brush ? ToPixel(brush->color) : 0;
  return true;
}

HDC CreateSurfaceDC(Surface* surface, int originX, int originY, const RECT& visible) {
  if (!surface) return nullptr;
  auto dc = std::make_unique<DC>();
  dc->surface = surface;
  dc->originX = originX;
  dc->originY = originY;
  dc->visible = visible;
  DC* raw = dc.get();
  HGDIOBJ h = AddObject(Kind::kDC, std::move(dc));
  if (h) InitDefaults(raw);
  return static_cast<HDC>(h);
}

BOOL SetSurfaceDCVisible(HDC hdc, const RECT& visible) {
  DC* dc = LookupDC(hdc);
  if (!dc || dc->memory) return FALSE;
  dc->visible = visible;
  return TRUE;
}

Surface* SurfaceOf(HDC hdc) {
  DC* dc = LookupDC(hdc);
  if (!dc) return nullptr;
  if (!dc->memory) return dc->surface;
  Bitmap* bm = LookupAs<Bitmap>(dc->bitmap, Kind::kBitmap);
  return bm ? &bm->surface : nullptr;
}

}  // namespace orvel::gdi

using namespace orvel::gdi;

extern "C" {

HDC WINAPI CreateCompatibleDC(HDC hdc) {
  ORVEL_TRACE_CALL(kGdi);
  if (hdc && !LookupDC(hdc)) return nullptr;
  auto dc = std::make_unique<DC>();
  dc->memory = true;
  DC* raw = dc.get();
  HGDIOBJ h = AddObject(Kind::kDC, std::move(dc));
  if (!h) return nullptr;
  InitDefaults(raw);
  raw->bitmap = StockBitmap();
  Retain(raw->bitmap);
  return static_cast<HDC>(h);
}

BOOL WINAPI DeleteDC(HDC hdc) {
  ORVEL_TRACE_CALL(kGdi);
  DC* dc = LookupDC(hdc);
  if (!dc) return FALSE;
  HGDIOBJ held[] = {dc->pen, dc->brush, dc->font, dc->bitmap};
  BOOL ok = DeleteHandle(hdc);
  for (HGDIOBJ h : held)
    if (h) Release(h);
  return ok;
}

HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
  ORVEL_TRACE_CALL(kGdi);
  if (!LookupDC(hdc) || cx < 0 || cy < 0) return nullptr;
  if (cx == 0 || cy == 0) return static_cast<HBITMAP>(StockBitmap());
  constexpr int64_t kMaxPixels = int64_t{1} << 26;
  if (static_cast<int64_t>(cx) * cy > kMaxPixels) return nullptr;
  auto bm = std::unique_ptr<Bitmap>(new (std::nothrow) Bitmap);
  if (!bm) return nullptr;
  try {
    bm->surface = Surface(cx, cy);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return static_cast<HBITMAP>(AddObject(Kind::kBitmap, std::move(bm)));
}

HGDIOBJ WINAPI GetStockObject(int i) {
  ORVEL_TRACE_CALL(kGdi);
  HGDIOBJ object = Stock(i);
  // Known gap: the default palette and the DC pen and brush.
  if (!object) ORVEL_TRACE_UNSUPPORTED(kGdi, "stock object not provided (%lld)", i);
  return object;
}

HPEN WINAPI CreatePen(int iStyle, int cWidth, COLORREF color) {
  ORVEL_TRACE_CALL(kGdi);
  // Known gap: dashed and inside-frame styles (1..4, 6) draw solid here; pens are one pixel
  // wide.
  constexpr int kLastStyle = 6;
  if (iStyle < 0 || iStyle > kLastStyle) return nullptr;
  if (iStyle != PS_SOLID && iStyle != PS_NULL)
    ORVEL_TRACE_UNSUPPORTED(kGdi, "dashed or inside-frame pen drawn solid (style %lld)", iStyle);
  if (cWidth > 1) ORVEL_TRACE_UNSUPPORTED(kGdi, "wide pen drawn one pixel wide (%lld)", cWidth);
  if (iStyle == PS_NULL) return static_cast<HPEN>(Stock(NULL_PEN));
  std::unique_ptr<Pen> pen = NewPen();
  pen->style = PS_SOLID;
  pen->color = color & 0xFFFFFF;
  return static_cast<HPEN>(AddObject(Kind::kPen, std::move(pen)));
}

HBRUSH WINAPI CreateBrushIndirect(const LOGBRUSH* plbrush) {
  ORVEL_TRACE_CALL(kGdi);
  if (!plbrush) return nullptr;
  if (plbrush->lbStyle == BS_NULL) return static_cast<HBRUSH>(Stock(NULL_BRUSH));
  if (plbrush->lbStyle != BS_SOLID) {
    // Known gap: hatched and pattern brushes.
    ORVEL_TRACE_UNSUPPORTED(kGdi, "brush style not supported, fails (%lld)", plbrush->lbStyle);
    return nullptr;
  }
  std::unique_ptr<Brush> brush = NewBrush();
  brush->color = plbrush->lbColor & 0xFFFFFF;
  return static_cast<HBRUSH>(AddObject(Kind::kBrush, std::move(brush)));
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
  ORVEL_TRACE_CALL(kGdi);
  LOGBRUSH lb{BS_SOLID, color, 0};
  return CreateBrushIndirect(&lb);
}

HRGN WINAPI CreateRectRgn(int x1, int y1, int x2, int y2) {
  ORVEL_TRACE_CALL(kGdi);
  auto rgn = std::make_unique<Region>();
  RECT r{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  if (RectEmpty(r)) r = {0, 0, 0, 0};
  rgn->rect = r;
  return static_cast<HRGN>(AddObject(Kind::kRegion, std::move(rgn)));
}

int WINAPI SelectClipRgn(HDC hdc, HRGN hrgn) {
  ORVEL_TRACE_CALL(kGdi);
  DC* dc = LookupDC(hdc);
  if (!dc) return ERROR;
  if (!hrgn) {
    dc->hasClip = false;
    return SIMPLEREGION;
  }
  Region* rgn = LookupAs<Region>(hrgn, Kind::kRegion);
  if (!rgn) return ERROR;
  dc->hasClip = true;
  dc->clip = rgn->rect;
  return RegionKind(rgn->rect);
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
  ORVEL_TRACE_CALL(kGdi);
  std::unique_ptr<Object> doomed;  // destroyed after the lock below is let go
  TableLock hold;
  DC* dc = static_cast<DC*>(LookupLocked(hdc, Kind::kDC));
  Kind kind;
  if (!dc || !KindOfLocked(h, &kind)) return nullptr;
  HGDIOBJ* slot = nullptr;
  switch (kind) {
    case Kind::kPen:
      slot = &dc->pen;
      break;
    case Kind::kBrush:
      slot = &dc->brush;
      break;
    case Kind::kFont:
      slot = &dc->font;
      break;
    case Kind::kBitmap:
      // Only a memory DC holds a bitmap, and a bitmap lives in one DC at a time.
      if (!dc->memory) return nullptr;
      if (h != dc->bitmap && !IsStockLocked(h) && SelectCountLocked(h) > 0) return nullptr;
      slot = &dc->bitmap;
      break;
    case Kind::kRegion: {
      // As SelectClipRgn: the DC keeps a copy of the region's rectangle.
      const RECT& r = static_cast<Region*>(LookupLocked(h, Kind::kRegion))->rect;
      dc->hasClip = true;
      dc->clip = r;
      return reinterpret_cast<HGDIOBJ>(uintptr_t(RegionKind(r)));
    }
    case Kind::kDC:
      return nullptr;
  }
  HGDIOBJ previous = *slot;
  if (previous == h) return previous;
  RetainLocked(h);
  *slot = h;
  doomed = ReleaseLocked(previous);
  return previous;
}

BOOL WINAPI DeleteObject(HGDIOBJ ho) {
  ORVEL_TRACE_CALL(kGdi);
  return DeleteHandle(ho, false);
}

UINT WINAPI SetTextAlign(HDC hdc, UINT align) {
  ORVEL_TRACE_CALL(kGdi);
  DC* dc = LookupDC(hdc);
  if (!dc) return GDI_ERROR;
  // Known gap: text never moves the current position (TA_UPDATECP), nor reads right to left.
  if (align & ~static_cast<UINT>(TA_CENTER | TA_BASELINE))
    ORVEL_TRACE_UNSUPPORTED(kGdi, "alignment flags ignored (0x%llx)",
                            align & ~(TA_CENTER | TA_BASELINE));
  UINT previous = dc->textAlign;
  dc->textAlign = align;
  return previous;
}

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
  ORVEL_TRACE_CALL(kGdi);
  DC* dc = LookupDC(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF previous = dc->textColor;
  dc->textColor = color & 0xFFFFFF;
  return previous;
}

COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
  ORVEL_TRACE_CALL(kGdi);
  DC* dc = LookupDC(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF previous = dc->bkColor;
  dc->bkColor = color & 0xFFFFFF;
  return previous;
}

int WINAPI SetBkMode(HDC hdc, int mode) {
  ORVEL_TRACE_CALL(kGdi);
  DC* dc = LookupDC(hdc);
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int previous = dc->bkMode;
  dc->bkMode = mode;
  return previous;
}

int WINAPI SetPolyFillMode(HDC hdc, int mode) {
  ORVEL_TRACE_CALL(kGdi);
  DC* dc = LookupDC(hdc);
  if (!dc || (mode != ALTERNATE && mode != WINDING)) return 0;
  int previous = dc->polyFillMode;
  dc->polyFillMode = mode;
  return previous;
}

}  // extern "C"

// Shared by the GDI call implementations: a device context resolved for drawing.
#ifndef ORVEL_GDI_CONTEXT_H
#define ORVEL_GDI_CONTEXT_H

#include "gdi/objects.h"
#include "gdi/raster.h"

namespace orvel::gdi {

// Logical coordinates are limited to +-2^26, as GDI itself limits them to 27 bits; larger values
// are clamped so that no arithmetic downstream can overflow.
constexpr int kCoordLimit = 1 << 26;

// A device context ready to draw: its surface and the clip as a raster target.
struct Drawing {
  DC* dc = nullptr;
  Surface* surface = nullptr;
  raster::Target target;
  bool hasPen = false, hasBrush = false;  // false for PS_NULL, BS_NULL
  uint32_t pen = 0, brush = 0;            // pixels of the selected pen and brush

  // Logical to surface coordinates.
  int X(int x) const;
  int Y(int y) const;

  // Records that the call drew in [l, r) x [t, b) (surface coordinates): the part inside the
  // clip joins the surface's damage. A rectangle that bounds the drawing is enough.
  void Touch(int l, int t, int r, int b) const;
};

// False when the handle is not a live DC or the DC has no surface. The target's clip is the
// surface, the visible rectangle and the selected clip region intersected (possibly empty).
// Resolves the DC, its surface, pen and brush under one lock: this is every call's fixed cost.
bool BeginDrawing(HDC hdc, Drawing* drawing);

DC* LookupDC(HDC hdc);

}  // namespace orvel::gdi

#endif

// The GDI object table: every pen, brush, font, bitmap, region and device context lives behind a
// generation-checked handle, so a stale or forged handle is refused instead of followed.
#ifndef ORVEL_GDI_OBJECTS_H
#define ORVEL_GDI_OBJECTS_H

#include "gdi/surface.h"

#include <memory>
#include <string>

namespace orvel::gdi {

struct FontFace;  // a resolved, cached FreeType face at one pixel size (text.cpp)

// Every kind of object derives from Object so the table can own it.
struct Object {
  virtual ~Object() = default;
};

struct Pen : Object {
  int style = PS_SOLID;  // PS_SOLID or PS_NULL
  COLORREF color = 0;
};

struct Brush : Object {
  UINT style = BS_SOLID;  // BS_SOLID or BS_NULL
  COLORREF color = 0;
};

struct Font : Object {
  int height = 0;  // CreateFontA's height: >0 cell height, <0 em height, 0 default
  int weight = 0;
  bool italic = false;
  DWORD pitchAndFamily = 0;
  std::string face;
  std::shared_ptr<const FontFace> resolved;  // looked up on first use
};

struct Bitmap : Object {
  Surface surface;
};

// Only rectangular regions exist here. Empty when left >= right or top >= bottom.
struct Region : Object {
  RECT rect{0, 0, 0, 0};
};

struct DC : Object {
  bool memory = false;         // a memory DC (draws into its bitmap) or a surface DC
  Surface* surface = nullptr;  // surface DCs only
  int originX = 0, originY = 0;
  RECT visible{0, 0, 0, 0};  // surface coordinates; surface DCs only
  bool hasClip = false;
  RECT clip{0, 0, 0, 0};  // logical coordinates, valid when hasClip

  HGDIOBJ pen = nullptr;
  HGDIOBJ brush = nullptr;
  HGDIOBJ font = nullptr;
  HGDIOBJ bitmap = nullptr;  // memory DCs only

  COLORREF textColor = 0x000000;
  COLORREF bkColor = 0xFFFFFF;
  int bkMode = OPAQUE;
  UINT textAlign = TA_TOP | TA_LEFT;
  int polyFillMode = ALTERNATE;
  POINT position{0, 0};
};

// A default pen or brush for a new handle: one the table kept from a deleted handle when it
// has one, so that a display making and deleting thousands a second does not allocate each.
std::unique_ptr<Pen> NewPen();
std::unique_ptr<Brush> NewBrush();

// Adds an object and returns its new handle; null when the table is full.
HGDIOBJ AddObject(Kind kind, std::unique_ptr<Object> object);

// The object behind a handle if it is live and of the given kind, else null.
Object* Lookup(HGDIOBJ handle, Kind kind);
template <typename T>
T* LookupAs(HGDIOBJ handle, Kind kind) {
  return static_cast<T*>(Lookup(handle, kind));
}

// Holds the table's lock so that several handles resolve under one acquisition; inside, use
// LookupLocked. Not reentrant: no other table call may run while it is held.
class TableLock {
 public:
  TableLock();
  ~TableLock();
  TableLock(const TableLock&) = delete;
  TableLock& operator=(const TableLock&) = delete;
};
Object* LookupLocked(HGDIOBJ handle, Kind kind);

// The kind of a live handle; false for a null, stale or forged one.
bool KindOf(HGDIOBJ handle, Kind* kind);
bool IsStock(HGDIOBJ handle);

// Selection bookkeeping: an object selected into a DC is freed only once no DC holds it.
void Retain(HGDIOBJ handle);
void Release(HGDIOBJ handle);
int SelectCount(HGDIOBJ handle);  // how many DCs hold it now

// The same under a TableLock, so that a selection costs one acquisition. ReleaseLocked hands
// back the object its release freed, to be destroyed once the lock is let go.
bool KindOfLocked(HGDIOBJ handle, Kind* kind);
bool IsStockLocked(HGDIOBJ handle);
void RetainLocked(HGDIOBJ handle);
std::unique_ptr<Object> ReleaseLocked(HGDIOBJ handle);
int SelectCountLocked(HGDIOBJ handle);

// Frees the object unless it is stock (TRUE, no-op) or still selected (marked, freed on its
// last Release). FALSE for an invalid handle, and for a DC unless allowDC.
BOOL DeleteHandle(HGDIOBJ handle, bool allowDC = true);

// Stock objects by GetStockObject index, and the 1x1 bitmap of a fresh memory DC.
HGDIOBJ Stock(int index);
HGDIOBJ StockBitmap();

}  // namespace orvel::gdi

#endif

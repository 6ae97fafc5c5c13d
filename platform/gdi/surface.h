// What the rest of the portable layer (windows, hosts, tests) needs from GDI beyond the Win32
// calls: pixel surfaces, device contexts over them, live-object counts and image files.
#ifndef ORVEL_GDI_SURFACE_H
#define ORVEL_GDI_SURFACE_H

#include <windows.h>

#include <stddef.h>
#include <stdint.h>

#include <algorithm>
#include <vector>

namespace orvel::gdi {

// A surface's pixels. They live in memory of the store's own, or in memory that a host lends
// for them: the window's image that the display server reads, so that presenting copies
// nothing. Either way they are read and written the same way; a copy of a store owns its
// pixels.
class PixelStore {
 public:
  using value_type = uint32_t;
  using iterator = uint32_t*;
  using const_iterator = const uint32_t*;

  PixelStore() = default;
  PixelStore(size_t count, uint32_t value) : own_(count, value), data_(own_.data()), size_(count) {}
  PixelStore(const PixelStore& other) : PixelStore() { *this = other; }
  PixelStore& operator=(const PixelStore& other) {
    if (this == &other) return *this;
    own_.assign(other.begin(), other.end());
    data_ = own_.data();
    size_ = own_.size();
    return *this;
  }

  uint32_t* data() { return data_; }
  const uint32_t* data() const { return data_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  uint32_t& operator[](size_t i) { return data_[i]; }
  const uint32_t& operator[](size_t i) const { return data_[i]; }
  iterator begin() { return data_; }
  iterator end() { return data_ + size_; }
  const_iterator begin() const { return data_; }
  const_iterator end() const { return data_ + size_; }
  operator std::vector<uint32_t>() const { return std::vector<uint32_t>(begin(), end()); }

  // Moves the pixels into `memory` (size() pixels, which the lender keeps valid until it calls
  // Reclaim) and gives up the store's own memory.
  void Lend(uint32_t* memory);
  // Moves the pixels back into memory of the store's own. Nothing when they are not lent.
  void Reclaim();
  const uint32_t* LentMemory() const { return own_.empty() && size_ > 0 ? data_ : nullptr; }

 private:
  std::vector<uint32_t> own_;
  uint32_t* data_ = nullptr;
  size_t size_ = 0;
};

inline bool operator==(const PixelStore& a, const PixelStore& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}
inline bool operator==(const PixelStore& a, const std::vector<uint32_t>& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}
inline bool operator==(const std::vector<uint32_t>& a, const PixelStore& b) {
  return b == a;
}

// A 32-bit pixel surface: row-major, top row first, each pixel 0x00RRGGBB (the byte order of
// SDL's XRGB8888), so a host can present it without conversion. COLORREF is 0x00BBGGRR;
// ToPixel and ToColorRef convert.
struct Surface {
  Surface() = default;
  Surface(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h, 0u) {}
  int width = 0;
  int height = 0;
  PixelStore pixels;

  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }

  // Damage: what drawing has touched since the last ClearDamage, kept as one column span per
  // row, so that a host presents only that. Every GDI drawing call adds the rectangle it drew
  // in, after clipping.
  // Coordinates are surface pixels, [left, right) x [top, bottom), clipped to the surface.
  void AddDamage(int left, int top, int right, int bottom);
  void DamageAll() { AddDamage(0, 0, width, height); }
  void ClearDamage();
  bool HasDamage() const { return damageTop < damageBottom; }
  bool IsDamaged(int x, int y) const;
  // Rectangles that together cover the damage: runs of adjacent damaged rows whose spans
  // overlap are merged, so a drawing that is one block gives one rectangle.
  std::vector<RECT> DamageRects() const;

 private:
  int damageTop = 0, damageBottom = 0;   // rows that hold damage
  std::vector<int> spanLeft, spanRight;  // per row; empty span when left >= right
};

inline uint32_t ToPixel(COLORREF c) {
  return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
inline COLORREF ToColorRef(uint32_t p) {
  return ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
}

// A device context that draws into `surface` (which must outlive it). Logical (0,0) lies at
// (originX, originY) of the surface, as a child window's client area lies in its top-level
// window. Drawing is limited to `visible` (surface coordinates) intersected with whatever
// clip region the app selects; the app's regions are in logical coordinates. Delete it with
// DeleteDC. Returns null if surface is null.
HDC CreateSurfaceDC(Surface* surface, int originX, int originY, const RECT& visible);

// Changes the visible rectangle of a surface DC (for example when a window's update region
// or its children's placement changes). FALSE for a handle that is not a surface DC.
BOOL SetSurfaceDCVisible(HDC dc, const RECT& visible);

// The surface a DC draws into (a surface DC's, or a memory DC's selected bitmap); null if none.
Surface* SurfaceOf(HDC dc);

// Live GDI objects by kind, stock objects excluded. Tests take a count before an operation and
// compare after it.
enum class Kind { kDC, kPen, kBrush, kFont, kBitmap, kRegion };
int LiveObjects(Kind kind);
int LiveObjectsTotal();

// The font cache (loaded faces and their rendered glyphs) stays within this many bytes, however
// many fonts and sizes are used; only a single glyph larger than that can exceed it. Tests read
// its current size.
constexpr size_t kTextCacheBudget = 64u << 20;
size_t TextCacheBytes();

// Image files. PNG through libpng at the given zlib level (0..9); BMP 24-bit bottom-up.
// Both return false, writing nothing that remains, on any failure.
bool WritePng(const Surface& surface, const char* path, int zlibLevel = 1);
bool WriteBmp(const Surface& surface, const char* path);

}  // namespace orvel::gdi

#endif

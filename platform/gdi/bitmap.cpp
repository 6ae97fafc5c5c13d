// Bitmaps: block transfers, reading bits back, and bitmap resources.
#include "gdi/context.h"
#include "kernel/resources.h"
#include "kernel/trace.h"

#include <string.h>

#include <algorithm>
#include <new>

namespace orvel::gdi {
namespace {

// The 16 colours a 4-bit bitmap without its own table uses.
constexpr uint32_t kDefault16[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                     0x008080, 0x808080, 0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00,
                                     0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

uint32_t Read32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Read16(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// Decodes a packed DIB (BITMAPINFOHEADER, colour table, bits) of 1, 4, 8, 24 or 32 bits per pixel
// without compression. False for anything malformed or truncated.
bool DecodeDib(const unsigned char* data, size_t size, Surface* out) {
  if (size < 40) return false;
  uint32_t headerSize = Read32(data);
  int32_t width = static_cast<int32_t>(Read32(data + 4));
  int32_t height = static_cast<int32_t>(Read32(data + 8));
  uint16_t bpp = Read16(data + 14);
  uint32_t compression = Read32(data + 16);
  uint32_t used = Read32(data + 32);
  if (headerSize < 40 || headerSize > size || compression != BI_RGB) return false;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return false;
  bool topDown = height < 0;
  int64_t rows = topDown ? -static_cast<int64_t>(height) : height;
  if (width <= 0 || rows <= 0 || width > 16384 || rows > 16384) return false;
  size_t colours = 0;
  if (bpp <= 8) colours = used ? used : (size_t{1} << bpp);
  if (colours > 256) return false;
  size_t tableAt = headerSize;
  size_t bitsAt = tableAt + colours * 4;
  size_t stride = ((static_cast<size_t>(width) * bpp + 31) / 32) * 4;
  if (bitsAt > size || stride * static_cast<size_t>(rows) > size - bitsAt) return false;

  uint32_t table[256];
  for (size_t i = 0; i < 256; ++i) {
    if (i < colours) {
      const unsigned char* q = data + tableAt + i * 4;  // blue, green, red, reserved
      table[i] = (static_cast<uint32_t>(q[2]) << 16) | (q[1] << 8) | q[0];
    } else {
      table[i] = bpp == 4 && used == 0 ? kDefault16[i & 15] : 0;
    }
  }
  *out = Surface(width, static_cast<int>(rows));
  for (int64_t r = 0; r < rows; ++r) {
    const unsigned char* src = data + bitsAt + stride * static_cast<size_t>(r);
    int64_t y = topDown ? r : rows - 1 - r;
    uint32_t* dst = out->pixels.data() + static_cast<size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      switch (bpp) {
        case 1:
          dst[x] = table[(src[x >> 3] >> (7 - (x & 7))) & 1];
          break;
        case 4:
          dst[x] = table[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
          break;
        case 8:
          dst[x] = table[src[x]];
          break;
        case 24:
          dst[x] = (src[x * 3 + 2] << 16) | (src[x * 3 + 1] << 8) | src[x * 3];
          break;
        default:
          dst[x] = Read32(src + x * 4) & 0xFFFFFF;
          break;
      }
    }
  }
  return true;
}

struct Box {
  int64_t x, y, w, h;
};

// Trims a destination box and its source box together to the source bounds and the
// destination clip, keeping them the same size and aligned.
bool TrimBlit(Box* dst, Box* src, const RECT& srcBounds, const raster::Target& clip) {
  auto trim = [](int64_t* a, int64_t* b, int64_t* len, int64_t lo, int64_t hi) {
    if (*a < lo) {
      *len -= lo - *a;
      *b += lo - *a;
      *a = lo;
    }
    if (*a + *len > hi) *len = hi - *a;
  };
  trim(&src->x, &dst->x, &src->w, srcBounds.left, srcBounds.right);
  trim(&src->y, &dst->y, &src->h, srcBounds.top, srcBounds.bottom);
  dst->w = src->w;
  dst->h = src->h;
  trim(&dst->x, &src->x, &dst->w, clip.left, clip.right);
  trim(&dst->y, &src->y, &dst->h, clip.top, clip.bottom);
  return dst->w > 0 && dst->h > 0;
}

}  // namespace
}  // namespace orvel::gdi

using namespace orvel::gdi;

extern "C" {

BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
  ORVEL_TRACE_CALL(kGdi);
  if (rop != SRCCOPY && rop != SRCINVERT) {
    // Known gap: every other raster operation.
    ORVEL_TRACE_UNSUPPORTED(kGdi, "raster operation not supported, fails (0x%llx)", rop);
    return FALSE;
  }
  Drawing d, s;
  if (!BeginDrawing(hdc, &d) || !BeginDrawing(hdcSrc, &s)) return FALSE;
  if (cx < -kCoordLimit || cx > kCoordLimit || cy < -kCoordLimit || cy > kCoordLimit) return FALSE;
  // A negative extent runs leftwards (upwards) from the given point, which stays included;
  // both rectangles flip together, so nothing is mirrored. The arithmetic is 64-bit because the
  // point may be anywhere in the int range.
  int64_t dx = x, dy = y, sx = x1, sy = y1, ew = cx, eh = cy;
  if (ew < 0) {
    dx += ew + 1;
    sx += ew + 1;
    ew = -ew;
  }
  if (eh < 0) {
    dy += eh + 1;
    sy += eh + 1;
    eh = -eh;
  }
  Box dst{dx + d.dc->originX, dy + d.dc->originY, ew, eh};
  Box src{sx + s.dc->originX, sy + s.dc->originY, ew, eh};
  // A window's DC reads only what is visible of it; a memory DC its whole bitmap.
  RECT srcBounds{0, 0, s.surface->width, s.surface->height};
  if (!s.dc->memory) {
    srcBounds.left = std::max(srcBounds.left, s.dc->visible.left);
    srcBounds.top = std::max(srcBounds.top, s.dc->visible.top);
    srcBounds.right = std::min(srcBounds.right, s.dc->visible.right);
    srcBounds.bottom = std::min(srcBounds.bottom, s.dc->visible.bottom);
  }
  if (!TrimBlit(&dst, &src, srcBounds, d.target)) return TRUE;

  const int w = static_cast<int>(dst.w), h = static_cast<int>(dst.h);
  d.Touch(static_cast<int>(dst.x), static_cast<int>(dst.y), static_cast<int>(dst.x) + w,
          static_cast<int>(dst.y) + h);
  const uint32_t* from = s.target.Row(static_cast<int>(src.y)) + src.x;
  uint32_t* to = d.target.Row(static_cast<int>(dst.y)) + dst.x;
  ptrdiff_t srcStride = s.target.stride, dstStride = d.target.stride;
  // Within one surface, walk rows away from the overlap; memmove handles each row.
  bool upwards = d.surface == s.surface && dst.y > src.y;
  for (int i = 0; i < h; ++i) {
    int row = upwards ? h - 1 - i : i;
    const uint32_t* a = from + row * srcStride;
    uint32_t* b = to + row * dstStride;
    if (rop == SRCCOPY) {
      memmove(b, a, static_cast<size_t>(w) * sizeof(uint32_t));
    } else if (d.surface == s.surface && dst.y == src.y && dst.x > src.x) {
      for (int k = w - 1; k >= 0; --k) b[k] = (b[k] ^ a[k]) & 0xFFFFFF;
    } else {
      for (int k = 0; k < w; ++k) b[k] = (b[k] ^ a[k]) & 0xFFFFFF;
    }
  }
  return TRUE;
}

int WINAPI GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits,
                     LPBITMAPINFO lpbmi, UINT usage) {
  ORVEL_TRACE_CALL(kGdi);
  Bitmap* bm = LookupAs<Bitmap>(hbm, Kind::kBitmap);
  if (!LookupDC(hdc) || !bm || !lpbmi || usage != DIB_RGB_COLORS) return 0;
  BITMAPINFOHEADER& info = lpbmi->bmiHeader;
  if (info.biSize < sizeof(BITMAPINFOHEADER)) return 0;
  const Surface& s = bm->surface;
  if (!lpvBits) {  // describe the bitmap
    info.biWidth = s.width;
    info.biHeight = s.height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(s.width) * s.height * 4;
    return s.height > 0 ? 1 : 0;
  }
  int bpp = info.biBitCount;
  if ((bpp != 24 && bpp != 32) || info.biCompression != BI_RGB || info.biWidth != s.width) return 0;
  bool topDown = info.biHeight < 0;
  int64_t rows = topDown ? -static_cast<int64_t>(info.biHeight) : info.biHeight;
  if (rows != s.height || start >= static_cast<UINT>(rows)) return 0;
  UINT lines = std::min<UINT>(cLines, static_cast<UINT>(rows) - start);
  size_t stride = ((static_cast<size_t>(s.width) * bpp + 31) / 32) * 4;
  auto* out = static_cast<unsigned char*>(lpvBits);
  for (UINT i = 0; i < lines; ++i) {
    // DIB line `start + i`, counted from the bottom of a bottom-up DIB or the top of a top-down
    // one, lands at line i of the buffer.
    UINT dibLine = start + i;
    int y = topDown ? static_cast<int>(dibLine) : s.height - 1 - static_cast<int>(dibLine);
    const uint32_t* src = s.pixels.data() + static_cast<size_t>(y) * s.width;
    unsigned char* dst = out + stride * i;
    memset(dst, 0, stride);
    for (int x = 0; x < s.width; ++x) {
      uint32_t p = src[x];
      unsigned char* q = dst + static_cast<size_t>(x) * (bpp / 8);
      q[0] = p & 0xFF;
      q[1] = (p >> 8) & 0xFF;
      q[2] = (p >> 16) & 0xFF;
    }
  }
  return static_cast<int>(lines);
}

HBITMAP WINAPI LoadBitmapA(HINSTANCE hInstance, LPCSTR lpBitmapName) {
  ORVEL_TRACE_CALL(kGdi);
  if (!lpBitmapName || !IS_INTRESOURCE(lpBitmapName)) return nullptr;
  int id = LOWORD(lpBitmapName);
  orvel::res::Resource res = orvel::res::Find(orvel::res::kBitmap, id);
  if (!res.data) return nullptr;
  auto bm = std::unique_ptr<Bitmap>(new (std::nothrow) Bitmap);
  if (!bm) return nullptr;
  try {
    if (!DecodeDib(res.data, res.size, &bm->surface)) return nullptr;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return static_cast<HBITMAP>(AddObject(Kind::kBitmap, std::move(bm)));
}

}  // extern "C"

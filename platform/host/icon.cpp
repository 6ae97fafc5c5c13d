#include "host/icon.h"

namespace orvel::host {
namespace {

uint32_t Read16(const unsigned char* p) {
  return p[0] | (p[1] << 8);
}
uint32_t Read32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

bool DecodeIcon(const unsigned char* data, size_t size, IconImage* out) {
  if (data == nullptr || size < 6 || Read16(data) != 0 || Read16(data + 2) != 1) return false;
  size_t count = Read16(data + 4);
  if (count == 0 || size < 6 + 16 * count) return false;
  // The largest image: directory entries give width and height (0 means 256).
  size_t best = 0;
  int bestArea = -1;
  for (size_t i = 0; i < count; ++i) {
    const unsigned char* e = data + 6 + 16 * i;
    int w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
    if (w * h > bestArea) {
      bestArea = w * h;
      best = i;
    }
  }
  const unsigned char* entry = data + 6 + 16 * best;
  size_t offset = Read32(entry + 12);
  size_t length = Read32(entry + 8);
  if (offset > size || length > size - offset || length < 40) return false;
  const unsigned char* dib = data + offset;
  uint32_t headerSize = Read32(dib);
  int width = static_cast<int32_t>(Read32(dib + 4));
  int height = static_cast<int32_t>(Read32(dib + 8)) / 2;  // colour image, then the mask
  int bits = static_cast<int>(Read16(dib + 14));
  if (headerSize < 40 || headerSize > length || width <= 0 || height <= 0 || width > 256 ||
      height > 256 || Read32(dib + 16) != 0) {
    return false;
  }
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;
  size_t colours = bits <= 8 ? (Read32(dib + 32) ? Read32(dib + 32) : (1u << bits)) : 0;
  if (colours > 256) return false;
  size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
  size_t maskStride = ((static_cast<size_t>(width) + 31) / 32) * 4;
  size_t palette = headerSize;
  size_t pixels = palette + colours * 4;
  size_t mask = pixels + stride * height;
  if (mask + maskStride * height > length) return false;

  out->width = width;
  out->height = height;
  out->argb.assign(static_cast<size_t>(width) * height, 0);
  for (int y = 0; y < height; ++y) {
    const unsigned char* row = dib + pixels + stride * (height - 1 - y);  // rows run bottom-up
    const unsigned char* maskRow = dib + mask + maskStride * (height - 1 - y);
    for (int x = 0; x < width; ++x) {
      uint32_t rgb;
      uint32_t alpha = 0xFF;
      if (bits <= 8) {
        unsigned index = (row[x * bits / 8] >> (8 - bits - (x * bits) % 8)) & ((1u << bits) - 1);
        if (index >= colours) index = 0;
        const unsigned char* q = dib + palette + index * 4;
        rgb = (q[2] << 16) | (q[1] << 8) | q[0];
      } else {
        const unsigned char* q = row + x * (bits / 8);
        rgb = (q[2] << 16) | (q[1] << 8) | q[0];
        if (bits == 32) alpha = q[3];
      }
      if ((maskRow[x / 8] >> (7 - x % 8)) & 1) alpha = 0;
      out->argb[static_cast<size_t>(y) * width + x] = (alpha << 24) | rgb;
    }
  }
  return true;
}

}  // namespace orvel::host

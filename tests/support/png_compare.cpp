#include "png_compare.h"

#include <png.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <vector>

namespace orvel::test {

bool ReadPng(const std::string& path, gdi::Surface* out) {
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
    png_image_free(&image);
    return false;
  }
  *out = gdi::Surface(static_cast<int>(image.width), static_cast<int>(image.height));
  for (size_t i = 0; i < out->pixels.size(); ++i) {
    out->pixels[i] = static_cast<uint32_t>(rgb[3 * i] << 16 | rgb[3 * i + 1] << 8 | rgb[3 * i + 2]);
  }
  return true;
}

Difference Compare(const gdi::Surface& expected, const gdi::Surface& actual, const RECT& region,
                   int tolerance) {
  Difference d;
  d.sameSize = expected.width == actual.width && expected.height == actual.height;
  if (!d.sameSize) return d;
  d.map = actual;
  for (uint32_t& p : d.map.pixels) p = (p >> 2) & 0x3F3F3Fu;
  const int top = std::max(0, static_cast<int>(region.top));
  const int bottom = std::min(actual.height, static_cast<int>(region.bottom));
  const int left = std::max(0, static_cast<int>(region.left));
  const int right = std::min(actual.width, static_cast<int>(region.right));
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      const size_t i = static_cast<size_t>(y) * actual.width + x;
      const uint32_t a = actual.pixels[i], e = expected.pixels[i];
      int worst = 0;
      for (int shift = 0; shift <= 16; shift += 8) {
        worst = std::max(worst, abs(static_cast<int>((a >> shift) & 0xFF) -
                                    static_cast<int>((e >> shift) & 0xFF)));
      }
      d.largest = std::max(d.largest, worst);
      if (worst > tolerance) {
        ++d.pixels;
        d.map.pixels[i] = 0xFF0000u;
      }
    }
  }
  return d;
}

}  // namespace orvel::test

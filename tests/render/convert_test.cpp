// The RGB24 picture that raw and PNG renders keep: only the changed areas are converted, and
// nothing outside them is touched, whatever their width (the fast path takes four pixels at a
// time and must leave the rest of a row alone).
#include <gtest/gtest.h>

#include <vector>

#include "host/render/sink.h"

namespace {

TEST(RenderConvert, ChangedAreasOfAnyWidthAndNothingElse) {
  orvel::gdi::Surface picture(37, 3);
  for (size_t i = 0; i < picture.pixels.size(); ++i) {
    picture.pixels[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFFu;
  }
  for (int width = 0; width <= 12; ++width) {
    for (int left : {0, 1, 37 - width}) {
      std::vector<uint8_t> rgb(size_t{37} * 3 * 3, 0xAB);  // 0xAB: not converted
      const RECT area{left, 1, left + width, 2};
      orvel::render::UpdateRgb24(picture, {area}, rgb.data());
      for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 37; ++x) {
          const uint8_t* got = &rgb[(static_cast<size_t>(y) * 37 + x) * 3];
          const uint32_t p = picture.At(x, y);
          const bool inside = y == 1 && x >= area.left && x < area.right;
          const uint8_t want[3] = {inside ? static_cast<uint8_t>(p >> 16) : uint8_t{0xAB},
                                   inside ? static_cast<uint8_t>(p >> 8) : uint8_t{0xAB},
                                   inside ? static_cast<uint8_t>(p) : uint8_t{0xAB}};
          ASSERT_EQ(std::vector<uint8_t>(got, got + 3), std::vector<uint8_t>(want, want + 3))
              << "width " << width << " left " << left << " at " << x << "," << y;
        }
      }
    }
  }
}

}  // namespace

#include "host/icon.h"

#include <gtest/gtest.h>

#include <vector>

namespace orvel::host {
namespace {

void Put16(std::vector<unsigned char>* b, uint32_t v) {
  b->push_back(v & 0xFF);
  b->push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<unsigned char>* b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// A 2 x 2, 4-bit icon: top row palette 1 (red) and 2 (green), bottom row palette 3 (blue) and
// a masked-out pixel.
std::vector<unsigned char> TinyIcon() {
  std::vector<unsigned char> b;
  Put16(&b, 0);
  Put16(&b, 1);
  Put16(&b, 1);
  const uint32_t dibSize = 40 + 16 * 4 + 4 * 2 + 4 * 2;
  b.push_back(2);
  b.push_back(2);
  b.push_back(16);
  b.push_back(0);
  Put16(&b, 1);
  Put16(&b, 4);
  Put32(&b, dibSize);
  Put32(&b, 22);
  Put32(&b, 40);
  Put32(&b, 2);
  Put32(&b, 4);  // twice the height: image and mask
  Put16(&b, 1);
  Put16(&b, 4);
  for (int i = 0; i < 6; ++i) Put32(&b, 0);
  const uint32_t palette[16] = {0, 0xFF0000, 0x00FF00, 0x0000FF};
  for (uint32_t c : palette) Put32(&b, c);  // stored as B, G, R, 0
  // Colour rows, bottom row first, each padded to 4 bytes.
  for (unsigned char v : {0x30, 0, 0, 0, 0x12, 0, 0, 0}) b.push_back(v);
  // Mask rows, bottom first: the bottom-right pixel is transparent.
  for (unsigned char v : {0x40, 0, 0, 0, 0x00, 0, 0, 0}) b.push_back(v);
  return b;
}

TEST(Icon, DecodesPaletteImageWithItsMask) {
  std::vector<unsigned char> file = TinyIcon();
  IconImage icon;
  ASSERT_TRUE(DecodeIcon(file.data(), file.size(), &icon));
  ASSERT_EQ(icon.width, 2);
  ASSERT_EQ(icon.height, 2);
  EXPECT_EQ(icon.argb[0], 0xFFFF0000u);
  EXPECT_EQ(icon.argb[1], 0xFF00FF00u);
  EXPECT_EQ(icon.argb[2], 0xFF0000FFu);
  EXPECT_EQ(icon.argb[3] >> 24, 0u);
}

TEST(Icon, RefusesCutShortOrForeignFiles) {
  std::vector<unsigned char> file = TinyIcon();
  IconImage icon;
  for (size_t cut : {size_t{0}, size_t{5}, size_t{21}, size_t{60}, file.size() - 1}) {
    EXPECT_FALSE(DecodeIcon(file.data(), cut, &icon)) << cut;
  }
  file[2] = 2;  // a cursor file, not an icon
  EXPECT_FALSE(DecodeIcon(file.data(), file.size(), &icon));
  EXPECT_FALSE(DecodeIcon(nullptr, 100, &icon));
}

}  // namespace
}  // namespace orvel::host

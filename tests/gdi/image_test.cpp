#include "gdi/surface.h"

#include <gtest/gtest.h>
#include <png.h>

#include <stdio.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace orvel::gdi {
namespace {

std::string TempPath(const char* name) {
  return ::testing::TempDir() + "orvel_gdi_" + std::to_string(getpid()) + "_" + name;
}

Surface Sample() {
  Surface s(5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      s.pixels[static_cast<size_t>(y) * 5 + x] = (x * 50u << 16) | (y * 100u << 8) | 0x3Cu;
  return s;
}

bool Exists(const std::string& path) {
  return access(path.c_str(), F_OK) == 0;
}

TEST(ImageFiles, PngRoundTripsThroughLibpng) {
  const Surface s = Sample();
  std::string path = TempPath("a.png");
  ASSERT_TRUE(WritePng(s, path.c_str()));
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
  image.format = PNG_FORMAT_RGB;
  EXPECT_EQ(image.width, 5u);
  EXPECT_EQ(image.height, 3u);
  std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
  for (int i = 0; i < 15; ++i) {
    uint32_t p = s.pixels[static_cast<size_t>(i)];
    EXPECT_EQ(rgb[i * 3], (p >> 16) & 0xFF);
    EXPECT_EQ(rgb[i * 3 + 1], (p >> 8) & 0xFF);
    EXPECT_EQ(rgb[i * 3 + 2], p & 0xFF);
  }
  remove(path.c_str());
}

TEST(ImageFiles, BmpIs24BitBottomUpWithPaddedRows) {
  const Surface s = Sample();
  std::string path = TempPath("a.bmp");
  ASSERT_TRUE(WriteBmp(s, path.c_str()));
  FILE* f = fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::vector<unsigned char> data(200);
  size_t n = fread(data.data(), 1, data.size(), f);
  fclose(f);
  const size_t stride = 16;  // 5 * 3 bytes padded to 4
  ASSERT_EQ(n, 54 + stride * 3);
  EXPECT_EQ(data[0], 'B');
  EXPECT_EQ(data[28], 24);
  EXPECT_EQ(data[18], 5);
  EXPECT_EQ(data[22], 3);  // positive height: bottom-up
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      const unsigned char* q = data.data() + 54 + stride * (2 - y) + x * 3;
      uint32_t p = s.At(x, y);
      EXPECT_EQ(q[0], p & 0xFF);
      EXPECT_EQ(q[1], (p >> 8) & 0xFF);
      EXPECT_EQ(q[2], (p >> 16) & 0xFF);
    }
  remove(path.c_str());
}

TEST(ImageFiles, FailuresLeaveNoFile) {
  const Surface s = Sample();
  EXPECT_FALSE(WritePng(s, "/nonexistent-dir/x.png"));
  EXPECT_FALSE(WriteBmp(s, "/nonexistent-dir/x.bmp"));
  std::string path = TempPath("empty.png");
  EXPECT_FALSE(WritePng(Surface(), path.c_str()));
  EXPECT_FALSE(WritePng(s, path.c_str(), 12));
  EXPECT_FALSE(WriteBmp(Surface(), path.c_str()));
  EXPECT_FALSE(Exists(path));
  EXPECT_FALSE(WritePng(s, nullptr));
}

}  // namespace
}  // namespace orvel::gdi

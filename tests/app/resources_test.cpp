// The embedded resources: picture sizes and depths, the icon, and the dialog and menu
// templates byte for byte against what the Windows resource compiler makes of orvel.rc.
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "embedded.h"
#include "kernel/resources.h"

namespace {

uint16_t Word(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Dword(const unsigned char* p) {
  return Word(p) | static_cast<uint32_t>(Word(p + 2)) << 16;
}

struct Picture {
  int width, height, bits;
};

Picture PictureOf(int id) {
  const orvel::res::Resource r = orvel::res::Find(orvel::res::kBitmap, id);
  if (r.data == nullptr || r.size < 40) return {0, 0, 0};
  return {static_cast<int>(Dword(r.data + 4)), static_cast<int>(Dword(r.data + 8)),
          Word(r.data + 14)};
}

TEST(EmbeddedResources, ButtonPicturesAre40By20With16Colours) {
  orvel::resources::RegisterOrvelResources();
  for (int id = 2; id <= 33; ++id) {
    const Picture p = PictureOf(id);
    EXPECT_EQ(p.width, 40) << "bitmap " << id;
    EXPECT_EQ(p.height, 20) << "bitmap " << id;
    EXPECT_EQ(p.bits, 4) << "bitmap " << id;
  }
  const Picture time = PictureOf(34);
  EXPECT_EQ(time.width, 30);
  EXPECT_EQ(time.height, 20);
  EXPECT_EQ(time.bits, 4);
  EXPECT_EQ(orvel::res::Find(orvel::res::kBitmap, 1).data, nullptr);
  EXPECT_EQ(orvel::res::Find(orvel::res::kBitmap, 35).data, nullptr);
}

// A picture is light figures on black: its corner pixel is colour 0, and it is not all black.
TEST(EmbeddedResources, PicturesHaveFiguresOnBlack) {
  orvel::resources::RegisterOrvelResources();
  for (int id = 2; id <= 34; ++id) {
    const orvel::res::Resource r = orvel::res::Find(orvel::res::kBitmap, id);
    ASSERT_NE(r.data, nullptr);
    const unsigned char* bits = r.data + 40 + 16 * 4;
    const size_t n = r.size - (40 + 16 * 4);
    EXPECT_EQ(bits[0] >> 4, 0) << "bitmap " << id;
    bool figure = false;
    for (size_t i = 0; i < n; ++i) figure |= bits[i] != 0;
    EXPECT_TRUE(figure) << "bitmap " << id;
  }
}

TEST(EmbeddedResources, IconIsOne32By32SixteenColourImage) {
  orvel::resources::RegisterOrvelResources();
  const orvel::res::Resource r = orvel::res::Find(orvel::res::kIconFile, 1);
  ASSERT_NE(r.data, nullptr);
  ASSERT_GE(r.size, 22u);
  EXPECT_EQ(Word(r.data + 2), 1);  // an icon
  EXPECT_EQ(Word(r.data + 4), 1);  // one image
  EXPECT_EQ(r.data[6], 32);
  EXPECT_EQ(r.data[7], 32);
  EXPECT_EQ(r.data[8], 16);
  EXPECT_EQ(Dword(r.data + 18), 22u);  // the image follows the directory
  EXPECT_EQ(Dword(r.data + 14) + 22, r.size);
}

TEST(EmbeddedResources, DialogAndMenuAreRegistered) {
  orvel::resources::RegisterOrvelResources();
  const orvel::res::Resource dialog = orvel::res::Find(orvel::res::kDialog, 1);
  ASSERT_EQ(dialog.size, orvel::resources::AboutDialogTemplate().size());
  EXPECT_EQ(Dword(dialog.data), 0x90C02844u);
  EXPECT_EQ(Word(dialog.data + 8), 1);  // one control
  const orvel::res::Resource menu = orvel::res::Find(orvel::res::kMenu, 1);
  EXPECT_EQ(menu.size, orvel::resources::DisplayMenuTemplate().size());
}

// orvel.rc compiled by windres, where mingw-w64 is installed (CMakeLists.txt).
#ifdef ORVEL_RES_FILE
const char kResFile[] = ORVEL_RES_FILE;
#else
const char kResFile[] = "";
#endif

// Reads one resource out of a .res file: a sequence of RESOURCEHEADER + data, DWORD aligned.
std::vector<unsigned char> FromResFile(int type, int id) {
  std::vector<unsigned char> file;
  FILE* f = fopen(kResFile, "rb");
  if (f == nullptr) return {};
  unsigned char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) file.insert(file.end(), buf, buf + n);
  fclose(f);
  size_t p = 0;
  while (p + 16 <= file.size()) {
    const uint32_t dataSize = Dword(&file[p]);
    const uint32_t headerSize = Dword(&file[p + 4]);
    const bool numericType = Word(&file[p + 8]) == 0xFFFF;
    const bool numericName = numericType && Word(&file[p + 12]) == 0xFFFF;
    if (numericName && Word(&file[p + 10]) == type && Word(&file[p + 14]) == id) {
      return std::vector<unsigned char>(file.begin() + p + headerSize,
                                        file.begin() + p + headerSize + dataSize);
    }
    p = (p + headerSize + dataSize + 3) & ~size_t{3};
  }
  return {};
}

TEST(EmbeddedResources, TemplatesMatchTheResourceCompiler) {
  if (*kResFile == '\0') GTEST_SKIP() << "left out: i686-w64-mingw32-windres not found";
  const std::vector<unsigned char> dialog = FromResFile(5, 1);
  ASSERT_FALSE(dialog.empty());
  EXPECT_EQ(orvel::resources::AboutDialogTemplate(), dialog);
  const std::vector<unsigned char> menu = FromResFile(4, 1);
  ASSERT_FALSE(menu.empty());
  EXPECT_EQ(orvel::resources::DisplayMenuTemplate(), menu);
}

TEST(EmbeddedResources, PicturesMatchTheResourceCompiler) {
  if (*kResFile == '\0') GTEST_SKIP() << "left out: i686-w64-mingw32-windres not found";
  orvel::resources::RegisterOrvelResources();
  for (int id = 2; id <= 34; ++id) {
    const orvel::res::Resource r = orvel::res::Find(orvel::res::kBitmap, id);
    const std::vector<unsigned char> compiled = FromResFile(2, id);
    ASSERT_EQ(std::vector<unsigned char>(r.data, r.data + r.size), compiled) << "bitmap " << id;
  }
}

}  // namespace

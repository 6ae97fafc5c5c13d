// The picture deflater's streams, inflated by an independent decoder (libdeflate's), give back
// exactly what went in: pictures of every kind that the coder treats differently, at sizes
// around deflate's own limits.
#include "host/render/picture_deflate.h"

#include <gtest/gtest.h>
#include <libdeflate.h>

#include <random>
#include <string>
#include <vector>

namespace {

struct Picture {
  std::string name;
  size_t rowBytes;
  size_t pixelBytes;
  std::vector<uint8_t> data;
};

std::vector<uint8_t> Bytes(size_t size, uint32_t seed, int kinds) {
  std::mt19937 random(seed);
  std::vector<uint8_t> v(size);
  for (auto& b : v) b = static_cast<uint8_t>(random() % kinds);
  return v;
}

// Rows of flat colour with a few changes, repeating down the picture now and then.
std::vector<uint8_t> Chrome(size_t rowBytes, size_t rows) {
  std::vector<uint8_t> v(rowBytes * rows);
  for (size_t y = 0; y < rows; ++y)
    for (size_t x = 0; x < rowBytes; ++x)
      v[y * rowBytes + x] = static_cast<uint8_t>((x / 97 + y / 7) * 40);
  return v;
}

// Noise over byte values with unused gaps of every width from 1 to 21 between them, and a run
// of 56 values used alike: the code lengths then hold runs that each repeat code covers.
std::vector<uint8_t> GappedNoise(size_t size) {
  std::vector<uint8_t> values;
  for (int v = 0, gap = 1; v < 200; v += ++gap) values.push_back(static_cast<uint8_t>(v));
  for (int v = 200; v < 256; ++v) values.push_back(static_cast<uint8_t>(v));
  std::vector<uint8_t> v = Bytes(size, 4, static_cast<int>(values.size()));
  for (auto& b : v) b = values[b];
  return v;
}

std::vector<Picture> Pictures() {
  std::vector<Picture> p;
  p.push_back({"empty", 1684, 3, {}});
  p.push_back({"one byte", 1684, 3, {7}});
  p.push_back({"a few bytes above 143, coded with the fixed code", 1684, 3, {0xf5, 0x90, 0xff, 7}});
  p.push_back({"noise, every byte value", 1684, 3, Bytes(100000, 1, 256)});
  p.push_back({"noise of few values", 1684, 3, Bytes(100000, 2, 3)});
  p.push_back({"noise with gaps between its values", 1684, 3, GappedNoise(100000)});
  p.push_back({"one colour", 1684, 3, std::vector<uint8_t>(1684 * 411, 0)});
  p.push_back({"runs of 257 to 260", 300, 3, {}});
  for (size_t n : {257, 258, 259, 260, 3, 4, 2})
    for (size_t i = 0; i < n; ++i) p.back().data.push_back(static_cast<uint8_t>(n));
  p.push_back({"chrome", 1684, 3, Chrome(1684, 411)});
  p.push_back({"rows wider than the window", 40000, 4, Chrome(40000, 3)});
  p.push_back({"one-byte rows and pixels", 1, 1, Bytes(5000, 3, 2)});
  return p;
}

TEST(PictureDeflate, InflatesToWhatWentIn) {
  orvel::render::PictureDeflater deflater;
  libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
  for (const Picture& picture : Pictures()) {
    SCOPED_TRACE(picture.name);
    std::vector<uint8_t> packed(orvel::render::PictureDeflater::Bound(picture.data.size()));
    const size_t size = deflater.Deflate(picture.data.data(), picture.data.size(), picture.rowBytes,
                                         picture.pixelBytes, packed.data());
    ASSERT_LE(size, packed.size());
    std::vector<uint8_t> back(picture.data.size() + 1);
    size_t got = 0;
    ASSERT_EQ(
        libdeflate_zlib_decompress(inflater, packed.data(), size, back.data(), back.size(), &got),
        LIBDEFLATE_SUCCESS);
    back.resize(got);
    EXPECT_EQ(back, picture.data);
  }
  libdeflate_free_decompressor(inflater);
}

// The coder is for pictures: on a window-like picture it packs at least as tightly as a
// general compressor at its fastest level.
TEST(PictureDeflate, PacksChromeAsTightlyAsAFastGeneralCoder) {
  const std::vector<uint8_t> chrome = Chrome(1684, 411);
  orvel::render::PictureDeflater deflater;
  std::vector<uint8_t> ours(orvel::render::PictureDeflater::Bound(chrome.size()));
  const size_t size = deflater.Deflate(chrome.data(), chrome.size(), 1684, 3, ours.data());
  libdeflate_compressor* general = libdeflate_alloc_compressor(1);
  std::vector<uint8_t> theirs(libdeflate_zlib_compress_bound(general, chrome.size()));
  const size_t theirSize =
      libdeflate_zlib_compress(general, chrome.data(), chrome.size(), theirs.data(), theirs.size());
  libdeflate_free_compressor(general);
  EXPECT_LE(size, theirSize);
}

// Bytes of a few values pack only with codes made for them: four values take about 2 bits a
// byte, where the fixed code spends 8.
TEST(PictureDeflate, MakesItsOwnCodesWhereTheyPackTighter) {
  const std::vector<uint8_t> noise = Bytes(100000, 2, 4);
  orvel::render::PictureDeflater deflater;
  std::vector<uint8_t> packed(orvel::render::PictureDeflater::Bound(noise.size()));
  const size_t size = deflater.Deflate(noise.data(), noise.size(), 1684, 3, packed.data());
  EXPECT_LT(size * 8, noise.size() * 3);
}

}  // namespace

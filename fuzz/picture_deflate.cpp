// Any bytes as a picture for the PNG deflater, with row and pixel sizes taken from the first
// bytes: the stream it writes must stay within its bound and inflate, by an independent
// decoder, to exactly the bytes that went in.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <libdeflate.h>

#include <vector>

#include "host/render/picture_deflate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  // Rows of 1 to 65536 bytes, so that both sides of deflate's 32 KiB window are reached.
  const size_t rowBytes = 1 + (static_cast<size_t>(data[0]) << 8 | data[1]);
  const size_t pixelBytes = 1 + data[2] % 8;
  data += 3;
  size -= 3;
  static orvel::render::PictureDeflater deflater;
  std::vector<uint8_t> packed(orvel::render::PictureDeflater::Bound(size));
  const size_t length = deflater.Deflate(data, size, rowBytes, pixelBytes, packed.data());
  if (length > packed.size()) {
    fprintf(stderr, "the stream overran its bound\n");
    abort();
  }
  static libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
  std::vector<uint8_t> back(size + 1);
  size_t got = 0;
  if (libdeflate_zlib_decompress(inflater, packed.data(), length, back.data(), back.size(), &got) !=
          LIBDEFLATE_SUCCESS ||
      got != size || memcmp(back.data(), data, size) != 0) {
    fprintf(stderr, "the stream does not inflate to the picture\n");
    abort();
  }
  return 0;
}

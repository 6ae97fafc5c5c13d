// A zlib stream made for rendered pictures, several times as fast as a general compressor.
//
// A frame of the window is flat chrome, which repeats down the rows, and a display area of
// black ground with thin traces and flat shapes, which repeats along the rows. So the only
// repeats worth finding are the byte one pixel to the left and the byte one row above: the
// coder looks at those two places only and takes the longer run. The runs and the bytes
// between them are then written in one block with Huffman codes made for the picture, or
// deflate's fixed codes where those come out smaller.
#ifndef ORVEL_HOST_RENDER_PICTURE_DEFLATE_H
#define ORVEL_HOST_RENDER_PICTURE_DEFLATE_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

namespace orvel::render {

class PictureDeflater {
 public:
  // The most bytes that Deflate writes for `size` bytes of input.
  static size_t Bound(size_t size);

  // Writes `data` (`size` bytes of rows, each `rowBytes` long and made of pixels of
  // `pixelBytes`) to `out` as a complete zlib stream, and returns its length in bytes. `out`
  // holds at least Bound(size) bytes. Any sizes give a valid stream; repeats are sought only
  // at distances within deflate's 32768-byte window.
  size_t Deflate(const uint8_t* data, size_t size, size_t rowBytes, size_t pixelBytes,
                 uint8_t* out);

 private:
  // The picture as runs and single bytes, kept between calls so that its memory is reused.
  std::vector<uint32_t> tokens_;
};

}  // namespace orvel::render

#endif

// Image files from surfaces: PNG through libpng and 24-bit bottom-up BMP.
#include "gdi/surface.h"

#include <png.h>
#include <setjmp.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "kernel/output_file.h"

namespace orvel::gdi {
namespace {

// The file being written: a temporary file beside the target, renamed into place by Commit
// and removed otherwise (a device or FIFO is written in place and never removed).
class OutFile {
 public:
  explicit OutFile(const char* path) {
    std::string why;
    if (path && output_.Prepare(path, &why)) file_ = fopen(output_.path().c_str(), "wb");
  }
  ~OutFile() {
    if (file_) fclose(file_);
  }
  OutFile(const OutFile&) = delete;
  OutFile& operator=(const OutFile&) = delete;

  FILE* get() const { return file_; }
  // Flushes, closes and puts the file in place; true when everything reached it.
  bool Commit() {
    bool ok = fflush(file_) == 0 && !ferror(file_);
    ok = fclose(file_) == 0 && ok;
    file_ = nullptr;
    std::string why;
    return ok && output_.Commit(&why);
  }

 private:
  OutputFile output_;
  FILE* file_ = nullptr;
};

bool Valid(const Surface& s) {
  return s.width > 0 && s.height > 0 &&
         s.pixels.size() == static_cast<size_t>(s.width) * static_cast<size_t>(s.height);
}

// libpng reports errors by longjmp; nothing with a destructor may live in this frame.
bool EncodePng(FILE* file, const Surface& s, int level, unsigned char* row) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_compression_level(png, level);
  png_set_filter(png, 0, PNG_FILTER_SUB);
  png_set_IHDR(png, info, static_cast<png_uint_32>(s.width), static_cast<png_uint_32>(s.height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < s.height; ++y) {
    const uint32_t* src = s.pixels.data() + static_cast<size_t>(y) * s.width;
    for (int x = 0; x < s.width; ++x) {
      row[x * 3] = static_cast<unsigned char>(src[x] >> 16);
      row[x * 3 + 1] = static_cast<unsigned char>(src[x] >> 8);
      row[x * 3 + 2] = static_cast<unsigned char>(src[x]);
    }
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

void Put16(unsigned char* p, uint32_t v) {
  p[0] = v & 0xFF;
  p[1] = (v >> 8) & 0xFF;
}
void Put32(unsigned char* p, uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p + 2, v >> 16);
}

}  // namespace

bool WritePng(const Surface& surface, const char* path, int zlibLevel) {
  if (!Valid(surface) || zlibLevel < 0 || zlibLevel > 9) return false;
  OutFile out(path);
  if (!out.get()) return false;
  std::vector<unsigned char> row(static_cast<size_t>(surface.width) * 3);
  if (!EncodePng(out.get(), surface, zlibLevel, row.data())) return false;
  return out.Commit();
}

bool WriteBmp(const Surface& surface, const char* path) {
  if (!Valid(surface)) return false;
  const size_t stride = (static_cast<size_t>(surface.width) * 3 + 3) & ~size_t{3};
  const uint64_t imageSize = static_cast<uint64_t>(stride) * surface.height;
  if (imageSize > 0x7FFFFFFF - 54) return false;
  OutFile out(path);
  if (!out.get()) return false;
  unsigned char header[54] = {'B', 'M'};
  Put32(header + 2, static_cast<uint32_t>(54 + imageSize));
  Put32(header + 10, 54);
  Put32(header + 14, 40);
  Put32(header + 18, static_cast<uint32_t>(surface.width));
  Put32(header + 22, static_cast<uint32_t>(surface.height));
  Put16(header + 26, 1);
  Put16(header + 28, 24);
  Put32(header + 34, static_cast<uint32_t>(imageSize));
  Put32(header + 38, 2835);  // 72 dpi in pixels per metre
  Put32(header + 42, 2835);
  if (fwrite(header, 1, sizeof header, out.get()) != sizeof header) return false;
  std::vector<unsigned char> row(stride, 0);
  for (int y = surface.height - 1; y >= 0; --y) {
    const uint32_t* src = surface.pixels.data() + static_cast<size_t>(y) * surface.width;
    for (int x = 0; x < surface.width; ++x) {
      row[x * 3] = static_cast<unsigned char>(src[x]);
      row[x * 3 + 1] = static_cast<unsigned char>(src[x] >> 8);
      row[x * 3 + 2] = static_cast<unsigned char>(src[x] >> 16);
    }
    if (fwrite(row.data(), 1, stride, out.get()) != stride) return false;
  }
  return out.Commit();
}

}  // namespace orvel::gdi

// Raw RGB24 frames on standard output, top row first, for piping into other tools.
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include <vector>

#include "host/render/sink.h"

namespace orvel::render {
namespace {

class RawSink : public Sink {
 public:
  explicit RawSink(const SinkSettings& s) : rgb_(static_cast<size_t>(s.width) * s.height * 3) {}

  bool Write(const gdi::Surface& picture, const std::vector<RECT>& changed, int count) override {
    UpdateRgb24(picture, changed, rgb_.data());
    if (failed_ || count <= 0) return !failed_;
    for (int i = 0; i < count && !failed_; ++i) Put();
    return !failed_;
  }

  bool Finish() override { return !failed_; }

  std::string Error() const override {
    return "cannot write the frames to standard output: " + std::string(strerror(errno_));
  }

  std::string Discard() override { return ""; }

 private:
  void Put() {
    size_t done = 0;
    while (done < rgb_.size()) {
      const ssize_t n = write(STDOUT_FILENO, rgb_.data() + done, rgb_.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        errno_ = n < 0 ? errno : EIO;
        failed_ = true;
        return;
      }
      done += static_cast<size_t>(n);
    }
  }

  std::vector<uint8_t> rgb_;
  bool failed_ = false;
  int errno_ = 0;
};

void Convert(const uint32_t* in, int count, uint8_t* out) {
  for (int i = 0; i < count; ++i) {
    const uint32_t p = in[i];
    out[3 * i] = static_cast<uint8_t>(p >> 16);
    out[3 * i + 1] = static_cast<uint8_t>(p >> 8);
    out[3 * i + 2] = static_cast<uint8_t>(p);
  }
}

// The conversion is most of a raw render's own work: where the processor can shuffle bytes
// (SSSE3, nearly every x86-64), four pixels go at once, ten times as fast. Each 16-byte store
// runs 4 bytes (a pixel and a third) past its four pixels, into the two pixels after them,
// which are written later; the last pixels are left to Convert so that nothing past the span
// is touched. Returns the pixels done.
#if defined(__x86_64__) || defined(__i386__)
bool FastConversion() {
  return __builtin_cpu_supports("ssse3");
}

__attribute__((target("ssse3"))) int ConvertFast(const uint32_t* in, int count, uint8_t* out) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
  int i = 0;
  for (; i + 6 <= count; i += 4) {
    const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * i), _mm_shuffle_epi8(four, order));
  }
  return i;
}
#else
bool FastConversion() {
  return false;
}

int ConvertFast(const uint32_t*, int, uint8_t*) {
  return 0;
}
#endif

}  // namespace

void UpdateRgb24(const gdi::Surface& picture, const std::vector<RECT>& changed, uint8_t* rgb) {
  static const bool fast = FastConversion();
  for (const RECT& r : changed) {
    for (int y = r.top; y < r.bottom; ++y) {
      const size_t first = static_cast<size_t>(y) * picture.width + r.left;
      const uint32_t* in = picture.pixels.data() + first;
      uint8_t* out = rgb + first * 3;
      const int count = r.right - r.left;
      const int done = fast ? ConvertFast(in, count, out) : 0;
      Convert(in + done, count - done, out + 3 * done);
    }
  }
}

std::unique_ptr<Sink> OpenRawSink(const SinkSettings& settings, std::string* error) {
  if (isatty(STDOUT_FILENO)) {
    *error =
        "raw frames (--render -) go to standard output, which is a terminal here; pipe "
        "them into a program or redirect them to a file";
    return nullptr;
  }
  // A pipe of a megabyte, where the system allows it, holds a whole frame: the reader and
  // the render then take turns once a frame rather than a dozen times.
  fcntl(STDOUT_FILENO, F_SETPIPE_SZ, 1 << 20);
  return std::make_unique<RawSink>(settings);
}

}  // namespace orvel::render

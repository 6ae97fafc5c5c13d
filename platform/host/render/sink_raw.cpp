// Raw RGB24 frames on standard output, top row first, for piping into other tools.
#include <errno.h>
#include <string.h>
#include <unistd.h>

#include <vector>

#include "host/render/sink.h"

namespace orvel::render {
namespace {

class RawSink : public Sink {
 public:
  explicit RawSink(const SinkSettings& s) : rgb_(static_cast<size_t>(s.width) * s.height * 3) {}

  bool Write(const gdi::Surface& picture, int count) override {
    if (failed_ || count <= 0) return !failed_;
    ToRgb24(picture.pixels.data(), picture.width * picture.height, rgb_.data());
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

}  // namespace

void ToRgb24(const uint32_t* pixels, int count, uint8_t* out) {
  for (int i = 0; i < count; ++i) {
    const uint32_t p = pixels[i];
    out[3 * i] = static_cast<uint8_t>(p >> 16);
    out[3 * i + 1] = static_cast<uint8_t>(p >> 8);
    out[3 * i + 2] = static_cast<uint8_t>(p);
  }
}

std::unique_ptr<Sink> OpenRawSink(const SinkSettings& settings, std::string* error) {
  if (isatty(STDOUT_FILENO)) {
    *error =
        "raw frames (--render -) go to standard output, which is a terminal here; pipe "
        "them into a program or redirect them to a file";
    return nullptr;
  }
  return std::make_unique<RawSink>(settings);
}

}  // namespace orvel::render

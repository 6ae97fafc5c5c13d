// A numbered sequence of PNG files (frames/%05d.png, numbered from 1 as FFmpeg's image
// sequences are). Each frame is converted to RGB24 at once and encoded on worker threads: one
// IDAT of unfiltered rows compressed by libdeflate at its fastest level, several times as fast
// as zlib for as good a result (a frame is mostly black ground and flat chrome, whose repeats
// down the rows deflate finds without a filter). A bounded pool of buffers keeps memory flat.
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <libdeflate.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "host/render/sink.h"

namespace orvel::render {
namespace {

// The pattern's one number conversion: %d or %0<width>d. False for none, two, or another %.
bool ValidPattern(const std::string& pattern) {
  int numbers = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%') continue;
    if (++i < pattern.size() && pattern[i] == '%') continue;
    while (i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9') ++i;
    if (i >= pattern.size() || pattern[i] != 'd') return false;
    ++numbers;
  }
  return numbers == 1;
}

std::string Folder(const std::string& pattern) {
  const size_t slash = pattern.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : pattern.substr(0, slash);
}

// The folder exists (made if missing, one level) and takes a file.
bool PrepareFolder(const std::string& folder, std::string* why) {
  struct stat st;
  if (stat(folder.c_str(), &st) != 0 && mkdir(folder.c_str(), 0777) != 0) {
    *why = strerror(errno);
    return false;
  }
  const std::string probe = folder + "/.orvel-write-test-" + std::to_string(getpid());
  FILE* f = fopen(probe.c_str(), "wb");
  if (f == nullptr) {
    *why = strerror(errno);
    return false;
  }
  fclose(f);
  remove(probe.c_str());
  return true;
}

struct Job {
  std::vector<uint8_t>* rgb;
  int64_t first;  // output number of the first copy
  int count;
};

class PngSink : public Sink {
 public:
  explicit PngSink(const SinkSettings& s)
      : settings_(s), current_(static_cast<size_t>(s.width) * s.height * 3) {
    const int workers = std::max(1u, std::thread::hardware_concurrency());
    buffers_.resize(static_cast<size_t>(workers) + 2);
    for (auto& b : buffers_) {
      b.resize(static_cast<size_t>(s.width) * s.height * 3);
      free_.push_back(&b);
    }
    for (int i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
  }

  ~PngSink() override { Stop(); }

  bool Write(const gdi::Surface& picture, const std::vector<RECT>& changed, int count) override {
    UpdateRgb24(picture, changed, current_.data());
    if (count <= 0) return !Failed();
    std::vector<uint8_t>* rgb = nullptr;
    {
      std::unique_lock<std::mutex> hold(lock_);
      changed_.wait(hold, [this] { return !free_.empty() || failed_; });
      if (failed_) return false;
      rgb = free_.front();
      free_.pop_front();
    }
    memcpy(rgb->data(), current_.data(), current_.size());
    std::lock_guard<std::mutex> hold(lock_);
    jobs_.push_back(Job{rgb, next_, count});
    next_ += count;
    changed_.notify_all();
    return true;
  }

  bool Finish() override {
    Stop();
    return !failed_;
  }

  std::string Error() const override {
    return "cannot write '" + failedPath_ + "': " + strerror(errno_);
  }

  std::string Discard() override {
    return written_ == 0 ? ""
                         : std::to_string(written_) + " frames were written to " +
                               Folder(settings_.output) + "/ before that";
  }

 private:
  bool Failed() {
    std::lock_guard<std::mutex> hold(lock_);
    return failed_;
  }

  void Stop() {
    {
      std::lock_guard<std::mutex> hold(lock_);
      stopping_ = true;
      changed_.notify_all();
    }
    for (auto& t : threads_) t.join();
    threads_.clear();
  }

  void Work() {
    std::vector<char> name(settings_.output.size() + 32);
    Coder coder;
    for (;;) {
      Job job;
      {
        std::unique_lock<std::mutex> hold(lock_);
        changed_.wait(hold, [this] { return !jobs_.empty() || stopping_; });
        if (jobs_.empty()) return;
        job = jobs_.front();
        jobs_.pop_front();
      }
      Encode(*job.rgb, &coder);
      int error = 0;
      for (int i = 0; i < job.count && error == 0; ++i) {
        snprintf(name.data(), name.size(), settings_.output.c_str(), job.first + i + 1);
        error = Store(name.data(), coder.png.data(), coder.png.size());
        if (error != 0) Fail(name.data(), error);
      }
      std::lock_guard<std::mutex> hold(lock_);
      if (error == 0) written_ += job.count;
      free_.push_back(job.rgb);
      changed_.notify_all();
    }
  }

  // One worker's compressor and buffers.
  struct Coder {
    libdeflate_compressor* deflate = libdeflate_alloc_compressor(1);
    std::vector<uint8_t> filtered, png;
    ~Coder() { libdeflate_free_compressor(deflate); }
  };

  static void Put32(std::vector<uint8_t>* out, uint32_t v) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                              static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
    out->insert(out->end(), bytes, bytes + 4);
  }

  // Appends a chunk whose `length` data bytes already follow its 8-byte head at `at`.
  static void CloseChunk(std::vector<uint8_t>* out, size_t at, const char* type, size_t length) {
    const uint32_t size = static_cast<uint32_t>(length);
    for (int i = 0; i < 4; ++i) (*out)[at + i] = static_cast<uint8_t>(size >> (24 - 8 * i));
    memcpy(out->data() + at + 4, type, 4);
    Put32(out, static_cast<uint32_t>(libdeflate_crc32(0, out->data() + at + 4, length + 4)));
  }

  // The PNG file of an RGB24 picture, in coder->png.
  void Encode(const std::vector<uint8_t>& rgb, Coder* coder) {
    const size_t stride = static_cast<size_t>(settings_.width) * 3;
    coder->filtered.resize((stride + 1) * settings_.height);
    uint8_t* f = coder->filtered.data();
    for (int y = 0; y < settings_.height; ++y, f += stride + 1) {
      f[0] = 0;  // no filter: deflate finds the repeats down the rows by itself
      memcpy(f + 1, rgb.data() + y * stride, stride);
    }
    std::vector<uint8_t>& png = coder->png;
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png.assign(kSignature, kSignature + 8);
    png.resize(16);
    Put32(&png, static_cast<uint32_t>(settings_.width));
    Put32(&png, static_cast<uint32_t>(settings_.height));
    const uint8_t header[5] = {8, 2, 0, 0, 0};  // 8 bits, truecolour, deflate, filters, plain
    png.insert(png.end(), header, header + 5);
    CloseChunk(&png, 8, "IHDR", 13);
    const size_t at = png.size();
    const size_t bound = libdeflate_zlib_compress_bound(coder->deflate, coder->filtered.size());
    png.resize(at + 8 + bound);
    const size_t packed = libdeflate_zlib_compress(
        coder->deflate, coder->filtered.data(), coder->filtered.size(), png.data() + at + 8, bound);
    png.resize(at + 8 + packed);
    CloseChunk(&png, at, "IDAT", packed);
    const size_t end = png.size();
    png.resize(end + 8);
    CloseChunk(&png, end, "IEND", 0);
  }

  // Writes one file; 0 or the errno. A file that could not be written whole is removed.
  static int Store(const char* path, const void* data, size_t size) {
    FILE* f = fopen(path, "wb");
    if (f == nullptr) return errno;
    const bool wrote = fwrite(data, 1, size, f) == size;
    int error = wrote ? 0 : errno;
    if (fclose(f) != 0 && error == 0) error = errno;
    if (error != 0) remove(path);
    return error;
  }

  void Fail(const char* path, int error) {
    std::lock_guard<std::mutex> hold(lock_);
    if (failed_) return;
    failed_ = true;
    failedPath_ = path;
    errno_ = error;
    changed_.notify_all();
  }

  SinkSettings settings_;
  std::vector<uint8_t> current_;  // the last picture
  std::vector<std::vector<uint8_t>> buffers_;
  std::vector<std::thread> threads_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<std::vector<uint8_t>*> free_;
  std::deque<Job> jobs_;
  int64_t next_ = 0;
  int64_t written_ = 0;
  bool stopping_ = false;
  bool failed_ = false;
  std::string failedPath_;
  int errno_ = 0;
};

}  // namespace

std::unique_ptr<Sink> OpenPngSink(const SinkSettings& settings, std::string* error) {
  if (!ValidPattern(settings.output)) {
    *error = "'" + settings.output +
             "' is not a PNG file pattern: it needs one frame number such as %05d, for "
             "example frames/%05d.png";
    return nullptr;
  }
  std::string why;
  const std::string folder = Folder(settings.output);
  if (!PrepareFolder(folder, &why)) {
    *error = "cannot write frames into '" + folder + "': " + why;
    return nullptr;
  }
  return std::make_unique<PngSink>(settings);
}

}  // namespace orvel::render

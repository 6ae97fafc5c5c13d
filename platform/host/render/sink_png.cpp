// A numbered sequence of PNG files (frames/%05d.png, numbered from 1 as FFmpeg's image
// sequences are). Each frame is converted to RGB24 at once and encoded by libspng at a fast
// zlib level on worker threads; a bounded pool of buffers keeps memory flat.
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <spng.h>

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
  explicit PngSink(const SinkSettings& s) : settings_(s) {
    const int workers = std::max(1u, std::thread::hardware_concurrency());
    buffers_.resize(static_cast<size_t>(workers) + 2);
    for (auto& b : buffers_) {
      b.resize(static_cast<size_t>(s.width) * s.height * 3);
      free_.push_back(&b);
    }
    for (int i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
  }

  ~PngSink() override { Stop(); }

  bool Write(const gdi::Surface& picture, int count) override {
    if (count <= 0) return !Failed();
    std::vector<uint8_t>* rgb = nullptr;
    {
      std::unique_lock<std::mutex> hold(lock_);
      changed_.wait(hold, [this] { return !free_.empty() || failed_; });
      if (failed_) return false;
      rgb = free_.front();
      free_.pop_front();
    }
    ToRgb24(picture.pixels.data(), picture.width * picture.height, rgb->data());
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
    for (;;) {
      Job job;
      {
        std::unique_lock<std::mutex> hold(lock_);
        changed_.wait(hold, [this] { return !jobs_.empty() || stopping_; });
        if (jobs_.empty()) return;
        job = jobs_.front();
        jobs_.pop_front();
      }
      size_t size = 0;
      void* png = Encode(*job.rgb, &size);
      int error = png ? 0 : ENOMEM;
      for (int i = 0; i < job.count && error == 0; ++i) {
        snprintf(name.data(), name.size(), settings_.output.c_str(), job.first + i + 1);
        error = Store(name.data(), png, size);
        if (error != 0) Fail(name.data(), error);
      }
      free(png);
      std::lock_guard<std::mutex> hold(lock_);
      if (error == 0) written_ += job.count;
      free_.push_back(job.rgb);
      changed_.notify_all();
    }
  }

  // The PNG file in memory (malloc'd), or null.
  void* Encode(const std::vector<uint8_t>& rgb, size_t* size) {
    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    if (ctx == nullptr) return nullptr;
    spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
    spng_set_option(ctx, SPNG_IMG_COMPRESSION_LEVEL, 1);
    // Rows of a frame repeat mostly vertically (black ground, flat chrome): the up filter
    // alone compresses nearly as well as the adaptive choice at a fraction of the time.
    spng_set_option(ctx, SPNG_FILTER_CHOICE, SPNG_FILTER_CHOICE_UP);
    spng_ihdr ihdr = {};
    ihdr.width = static_cast<uint32_t>(settings_.width);
    ihdr.height = static_cast<uint32_t>(settings_.height);
    ihdr.bit_depth = 8;
    ihdr.color_type = SPNG_COLOR_TYPE_TRUECOLOR;
    spng_set_ihdr(ctx, &ihdr);
    void* png = nullptr;
    if (spng_encode_image(ctx, rgb.data(), rgb.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE) == 0) {
      int error = 0;
      png = spng_get_png_buffer(ctx, size, &error);
    }
    spng_ctx_free(ctx);
    return png;
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

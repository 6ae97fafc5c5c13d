// A numbered sequence of PNG files (frames/%05d.png, numbered from 1 as FFmpeg's image
// sequences are). Each frame is laid out at once as PNG's rows (a filter byte, then RGB24) and
// encoded on worker threads: one IDAT of unfiltered rows, compressed by our own picture deflater
// (picture_deflate.h), which finds the repeats along and down the rows several times as fast as
// a general compressor. A bounded pool of buffers keeps memory flat.
#include <errno.h>
#include <limits.h>
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

#include "host/render/picture_deflate.h"
#include "host/render/sink.h"
#include "kernel/output_file.h"

namespace orvel::render {
namespace {

// The name of frame `number` under `pattern`: "%%" is "%", and the one conversion (%d or
// %0<width>d) is the number, padded with zeros to `width` digits. Written here rather than by
// printf, so that no width or number can overflow a buffer or cut a name short.
std::string FrameName(const std::string& pattern, int64_t number) {
  std::string name;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%') {
      name += pattern[i];
    } else if (pattern[++i] == '%') {
      name += '%';
    } else {
      size_t width = 0;
      for (; pattern[i] >= '0' && pattern[i] <= '9'; ++i) width = width * 10 + (pattern[i] - '0');
      const std::string digits = std::to_string(number);
      name += std::string(width > digits.size() ? width - digits.size() : 0, '0') + digits;
    }
  }
  return name;
}

// What is wrong with a frame pattern, or an empty string: it must hold one number conversion
// (%d or %0<width>d, any other % doubled), and every name it makes must fit in a path.
std::string PatternFault(const std::string& pattern) {
  int numbers = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%') continue;
    if (++i < pattern.size() && pattern[i] == '%') continue;
    const size_t start = i;
    while (i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9') ++i;
    if (i >= pattern.size() || pattern[i] != 'd') numbers = 2;  // not a pattern at all
    if (i - start > 4) return "its number is wider than a path";
    ++numbers;
  }
  if (numbers != 1) {
    return "it needs one frame number such as %05d, for example frames/%05d.png";
  }
  const std::string longest = FrameName(pattern, INT64_MAX);
  const size_t slash = longest.rfind('/');
  const size_t base = longest.size() - (slash == std::string::npos ? 0 : slash + 1);
  if (longest.size() >= PATH_MAX || base > NAME_MAX) {
    return "its names would be longer than a file name may be (" + std::to_string(NAME_MAX) +
           " bytes, " + std::to_string(PATH_MAX - 1) + " with the folders)";
  }
  return "";
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
  // A file of a name no one else uses, made here and so the only one removed here.
  OutputFile probe;
  return probe.Prepare(folder + "/.orvel-write-test", why);
}

struct Job {
  std::vector<uint8_t>* rows;  // PNG's rows: a filter byte, then the row's RGB24
  int64_t first;               // output number of the first copy
  int count;
};

class PngSink : public Sink {
 public:
  explicit PngSink(const SinkSettings& s)
      : settings_(s), current_(static_cast<size_t>(s.width) * s.height * 3) {
    const int workers = std::max(1u, std::thread::hardware_concurrency());
    buffers_.resize(static_cast<size_t>(workers) + 2);
    for (auto& b : buffers_) {
      b.resize((static_cast<size_t>(s.width) * 3 + 1) * s.height);
      free_.push_back(&b);
    }
    for (int i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
  }

  ~PngSink() override { Stop(); }

  bool Write(const gdi::Surface& picture, const std::vector<RECT>& changed, int count) override {
    UpdateRgb24(picture, changed, current_.data());
    if (count <= 0) return !Failed();
    std::vector<uint8_t>* rows = nullptr;
    {
      std::unique_lock<std::mutex> hold(lock_);
      changed_.wait(hold, [this] { return !free_.empty() || failed_; });
      if (failed_) return false;
      rows = free_.front();
      free_.pop_front();
    }
    const size_t stride = static_cast<size_t>(settings_.width) * 3;
    uint8_t* row = rows->data();
    for (int y = 0; y < settings_.height; ++y, row += stride + 1) {
      row[0] = 0;  // no filter: the coder finds the repeats down the rows by itself
      memcpy(row + 1, current_.data() + y * stride, stride);
    }
    std::lock_guard<std::mutex> hold(lock_);
    jobs_.push_back(Job{rows, next_, count});
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
    PictureDeflater deflater;
    std::vector<uint8_t> png(PngBound(buffers_.front().size()));
    for (;;) {
      Job job;
      {
        std::unique_lock<std::mutex> hold(lock_);
        changed_.wait(hold, [this] { return !jobs_.empty() || stopping_; });
        if (jobs_.empty()) return;
        job = jobs_.front();
        jobs_.pop_front();
      }
      const size_t size = Encode(*job.rows, &deflater, png.data());
      int error = 0;
      for (int i = 0; i < job.count && error == 0; ++i) {
        const std::string name = FrameName(settings_.output, job.first + i + 1);
        error = Store(name.c_str(), png.data(), size);
        if (error != 0) Fail(name.c_str(), error);
      }
      std::lock_guard<std::mutex> hold(lock_);
      if (error == 0) written_ += job.count;
      free_.push_back(job.rows);
      changed_.notify_all();
    }
  }

  static uint8_t* Put32(uint8_t* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) *out++ = static_cast<uint8_t>(v >> (24 - 8 * i));
    return out;
  }

  // Closes the chunk at `at` whose `length` data bytes follow its 8-byte head; returns its end.
  static uint8_t* CloseChunk(uint8_t* at, const char* type, size_t length) {
    Put32(at, static_cast<uint32_t>(length));
    memcpy(at + 4, type, 4);
    return Put32(at + 8 + length, static_cast<uint32_t>(libdeflate_crc32(0, at + 4, length + 4)));
  }

  // The most bytes of a PNG file: signature, IHDR, IDAT's head and tail, IEND.
  static size_t PngBound(size_t rows) { return 8 + 25 + 12 + PictureDeflater::Bound(rows) + 12; }

  // The PNG file of a picture laid out as PNG's rows, in `png` (PngBound bytes); its length.
  size_t Encode(const std::vector<uint8_t>& rows, PictureDeflater* deflater, uint8_t* png) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    memcpy(png, kSignature, 8);
    uint8_t* header = png + 8;
    uint8_t* p = Put32(header + 8, static_cast<uint32_t>(settings_.width));
    p = Put32(p, static_cast<uint32_t>(settings_.height));
    const uint8_t form[5] = {8, 2, 0, 0, 0};  // 8 bits, truecolour, deflate, filters, plain
    memcpy(p, form, 5);
    uint8_t* data = CloseChunk(header, "IHDR", 13);
    const size_t packed =
        deflater->Deflate(rows.data(), rows.size(), settings_.width * 3 + 1, 3, data + 8);
    uint8_t* end = CloseChunk(data, "IDAT", packed);
    return static_cast<size_t>(CloseChunk(end, "IEND", 0) - png);
  }

  // Writes one file; 0 or the errno. A file is written whole or not at all: what stood at
  // `path` before stays unless the new file replaces it.
  static int Store(const char* path, const void* data, size_t size) {
    OutputFile out;
    std::string why;
    if (!out.Prepare(path, &why)) return errno != 0 ? errno : EISDIR;
    FILE* f = fopen(out.path().c_str(), "wb");
    if (f == nullptr) return errno;
    const bool wrote = fwrite(data, 1, size, f) == size;
    int error = wrote ? 0 : errno;
    if (fclose(f) != 0 && error == 0) error = errno;
    if (error == 0 && !out.Commit(&why)) error = errno;
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
  const std::string fault = PatternFault(settings.output);
  if (!fault.empty()) {
    *error = "'" + settings.output + "' is not a PNG file pattern: " + fault;
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

#include <errno.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>

#include "demo_synth.h"
#include "generator.h"
#include "kernel/printable.h"

namespace orvel::wave {

namespace {

constexpr int kScriptRate = 22050;

class ScriptedGenerator : public Generator {
 public:
  explicit ScriptedGenerator(ScriptFill fill) : Generator(kScriptRate, 1), fill_(std::move(fill)) {}

  void Read(int64_t first, int count, float* out) override {
    int skip = 0;
    for (; skip < count && first + skip < 0; ++skip) out[skip] = 0.0f;
    bytes_.assign(static_cast<size_t>(count - skip), 128);
    if (count > skip) fill_(first + skip, bytes_.data(), count - skip);
    for (int i = skip; i < count; ++i) {
      out[i] = (static_cast<float>(bytes_[static_cast<size_t>(i - skip)]) - 128.0f) / 128.0f;
    }
  }

 private:
  ScriptFill fill_;
  std::vector<uint8_t> bytes_;
};

class DemoGenerator : public Generator {
 public:
  DemoGenerator() : Generator(kDemoRate, 1) {}
  void Read(int64_t first, int count, float* out) override { DemoRender(first, count, out); }
};

// Reads through a cache of one block, since a device asks for a few frames at a time and
// mostly in order.
class FileGenerator : public Generator {
 public:
  FileGenerator(SNDFILE* file, const SF_INFO& info)
      : Generator(info.samplerate, std::min(info.channels, 2)),
        file_(file),
        fileChannels_(info.channels),
        frames_(info.frames) {}
  ~FileGenerator() override { sf_close(file_); }

  void Read(int64_t first, int count, float* out) override {
    std::lock_guard<std::mutex> lock(mutex_);
    const int ch = Channels();
    for (int i = 0; i < count;) {
      const int64_t frame = first + i;
      if (frame < 0 || frame >= frames_) {
        for (int c = 0; c < ch; ++c) out[i * ch + c] = 0.0f;
        ++i;
        continue;
      }
      if (frame < cacheFirst_ || frame >= cacheFirst_ + cacheFrames_) Fill(frame);
      if (cacheFrames_ == 0) {  // a read error: the rest is silence
        std::fill(out + i * ch, out + count * ch, 0.0f);
        return;
      }
      const int64_t offset = frame - cacheFirst_;
      const int n = static_cast<int>(std::min<int64_t>(count - i, cacheFrames_ - offset));
      for (int k = 0; k < n; ++k) {
        const float* src = &cache_[static_cast<size_t>((offset + k) * fileChannels_)];
        for (int c = 0; c < ch; ++c) out[(i + k) * ch + c] = src[c];
      }
      i += n;
    }
  }

 private:
  static constexpr int kBlock = 8192;

  void Fill(int64_t frame) {
    cache_.resize(static_cast<size_t>(kBlock) * static_cast<size_t>(fileChannels_));
    cacheFirst_ = frame;
    cacheFrames_ = 0;
    if (sf_seek(file_, frame, SEEK_SET) < 0) return;
    const sf_count_t got = sf_readf_float(file_, cache_.data(), kBlock);
    cacheFrames_ = got > 0 ? got : 0;
  }

  std::mutex mutex_;
  SNDFILE* file_;
  int fileChannels_;
  int64_t frames_;
  std::vector<float> cache_;
  int64_t cacheFirst_ = 0;
  int64_t cacheFrames_ = 0;
};

}  // namespace

std::unique_ptr<Generator> MakeScriptedGenerator(ScriptFill fill) {
  return std::make_unique<ScriptedGenerator>(std::move(fill));
}

std::unique_ptr<Generator> MakeDemoGenerator() {
  return std::make_unique<DemoGenerator>();
}

std::unique_ptr<Generator> OpenFileGenerator(const std::string& name, std::string* error) {
  const std::string path = Printable(name);
  FILE* probe = fopen(name.c_str(), "rb");
  if (!probe) {
    *error = "cannot read '" + path + "': " + strerror(errno);
    return nullptr;
  }
  fclose(probe);
  struct stat st;
  if (stat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    *error = "cannot read '" + path + "': " + strerror(EISDIR);
    return nullptr;
  }
  SF_INFO info;
  memset(&info, 0, sizeof info);
  SNDFILE* file = sf_open(name.c_str(), SFM_READ, &info);
  if (!file) {
    *error = "'" + path + "' is not an audio file: " + sf_strerror(nullptr);
    return nullptr;
  }
  if (info.channels < 1 || info.samplerate < 1 || info.frames < 0) {
    sf_close(file);
    *error = "'" + path + "' is not an audio file: it holds no sound";
    return nullptr;
  }
  return std::make_unique<FileGenerator>(file, info);
}

RingGenerator::RingGenerator(int rate, int channels)
    : Generator(rate, channels),
      ring_(static_cast<size_t>(rate) * static_cast<size_t>(channels)),
      capacity_(rate) {}

void RingGenerator::Append(const float* frames, int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  const int ch = Channels();
  int64_t w = written_.load();
  for (int i = 0; i < count; ++i, ++w) {
    float* dst = &ring_[static_cast<size_t>((w % capacity_) * ch)];
    for (int c = 0; c < ch; ++c) dst[c] = frames[i * ch + c];
  }
  written_.store(w);
}

void RingGenerator::Read(int64_t first, int count, float* out) {
  std::lock_guard<std::mutex> lock(mutex_);
  const int ch = Channels();
  const int64_t end = written_.load();
  for (int i = 0; i < count; ++i) {
    const int64_t frame = first + i;
    const bool held = frame >= 0 && frame < end && frame >= end - capacity_;
    for (int c = 0; c < ch; ++c) {
      out[i * ch + c] = held ? ring_[static_cast<size_t>((frame % capacity_) * ch + c)] : 0.0f;
    }
  }
}

}  // namespace orvel::wave

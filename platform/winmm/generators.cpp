#include <algorithm>

#include "demo_synth.h"
#include "generator.h"

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

}  // namespace

std::unique_ptr<Generator> MakeScriptedGenerator(ScriptFill fill) {
  return std::make_unique<ScriptedGenerator>(std::move(fill));
}

std::unique_ptr<Generator> MakeDemoGenerator() {
  return std::make_unique<DemoGenerator>();
}

RingGenerator::RingGenerator(int rate, int channels, int64_t capacity)
    : Generator(rate, channels),
      ring_(static_cast<size_t>(capacity) * static_cast<size_t>(channels)),
      capacity_(capacity) {}

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

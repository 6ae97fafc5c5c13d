#include "host/render/cable_tap.h"

#include <algorithm>

#include "kernel/clock.h"
#include "winmm/loopback.h"

namespace orvel::render {
namespace {

// A render without sound (GIF, PNG, raw frames) never reads the recording: it keeps only the
// last kKeep frames, trimmed when twice that has piled up, so an album costs a few megabytes.
constexpr int64_t kKeep = 10 * CableTap::kRate;

// A period that lands this close to where the recording ends continues it: the clock's
// microseconds round a period's start by up to a frame.
constexpr int64_t kJoin = 4;

class CableReader : public wave::Generator {
 public:
  explicit CableReader(CableTap* tap)
      : Generator(CableTap::kRate, CableTap::kChannels), tap_(tap) {}
  void Read(int64_t first, int count, float* out) override { tap_->Read(first, count, out); }

 private:
  CableTap* tap_;
};

}  // namespace

void CableTap::Start() {
  capture_ =
      wave::loopback::OpenCapture([this](const float* frames, int count) { Take(frames, count); });
  capture_->Run(true);
}

void CableTap::Take(const float* frames, int count) {
  std::lock_guard<std::mutex> hold(lock_);
  const int64_t at = clock::NowMicros() * kRate / 1000000;
  if (at > recorded_ + kJoin) {  // the player was silent (not yet started): so is the video
    kept_.resize(kept_.size() + static_cast<size_t>(at - recorded_) * kChannels, 0.0f);
    recorded_ = at;
  }
  kept_.insert(kept_.end(), frames, frames + static_cast<size_t>(count) * kChannels);
  recorded_ += count;
  if (recorded_ - keptFrom_ > 2 * kKeep) {
    kept_.erase(kept_.begin(), kept_.end() - kKeep * kChannels);
    keptFrom_ = recorded_ - kKeep;
  }
}

int64_t CableTap::Recorded() {
  std::lock_guard<std::mutex> hold(lock_);
  return recorded_;
}

void CableTap::Read(int64_t first, int count, float* out) {
  std::lock_guard<std::mutex> hold(lock_);
  std::fill(out, out + static_cast<size_t>(count) * kChannels, 0.0f);
  const int64_t from = std::max(first, keptFrom_);
  const int64_t to = std::min(first + count, recorded_);
  if (from < to) {
    std::copy(kept_.begin() + (from - keptFrom_) * kChannels,
              kept_.begin() + (to - keptFrom_) * kChannels, out + (from - first) * kChannels);
  }
  const int64_t forget = std::min(first + count, recorded_);
  if (forget > keptFrom_) {
    kept_.erase(kept_.begin(), kept_.begin() + (forget - keptFrom_) * kChannels);
    keptFrom_ = forget;
  }
}

std::unique_ptr<wave::Generator> ReadCable(CableTap* tap) {
  return std::make_unique<CableReader>(tap);
}

}  // namespace orvel::render
